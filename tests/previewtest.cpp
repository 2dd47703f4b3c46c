#include "app/photorenamergui.h"
#include "app/previewrenderer.h"
#include "metadata/exiv2setup.h"
#include "tests/support/windowfixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

static const QString invalidFolder = QStringLiteral("El directorio seleccionado no es válido.");
static const QString noPhotos
        = QStringLiteral("No se encontraron imágenes en el directorio seleccionado.");

class PreviewTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(usePrivateSettings(settingsDir.path()));
        initializeExiv2();
    }

    void init()
    {
        QVERIFY(work.isValid());
        QVERIFY(fixture.open());
    }

    void cleanup()
    {
        fixture.window.reset();
        QDir(work.path()).removeRecursively();
        QDir().mkpath(work.path());
    }

    void twoPhotosStepForwardAndBack()
    {
        const QString folder = photoFolder("two", {"a.jpg", "b.png"});
        QVERIFY(openFolder(folder));
        const QStringList listed = listedPhotos();
        QCOMPARE(sorted(listed), QStringList({folder + "/a.jpg", folder + "/b.png"}));
        QCOMPARE(index(), 0);
        QCOMPARE(currentPath(), listed.at(0));
        QVERIFY(!previous()->isEnabled());
        QVERIFY(next()->isEnabled());
        QVERIFY(!shownPicture().isNull());

        next()->click();
        QCOMPARE(index(), 1);
        QCOMPARE(currentPath(), listed.at(1));
        QVERIFY(previous()->isEnabled());
        QVERIFY(!next()->isEnabled());
        QVERIFY(settled());

        // Stepping past either end changes nothing and renders nothing.
        const qint64 shown = shownPicture().cacheKey();
        QMetaObject::invokeMethod(fixture.window.get(), "onNextPreview");
        QCOMPARE(index(), 1);
        QVERIFY(settled());
        QCOMPARE(shownPicture().cacheKey(), shown);

        previous()->click();
        QCOMPARE(index(), 0);
        QCOMPARE(currentPath(), listed.at(0));
        QMetaObject::invokeMethod(fixture.window.get(), "onPreviousPreview");
        QCOMPARE(index(), 0);
        QVERIFY(!previous()->isEnabled());
        QVERIFY(next()->isEnabled());
    }

    void onePhotoLeavesBothButtonsDisabled()
    {
        QVERIFY(openFolder(photoFolder("one", {"IMG_01.JPG"})));
        QCOMPARE(listedPhotos().size(), 1);
        QVERIFY(!previous()->isEnabled());
        QVERIFY(!next()->isEnabled());
        QVERIFY(!shownPicture().isNull());
    }

    void listTakesPhotoNamesInAnyCaseAndNothingElse()
    {
        const QString folder
                = photoFolder("mixed", {"a.Jpeg", "b.TIFF", "c.jpg.txt", "d.bmp", ".hidden.jpg"});
        QVERIFY(openFolder(folder));
        QCOMPARE(sorted(listedPhotos()), QStringList({folder + "/a.Jpeg", folder + "/b.TIFF"}));
    }

    void subfolderToggleRebuildsTheList()
    {
        const QString folder = photoFolder("nested", {"top.jpg", "sub/deeper/inner.jpg"});
        QVERIFY(openFolder(folder));
        QCOMPARE(listedPhotos(), QStringList({folder + "/top.jpg"}));
        QVERIFY(!next()->isEnabled());

        check("subdirsCheck")->setChecked(true);
        QCOMPARE(sorted(listedPhotos()),
                 QStringList({folder + "/sub/deeper/inner.jpg", folder + "/top.jpg"}));
        QCOMPARE(index(), 0);
        QVERIFY(next()->isEnabled());
        next()->click();

        check("subdirsCheck")->setChecked(false);
        QCOMPARE(listedPhotos(), QStringList({folder + "/top.jpg"}));
        QCOMPARE(index(), 0);
        QCOMPARE(currentPath(), folder + "/top.jpg");
    }

    void foldersWithoutPhotosShowTheirMessage_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing folder") << "missing" << invalidFolder;
        QTest::newRow("empty field") << "" << invalidFolder;
        QTest::newRow("a file, not a folder") << "file.txt" << invalidFolder;
        QTest::newRow("folder without photos") << "nophotos" << noPhotos;
    }

    // Each starts from a shown picture, which must not come back on resize.
    void foldersWithoutPhotosShowTheirMessage()
    {
        QFETCH(QString, folder);
        QFETCH(QString, message);
        QVERIFY(openFolder(photoFolder("before", {"a.jpg", "b.jpg"})));
        QVERIFY(!shownPicture().isNull());
        QDir(work.path()).mkpath("nophotos");
        writeFile(work.filePath("nophotos/notes.jpg.txt"));
        writeFile(work.filePath("file.txt"));

        folderEdit()->setText(folder.isEmpty() ? folder : work.filePath(folder));
        expectMessage(message);
        QCOMPARE(index(), -1);
        QCOMPARE(currentPath(), QString());
        QVERIFY(listedPhotos().isEmpty());

        fixture.window->resize(1100, 700);
        QCoreApplication::processEvents();
        fixture.window->resize(1280, 800);
        QCoreApplication::processEvents();
        expectMessage(message);
    }

    void undecodablePhotoShowsTheRenderError()
    {
        const QString folder = work.filePath("broken");
        QDir().mkpath(folder);
        writeFile(folder + "/broken.jpg");
        QVERIFY(openFolder(folder));
        expectMessage(QStringLiteral("Error al generar la vista previa."));
        fixture.window->resize(1000, 700);
        QCoreApplication::processEvents();
        expectMessage(QStringLiteral("Error al generar la vista previa."));
    }

    void renderingNeverTouchesTheFolder()
    {
        const QString folder = photoFolder("untouched", {"a.jpg", "b.png", "sub/c.jpg"});
        const QString csv = work.filePath("coords.csv");
        writeFile(csv, "Foto;Zona;Letra;Este;Norte\na.jpg;19;H;345000;6300000\n");
        const auto before = folderContents(folder);
        check("subdirsCheck")->setChecked(true);
        folderEdit()->setText(folder);
        // Renaming and backups are on in the window; the preview must ignore them.
        QVERIFY(check("renameCheck")->isChecked() && check("backupCheck")->isChecked());
        check("prefixCheck")->setChecked(true);
        while (next()->isEnabled())
            next()->click();
        check("bgTextCheck")->toggle();
        fixture.find<QLineEdit>("csvPathEdit")->setText(csv);
        fixture.find<QRadioButton>("csvRadio")->setChecked(true);
        QVERIFY(settled());
        QCOMPARE(folderContents(folder), before);
        QVERIFY(!shownPicture().isNull());
    }

    void previewShowsTheStampedPhoto()
    {
        QVERIFY(openFolder(photoFolder("stamped", {"a.jpg"})));
        const QImage stamped = shownPicture().toImage();
        check("drawDataCheck")->setChecked(false);
        check("compassCheck")->setChecked(false);
        QVERIFY(settled());
        const QImage plain = shownPicture().toImage();
        QCOMPARE(stamped.size(), plain.size());
        QVERIFY(stamped != plain);
    }

    void onlyPreviewAffectingControlsRender_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("renders");
        QTest::newRow("prefix") << "prefixCheck" << false;
        QTest::newRow("rename") << "renameCheck" << false;
        QTest::newRow("backup") << "backupCheck" << false;
        QTest::newRow("output folder") << "outputFolderCheck" << false;
        QTest::newRow("embed coordinates") << "embedCsvCheck" << false;
        QTest::newRow("text background") << "bgTextCheck" << true;
        QTest::newRow("geographic coordinates") << "drawGeoCheck" << true;
        QTest::newRow("compass rotation") << "rotateCompassCheck" << true;
    }

    void onlyPreviewAffectingControlsRender()
    {
        QFETCH(QString, control);
        QVERIFY(openFolder(photoFolder("controls", {"a.jpg"})));
        const qint64 shown = shownPicture().cacheKey();
        check(control.toLatin1().constData())->toggle();
        QVERIFY(settled());
        QTEST(shownPicture().cacheKey() != shown, "renders");
    }

    void resizeScalesFromTheFullSizePicture()
    {
        QVERIFY(openFolder(photoFolder("resize", {"a.jpg"}, 800, 600)));
        const QImage first = shownPicture().toImage();
        const QSize labelSize = fixture.find<QLabel>("previewLabel")->size();
        QCOMPARE(first.size(), QSize(800, 600).scaled(labelSize, Qt::KeepAspectRatio));

        fixture.window->resize(500, 300);
        QCoreApplication::processEvents();
        QVERIFY(shownPicture().width() < first.width());
        fixture.window->resize(1280, 800);
        QCoreApplication::processEvents();
        QCOMPARE(shownPicture().toImage(), first);
    }

