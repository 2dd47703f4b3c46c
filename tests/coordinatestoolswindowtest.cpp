#include "app/dialogs.h"
#include "app/photorenamergui.h"
#include "metadata/exiv2setup.h"
#include "tests/support/fakeelevationserver.h"
#include "tests/support/privatesettings.h"
#include "tests/support/testphotos.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QThread>
#include <QThreadPool>
#include <QtTest>

#include <functional>
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

// The fake elevation service on a thread of its own, so that it keeps
// answering while the test thread is busy or blocked in the window.
class ServiceThread
{
public:
    ServiceThread()
    {
        context.moveToThread(&thread);
        thread.start();
        onThread([this] {
            server = std::make_unique<FakeElevationServer>();
            listening = server->start();
            url = server->baseUrl();
        });
    }

    ~ServiceThread()
    {
        onThread([this] { server.reset(); });
        thread.quit();
        thread.wait();
    }

    bool isListening() const { return listening; }
    QString baseUrl() const { return url; }

    void queueReplies(const QList<FakeReply> &replies)
    {
        onThread([&] {
            for (const FakeReply &reply : replies)
                server->queueReply(reply);
        });
    }

    QList<RecordedRequest> requests()
    {
        QList<RecordedRequest> received;
        onThread([&] { received = server->requests(); });
        return received;
    }

private:
    void onThread(const std::function<void()> &work)
    {
        QMetaObject::invokeMethod(&context, work, Qt::BlockingQueuedConnection);
    }

    QThread thread;
    QObject context;
    std::unique_ptr<FakeElevationServer> server;
    bool listening = false;
    QString url;
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
        service = std::make_unique<ServiceThread>();
        QVERIFY(service->isListening());
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

    void cleanup()
    {
        window.reset();
        service.reset();
    }

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

    void altitudeFillNeedsAFileAndAKey_data()
    {
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("message");

        const QString noFile = QStringLiteral("Por favor, seleccione un archivo CSV válido.");
        const QString noKey = QStringLiteral(
                "No se ha configurado una clave de API para Google Elevation. Por favor, añádala "
                "en Herramientas -> Configuración.");
        QTest::newRow("empty field") << QString() << "OpenTopoData" << QString() << noFile;
        QTest::newRow("missing file") << "no-existe.csv"
                                      << "OpenTopoData" << QString() << noFile;
        QTest::newRow("a folder") << "carpeta"
                                  << "OpenTopoData" << QString() << noFile;
        QTest::newRow("Google without key") << "coordenadas.csv"
                                            << "Google Elevation" << QString() << noKey;
    }

