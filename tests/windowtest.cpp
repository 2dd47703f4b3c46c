#include "app/optionssnapshot.h"
#include "app/window/helpwindow.h"
#include "app/window/previewrenderer.h"
#include "geo/crs.h"
#include "metadata/exifmutex.h"
#include "metadata/exiv2setup.h"
#include "metadata/photocaption.h"
#include "processing/photoprocessor.h"
#include "processing/workpool.h"
#include "report/photoreport.h"
#include "tests/support/fakeelevationserver.h"
#include "tests/support/windowfixture.h"

#include <QtTest>
#include <QtWidgets>

#include <mutex>

// Object names of controls a profile covers.
static const QStringList checks
        = {"rotateCompassCheck",   "prefixCheck",         "renameCheck",          "drawDataCheck",
           "drawOrientationCheck", "drawTimeCheck",       "compassCheck",         "bgTextCheck",
           "drawGeoCheck",         "drawAltitudeCheck",   "exportLocationsCheck", "losslessCheck",
           "restampCheck",         "drawDescriptionCheck"};
static const QStringList spins = {"fontSizeSpin", "logoRatioSpin", "compassRatioSpin"};
static const QStringList combos
        = {"logoPositionCombo",        "dtPositionCombo",      "coordsPositionCombo",
           "orientationPositionCombo", "compassPositionCombo", "altitudePositionCombo",
           "compassStyleCombo",        "cameraZoneCombo",      "positionlessCombo"};
static const QRegularExpression utmFileName("^19H 345713 6297592( \\(\\d+\\))?\\.jpg$");