private:
    QString photoFolder(const QString &name, const QStringList &files, int widthPixels = 160,
                        int heightPixels = 120)
    {
        const QString folder = work.filePath(name);
        for (const QString &file : files) {
            const QString path = folder + "/" + file;
            QDir().mkpath(QFileInfo(path).path());
            const QString suffix = QFileInfo(file).suffix().toLower();
            if (suffix == "jpg" || suffix == "jpeg" || suffix == "png" || suffix == "tiff")
                writeTestPhoto(path, gpsPhoto(widthPixels, heightPixels));
            else
                writeFile(path);
        }
        return folder;
    }

    static void writeFile(const QString &path, const QByteArray &bytes = "no photo")
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }

    static QStringList sorted(QStringList list)
    {
        list.sort();
        return list;
    }

    // Renders run off the GUI thread: true once the last one is shown.
    bool settled() const
    {
        auto *renderer = fixture.window->findChild<PreviewRenderer *>();
        return QTest::qWaitFor([renderer] { return !renderer->isBusy(); });
    }

    [[nodiscard]] bool openFolder(const QString &folder)
    {
        folderEdit()->setText(folder);
        return settled();
    }

    void expectMessage(const QString &message)
    {
        auto *label = fixture.find<QLabel>("previewLabel");
        QCOMPARE(label->text(), message);
        QVERIFY(label->pixmap().isNull());
        QVERIFY(!previous()->isEnabled());
        QVERIFY(!next()->isEnabled());
    }

    QLineEdit *folderEdit() const { return fixture.find<QLineEdit>("folderEdit"); }
    QPushButton *previous() const { return fixture.find<QPushButton>("previousButton"); }
    QPushButton *next() const { return fixture.find<QPushButton>("nextButton"); }
    QCheckBox *check(const char *name) const { return fixture.find<QCheckBox>(name); }
    QPixmap shownPicture() const { return fixture.find<QLabel>("previewLabel")->pixmap(); }
    int index() const { return fixture.window->property("currentPreviewIndex").toInt(); }
    QString currentPath() const
    {
        return fixture.window->property("currentPreviewPath").toString();
    }
    QStringList listedPhotos() const
    {
        return fixture.window->property("previewImages").toStringList();
    }

    QTemporaryDir settingsDir;
    QTemporaryDir work;
    WindowFixture fixture;
};

QTEST_MAIN(PreviewTest)
#include "previewtest.moc"
