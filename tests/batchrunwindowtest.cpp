#include "app/optionssnapshot.h"
#include "app/photorenamergui.h"
#include "metadata/exifmutex.h"
#include "metadata/exiv2setup.h"
#include "tests/support/windowfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

static const QRegularExpression
        utmFileName(QStringLiteral("^19H \\d{6} \\d{7}( \\(\\d+\\))?\\.jpg$"));

class BatchRunWindowTest : public QObject
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
        photos = work.filePath("photos");
        QDir().mkpath(photos);
    }

    void cleanup()
    {
        fixture.window.reset();
        QDir(work.path()).removeRecursively();
        QDir().mkpath(work.path());
    }

    void invalidInputsStopTheRunWithTheFirstMessage_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("logo"); // "off", or the logo path below the work folder
        QTest::addColumn<QString>("csv"); // "exif", or the coordinates-file field
        QTest::addColumn<QString>("output"); // "off", or the output-folder field
        QTest::addColumn<QString>("message");
        const QString folder = "Seleccione un directorio de fotos válido.";
        const QString logo = "Seleccione un archivo de logo válido.";
        const QString csv = "Seleccione un archivo txt válido (o cambie el modo a EXIF).";
        const QString output = "Seleccione una carpeta de salida válida.";
        QTest::newRow("empty folder field") << ""
                                            << "off"
                                            << "exif"
                                            << "off" << folder;
        QTest::newRow("missing folder") << "missing"
                                        << "logo.png"
                                        << "exif"
                                        << "off" << folder;
        QTest::newRow("folder before logo") << "missing"
                                            << ""
                                            << ""
                                            << "" << folder;
        QTest::newRow("logo checked, none chosen") << "photos"
                                                   << ""
                                                   << "exif"
                                                   << "off" << logo;
        QTest::newRow("logo is a folder") << "photos"
                                          << "photos"
                                          << "exif"
                                          << "off" << logo;
        QTest::newRow("logo before coordinates file") << "photos"
                                                      << ""
                                                      << ""
                                                      << "" << logo;
        QTest::newRow("coordinates file missing") << "photos"
                                                  << "off"
                                                  << "gone.csv"
                                                  << "off" << csv;
        QTest::newRow("coordinates before output") << "photos"
                                                   << "off"
                                                   << ""
                                                   << "" << csv;
        QTest::newRow("output folder empty") << "photos"
                                             << "off"
                                             << "coords.csv"
                                             << "" << output;
        QTest::newRow("output folder is a file") << "photos"
                                                 << "logo.png"
                                                 << "exif"
                                                 << "logo.png" << output;
    }

    void invalidInputsStopTheRunWithTheFirstMessage()
    {
        QFETCH(QString, folder);
        QFETCH(QString, logo);
        QFETCH(QString, csv);
        QFETCH(QString, output);
        QFETCH(QString, message);
        writeTestPhoto(photos + "/a.jpg", gpsPhoto());
        writeTestPhoto(work.filePath("logo.png"), TestPhoto());
        writeFile(work.filePath("coords.csv"), "Foto;Zona;Letra;Este;Norte\n");
        const auto before = folderContents(work.path());

        fixture.find<QLineEdit>("folderEdit")->setText(inWork(folder));
        check("logoCheck")->setChecked(logo != "off");
        if (logo != "off")
            fixture.window->setProperty("logoPath", inWork(logo));
        if (csv != "exif") {
            fixture.find<QRadioButton>("csvRadio")->setChecked(true);
            fixture.find<QLineEdit>("csvPathEdit")->setText(inWork(csv));
        }
        if (output != "off") {
            check("outputFolderCheck")->setChecked(true);
            fixture.find<QLineEdit>("outputFolderEdit")->setText(inWork(output));
        }
        start()->click();

        QCOMPARE(fixture.boxes->critical, QStringList {"Error: " + message});
        QVERIFY(fixture.boxes->information.isEmpty());
        QCOMPARE(fixture.logLines(), QStringList {QString()});
        QVERIFY(start()->isEnabled());
        QVERIFY(!fixture.window->findChild<QProgressDialog *>());
        QCoreApplication::processEvents();
        QCOMPARE(folderContents(work.path()), before);
    }

    void fullRunRenamesBacksUpAndLogsEveryStep()
    {
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
            writeTestPhoto(photos + "/" + name, gpsPhoto());
        check("logoCheck")->setChecked(false);
        fixture.find<QLineEdit>("folderEdit")->setText(photos);
        start()->click();
        QVERIFY(!start()->isEnabled());
        waitForCompletion();

        const QStringList names = QDir(photos).entryList(QDir::Files);
        QCOMPARE(names.size(), 3);
        for (const QString &name : names)
            QVERIFY2(utmFileName.match(name).hasMatch(), qPrintable(name));
        QCOMPARE(QDir(photos + "/Backup").entryList(QDir::Files).size(), 3);

        const QStringList log = fixture.logLines();
        QCOMPARE(log.first(), "Iniciando el proceso de renombrado y modificación de fotos...");
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg"}) {
            const auto at = log.indexOf(QStringLiteral("Procesando: ") + name);
            QVERIFY2(at > 1, name);
            QCOMPARE(log.at(at - 1), QString());
        }
        QVERIFY(log.at(log.size() - 3).startsWith("Se procesaron 3 fotos en "));
        QCOMPARE(log.mid(log.size() - 2), QStringList({QString(), "Proceso finalizado."}));
        QCOMPARE(fixture.boxes->information, QStringList {"Completado: El proceso ha finalizado."});
        QVERIFY(fixture.boxes->critical.isEmpty());

        QVERIFY(start()->isEnabled());
        QVERIFY(!fixture.window->findChild<QProgressDialog *>());
        // The preview's list follows the new names.
        QCOMPARE(listedPhotos().size(), 3);
        QVERIFY(utmFileName.match(QFileInfo(listedPhotos().first()).fileName()).hasMatch());
    }

    void folderWithoutPhotosStillCompletes()
    {
        check("logoCheck")->setChecked(false);
        fixture.find<QLineEdit>("folderEdit")->setText(photos);
        start()->click();
        waitForCompletion();
        const QStringList log = fixture.logLines();
        QCOMPARE(log.first(), "Iniciando el proceso de renombrado y modificación de fotos...");
        QVERIFY(log.filter("Procesando: ").isEmpty());
        QCOMPARE(log.mid(log.size() - 3),
                 QStringList({"Se procesaron 0 fotos en 0s.", QString(), "Proceso finalizado."}));
        QCOMPARE(fixture.boxes->information, QStringList {"Completado: El proceso ha finalizado."});
    }

    void runShowsBusyDialogAndKeepsTheOptionsOfTheClick()
    {
        writeTestPhoto(photos + "/a.jpg", gpsPhoto());
        check("logoCheck")->setChecked(false);
        fixture.find<QLineEdit>("folderEdit")->setText(photos);
        {
            // The photo waits for metadata access, so the run is under way.
            QMutexLocker holdMetadata(&exifMutex);
            start()->click();
            auto *dialog = fixture.window->findChild<QProgressDialog *>();
            QVERIFY(dialog && dialog->isVisible());
            QCOMPARE(dialog->labelText(), QStringLiteral("Procesando fotos..."));
            QVERIFY(!start()->isEnabled());

            // Read during the run, these would leave the photo unrenamed,
            // prefixed or without backup.
            check("prefixCheck")->setChecked(true);
            fixture.find<QLineEdit>("prefixEdit")->setText("LATE_");
            check("backupCheck")->setChecked(false);
            check("renameCheck")->setChecked(false);
        }
        waitForCompletion();
        const QStringList names = QDir(photos).entryList(QDir::Files);
        QCOMPARE(names.size(), 1);
        QVERIFY2(utmFileName.match(names.first()).hasMatch(), qPrintable(names.first()));
        QCOMPARE(QDir(photos + "/Backup").entryList(QDir::Files).size(), 1);
    }

    void outputFolderRunLeavesOriginalsAlone()
    {
        writeTestPhoto(photos + "/a.jpg", gpsPhoto());
        const QString output = work.filePath("output");
        QDir().mkpath(output);
        const auto before = folderContents(photos);
        check("logoCheck")->setChecked(false);
        check("outputFolderCheck")->setChecked(true);
        QVERIFY(check("backupCheck")->isChecked());
        fixture.find<QLineEdit>("outputFolderEdit")->setText(output);
        fixture.find<QLineEdit>("folderEdit")->setText(photos);
        start()->click();
        waitForCompletion();
        QCOMPARE(folderContents(photos), before);
        const QStringList written = folderContents(output).keys();
        QCOMPARE(written.size(), 1);
        QVERIFY2(utmFileName.match(written.first()).hasMatch(), qPrintable(written.first()));
    }

    // The photo has no GPS: only the track can place it, by its clock reading
    // minus the correction in the camera's zone.
    void trackModeRunsOrRefuses_data()
    {
        QTest::addColumn<QString>("track"); // "missing", or the GPX file's track points
        QTest::addColumn<QString>("clock"); // the photo's DateTimeOriginal
        QTest::addColumn<QString>("correction");
        QTest::addColumn<QString>("critical"); // the start of the box's text; empty: it ran
        const QString points = "<trkpt lat=\"-33.45\" lon=\"-70.66\"><time>2024-03-05T17:30:00Z"
                               "</time></trkpt><trkpt lat=\"-33.46\" lon=\"-70.67\"><time>"
                               "2024-03-05T17:31:00Z</time></trkpt>";
        const auto row = [](const char *tag, const QString &track, const char *clock,
                            const char *correction, const QString &critical) {
            QTest::newRow(tag) << track << clock << correction << critical;
        };
        const QString refused = "Error: ";
        row("on the track", points, "14:30:00", "+00:00:00", "");
        row("clock an hour ahead", points, "15:30:00", "+01:00:00", "");
        row("no track file", "missing", "14:30:00", "+00:00:00",
            refused + "Seleccione un track GPX válido");
        row("correction mistyped", points, "14:30:00", "+1:00",
            refused + "Corrección del reloj de la cámara");
        row("malformed track", "<trkpt lat=\"1\">", "14:30:00", "+00:00:00",
            refused + "El track GPX " + work.filePath("t.gpx") + " no es XML");
    }

    void trackModeRunsOrRefuses()
    {
        QFETCH(QString, track);
        QFETCH(QString, clock);
        QFETCH(QString, correction);
        QFETCH(QString, critical);
        TestPhoto photo;
        photo.dateTimeOriginal = "2024:03:05 " + clock;
        writeTestPhoto(photos + "/a.jpg", photo);
        if (track != "missing")
            writeFile(work.filePath("t.gpx"),
                      "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>"
                              + track.toUtf8() + "</trkseg></trk></gpx>");
        const auto before = folderContents(work.path());
        check("logoCheck")->setChecked(false);
        check("backupCheck")->setChecked(false);
        fixture.find<QRadioButton>("gpxRadio")->setChecked(true);
        fixture.find<QLineEdit>("gpxPathEdit")->setText(work.filePath("t.gpx"));
        fixture.find<QComboBox>("cameraZoneCombo")->setCurrentText("America/Santiago");
        fixture.find<QLineEdit>("clockCorrectionEdit")->setText(correction);
        fixture.find<QLineEdit>("folderEdit")->setText(photos);
        start()->click();
        QTRY_VERIFY_WITH_TIMEOUT(
                !fixture.boxes->information.isEmpty() || !fixture.boxes->critical.isEmpty(), 60000);

        QCOMPARE(fixture.boxes->critical.size(), critical.isEmpty() ? 0 : 1);
        QVERIFY2(critical.isEmpty() || fixture.boxes->critical.value(0).startsWith(critical),
                 qPrintable(fixture.boxes->critical.value(0)));
        if (critical.isEmpty())
            QCOMPARE(QDir(photos).entryList(QDir::Files), QStringList {"19H 345713 6297592.jpg"});
        else
            QCOMPARE(folderContents(work.path()), before);
    }

    // The menu action reads the photos only and writes the three files beside them.
    void exportMenuActionWritesTheLocationFiles()
    {
        writeTestPhoto(photos + "/a.jpg", gpsPhoto());
        writeTestPhoto(photos + "/sin gps.jpg", TestPhoto());
        const auto before = folderContents(photos);
        fixture.boxes->directory = photos;
        fixture.find<QAction>("exportLocationsAction")->trigger();
        waitForCompletion();
        auto after = folderContents(photos);
        for (const char *name : {"ubicaciones.kmz", "ubicaciones.geojson", "ubicaciones.csv"})
            QVERIFY2(!after.take(name).isEmpty(), name);
        QCOMPARE(after, before);
    }

    void snapshotRules_data()
    {
        QTest::addColumn<bool>("logoChecked");
        QTest::addColumn<bool>("exifMode");
        QTest::addColumn<bool>("outputChecked");
        QTest::addColumn<QString>("logoPath");
        QTest::addColumn<double>("logoRatio");
        QTest::addColumn<QString>("csvPath");
        QTest::addColumn<bool>("makeBackup");
        QTest::newRow("defaults with a logo")
                << true << true << false << "/l.png" << 0.2 << "" << true;
        QTest::newRow("logo unchecked") << false << true << false << "" << 0.0 << "" << true;
        QTest::newRow("coordinates-file mode")
                << true << false << false << "/l.png" << 0.2 << "/c.csv" << true;
        QTest::newRow("output folder") << true << true << true << "/l.png" << 0.2 << "" << false;
    }

    void snapshotRules()
    {
        QFETCH(bool, logoChecked);
        QFETCH(bool, exifMode);
        QFETCH(bool, outputChecked);
        fixture.window->setProperty("logoPath", "/l.png");
        check("logoCheck")->setChecked(logoChecked);
        fixture.find<QLineEdit>("csvPathEdit")->setText("/c.csv");
        fixture.find<QRadioButton>(exifMode ? "exifRadio" : "csvRadio")->setChecked(true);
        check("outputFolderCheck")->setChecked(outputChecked);
        fixture.find<QLineEdit>("outputFolderEdit")->setText("/out");
        QVERIFY(check("backupCheck")->isChecked());

        const ProcessingOptions options = snapshotOptions(*fixture.window);
        QTEST(options.logoPath, "logoPath");
        QTEST(options.logoRatio, "logoRatio");
        QTEST(options.csvPath, "csvPath");
        QTEST(options.makeBackup, "makeBackup");
        QCOMPARE(options.useOutputFolder, outputChecked);
        QCOMPARE(options.outputFolder, QStringLiteral("/out"));
    }

    void closingWhileRunningIsRefusedUntilTheRunEnds()
    {
        // One photo more than there are threads to work on them.
        for (int i = 0; i <= QThread::idealThreadCount(); ++i)
            writeTestPhoto(photos + QStringLiteral("/p%1.jpg").arg(i), gpsPhoto());
        check("logoCheck")->setChecked(false);
        fixture.find<QLineEdit>("folderEdit")->setText(photos);
        {
            // The photo waits for metadata access, so the run cannot end yet.
            QMutexLocker holdMetadata(&exifMutex);
            start()->click();
            // After "Cancelar" the window is usable again, and its close button too.
            auto *dialog = fixture.window->findChild<QProgressDialog *>();
            QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
            // The photos hold every work thread; the window still paints.
            fixture.window->repaint();
            QVERIFY(!fixture.window->close());
            QVERIFY(fixture.window->isVisible());
            QCOMPARE(fixture.logLines().last(),
                     "Hay un proceso en curso: la ventana se podrá cerrar cuando termine.");
            QVERIFY(fixture.boxes->information.isEmpty());
        }
        waitForCompletion();
        QVERIFY(fixture.window->close());
    }

    void destroyingTheWindowDuringARunLeavesEveryPhotoWhole()
    {
        for (int i = 0; i < 6; ++i)
            writeTestPhoto(photos + QStringLiteral("/p%1.jpg").arg(i), gpsPhoto(1200, 900));
        check("logoCheck")->setChecked(false);
        check("backupCheck")->setChecked(false);
        fixture.find<QLineEdit>("folderEdit")->setText(photos);
        start()->click();
        // Once the batch has reported its first progress it is under way, and
        // going away must wait for it rather than drop it.
        QPointer<QProgressDialog> dialog = fixture.window->findChild<QProgressDialog *>();
        QDeadlineTimer deadline(60000);
        while (dialog && dialog->maximum() == 0 && !deadline.hasExpired())
            QTest::qWait(1);
        QVERIFY(!deadline.hasExpired());
        fixture.window.reset();
        QCoreApplication::processEvents();

        const QStringList names = QDir(photos).entryList(QDir::Files);
        QCOMPARE(names.size(), 6);
        for (const QString &name : names) {
            QVERIFY2(utmFileName.match(name).hasMatch(), qPrintable(name));
            QCOMPARE(QImage(photos + "/" + name).size(), QSize(1200, 900));
        }
    }

private:
    QString inWork(const QString &relative) const
    {
        return relative.isEmpty() ? relative : work.filePath(relative);
    }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }

    void waitForCompletion()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!fixture.boxes->information.isEmpty(), 60000);
    }

    QPushButton *start() const { return fixture.find<QPushButton>("startButton"); }
    QCheckBox *check(const char *name) const { return fixture.find<QCheckBox>(name); }
    QStringList listedPhotos() const
    {
        return fixture.window->property("previewImages").toStringList();
    }

    QTemporaryDir settingsDir;
    QTemporaryDir work;
    QString photos;
    WindowFixture fixture;
};

QTEST_MAIN(BatchRunWindowTest)
#include "batchrunwindowtest.moc"
