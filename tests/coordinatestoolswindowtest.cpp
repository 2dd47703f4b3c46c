#include "app/dialogs.h"
#include "app/photorenamergui.h"
#include "metadata/exiv2setup.h"
#include "tests/support/privatesettings.h"
#include "tests/support/testphotos.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <memory>

static const char sampleHeader[]
        = "nombre_de_la_foto.jpg;zona;letra;easting;northing;orientacion;fecha_hora;altitud";

// A message box the window showed.
struct Shown
{
    QString kind; // "critical" or "information"
    QString title;
    QString text;
};

// A save dialog the window opened.
struct AskedSave
{
    QWidget *parent = nullptr;
    QString title;
    QString filter;
};

class CoordinatesToolsWindowTest : public QObject
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
        clearPrivateSettings();
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        shown.clear();
        saves.clear();
        saveAnswer.clear();
        window = std::make_unique<PhotoRenamerGUI>();
        Dialogs dialogs;
        dialogs.critical = [this](QWidget *, const QString &title, const QString &text) {
            shown.append({QStringLiteral("critical"), title, text});
        };
        dialogs.information = [this](QWidget *, const QString &title, const QString &text) {
            shown.append({QStringLiteral("information"), title, text});
        };
        dialogs.saveFileName
                = [this](QWidget *parent, const QString &title, const QString &filter) {
                      saves.append({parent, title, filter});
                      return saveAnswer;
                  };
        window->setDialogs(dialogs);
    }

    void cleanup() { window.reset(); }

    void sampleFileNeedsAnExistingPhotoFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty field") << QString();
        QTest::newRow("missing folder") << QStringLiteral("no-existe");
        QTest::newRow("a file, not a folder") << QStringLiteral("archivo.jpg");
    }

    void sampleFileNeedsAnExistingPhotoFolder()
    {
        QFETCH(QString, folder);
        writeFile(dir->filePath(QStringLiteral("archivo.jpg")));
        field("folderEdit")->setText(folder.isEmpty() ? folder : dir->filePath(folder));
        field("csvPathEdit")->setText(QStringLiteral("previo.csv"));

        button("sampleButton")->click();

        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, QStringLiteral("critical"));
        QCOMPARE(shown[0].title, QStringLiteral("Error"));
        QCOMPARE(shown[0].text,
                 QStringLiteral("Seleccione un directorio de fotos válido antes de crear el "
                                "archivo de ejemplo."));
        QVERIFY(saves.isEmpty());
        QCOMPARE(field("csvPathEdit")->text(), QStringLiteral("previo.csv"));
        QVERIFY(logText().isEmpty());
    }

    void cancellingTheSaveDialogChangesNothing()
    {
        field("folderEdit")->setText(photoFolder());
        field("csvPathEdit")->setText(QStringLiteral("previo.csv"));
        addPhoto(QStringLiteral("a.jpg"));

        button("sampleButton")->click();

        QCOMPARE(saves.size(), 1);
        QCOMPARE(saves[0].parent, window.get());
        QCOMPARE(saves[0].title, QStringLiteral("Guardar Archivo de Ejemplo CSV"));
        QCOMPARE(saves[0].filter, QStringLiteral("CSV Files (*.csv)"));
        QVERIFY(shown.isEmpty());
        QCOMPARE(field("csvPathEdit")->text(), QStringLiteral("previo.csv"));
        QVERIFY(logText().isEmpty());
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());
    }

    // The two check boxes reach the writer: subfolders add the nested photo,
    // the EXIF mode decides between the photo's position and the fixed one.
    void sampleFileFollowsTheWindowsChoices_data()
    {
        QTest::addColumn<bool>("subfolders");
        QTest::addColumn<bool>("useExif");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("position");

        const QString fromExif = QStringLiteral("19;H;345713;6297592");
        const QString fixed = QStringLiteral("19;J;500000;6000000");
        const QStringList top = {QStringLiteral("a.jpg"), QStringLiteral("b.png")};
        const QStringList all = top + QStringList {QStringLiteral("c.jpeg")};
        QTest::newRow("defaults: EXIF, no subfolders") << false << true << top << fromExif;
        QTest::newRow("subfolders") << true << true << all << fromExif;
        QTest::newRow("fixed values") << false << false << top << fixed;
    }

    void sampleFileFollowsTheWindowsChoices()
    {
        QFETCH(bool, subfolders);
        QFETCH(bool, useExif);
        QFETCH(QStringList, names);
        QFETCH(QString, position);
        TestPhoto photo;
        photo.hasGps = true;
        photo.latitude = -33.45;
        photo.longitude = -70.66;
        addPhoto(QStringLiteral("a.jpg"), photo);
        addPhoto(QStringLiteral("b.png"), photo);
        addPhoto(QStringLiteral("sub/c.jpeg"), photo);
        field("folderEdit")->setText(photoFolder());
        checkBox("subdirsCheck")->setChecked(subfolders);
        checkBox("sampleFromExifCheck")->setChecked(useExif);
        saveAnswer = dir->filePath(QStringLiteral("ejemplo.csv"));

        button("sampleButton")->click();

        QVERIFY(shown.isEmpty());
        QStringList lines = readLines(saveAnswer);
        QCOMPARE(lines.value(0), QString::fromLatin1(sampleHeader));
        QStringList written;
        for (const QString &line : lines.mid(1)) {
            const QStringList fields = line.split(QLatin1Char(';'));
            QCOMPARE(fields.size(), 8);
            QCOMPARE(fields.mid(1, 4).join(QLatin1Char(';')), position);
            written.append(fields[0]);
        }
        written.sort();
        QCOMPARE(written, names);
        QCOMPARE(field("csvPathEdit")->text(), saveAnswer);
        QVERIFY2(logText().endsWith(QStringLiteral("Archivo de ejemplo creado en: ") + saveAnswer),
                 qPrintable(logText()));
    }

    // A directory where the file must go: the writer logs its failure, and
    // the chosen path still lands in the field.
    void unwritableTargetIsLoggedAndStillChosen()
    {
        field("folderEdit")->setText(photoFolder());
        addPhoto(QStringLiteral("a.jpg"));
        saveAnswer = dir->filePath(QStringLiteral("carpeta.csv"));
        QVERIFY(QDir().mkpath(saveAnswer));

        button("sampleButton")->click();

        QCOMPARE(logText(),
                 QStringLiteral("Error al crear el archivo de ejemplo: no se pudo abrir el "
                                "archivo."));
        QCOMPARE(field("csvPathEdit")->text(), saveAnswer);
        QVERIFY(shown.isEmpty());
    }

private:
    QString photoFolder() const { return dir->filePath(QStringLiteral("fotos")); }

    void addPhoto(const QString &relativePath, const TestPhoto &photo = {})
    {
        const QString path = QDir(photoFolder()).filePath(relativePath);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(writeTestPhoto(path, photo));
    }

    static void writeFile(const QString &path, const QByteArray &content = QByteArray())
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
    }

    static QStringList readLines(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    template<class T> T *find(const char *name) const
    {
        T *child = window->findChild<T *>(QLatin1String(name));
        if (!child)
            qFatal("No %s named %s", T::staticMetaObject.className(), name);
        return child;
    }

    QLineEdit *field(const char *name) const { return find<QLineEdit>(name); }
    QPushButton *button(const char *name) const { return find<QPushButton>(name); }
    QCheckBox *checkBox(const char *name) const { return find<QCheckBox>(name); }
    QString logText() const { return find<QTextEdit>("logView")->toPlainText(); }

    QTemporaryDir settingsDir;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<PhotoRenamerGUI> window;
    QList<Shown> shown;
    QList<AskedSave> saves;
    QString saveAnswer;
};

QTEST_MAIN(CoordinatesToolsWindowTest)
#include "coordinatestoolswindowtest.moc"