    void altitudeFillNeedsAFileAndAKey()
    {
        QFETCH(QString, csv);
        QFETCH(QString, provider);
        QFETCH(QString, key);
        QFETCH(QString, message);
        const QByteArray content = QByteArray(sampleHeader) + "\nIMG_1.jpg;19;H;345678;6301234\n";
        writeFile(dir->filePath(QStringLiteral("coordenadas.csv")), content);
        QVERIFY(QDir().mkpath(dir->filePath(QStringLiteral("carpeta"))));
        useServer(provider, key);
        field("csvPathEdit")->setText(csv.isEmpty() ? csv : dir->filePath(csv));

        button("altitudeButton")->click();

        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, QStringLiteral("critical"));
        QCOMPARE(shown[0].title, QStringLiteral("Error"));
        QCOMPARE(shown[0].text, message);
        QVERIFY(logText().isEmpty());
        QVERIFY(button("altitudeButton")->isEnabled());
        QVERIFY(!window->findChild<QProgressDialog *>());
        QCOMPARE(readBytes(dir->filePath(QStringLiteral("coordenadas.csv"))), content);
        QVERIFY(service->requests().isEmpty());
    }

    // The provider and key come from the stored settings; the key goes only
    // to the service that needs it, and the overwrite box reaches the job.
    void altitudeFillRunsThroughTheWindow_data()
    {
        QTest::addColumn<QString>("provider");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("queryKeys");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray header = QByteArray(sampleHeader) + '\n';
        QTest::newRow("OpenTopoData, stored key unused, overwrite")
                << "OpenTopoData" << true << "/v1/srtm30m" << QStringList {"locations"}
                << header
                        + "IMG_1.jpg;19;H;345678;6301234;;;100.00\n"
                          "IMG_2.jpg;19;H;345678;6301234;;;100.00\n";
        QTest::newRow("Google with its key, keep existing")
                << "Google Elevation" << false << "/maps/api/elevation/json"
                << QStringList {"locations", "key"}
                << header
                        + "IMG_1.jpg;19;H;345678;6301234;;;100.00\n"
                          "IMG_2.jpg;19;H;345678;6301234;;;570.3\n";
    }

    void altitudeFillRunsThroughTheWindow()
    {
        QFETCH(QString, provider);
        QFETCH(bool, overwrite);
        QFETCH(QString, path);
        QFETCH(QStringList, queryKeys);
        QFETCH(QByteArray, expected);
        const QString csv = dir->filePath(QStringLiteral("coordenadas.csv"));
        writeFile(csv,
                  QByteArray(sampleHeader)
                          + "\nIMG_1.jpg;19;H;345678;6301234\n"
                            "IMG_2.jpg;19;H;345678;6301234;;;570.3\n");
        useServer(provider, QStringLiteral("clave"));
        field("csvPathEdit")->setText(csv);
        checkBox("overwriteAltitudeCheck")->setChecked(overwrite);

        button("altitudeButton")->click();

        QCOMPARE(logText(),
                 QStringLiteral("Iniciando relleno de altitud desde API para el archivo: ") + csv);
        QVERIFY(!button("altitudeButton")->isEnabled());
        auto *dialog = window->findChild<QProgressDialog *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->labelText(), QStringLiteral("Consultando altitudes..."));
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);

        QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty(), 60000);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, QStringLiteral("information"));
        QCOMPARE(shown[0].title, QStringLiteral("Completado"));
        QCOMPARE(shown[0].text,
                 QStringLiteral("El proceso de relleno de altitud ha finalizado.\nEl archivo CSV "
                                "ha sido actualizado."));
        QVERIFY(button("altitudeButton")->isEnabled());
        QTRY_VERIFY(!window->findChild<QProgressDialog *>());

        QCOMPARE(readBytes(csv), expected);
        const QString updated = overwrite ? "2" : "1";
        QVERIFY2(logText().endsWith(QStringLiteral("Proceso completado. Se actualizaron ") + updated
                                    + QStringLiteral(" de 2 registros.\n\nRelleno de altitud "
                                                     "finalizado.")),
                 qPrintable(logText()));
        const QList<RecordedRequest> received = service->requests();
        QCOMPARE(received.size(), 1);
        for (const RecordedRequest &request : received) {
            QCOMPARE(request.path, path);
            QStringList keys;
            for (const auto &item : request.queryItems)
                keys.append(item.first);
            QCOMPARE(keys, queryKeys);
            if (keys.contains(QStringLiteral("key")))
                QCOMPARE(request.queryItems.last().second, QStringLiteral("clave"));
        }
    }

    // "Cancelar" stops the fill at the request in flight: the window cannot
    // close while it runs, the rows filled so far are written back, the
    // others stay as they were, and no request follows.
    void cancelStopsTheFillAndKeepsTheRowsDone()
    {
        const QString csv = dir->filePath(QStringLiteral("coordenadas.csv"));
        QByteArray content = QByteArray(sampleHeader) + '\n';
        QByteArray expected = content;
        for (int row = 1; row <= 150; ++row) {
            const QByteArray name = "IMG_" + QByteArray::number(row) + ".jpg;19;H;345678;6301234";
            content += name + '\n';
            expected += name + (row <= 100 ? ";;;100.00\n" : "\n");
        }
        writeFile(csv, content);
        FakeReply silent;
        silent.kind = FakeReply::NeverAnswer;
        service->queueReplies({FakeReply(), silent});
        useServer(QStringLiteral("OpenTopoData"), QString());
        window->setElevationService({service->baseUrl(), 0, 60000});
        field("csvPathEdit")->setText(csv);

        button("altitudeButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(service->requests().size(), 2, 60000);
        QVERIFY(!window->close());
        window->findChild<QProgressDialog *>()->findChild<QPushButton *>()->click();
        QTRY_VERIFY_WITH_TIMEOUT(button("altitudeButton")->isEnabled(), 10000);

        QCOMPARE(readBytes(csv), expected);
        QCOMPARE(service->requests().size(), 2);
        QVERIFY2(logText().contains(QStringLiteral("se procesaron 100 de 150 registros")),
                 qPrintable(logText().right(2000)));
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

    static QByteArray readBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Answers for the window's provider; no pause, so runs take no time.
    void useServer(const QString &provider, const QString &key)
    {
        window->setProperty("altitudeProvider", provider);
        window->setProperty("altitudeApiKey", key);
        window->setElevationService({service->baseUrl(), 0});
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
    std::unique_ptr<ServiceThread> service;
};

QTEST_MAIN(CoordinatesToolsWindowTest)
#include "coordinatestoolswindowtest.moc"