// The window driven as a user would: its rules, its dialogs, its runs and the preview.
class WindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir settings;
    QTemporaryDir work;
    QTemporaryDir folder; // profiles
    QString photos;
    WindowFixture f;

    QCheckBox *check(const QString &name) const { return f.find<QCheckBox>(name); }
    QLineEdit *field(const QString &name) const { return f.find<QLineEdit>(name); }
    QPushButton *button(const QString &name) const { return f.find<QPushButton>(name); }
    // The preview renders off the GUI thread: the picture once the last render is shown.
    QPixmap shown() const
    {
        auto *renderer = f.window->findChild<PreviewRenderer *>();
        if (!QTest::qWaitFor([renderer] { return !renderer->isBusy(); }))
            qFatal("the preview never settles");
        return f.find<QLabel>("previewLabel")->pixmap();
    }
    QStringList listed() const { return f.window->property("previewImages").toStringList(); }

    void addPhotos(const QStringList &names, int width = 160)
    {
        for (const QString &name : names)
            QVERIFY(writeTestPhoto(photos + "/" + name, gpsPhoto(width, width * 3 / 4)));
    }

    // Sets the folder first: the preview it renders needs the metadata lock.
    void startRun(bool holdMetadata = false)
    {
        check("logoCheck")->setChecked(false);
        field("folderEdit")->setText(photos);
        if (holdMetadata)
            exifMutex.lock(); // the photos wait: the run is under way
        button("startButton")->click();
    }

    void click(const char *button, const QString &path)
    {
        f.nextPath = path;
        f.find<QPushButton>(button)->click();
    }

    void load(const QJsonObject &profile)
    {
        QVERIFY(writeBytes(folder.filePath("cargado.json"), QJsonDocument(profile).toJson()));
        click("loadProfileButton", folder.filePath("cargado.json"));
    }

    // Every value a profile covers, as the window saves it.
    QByteArray saved()
    {
        click("saveProfileButton", folder.filePath("estado.json"));
        return fileBytes(folder.filePath("estado.json"));
    }

    void setEveryOptionAwayFromDefault()
    {
        // First: a profile's absent keys reset some options.
        load({{"reportProject", "Mina"},
              {"reportClient", "Ñuble"},
              {"reportAuthor", "Ana"},
              {"reportTitle", "Anexo 3"},
              {"reportCode", "MN-INF-004"},
              {"reportRevision", "B"},
              {"reportPreparedBy", "Ana"},
              {"reportReviewedBy", "Luis"},
              {"reportApprovedBy", "María"},
              {"reportCompany", "Consultora Andes"},
              {"reportCover", true},
              {"reportIndex", true}});
        click("logoButton", "/fotos/logo empresa.png");
        click("fontButton", "/fuentes/Campaña.otf");
        f.nextColor = QColor(0x12, 0xab, 0x34);
        f.find<QPushButton>("fontColorButton")->click();
        f.nextColor = QColor(0x00, 0x80, 0xff);
        f.find<QPushButton>("compassArrowButton")->click();
        for (const QString &name : checks)
            f.find<QCheckBox>(name)->toggle();
        for (int i = 0; i < spins.size(); ++i)
            f.find<QDoubleSpinBox>(spins[i])->setValue(QList<double> {0.0123, 0.15, 0.33}[i]);
        for (int i = 0; i < combos.size(); ++i)
            f.find<QComboBox>(combos[i])->setCurrentIndex(
                    QList<int> {3, 0, 1, 2, 1, 0, 3, 5, 1}[i]);
        f.find<QLineEdit>("prefixEdit")->setText("Campaña_2024_");
        f.find<QLineEdit>("extraTextEdit")->setText("Proyecto Norte · P-12");
        f.find<QLineEdit>("gpxPathEdit")->setText("/campo/día 1.gpx");
        f.find<QLineEdit>("clockCorrectionEdit")->setText("-01:02:03");
        f.find<QSpinBox>("maxSeparationSpin")->setValue(120);
        f.find<QRadioButton>("gpxRadio")->setChecked(true);
        f.find<QRadioButton>("crsOtherRadio")->setChecked(true);
        f.find<QLineEdit>("crsSearchEdit")->setText("9377");
    }

    void waitForCompletion()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!f.information.isEmpty() || !f.warnings.isEmpty(), 60000);
    }

    // Moves a control of the option table off its value as a user would;
    // returns what moves it back.
    std::function<void()> change(QWidget *control)
    {
        if (auto *radio = qobject_cast<QRadioButton *>(control)) {
            QAbstractButton *before = radio->group()->checkedButton();
            const auto buttons = radio->group()->buttons();
            (radio->isChecked() ? buttons.at(buttons.first() == radio ? 1 : 0) : radio)
                    ->setChecked(true);
            return [before] {
                before->setChecked(true);
            };
        }
        if (auto *button = qobject_cast<QCheckBox *>(control)) {
            button->toggle();
            return [button] {
                button->toggle();
            };
        }
        if (auto *combo = qobject_cast<QComboBox *>(control)) {
            const int before = combo->currentIndex();
            combo->setCurrentIndex((before + 1) % combo->count());
            return [combo, before] {
                combo->setCurrentIndex(before);
            };
        }
        if (auto *spin = qobject_cast<QAbstractSpinBox *>(control)) {
            const QString before = spin->text();
            int step = 1;
            spin->stepBy(step);
            if (spin->text() == before)
                spin->stepBy(step = -1);
            return [spin, step] {
                spin->stepBy(-step);
            };
        }
        if (auto *edit = qobject_cast<QLineEdit *>(control)) {
            const QString before = edit->text();
            edit->setText(before + "x");
            return [edit, before] {
                edit->setText(before);
            };
        }
        auto *button = qobject_cast<QPushButton *>(control); // a colour chooser
        f.nextColor = QColor(0x20, 0xc0, 0x60);
        button->click();
        return [this, button] {
            f.nextColor = Qt::red;
            button->click();
        };
    }

    // The preview shown against a render from scratch with the window's
    // options: no kept reading or picture may stand for other options.
    void compareWithFreshRender(const QSignalSpy &rendered, const QString &what)
    {
        shown();
        QVERIFY2(!rendered.isEmpty(), qPrintable(what + " did not refresh the preview"));
        const PreviewRequest request {
                f.window->property("currentPreviewPath").toString(),
                previewOptions(snapshotOptions(*f.window), field("csvPathEdit")->text()),
                f.find<QLabel>("previewLabel")->size()};
        PreviewSource fresh;
        const QImage expected = renderPreview(request, fresh);
        QVERIFY2(rendered.last().at(1).value<QImage>() == expected, qPrintable(what));
        QCOMPARE(rendered.last().at(2).toString(), previewNote(request, fresh));
    }

    QString settingsFile() const { return settings.filePath("Rumbario/Rumbario.conf"); }
    QMenu *recentMenu() const
    {
        auto *menu = f.find<QMenu>("recentMenu");
        emit menu->aboutToShow();
        return menu;
    }
    QStringList recentItems() const
    {
        QStringList texts;
        for (const QAction *action : recentMenu()->actions())
            texts << action->text();
        return texts;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(usePrivateSettings(settings.path()));
        initializeExiv2();
    }

    void init()
    {
        QDir(work.path()).removeRecursively();
        photos = work.filePath("photos");
        QVERIFY(QDir().mkpath(photos));
        QVERIFY(f.open());
    }

    void cleanup() { f.window.reset(); }

    void controlsEnableEachOther()
    {
        // Prefix field: only while renaming with a prefix, even when a profile checks it.
        check("prefixCheck")->setChecked(true);
        QVERIFY(field("prefixEdit")->isEnabled());
        check("renameCheck")->setChecked(false);
        QVERIFY(!check("prefixCheck")->isEnabled() && !field("prefixEdit")->isEnabled());
        check("prefixCheck")->setChecked(false);
        check("prefixCheck")->setChecked(true);
        QVERIFY(!field("prefixEdit")->isEnabled());
        check("renameCheck")->setChecked(true);
        QVERIFY(check("prefixCheck")->isEnabled() && field("prefixEdit")->isEnabled());
        // An output folder takes over from the backup.
        check("outputFolderCheck")->setChecked(true);
        QVERIFY(field("outputFolderEdit")->isEnabled() && button("outputFolderButton")->isEnabled()
                && !check("backupCheck")->isEnabled());
        check("outputFolderCheck")->setChecked(false);
        QVERIFY(!field("outputFolderEdit")->isEnabled()
                && !button("outputFolderButton")->isEnabled() && check("backupCheck")->isEnabled());
        // Only EXIF mode has photos without a position to choose for.
        auto *positionless = f.find<QComboBox>("positionlessCombo");
        QVERIFY(positionless->isEnabled());
        f.find<QRadioButton>("csvRadio")->setChecked(true);
        QVERIFY(!positionless->isEnabled());
    }

    // Scrolling over a combo or spin box of the options scrolls them; only a
    // control with the focus changes with the wheel.
    void wheelChangesOnlyTheFocusedControl_data()
    {
        QTest::addColumn<int>("tab");
        QTest::newRow("General") << 0;
        QTest::newRow("Texto") << 1;
        QTest::newRow("Logo") << 2;
        QTest::newRow("Rosa de Vientos") << 3;
    }

    void wheelChangesOnlyTheFocusedControl()
    {
        QFETCH(int, tab);
        f.window->resize(1000, 560);
        f.find<QRadioButton>("gpxRadio")->setChecked(true);
        f.find<QRadioButton>("crsOtherRadio")->setChecked(true);
        f.find<QTabWidget>("optionTabs")->setCurrentIndex(tab);
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        auto *scroller = f.find<QScrollArea>("leftScroller");
        QScrollBar *bar = scroller->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        const auto wheel = [](QWidget *control, int delta) {
            const QPointF at = control->rect().center();
            QWheelEvent event(at, control->mapToGlobal(at), {}, {0, delta}, Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(control, &event);
        };
        int tried = 0;
        for (QWidget *control : scroller->widget()->findChildren<QWidget *>()) {
            auto *combo = qobject_cast<QComboBox *>(control);
            if ((!combo && !qobject_cast<QAbstractSpinBox *>(control)) || !control->isVisible()
                || !control->isEnabled())
                continue;
            ++tried;
            const auto value = [combo, control] {
                return combo ? combo->currentText()
                             : static_cast<QAbstractSpinBox *>(control)->text();
            };
            const QString before = value();
            bar->setValue(0);
            button("startButton")->setFocus();
            wheel(control, -120);
            QVERIFY2(value() == before && bar->value() > 0, qPrintable(control->objectName()));
            control->setFocus();
            wheel(control, -120);
            if (value() == before)
                wheel(control, 120);
            QVERIFY2(value() != before, qPrintable(control->objectName()));
        }
        QVERIFY(tried >= 2);
    }

    // A path typed into the logo or font field counts once it names a
    // readable file, a name alone looked for in the photo folder; one that
    // names nothing marks the field, and a run then asks for the logo.
    void typedPathsCountWhenTheyNameAFile_data()
    {
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<QString>("typed"); // "@" stands for the work folder
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("problem");
        QTest::newRow("logo, full path") << "logoEdit"
                                         << "@/marcas/logo.png"
                                         << "@/marcas/logo.png"
                                         << "logo.png"
                                         << "";
        QTest::newRow("logo, name in the photo folder") << "logoEdit"
                                                        << "sello.png"
                                                        << "@/photos/sello.png"
                                                        << "sello.png"
                                                        << "";
        QTest::newRow("logo, nothing there") << "logoEdit"
                                             << "@/nada.png"
                                             << "@/nada.png"
                                             << "@/nada.png"
                                             << "No existe el archivo «@/nada.png».";
        QTest::newRow("logo, a folder") << "logoEdit"
                                        << "@/marcas"
                                        << "@/marcas"
                                        << "@/marcas"
                                        << "«@/marcas» es una carpeta, no un archivo.";
        QTest::newRow("font, name in the photo folder") << "fontEdit"
                                                        << "letra.ttf"
                                                        << "@/photos/letra.ttf"
                                                        << "letra.ttf"
                                                        << "";
        QTest::newRow("font, name not in the photo folder")
                << "fontEdit"
                << "otra.ttf"
                << "otra.ttf"
                << "otra.ttf"
                << "No existe el archivo «otra.ttf» en la carpeta de fotos.";
        QTest::newRow("font, emptied") << "fontEdit"
                                       << ""
                                       << ""
                                       << ""
                                       << "";
    }

    void typedPathsCountWhenTheyNameAFile()
    {
        QFETCH(QString, fieldName);
        QFETCH(QString, typed);
        QVERIFY(writeTestPhoto(work.filePath("marcas/logo.png"), TestPhoto())
                && writeTestPhoto(photos + "/sello.png", TestPhoto())
                && writeBytes(photos + "/letra.ttf", "x"));
        field("folderEdit")->setText(photos);
        QLineEdit *edit = field(fieldName);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, typed.replace("@", work.path()));
        QTest::keyClick(edit, Qt::Key_Return);
        const auto inWork = [this](QString text) {
            return text.replace("@", work.path());
        };
        const bool logo = fieldName == "logoEdit";
        QFETCH(QString, path);
        QFETCH(QString, shown);
        QFETCH(QString, problem);
        QCOMPARE(f.window->property(logo ? "logoPath" : "fontPath").toString(), inWork(path));
        QCOMPARE(snapshotOptions(*f.window)
                         .*(logo ? &ProcessingOptions::logoPath : &ProcessingOptions::fontPath),
                 inWork(path));
        QCOMPARE(edit->text(), inWork(shown));
        QCOMPARE(edit->toolTip(), inWork(problem));
        if (!logo || problem.isEmpty())
            return;
        button("startButton")->click();
        QCOMPARE(f.critical, QStringList {"Error: Seleccione un archivo de logo válido."});
        QCOMPARE(f.find<QTabWidget>("optionTabs")->currentIndex(), 2);
        QCOMPARE(f.window->focusWidget(), edit);
    }

    // The window's choices reach the sample file, whose path lands in the field.
    void sampleFileFollowsTheWindow()
    {
        addPhotos({"a.jpg", "sub/b.jpg"});
        field("folderEdit")->setText(photos);
        check("subdirsCheck")->setChecked(true);
        check("sampleFromExifCheck")->setChecked(false);
        f.nextPath = work.filePath("ejemplo"); // typed without the filter's suffix
        button("sampleButton")->click();
        const QString written = f.nextPath + ".csv";
        const QStringList lines = QString::fromUtf8(fileBytes(written)).split('\n');
        QCOMPARE(lines.size(), 4);
        for (const QString &line : lines.mid(1, 2))
            QVERIFY2(line.contains(";19;J;500000;6000000;"), qPrintable(line));
        QCOMPARE(field("csvPathEdit")->text(), written);
    }

    void invalidInputsStopTheRunWithTheFirstMessage_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("logo"); // "off", or a path below the work folder
        QTest::addColumn<QString>("csv"); // "exif", or the coordinates-file field
        QTest::addColumn<QString>("output"); // "off", or the output-folder field
        QTest::addColumn<QString>("message");
        const QString noFolder = "Seleccione un directorio de fotos válido.",
                      noLogo = "Seleccione un archivo de logo válido.",
                      noCsv = "Seleccione un archivo txt válido (o cambie el modo a EXIF).",
                      noOutput = "Seleccione una carpeta de salida válida.";
        const auto row = [](const char *tag, const char *folder, const char *logo, const char *csv,
                            const char *output, const QString &message) {
            QTest::newRow(tag) << QString(folder) << QString(logo) << QString(csv)
                               << QString(output) << message;
        };
        row("no folder", "", "off", "exif", "off", noFolder);
        row("no logo", "photos", "", "exif", "off", noLogo);
        row("coordinates file missing, before output", "photos", "off", "gone.csv", "", noCsv);
        row("no output folder", "photos", "off", "coords.csv", "", noOutput);
        row("output folder is a file", "photos", "logo.png", "exif", "logo.png", noOutput);
    }

    void invalidInputsStopTheRunWithTheFirstMessage()
    {
        QFETCH(QString, logo);
        QFETCH(QString, csv);
        QFETCH(QString, output);
        addPhotos({"a.jpg"});
        QVERIFY(writeTestPhoto(work.filePath("logo.png"), TestPhoto())
                && writeBytes(work.filePath("coords.csv"), "Foto;Zona;Letra;Este;Norte\n"));
        const auto before = folderContents(work.path());
        const auto inWork = [this](const QString &name) {
            return name.isEmpty() ? name : work.filePath(name);
        };
        QFETCH(QString, folder);
        field("folderEdit")->setText(inWork(folder));
        check("logoCheck")->setChecked(logo != "off");
        f.window->setProperty("logoPath", inWork(logo));
        f.find<QRadioButton>(csv == "exif" ? "exifRadio" : "csvRadio")->setChecked(true);
        field("csvPathEdit")->setText(inWork(csv));
        check("outputFolderCheck")->setChecked(output != "off");
        field("outputFolderEdit")->setText(inWork(output));
        button("startButton")->click();
        QFETCH(QString, message);
        QCOMPARE(f.critical, QStringList {"Error: " + message});
        // A missing logo is asked for where it is chosen.
        const bool logoAsked = message == "Seleccione un archivo de logo válido.";
        QCOMPARE(f.find<QTabWidget>("optionTabs")->currentIndex() == 2, logoAsked);
        QCOMPARE(f.window->focusWidget() == field("logoEdit"), logoAsked);
        QVERIFY(f.information.isEmpty() && f.logText().isEmpty()
                && button("startButton")->isEnabled());
        QVERIFY(!f.window->findChild<QProgressDialog *>());
        QCOMPARE(folderContents(work.path()), before);
    }

    // The options are those of the click: changes during the run are not read.
    void runRenamesBacksUpAndKeepsTheOptionsOfTheClick()
    {
        addPhotos({"a.jpg", "b.jpg", "c.jpg"});
        {
            startRun(true);
            const std::unique_lock<QMutex> holdMetadata(exifMutex, std::adopt_lock);
            auto *dialog = f.window->findChild<QProgressDialog *>();
            QVERIFY(dialog && dialog->isVisible() && !button("startButton")->isEnabled());
            check("prefixCheck")->setChecked(true);
            field("prefixEdit")->setText("LATE_");
            check("backupCheck")->setChecked(false);
            check("renameCheck")->setChecked(false);
        }
        waitForCompletion();
        const QStringList names = fileNames(photos);
        QCOMPARE(names.size(), 3);
        for (const QString &name : names)
            QVERIFY2(utmFileName.match(name).hasMatch(), qPrintable(name));
        QCOMPARE(fileNames(photos + "/Backup").size(), 3);
        QCOMPARE(f.information,
                 QStringList {"Completado: El proceso ha finalizado.\nFotos procesadas: 3."});
        QVERIFY(f.logText().endsWith("\nEl proceso ha finalizado.\nFotos procesadas: 3."));
        QVERIFY(f.critical.isEmpty() && button("startButton")->isEnabled()
                && !f.window->findChild<QProgressDialog *>());
    }

    // The menu action says what it will do, asks, and gives the folder back as it was.
    void restoreMenuActionUndoesTheRun()
    {
        addPhotos({"a.jpg", "b.jpg"});
        const auto before = folderContents(photos);
        startRun();
        waitForCompletion();
        f.information.clear();
        f.nextPath = photos;
        f.find<QAction>("restoreAction")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(f.information.size() == 2, 60000);
        QCOMPARE(f.information,
                 QStringList({"Restaurar originales? Se restaurarán 2 fotos; 0 no "
                              "tienen copia de seguridad.\n¿Desea continuar?",
                              "Restaurar originales: Se restauraron 2 fotos."}));
        QCOMPARE(folderContents(photos), before);
        QVERIFY(f.logText().contains(
                QRegularExpression("\n19H 345713 6297592( \\(1\\))?\\.jpg → [ab]\\.jpg\n")));
    }

    void outputFolderRunLeavesTheOriginalsAlone()
    {
        addPhotos({"a.jpg"});
        const auto before = folderContents(photos);
        check("outputFolderCheck")->setChecked(true);
        field("outputFolderEdit")->setText(work.filePath("output"));
        QVERIFY(QDir().mkpath(work.filePath("output")));
        startRun();
        waitForCompletion();
        QCOMPARE(folderContents(photos), before);
        QVERIFY(utmFileName.match(fileNames(work.filePath("output")).value(0)).hasMatch());
        QVERIFY(!snapshotOptions(*f.window).makeBackup);
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
        const auto row = [&points](const char *tag, bool track, const char *clock,
                                   const char *correction, const char *critical) {
            QTest::newRow(tag) << (track ? points : "missing") << QString(clock)
                               << QString(correction) << QString(critical);
        };
        row("on the track", true, "14:30:00", "+00:00:00", "");
        row("clock an hour ahead", true, "15:30:00", "+01:00:00", "");
        row("no track file", false, "14:30:00", "+00:00:00",
            "Error: Seleccione un track GPX válido");
        row("correction mistyped", true, "14:30:00", "+1:00",
            "Error: Corrección del reloj de la cámara");
    }

    void trackModeRunsOrRefuses()
    {
        QFETCH(QString, track);
        QFETCH(QString, clock);
        QFETCH(QString, critical);
        TestPhoto photo;
        photo.dateTimeOriginal = "2024:03:05 " + clock;
        QVERIFY(writeTestPhoto(photos + "/a.jpg", photo));
        if (track != "missing")
            QVERIFY(writeBytes(work.filePath("t.gpx"),
                               "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>"
                                       + track.toUtf8() + "</trkseg></trk></gpx>"));
        const auto before = folderContents(work.path());
        check("logoCheck")->setChecked(false);
        check("backupCheck")->setChecked(false);
        f.find<QRadioButton>("gpxRadio")->setChecked(true);
        field("gpxPathEdit")->setText(work.filePath("t.gpx"));
        f.find<QComboBox>("cameraZoneCombo")->setCurrentText("America/Santiago");
        QFETCH(QString, correction);
        field("clockCorrectionEdit")->setText(correction);
        field("folderEdit")->setText(photos);
        button("startButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!f.information.isEmpty() || !f.critical.isEmpty(), 60000);
        QCOMPARE(f.critical.size() + f.information.size(), 1);
        QVERIFY2(critical.isEmpty() ? f.critical.isEmpty()
                                    : f.critical.value(0).startsWith(critical),
                 qPrintable(f.critical.value(0)));
        QTRY_VERIFY(button("startButton")->isEnabled());
        if (critical.isEmpty())
            QCOMPARE(fileNames(photos), QStringList {"19H 345713 6297592.jpg"});
        else
            QCOMPARE(folderContents(work.path()), before);
    }

    // The menu action reads the photos only and writes the three files beside them.
    void exportMenuActionWritesTheLocationFiles()
    {
        QVERIFY(writeTestPhoto(photos + "/a.jpg", gpsPhoto()));
        QVERIFY(writeTestPhoto(photos + "/sin gps.jpg", TestPhoto()));
        const auto before = folderContents(photos);
        f.nextPath = photos;
        f.find<QAction>("exportLocationsAction")->trigger();
        waitForCompletion();
        auto after = folderContents(photos);
        for (const char *name : {"ubicaciones.kmz", "ubicaciones.geojson", "ubicaciones.csv"})
            QVERIFY2(!after.take(name).isEmpty(), name);
        QCOMPARE(after, before);
        QVERIFY(f.logText().split('\n').contains("Fotos con ubicación: 1 de 2."));
        QVERIFY2(f.warnings.value(0).startsWith(
                         "Completado: Se exportaron las ubicaciones de 1 de 2 fotos a "),
                 qPrintable(f.warnings.value(0)));
    }

    // "Cancelar" stops handing out photos, one at a time here: the photo under
    // way finishes whole, the others stay as they were, the folder is free
    // again and the box says the work stopped. The export writes nothing.
    void cancelStopsTheRunAndTheExport_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("title"); // of the progress dialog
        QTest::addColumn<QString>("box");
        QTest::newRow("batch") << "startButton"
                               << "Procesando fotos"
                               << "Proceso detenido: El proceso se detuvo a petición del usuario.";
        QTest::newRow("export") << "exportLocationsAction"
                                << "Exportando ubicaciones"
                                << "Exportación detenida: La exportación se detuvo a petición "
                                   "del usuario; no se escribió ningún archivo.";
    }

    void cancelStopsTheRunAndTheExport()
    {
        QFETCH(QString, trigger);
        QStringList names;
        for (int i = 0; i < 12; ++i)
            names << QString("foto%1.jpg").arg(i, 2, 10, QChar('0'));
        addPhotos(names);
        const auto before = folderContents(photos);
        check("logoCheck")->setChecked(false);
        field("folderEdit")->setText(photos);
        shown();
        const int threads = workPool()->maxThreadCount();
        workPool()->setMaxThreadCount(1);
        exifMutex.lock(); // the first photo waits until "Cancelar" is pressed
        f.nextPath = photos;
        if (trigger == "startButton")
            button("startButton")->click();
        else
            f.find<QAction>(trigger)->trigger();
        auto *dialog = f.window->findChild<QProgressDialog *>();
        QVERIFY(dialog);
        QTEST(dialog->windowTitle(), "title");
        QVERIFY(dialog->width()
                > dialog->fontMetrics().horizontalAdvance(dialog->windowTitle()) + 100);
        dialog->findChild<QPushButton *>()->click();
        exifMutex.unlock();
        waitForCompletion();
        workPool()->setMaxThreadCount(threads);
        QTEST(f.warnings.value(0).section('\n', 0, 0), "box");
        QVERIFY(f.information.isEmpty() && !f.window->findChild<QProgressDialog *>());
        QVERIFY(batchStartProblem(photos, snapshotOptions(*f.window)).isEmpty());
        const auto after = folderContents(photos);
        int untouched = 0;
        for (const QString &name : names)
            untouched += after.value(name) == before.value(name);
        QVERIFY2(untouched >= names.size() - 1, qPrintable(QString::number(untouched)));
        if (trigger == "startButton")
            QVERIFY(f.logText().contains("\nProceso detenido: se procesaron "));
        else
            QCOMPARE(after, before);
    }

    // The dialog starts from the profile's project data and gives back what
    // was typed for the next profile; the report runs off the GUI thread, and
    // "Cancelar" while it reads the photos leaves no file.
    void reportDialogWritesBothFilesOrNoneWhenCancelled_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("Crear") << false;
        QTest::newRow("Cancelar") << true;
    }

    void reportDialogWritesBothFilesOrNoneWhenCancelled()
    {
        QFETCH(bool, cancel);
        QVERIFY(writeTestPhoto(photos + "/a.jpg", gpsPhoto())
                && writeTestPhoto(work.filePath("marca.png"), TestPhoto()));
        load({{"reportProject", "Mina & <Sur>"},
              {"reportClient", "Cliente"},
              {"logoPath", work.filePath("marca.png")},
              {"outputCrs", "EPSG:24879"}});
        field("folderEdit")->setText(photos);
        check("subdirsCheck")->setChecked(true);
        QString shownProject;
        QStringList fromWindow;
        f.runDialog = [&shownProject, &fromWindow](QDialog &dialog) {
            shownProject = dialog.findChild<QLineEdit *>("reportProjectEdit")->text();
            for (const char *name : {"reportSubfoldersLabel", "reportLogoLabel", "reportCrsLabel"})
                fromWindow << dialog.findChild<QLabel *>(name)->text();
            dialog.findChild<QLineEdit *>("reportClientEdit")->setText("Otro cliente");
            dialog.findChild<QComboBox *>("reportFormatCombo")->setCurrentIndex(2);
            dialog.findChild<QLineEdit *>("reportCodeEdit")->setText("MN-INF-004");
            dialog.findChild<QCheckBox *>("reportCoverCheck")->setChecked(true);
            return int(QDialog::Accepted);
        };
        const auto before = folderContents(photos);
        {
            // The report waits at its first photo.
            const std::unique_lock<QMutex> holdMetadata(exifMutex);
            f.find<QAction>("createReportAction")->trigger();
            if (cancel)
                f.window->findChild<QProgressDialog *>()->findChild<QPushButton *>()->click();
        }
        waitForCompletion();
        QCOMPARE(shownProject, "Mina & <Sur>");
        QCOMPARE(fromWindow,
                 QStringList({"incluidas", "marca.png", "PSAD56 / UTM 19S (EPSG:24879)"}));
        const QString base = photos + "/registro_fotografico";
        QCOMPARE(
                f.information.join(""),
                cancel ? "Cancelado: Registro fotográfico cancelado: no se escribió ningún archivo."
                       : "Completado: Registro fotográfico creado:\n" + base + ".pdf\n" + base
                                + ".docx");
        if (cancel)
            QCOMPARE(folderContents(photos), before);
        else
            QVERIFY(QFileInfo(base + ".pdf").size() > 0 && QFileInfo(base + ".docx").size() > 0);
        const QJsonObject profile = QJsonDocument::fromJson(saved()).object();
        QCOMPARE(profile.value("reportClient"), "Otro cliente");
        QCOMPARE(profile.value("reportCode"), "MN-INF-004");
        QCOMPARE(profile.value("reportCover"), true);
    }

    // Captions typed once in the table reach the photos' metadata and the
    // report; a photo that cannot take one is named, its text kept.
    void descriptionsTypedInTheTableReachThePhotosAndTheReport()
    {
        TestPhoto described = gpsPhoto();
        described.iptc["Iptc.Application2.Caption"] = "Vieja";
        QVERIFY(writeTestPhoto(photos + "/a.jpg", described));
        QVERIFY(writeTestPhoto(photos + "/b.jpg", gpsPhoto()));
        QVERIFY(writeBytes(photos + "/roto.jpg", "no soy una foto"));
        field("folderEdit")->setText(photos);
        QStringList shown;
        f.runDialog = [&shown](QDialog &dialog) {
            auto *table = dialog.findChild<QTableWidget *>("descriptionsTable");
            const auto rowOf = [table](const QString &name) {
                return table->findItems(name, Qt::MatchExactly).value(0)->row();
            };
            for (int column = 1; column < table->columnCount(); ++column)
                shown << table->item(rowOf("a.jpg"), column)->text();
            table->item(rowOf("a.jpg"), 5)->setText("Talud norte; vista al rajo");
            table->item(rowOf("b.jpg"), 5)->setText("  Pozo PM-3 ");
            table->item(rowOf("roto.jpg"), 5)->setText("perdida");
            dialog.findChild<QPushButton *>("saveDescriptionsButton")->click();
            dialog.reject(); // the refused one is still unsaved: asked first
            return dialog.result();
        };
        f.find<QAction>("descriptionsAction")->trigger();
        QCOMPARE(shown,
                 QStringList({"a.jpg", "05/03/2024 14:30:00",
                              "19H · E 345713 · N 6297592 · Datum: WGS 84", "045° NE", "Vieja"}));
        QCOMPARE(readPhotoCaption(photos + "/a.jpg"), "Talud norte; vista al rajo");
        QCOMPARE(readPhotoCaption(photos + "/b.jpg"), "Pozo PM-3");
        QCOMPARE(f.warnings.size(), 1);
        QVERIFY2(f.warnings.first().contains("Se guardaron 2 descripciones")
                         && f.warnings.first().contains("roto.jpg: "),
                 qPrintable(f.warnings.first()));
        QVERIFY(f.information.join('\n').contains("Quedan descripciones sin guardar: 1."));
        QVERIFY(f.logText().contains("Descripción guardada en b.jpg"));
        ReportSettings settings;
        settings.folder = photos;
        const PhotoReport report = collectReport(
                settings, [](const QString &) {}, nullptr);
        QCOMPARE(report.located.size(), 2);
        QStringList captions;
        for (const ReportPhoto &photo : report.located)
            captions << photo.caption;
        captions.sort();
        QCOMPARE(captions, QStringList({"Pozo PM-3", "Talud norte; vista al rajo"}));
    }

    // "Cancelar" stops the fill at the request in flight: the window cannot
    // close while it runs, the rows filled so far are written back, the
    // others stay as they were, no request follows, and the box says so.
    void cancelStopsTheAltitudeFillAndKeepsTheRowsDone()
    {
        const QString csv = work.filePath("coordenadas.csv");
        QByteArray content = "nombre_de_la_foto.jpg;zona;letra;easting;northing;orientacion;fecha_"
                             "hora;altitud\n";
        QByteArray expected = content;
        for (int row = 1; row <= 150; ++row) {
            const QByteArray name = "IMG_" + QByteArray::number(row) + ".jpg;19;H;345678;6301234";
            content += name + '\n';
            expected += name + (row <= 100 ? ";;;100.00\n" : "\n");
        }
        QVERIFY(writeBytes(csv, content));
        FakeElevationServer service;
        QVERIFY(service.start());
        FakeReply silent;
        silent.kind = FakeReply::NeverAnswer;
        service.queueReply(FakeReply());
        service.queueReply(silent);
        f.window->setProperty("altitudeProvider", "OpenTopoData");
        f.window->setElevationService({service.baseUrl(), 0, 60000});
        field("csvPathEdit")->setText(csv);
        button("altitudeButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(service.requests().size(), 2, 60000);
        QVERIFY(!f.window->close());
        f.window->findChild<QProgressDialog *>()->findChild<QPushButton *>()->click();
        QTRY_VERIFY_WITH_TIMEOUT(button("altitudeButton")->isEnabled(), 10000);
        QCOMPARE(fileBytes(csv), expected);
        QCOMPARE(service.requests().size(), 2);
        QVERIFY(f.logText().contains("se procesaron 100 de 150 registros"));
        // The box tells the partial file as it is, never "Completado".
        QVERIFY(f.information.isEmpty());
        QVERIFY2(f.warnings.value(0).startsWith("Relleno de altitud detenido: El archivo CSV ha "
                                                "sido actualizado solo en parte: altitudes "
                                                "obtenidas para 100 de "),
                 qPrintable(f.warnings.value(0)));
    }

    void previewStepsThroughThePhotos()
    {
        addPhotos({"a.jpg", "b.png", "sub/c.jpg"});
        QVERIFY(writeBytes(photos + "/d.jpg.txt", "x") && writeBytes(photos + "/.e.jpg", "x"));
        field("folderEdit")->setText(photos);
        QStringList sorted = listed();
        sorted.sort();
        QCOMPARE(sorted, QStringList({photos + "/a.jpg", photos + "/b.png"}));
        QCOMPARE(f.window->property("currentPreviewPath").toString(), listed().at(0));
        QVERIFY(!button("previousButton")->isEnabled() && button("nextButton")->isEnabled()
                && !shown().isNull());
        button("nextButton")->click();
        QCOMPARE(f.window->property("currentPreviewPath").toString(), listed().at(1));
        QVERIFY(button("previousButton")->isEnabled() && !button("nextButton")->isEnabled());
        check("subdirsCheck")->setChecked(true);
        QCOMPARE(listed().size(), 3);
        QCOMPARE(f.window->property("currentPreviewIndex").toInt(), 0);
    }

    // On the offscreen platform's 800 x 600 screen and on a 1366 x 768
    // laptop screen less its task bar, in every mode, the run button is whole
    // in view and the log shows eight lines.
    void runButtonAndLogStayInView_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QSize>("size");
        for (const char *mode : {"exifRadio", "csvRadio", "gpxRadio"}) {
            QTest::addRow("%s at start", mode) << mode << QSize();
            QTest::addRow("%s 1280x800", mode) << mode << QSize(1280, 800);
            QTest::addRow("%s 1366x728", mode) << mode << QSize(1366, 728);
        }
    }

    void runButtonAndLogStayInView()
    {
        QFETCH(QString, mode);
        QFETCH(QSize, size);
        const QRect screen = f.window->screen()->availableGeometry();
        QVERIFY(screen.contains(f.window->frameGeometry()));
        f.find<QRadioButton>(mode)->setChecked(true);
        if (size.isValid())
            f.window->resize(size);
        QTest::qWait(20);
        QPushButton *start = button("startButton");
        QVERIFY(start->isVisible());
        QCOMPARE(start->visibleRegion().boundingRect(), start->rect());
        QVERIFY(f.window->rect().contains(
                QRect(start->mapTo(f.window.get(), QPoint()), start->size())));
        // The options fit their widest row; the short "Texto" tab ends where its content does.
        auto *panel = f.find<QWidget>("leftPanel");
        QVERIFY(f.find<QScrollArea>("leftScroller")->viewport()->width()
                >= panel->minimumSizeHint().width());
        auto *tabs = f.find<QTabWidget>("optionTabs");
        const int generalHeight = tabs->height();
        tabs->setCurrentIndex(1);
        QTRY_VERIFY(tabs->height() < generalHeight);
        QVERIFY(tabs->height() >= tabs->currentWidget()->minimumSizeHint().height());
        auto *log = f.find<QTextEdit>("logView");
        QVERIFY2(log->viewport()->height() >= 8 * log->fontMetrics().lineSpacing(),
                 qPrintable(QString::number(log->viewport()->height())));
    }

    // The log stays on its newest line unless the user scrolled up; its menu
    // saves every line and clears them.
    void logFollowsNewLinesAndIsSavedWhole()
    {
        auto *log = f.find<QTextEdit>("logView");
        const auto add = [this](const QString &line) {
            QMetaObject::invokeMethod(f.window.get(), "log", Q_ARG(QString, line));
        };
        for (int i = 0; i < 60; ++i)
            add(QString("línea %1 <b>&</b>").arg(i));
        QScrollBar *bar = log->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        bar->setValue(5);
        add("leída después");
        QCOMPARE(bar->value(), 5);
        bar->setValue(bar->maximum());
        add("última");
        QCOMPARE(bar->value(), bar->maximum());

        f.nextPath = work.filePath("registro"); // typed without the filter's suffix
        f.find<QAction>("saveLogAction")->trigger();
        const QStringList saved = QString::fromUtf8(fileBytes(f.nextPath + ".txt")).split('\n');
        QCOMPARE(saved.size(), 63); // and the final line end
        QCOMPARE(saved.at(0), "línea 0 <b>&</b>");
        QCOMPARE(saved.at(61), "última");
        f.find<QAction>("clearLogAction")->trigger();
        QVERIFY(f.logText().isEmpty());
    }

    void keysStepThroughThePreview_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("index");
        QTest::newRow("right") << QList<int> {Qt::Key_Right} << 1;
        QTest::newRow("page down twice") << QList<int> {Qt::Key_PageDown, Qt::Key_PageDown} << 2;
        QTest::newRow("right past the end")
                << QList<int> {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right} << 2;
        QTest::newRow("left at the start") << QList<int> {Qt::Key_Left} << 0;
        QTest::newRow("page up back")
                << QList<int> {Qt::Key_Right, Qt::Key_Right, Qt::Key_PageUp} << 1;
    }

    void keysStepThroughThePreview()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, index);
        addPhotos({"a.jpg", "b.jpg", "sub/c.jpg"});
        check("subdirsCheck")->setChecked(true);
        field("folderEdit")->setText(photos);
        auto *pane = f.find<QGroupBox>("previewGroup");
        pane->setFocus();
        for (const int key : keys)
            QTest::keyClick(pane, Qt::Key(key));
        QCOMPARE(f.window->property("currentPreviewIndex").toInt(), index);
        QCOMPARE(f.find<QLabel>("previewNameLabel")->text(),
                 QDir(photos).relativeFilePath(listed().at(index)));
        QCOMPARE(f.find<QLabel>("previewPlaceLabel")->text(), QString("%1 de 3").arg(index + 1));
        field("folderEdit")->setText(work.filePath("nada"));
        QVERIFY(f.find<QLabel>("previewPlaceLabel")->text().isEmpty());
    }

    // Which tabs warn, for the rose's corner against what a run draws.
    void sameCornerWarnsWithoutForbidding_data()
    {
        QTest::addColumn<QString>("rose");
        QTest::addColumn<QStringList>("unchecked");
        QTest::addColumn<QString>("altitudeCorner");
        QTest::addColumn<bool>("textClash");
        QTest::addColumn<bool>("logoClash");
        QTest::newRow("defaults") << "abajo-izquierda" << QStringList() << "abajo-derecha" << false
                                  << false;
        QTest::newRow("rose on the text")
                << "abajo-derecha" << QStringList() << "abajo-derecha" << true << false;
        QTest::newRow("rose on the logo")
                << "arriba-izquierda" << QStringList() << "abajo-derecha" << false << true;
        QTest::newRow("no logo drawn") << "arriba-izquierda" << QStringList {"logoCheck"}
                                       << "abajo-derecha" << false << false;
        QTest::newRow("no text drawn") << "abajo-derecha" << QStringList {"drawDataCheck"}
                                       << "abajo-derecha" << false << false;
        QTest::newRow("no rose drawn") << "abajo-derecha" << QStringList {"compassCheck"}
                                       << "abajo-derecha" << false << false;
        QTest::newRow("altitude alone")
                << "arriba-derecha" << QStringList() << "arriba-derecha" << true << false;
        QTest::newRow("altitude not drawn") << "arriba-derecha" << QStringList {"drawAltitudeCheck"}
                                            << "arriba-derecha" << false << false;
    }

    void sameCornerWarnsWithoutForbidding()
    {
        QFETCH(QString, rose);
        QFETCH(QStringList, unchecked);
        QFETCH(QString, altitudeCorner);
        QFETCH(bool, textClash);
        QFETCH(bool, logoClash);
        click("logoButton", "/fotos/logo.png");
        for (const QString &name : unchecked)
            check(name)->setChecked(false);
        f.find<QComboBox>("altitudePositionCombo")->setCurrentText(altitudeCorner);
        f.find<QComboBox>("compassPositionCombo")->setCurrentText(rose);
        const QString withText = textClash
                ? "La rosa y el texto están en la misma esquina y se superpondrán."
                : "";
        const QString withLogo
                = logoClash ? "La rosa y el logo están en la misma esquina y se superpondrán." : "";
        QCOMPARE(f.find<QLabel>("textCornerWarning")->text(), withText);
        QCOMPARE(f.find<QLabel>("logoCornerWarning")->text(), withLogo);
        QCOMPARE(f.find<QLabel>("compassCornerWarning")->text(), withText + withLogo);
        QCOMPARE(f.find<QComboBox>("compassPositionCombo")->currentText(), rose);
    }

    void shortcutsReachTheirActions_data()
    {
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<QString>("asked");
        QTest::newRow("folder") << QKeySequence("Ctrl+O") << "Seleccionar Directorio";
        QTest::newRow("save profile") << QKeySequence("Ctrl+S") << "Guardar Perfil";
        QTest::newRow("load profile") << QKeySequence("Ctrl+L") << "Cargar Perfil";
        QTest::newRow("run") << QKeySequence("Ctrl+R") << "Error";
        QTest::newRow("run again") << QKeySequence("F5") << "Error";
    }

    void shortcutsReachTheirActions()
    {
        QFETCH(QKeySequence, key);
        QFETCH(QString, asked);
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QTest::keySequence(f.window.get(), key);
        QCOMPARE((f.asked + f.critical).join("").section(':', 0, 0), asked);
        QVERIFY(button("startButton")->toolTip().contains("Ctrl+R, F5"));
    }

    // F1 opens the installed guide with its pictures. A click on a link of
    // its index scrolls to the heading; the pictures stay within the window
    // however narrow; Esc or Ctrl+W closes it. "Acerca de" names the licence
    // and the libraries; Ctrl+Q closes the program.
    void helpMenuShowsTheGuideAndTheVersions_data()
    {
        QTest::addColumn<QKeySequence>("closeKey");
        QTest::addColumn<int>("widthPixels");
        QTest::newRow("Esc") << QKeySequence(Qt::Key_Escape) << 900;
        QTest::newRow("Ctrl+W, narrow") << QKeySequence("Ctrl+W") << 640;
    }

    void helpMenuShowsTheGuideAndTheVersions()
    {
        QFETCH(QKeySequence, closeKey);
        QFETCH(int, widthPixels);
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QTest::keyClick(f.window.get(), Qt::Key_F1);
        auto *help = f.window->findChild<HelpWindow *>();
        QVERIFY(help && help->isVisible());
        help->resize(widthPixels, 600);
        auto *browser = help->findChild<QTextBrowser *>("guideBrowser");
        QVERIFY(browser->toPlainText().contains("Iniciar Proceso"));
        QTextCursor link;
        QStringList pictures;
        for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next())
            for (auto part = block.begin(); !part.atEnd(); ++part) {
                const QTextCharFormat format = part.fragment().charFormat();
                if (format.isImageFormat())
                    pictures << format.toImageFormat().name();
                if (format.anchorHref() == "#la-ventana-el-teclado-y-la-ayuda") {
                    link = QTextCursor(browser->document());
                    link.setPosition(part.fragment().position() + 1);
                }
            }
        QVERIFY(!link.isNull() && !pictures.isEmpty());
        for (const QString &name : pictures) {
            const QVariant picture
                    = browser->loadResource(QTextDocument::ImageResource, QUrl(name));
            QVERIFY2(!QImage::fromData(picture.toByteArray()).isNull(), qPrintable(name));
        }
        browser->verticalScrollBar()->setValue(0);
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {},
                          browser->cursorRect(link).center());
        QTRY_VERIFY(browser->verticalScrollBar()->value() > 0);
        for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next())
            for (auto part = block.begin(); !part.atEnd(); ++part)
                if (part.fragment().charFormat().isImageFormat())
                    QVERIFY(part.fragment().charFormat().toImageFormat().width()
                            <= browser->viewport()->width());
        QVERIFY(QTest::qWaitForWindowActive(help));
        QTest::keySequence(help, closeKey);
        QVERIFY(!help->isVisible());
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));

        f.find<QAction>("aboutAction")->trigger();
        QCOMPARE(f.information.size(), 1);
        for (const QString &part :
             {QString("Rumbario 1."), QString("GPL-3.0-or-later"), "Qt " + QString(qVersion()),
              QString("Exiv2 0."), QString("libjpeg-turbo 2."), QString("libzip 1."),
              QString("PROJ 9."), QString("libheif 1.")})
            QVERIFY2(f.information.first().contains(part), qPrintable(part));
        QTest::keySequence(f.window.get(), QKeySequence("Ctrl+Q"));
        QVERIFY(!f.window->isVisible());
    }

    void fileDialogsStartInThePhotoFolder()
    {
        check("outputFolderCheck")->setChecked(true);
        const QStringList buttons = {"csvButton", "gpxButton", "logoButton", "outputFolderButton",
                                     "loadProfileButton"};
        for (const QString &name : buttons)
            button(name)->click();
        field("folderEdit")->setText(photos);
        for (const QString &name : buttons)
            button(name)->click();
        QCOMPARE(f.startedIn, QStringList(5, QString()) + QStringList(5, photos));
        // Without a photo folder, where the last one chosen is.
        click("folderButton", work.path());
        field("folderEdit")->clear();
        f.startedIn.clear();
        f.find<QAction>("chooseFolderAction")->trigger();
        QCOMPARE(f.startedIn, QStringList {work.path()});
    }

    // The menu lists the stored folders that still exist, newest first, at
    // most eight; a choice sets the photo folder. Written by hand, as stored.
    void recentFoldersKeepTheLastEightThatExist()
    {
        QVERIFY(QDir().mkpath(work.filePath("uno")) && QDir().mkpath(work.filePath("dos")));
        QVERIFY(writeBytes(settingsFile(),
                           "[General]\nrecentFolders=" + work.filePath("uno").toUtf8()
                                   + ", /no/existe, " + work.filePath("dos").toUtf8() + "\n"));
        QCOMPARE(recentItems(), QStringList({work.filePath("uno"), work.filePath("dos")}));
        recentMenu()->actions().at(1)->trigger();
        QCOMPARE(field("folderEdit")->text(), work.filePath("dos"));
        QCOMPARE(recentItems(), QStringList({work.filePath("dos"), work.filePath("uno")}));
        for (int i = 0; i < 9; ++i) {
            QVERIFY(QDir().mkpath(work.filePath(QString("c%1").arg(i))));
            click("folderButton", work.filePath(QString("c%1").arg(i)));
        }
        const QStringList items = recentItems();
        QCOMPARE(items.size(), 8);
        QCOMPARE(items.first(), work.filePath("c8"));
        QCOMPARE(items.last(), work.filePath("c1"));
    }

    // Two lifetimes of the window on one settings store: the layout always
    // comes back, the options only when the settings dialog asked for it.
    void optionsAreRememberedOnlyWhenAsked_data()
    {
        QTest::addColumn<bool>("remember");
        QTest::newRow("asked") << true;
        QTest::newRow("not asked") << false;
    }

    void optionsAreRememberedOnlyWhenAsked()
    {
        QFETCH(bool, remember);
        f.runDialog = [remember](QDialog &dialog) {
            dialog.findChild<QCheckBox *>("rememberOptionsCheck")->setChecked(remember);
            return int(QDialog::Accepted);
        };
        f.find<QAction>("settingsAction")->trigger();
        field("folderEdit")->setText(photos);
        f.find<QDoubleSpinBox>("fontSizeSpin")->setValue(0.05);
        f.find<QComboBox>("compassStyleCombo")->setCurrentIndex(0);
        check("drawGeoCheck")->setChecked(true);
        f.window->resize(900, 560);
        auto *logSplitter = f.find<QSplitter>("logSplitter");
        QTest::qWait(20);
        logSplitter->setSizes({200, logSplitter->height() - 200});
        const QList<int> sizes = logSplitter->sizes();
        QVERIFY(f.window->close());

        PhotoRenamerGUI next;
        next.restoreSession();
        next.show();
        QVERIFY(QTest::qWaitForWindowExposed(&next));
        QCOMPARE(next.size(), QSize(900, 560));
        QCOMPARE(next.findChild<QSplitter *>("logSplitter")->sizes(), sizes);
        QCOMPARE(next.findChild<QLineEdit *>("folderEdit")->text(), remember ? photos : QString());
        QCOMPARE(next.findChild<QDoubleSpinBox *>("fontSizeSpin")->value(), remember ? 0.05 : 0.03);
        QCOMPARE(next.findChild<QComboBox *>("compassStyleCombo")->currentIndex(),
                 remember ? 0 : 2);
        QCOMPARE(next.findChild<QCheckBox *>("drawGeoCheck")->isChecked(), remember);
    }

    void destroyingTheWindowMidRunLeavesEveryPhotoWhole()
    {
        addPhotos({"p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg", "p5.jpg"}, 1200);
        check("backupCheck")->setChecked(false);
        startRun();
        QPointer<QProgressDialog> dialog = f.window->findChild<QProgressDialog *>();
        QDeadlineTimer deadline(60000);
        while (dialog && dialog->maximum() == 0 && !deadline.hasExpired())
            QTest::qWait(1); // until the batch reports its first progress
        f.window.reset();
        QCOMPARE(fileNames(photos).size(), 6);
        for (const QString &name : fileNames(photos)) {
            QVERIFY2(utmFileName.match(name).hasMatch(), qPrintable(name));
            QCOMPARE(QImage(photos + "/" + name).size(), QSize(1200, 900));
        }
    }

    void previewShowsWhyItHasNoPicture_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message");
        const QString invalid = "El directorio seleccionado no es válido.";
        QTest::newRow("missing folder") << "missing" << invalid;
        QTest::newRow("no photos") << "empty"
                                   << "No se encontraron imágenes en el directorio seleccionado.";
        QTest::newRow("undecodable photo") << "broken"
                                           << "Error al generar la vista previa.";
    }

    void previewShowsWhyItHasNoPicture()
    {
        QFETCH(QString, folder);
        QFETCH(QString, message);
        addPhotos({"a.jpg", "b.jpg"});
        QVERIFY(writeBytes(work.filePath("empty/a.jpg.txt"), "x")
                && writeBytes(work.filePath("broken/a.jpg"), "x"));
        field("folderEdit")->setText(photos);
        QVERIFY(!shown().isNull());
        field("folderEdit")->setText(work.filePath(folder));
        for (const QSize size : {QSize(1100, 700), QSize(1280, 800)}) {
            QVERIFY(shown().isNull() && !button("previousButton")->isEnabled()
                    && !button("nextButton")->isEnabled());
            QCOMPARE(f.find<QLabel>("previewLabel")->text(), message);
            f.window->resize(size); // the old picture must not come back
            QCoreApplication::processEvents();
        }
    }
    // Every option the table says shapes the stamp refreshes the preview,
    // and the preview then is what a render from scratch shows, changed and
    // changed back. A photo without GPS also shows the choice made for it.
    void everyRefreshingOptionShowsInThePreview_data()
    {
        QTest::addColumn<bool>("hasGps");
        QTest::newRow("photo with GPS") << true;
        QTest::newRow("photo without GPS") << false;
    }

    void everyRefreshingOptionShowsInThePreview()
    {
        QFETCH(bool, hasGps);
        TestPhoto photo = gpsPhoto();
        photo.hasGps = hasGps; // the date stays: the current time would differ between renders
        QVERIFY(writeTestPhoto(photos + "/a.jpg", photo));
        QVERIFY(writeTestPhoto(work.filePath("logo.png"), TestPhoto()));
        click("logoButton", work.filePath("logo.png"));
        field("folderEdit")->setText(photos);
        // Fills the list of systems, so that "Otro:" chooses one.
        f.find<QRadioButton>("crsOtherRadio")->setChecked(true);
        f.find<QRadioButton>("crsDefaultRadio")->setChecked(true);
        auto *renderer = f.window->findChild<PreviewRenderer *>();
        int flagged = 0;
        for (const OptionRow &row : f.window->optionRows()) {
            if (!row.refreshesPreview)
                continue;
            ++flagged;
            const QString name = row.control->objectName();
            shown();
            QSignalSpy rendered(renderer, &PreviewRenderer::rendered);
            const auto changeBack = change(row.control);
            compareWithFreshRender(rendered, name);
            rendered.clear();
            changeBack();
            compareWithFreshRender(rendered, name + " back");
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(flagged >= 30);
    }

    // What the picture alone would not tell, said under it.
    void previewSaysWhatThePictureLeavesOut_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("photo"); // "gps", "sin gps" or "estampada" (with GPS)
        QTest::addColumn<QString>("rows"); // coordinates file: "" none, else the row's photo
        QTest::addColumn<bool>("leave"); // "Dejar la foto sin procesar"
        QTest::addColumn<bool>("logo"); // "Incrustar logo en las fotos", no logo chosen
        QTest::addColumn<QString>("note");
        const QString fixed = "Sin GPS: se usará la posición fija 19J 500000 6000000";
        const QString noLogo = "Sin logo: elija uno en la pestaña Logo o desmarque «Incrustar "
                               "logo»";
        QTest::newRow("EXIF, GPS") << "exifRadio"
                                   << "gps"
                                   << "" << false << false << "";
        QTest::newRow("EXIF, no GPS, fixed position") << "exifRadio"
                                                      << "sin gps"
                                                      << "" << false << false << fixed;
        QTest::newRow("EXIF, no GPS, left alone")
                << "exifRadio"
                << "sin gps"
                << "" << true << false << "Sin GPS: la foto no se procesará";
        QTest::newRow("EXIF, stamped") << "exifRadio"
                                       << "estampada"
                                       << "" << false << false << "Ya estampada";
        QTest::newRow("file, stamped") << "csvRadio"
                                       << "estampada"
                                       << "a.jpg" << false << false << "Ya estampada";
        QTest::newRow("track, stamped") << "gpxRadio"
                                        << "estampada"
                                        << "" << false << false << "Ya estampada";
        QTest::newRow("file, none chosen")
                << "csvRadio"
                << "gps"
                << "" << false << false << "Elija un archivo de coordenadas";
        QTest::newRow("file, no row")
                << "csvRadio"
                << "gps"
                << "otra.jpg" << false << false << "Sin fila en el archivo de coordenadas";
        QTest::newRow("file, its row") << "csvRadio"
                                       << "gps"
                                       << "a.jpg" << false << false << "";
        QTest::newRow("logo wanted, none chosen") << "exifRadio"
                                                  << "gps"
                                                  << "" << false << true << noLogo;
        QTest::newRow("no GPS, no logo") << "exifRadio"
                                         << "sin gps"
                                         << "" << false << true << fixed + "\n" + noLogo;
    }

    void previewSaysWhatThePictureLeavesOut()
    {
        QFETCH(QString, mode);
        QFETCH(QString, photo);
        QFETCH(QString, rows);
        QFETCH(bool, leave);
        QFETCH(bool, logo);
        TestPhoto written = photo == "sin gps" ? TestPhoto() : gpsPhoto();
        if (photo == "estampada")
            written.xmp["Xmp.rumbario.stampDate"] = "2024-03-05T10:00:00-03:00";
        QVERIFY(writeTestPhoto(photos + "/a.jpg", written));
        const QString csv = work.filePath("coordenadas.csv");
        QVERIFY(writeBytes(
                csv, "Foto;Zona;Letra;Este;Norte\n" + rows.toUtf8() + ";19;H;345713;6297592\n"));
        check("logoCheck")->setChecked(logo);
        f.find<QComboBox>("positionlessCombo")->setCurrentIndex(leave ? 1 : 0);
        f.find<QRadioButton>(mode)->setChecked(true);
        field("csvPathEdit")->setText(rows.isEmpty() ? QString() : csv);
        field("folderEdit")->setText(photos);
        shown();
        auto *label = f.find<QLabel>("previewNoteLabel");
        QTEST(label->isVisible() ? label->text() : QString(), "note");
    }

    // The save lists the profile and re-reads it, changing nothing; a fresh
    // window loading it ends with the same options. The same name saved
    // elsewhere takes the new path.
    void saveThenLoadRestoresEveryOption()
    {
        setEveryOptionAwayFromDefault();
        QVERIFY(QDir(folder.path()).mkdir("otra"));
        click("saveProfileButton", folder.filePath("campo.final.json"));
        click("saveProfileButton", folder.filePath("a.json"));
        click("saveProfileButton", folder.filePath("otra/a"));
        auto *list = f.find<QComboBox>("profileCombo");
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->itemText(1), "a");
        QCOMPARE(list->itemData(1).toString(), folder.filePath("otra/a.json"));
        const QByteArray bytes = fileBytes(folder.filePath("a.json"));
        QVERIFY(bytes.contains("\n    \"prefix\": \"Campa\xc3\xb1"
                               "a_2024_\""));
        const QJsonObject profile = QJsonDocument::fromJson(bytes).object();
        QCOMPARE(profile.size(), 49);
        QVERIFY(f.open());
        const QJsonObject defaults = QJsonDocument::fromJson(saved()).object();
        for (auto it = profile.constBegin(); it != profile.constEnd(); ++it)
            QVERIFY2(defaults.value(it.key()) != it.value(), qPrintable(it.key()));
        click("loadProfileButton", folder.filePath("a.json"));
        QCOMPARE(saved(), bytes);
    }

    // A profile file as users keep them, written by hand in today's format:
    // every key loads into its option, so a renamed key fails here (a save
    // and a load of the same window would both use the new name).
    void handWrittenProfileLoadsEveryOption()
    {
        const QByteArray written = R"({
    "addCompass": false, "altitudePosition": "arriba-izquierda", "bgText": false,
    "cameraTimeZone": "Africa/Bamako", "clockCorrection": "-01:02:03",
    "compassArrowColor": "#0080ff", "compassPosition": "arriba-derecha", "compassRatio": 0.33,
    "compassStyle": 3, "coordsPosition": "arriba-derecha", "drawAltitude": false,
    "drawData": false, "drawGeo": true, "drawOrientation": false, "drawTime": false,
    "drawDescription": true, "dtPosition": "arriba-izquierda", "exportLocations": true,
    "extraText": "Proyecto Norte · P-12", "fontColor": "#12ab34",
    "fontPath": "/fuentes/Campaña.otf", "fontSizeRatio": 0.0123, "gpxPath": "/campo/día 1.gpx",
    "losslessStamps": true,
    "logoPath": "/fotos/logo empresa.png", "logoPosition": "abajo-derecha", "logoRatio": 0.15,
    "maxPointSeparation": 120, "orientationPosition": "abajo-izquierda",
    "prefix": "Campaña_2024_", "renamePhotos": false, "rotateCompass": true,
    "useGpxTrack": true, "usePrefix": true
})";
        const QJsonObject profile = QJsonDocument::fromJson(written).object();
        const QJsonObject defaults = QJsonDocument::fromJson(saved()).object();
        QVERIFY(writeBytes(folder.filePath("a mano.json"), written));
        click("loadProfileButton", folder.filePath("a mano.json"));
        const QJsonObject loaded = QJsonDocument::fromJson(saved()).object();
        for (auto it = profile.constBegin(); it != profile.constEnd(); ++it) {
            QVERIFY2(defaults.value(it.key()) != it.value(), qPrintable(it.key()));
            QVERIFY2(loaded.value(it.key()) == it.value(), qPrintable(it.key()));
        }
        QVERIFY(f.warnings.isEmpty());
        QVERIFY(f.logText().contains("Perfil «a mano» cargado."));
        QVERIFY(f.window->statusBar()->currentMessage().startsWith("Perfil «"));
    }

    // Style, arrow colour and paths fall back to fixed values; the rest stays.
    void absentOrMistypedKeysFollowTheirRules()
    {
        QJsonObject mistyped;
        for (const char *key : {"logoPath", "fontPath", "logoPosition", "prefix", "fontColor",
                                "compassArrowColor", "altitudePosition"})
            mistyped.insert(key, 1);
        for (const char *key : {"fontSizeRatio", "logoRatio", "compassRatio", "compassStyle",
                                "drawTime", "renamePhotos", "rotateCompass"})
            mistyped.insert(key, "1");
        for (const QJsonObject &profile : {QJsonObject(), mistyped}) {
            setEveryOptionAwayFromDefault();
            QJsonObject expected = QJsonDocument::fromJson(saved()).object();
            expected["compassStyle"] = 0;
            expected["compassArrowColor"] = "#ff0000";
            expected["logoPath"] = expected["fontPath"] = "";
            load(profile);
            QCOMPARE(saved(), QJsonDocument(expected).toJson());
        }
    }

    void loadedValuesAreClampedAndMatchedExactly_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("loaded");
        QTest::addColumn<QJsonValue>("expected"); // as saved again
        QTest::addColumn<bool>("refused"); // a box names the key
        const auto row = [](const char *key, const QJsonValue &loaded, const QJsonValue &expected,
                            bool refused = false) {
            QTest::addRow("%s %s", key, qPrintable(loaded.toVariant().toString()))
                    << QString(key) << loaded << expected << refused;
        };
        row("fontSizeRatio", 0.01234, 0.0123);
        row("compassRatio", 0.01, 0.05);
        row("logoPosition", "abajo-derecha", "abajo-derecha");
        row("compassStyle", 3, 3);
        row("compassStyle", 7, -1);
        row("fontColor", "blanco", "#FFFFFF");
        const QString ownZone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
        row("cameraTimeZone", "Marte/Olimpo", ownZone, true);
        row("cameraTimeZone", "America/Santiajo", ownZone, true);
        row("cameraTimeZone", "Pacific/Easter", "Pacific/Easter");
        row("clockCorrection", "+99:99:99", "+00:00:00", true);
        row("clockCorrection", 90, "+00:00:00", true);
        row("clockCorrection", "-00:01:30", "-00:01:30");
        row("maxPointSeparation", 1e6, 86400);
    }

    void loadedValuesAreClampedAndMatchedExactly()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, loaded);
        load({{key, loaded}});
        QTEST(QJsonDocument::fromJson(saved()).object().value(key), "expected");
        QTEST(!f.warnings.filter(key).isEmpty(), "refused");
        load({{"renamePhotos", false}, {"usePrefix", true}});
        QVERIFY(f.find<QCheckBox>("prefixCheck")->isChecked()
                && !f.find<QLineEdit>("prefixEdit")->isEnabled());
    }

    // Profiles older than track mode hold no "useGpxTrack" and keep the mode;
    // leaving track mode returns to EXIF mode.
    void trackModeKeySelectsTheMode()
    {
        for (const QJsonValue &useGpxTrack :
             {QJsonValue(QJsonValue::Undefined), QJsonValue(false)}) {
            f.find<QRadioButton>("gpxRadio")->setChecked(true);
            QJsonObject profile {{"prefix", "x"}};
            if (!useGpxTrack.isUndefined())
                profile.insert("useGpxTrack", useGpxTrack);
            load(profile);
            const bool kept = useGpxTrack.isUndefined();
            QVERIFY(f.find<QRadioButton>(kept ? "gpxRadio" : "exifRadio")->isChecked());
            QCOMPARE(f.find<QWidget>("trackGroup")->isVisibleTo(f.window.get()), kept);
        }
    }

    // The photos' own systems first, then searched by words; the run and the
    // report use the choice, and a profile's code that is no projected system
    // stops both.
    void coordinateSystemPickerChoosesTheRunsSystem()
    {
        addPhotos({"a.jpg"});
        field("folderEdit")->setText(photos);
        auto *combo = f.find<QComboBox>("crsCombo");
        QVERIFY(!combo->isEnabled());
        f.find<QRadioButton>("crsOtherRadio")->setChecked(true);
        QVERIFY(combo->isEnabled() && combo->count() > 1000);
        QString problem;
        QVERIFY(findProjectedCrs(combo->itemData(0).toString(), problem)->contains(-33.45, -70.66));
        field("crsSearchEdit")->setText("psad56 19s");
        QCOMPARE(combo->currentData().toString(), "EPSG:24879");
        startRun();
        waitForCompletion();
        QVERIFY2(QFile::exists(photos + "/19H 345896 6297965.jpg"), qPrintable(f.logText()));
        // The report reads the photos in the same system.
        f.information.clear();
        f.runDialog = [](QDialog &) {
            return int(QDialog::Accepted);
        };
        f.find<QAction>("createReportAction")->trigger();
        waitForCompletion();
        QCOMPARE(f.logText().count("Sistema de coordenadas: PSAD56 / UTM zone 19S"), 2);
        load({{"outputCrs", "EPSG:4326"}});
        f.find<QAction>("createReportAction")->trigger();
        button("startButton")->click();
        QCOMPARE(f.critical.size(), 2);
        QVERIFY(f.critical.first().contains("EPSG:4326 (WGS 84) no es un sistema proyectado"));
        // Below the list, why the chosen system cannot be used.
        field("crsSearchEdit")->setText("EPSG:2048");
        const auto *note = f.find<QLabel>("crsNoteLabel");
        QVERIFY2(note->isVisibleTo(f.window.get())
                         && note->text().contains("apuntan al oeste y sur"),
                 qPrintable(note->text()));
        load({{"outputCrs", ""}});
        QVERIFY(f.find<QRadioButton>("crsDefaultRadio")->isChecked());
    }

    void badFilesChangeNothing()
    {
        setEveryOptionAwayFromDefault();
        const QByteArray before = saved();
        for (const QByteArray &content :
             {QByteArray("{\"compassStyle\": 0,"), QByteArray("[{\"compassStyle\": 0}]")}) {
            QVERIFY(writeBytes(folder.filePath("malo.json"), content));
            click("loadProfileButton", folder.filePath("malo.json"));
        }
        click("loadProfileButton", folder.filePath("ausente.json"));
        QCOMPARE(saved(), before);
    }
};

QTEST_MAIN(WindowTest)
#include "windowtest.moc"
