#include "app/dialogs.h"
#include "app/photorenamergui.h"
#include "tests/support/privatesettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimeZone>
#include <QtTest>

#include <csignal>
#include <memory>
#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

// Object names of the controls a profile covers.
static const QStringList checkNames
        = {"rotateCompassCheck",   "prefixCheck",       "renameCheck",         "drawDataCheck",
           "drawOrientationCheck", "drawTimeCheck",     "compassCheck",        "bgTextCheck",
           "drawGeoCheck",         "drawAltitudeCheck", "exportLocationsCheck"};
static const QStringList spinNames = {"fontSizeSpin", "logoRatioSpin", "compassRatioSpin"};
static const QStringList comboNames
        = {"logoPositionCombo",        "dtPositionCombo",      "coordsPositionCombo",
           "orientationPositionCombo", "compassPositionCombo", "altitudePositionCombo",
           "compassStyleCombo",        "cameraZoneCombo"};
static const QStringList editNames
        = {"prefixEdit", "logoEdit", "fontEdit", "gpxPathEdit", "clockCorrectionEdit"};
static const QStringList swatchNames = {"fontColorSwatch", "compassArrowSwatch"};
static const QStringList memberNames = {"logoPath", "fontPath", "fontColor", "compassArrowColor"};

static QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

static bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class ProfileTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(usePrivateSettings(settingsDir.path())); }

    void init()
    {
        clearPrivateSettings();
        folder = std::make_unique<QTemporaryDir>();
        window = newWindow();
    }

    void cleanup()
    {
        window.reset();
        folder.reset();
    }

    void savedFileHoldsTheKeysWithTheirJsonTypes()
    {
        find<QLineEdit>("prefixEdit")->setText("Campaña_");
        const QString path = save("perfil.json");
        const QByteArray bytes = fileBytes(path);
        QVERIFY(bytes.contains("\n    \"prefix\": \"Campa\xc3\xb1"
                               "a_\""));
        QVERIFY(bytes.contains("\"fontSizeRatio\": 0.03"));
        const QJsonObject profile = QJsonDocument::fromJson(bytes).object();

        const QStringList booleans
                = {"rotateCompass",   "usePrefix",    "renamePhotos", "drawData",
                   "drawOrientation", "drawTime",     "addCompass",   "bgText",
                   "drawGeo",         "drawAltitude", "useGpxTrack",  "exportLocations"};
        const QStringList numbers = {"fontSizeRatio", "logoRatio", "compassRatio", "compassStyle",
                                     "maxPointSeparation"};
        const QStringList strings = {"logoPath",        "fontPath",          "logoPosition",
                                     "dtPosition",      "coordsPosition",    "orientationPosition",
                                     "compassPosition", "compassArrowColor", "prefix",
                                     "fontColor",       "altitudePosition",  "gpxPath",
                                     "cameraTimeZone",  "clockCorrection"};
        QCOMPARE(profile.size(), booleans.size() + numbers.size() + strings.size());
        for (const QString &key : booleans)
            QVERIFY2(profile.value(key).isBool(), qPrintable(key));
        for (const QString &key : numbers)
            QVERIFY2(profile.value(key).isDouble(), qPrintable(key));
        for (const QString &key : strings)
            QVERIFY2(profile.value(key).isString(), qPrintable(key));

        QCOMPARE(profile.value("compassStyle").toInt(), 2);
        QCOMPARE(profile.value("compassArrowColor").toString(), QStringLiteral("#ff0000"));
        QCOMPARE(profile.value("fontColor").toString(), QStringLiteral("#FFFFFF"));
        QCOMPARE(profile.value("fontPath").toString(), window->property("fontPath").toString());
    }

    // The first save re-reads its file, which must change nothing; a fresh
    // window loading it through "Cargar" ends with the same options.
    void saveThenLoadRestoresEveryOption()
    {
        setEveryOptionAwayFromDefault();
        const QVariantMap saved = options(*window);
        QSignalSpy current(find<QComboBox>("profileCombo"), &QComboBox::currentTextChanged);
        const QString path = save("perfil.json");

        QCOMPARE(current.size(), 1);
        QCOMPARE(current.at(0).at(0).toString(), QStringLiteral("perfil"));
        compareOptions(options(*window), saved);

        const std::unique_ptr<PhotoRenamerGUI> other = newWindow();
        nextPath = path;
        other->findChild<QPushButton *>("loadProfileButton")->click();
        compareOptions(options(*other), saved);
        QCOMPARE(other->findChild<QComboBox *>("profileCombo")->count(), 0);
    }

    void profileListGrowsByName()
    {
        auto *list = find<QComboBox>("profileCombo");
        QVERIFY(QDir(folder->path()).mkdir("otra"));
        const QString first = save("a.json");
        find<QCheckBox>("drawGeoCheck")->setChecked(true);
        QSignalSpy current(list, &QComboBox::currentTextChanged);
        const QString second = save("otra/a.json");
        const QString third = save("campo.final.json");

        QCOMPARE(current.size(), 0);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->itemText(0), QStringLiteral("a"));
        QCOMPARE(list->itemData(0, Qt::UserRole).toString(), second);
        QCOMPARE(list->itemText(1), QStringLiteral("campo"));
        QCOMPARE(list->itemData(1, Qt::UserRole).toString(), third);
        QVERIFY(first != second);

        // Picking a name reads the path it now stands for.
        find<QCheckBox>("drawGeoCheck")->setChecked(false);
        list->setCurrentIndex(1);
        list->setCurrentIndex(0);
        QVERIFY(find<QCheckBox>("drawGeoCheck")->isChecked());
    }

    void absentOrMistypedKeysFollowTheirRules_data()
    {
        QTest::addColumn<QJsonObject>("profile");
        QJsonObject mistyped;
        for (const char *key : {"logoPath", "fontPath", "logoPosition", "prefix", "fontColor",
                                "compassArrowColor", "altitudePosition"})
            mistyped.insert(key, 1);
        for (const char *key : {"fontSizeRatio", "logoRatio", "compassRatio", "compassStyle",
                                "drawTime", "renamePhotos", "rotateCompass"})
            mistyped.insert(key, "1");
        QTest::newRow("absent") << QJsonObject();
        QTest::newRow("mistyped") << mistyped;
    }

    // The style, arrow colour and file paths fall back to fixed values; every
    // other option stays as it was.
    void absentOrMistypedKeysFollowTheirRules()
    {
        QFETCH(QJsonObject, profile);
        setEveryOptionAwayFromDefault();
        QVariantMap expected = options(*window);
        expected["compassStyleCombo"] = 0;
        expected["compassArrowColor"] = QColor(255, 0, 0);
        expected["compassArrowSwatch"] = QStringLiteral("background-color: #ff0000");
        for (const char *cleared : {"logoPath", "logoEdit", "fontPath", "fontEdit"})
            expected[cleared] = QString();

        load(profile);
        compareOptions(options(*window), expected);
    }

    // Profiles tell track mode from the others only: leaving it returns to
    // EXIF mode, and the coordinates-file mode stays. (Old profiles without the
    // key keep the mode: see absentOrMistypedKeysFollowTheirRules.)
    void leavingTrackModeReturnsToExifMode()
    {
        for (const QString before : {"gpxRadio", "csvRadio"}) {
            find<QRadioButton>(before)->setChecked(true);
            load(QJsonObject {{"useGpxTrack", false}});
            QVERIFY(find<QRadioButton>(before == "gpxRadio" ? "exifRadio" : before)->isChecked());
            QVERIFY(!find<QWidget>("trackGroup")->isVisibleTo(window.get()));
        }
    }

    void loadedValuesAreClampedRoundedAndMatchedExactly_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QVariant>("expected");
        const auto row = [](const char *name, const char *key, const QJsonValue &value,
                            const char *control, const QVariant &expected) {
            QTest::newRow(name) << key << value << control << expected;
        };
        row("font ratio above range", "fontSizeRatio", 0.5, "fontSizeSpin", 0.2);
        row("font ratio below range", "fontSizeRatio", -1, "fontSizeSpin", 0.001);
        row("font ratio to 4 decimals", "fontSizeRatio", 0.01234, "fontSizeSpin", 0.0123);
        row("logo ratio to 2 decimals", "logoRatio", 0.123, "logoRatioSpin", 0.12);
        row("compass ratio below range", "compassRatio", 0.01, "compassRatioSpin", 0.05);
        row("known corner", "logoPosition", "abajo-derecha", "logoPositionCombo", 3);
        row("corner in other case", "logoPosition", "Abajo-Derecha", "logoPositionCombo", 0);
        row("unknown corner", "dtPosition", "centro", "dtPositionCombo", 3);
        row("last style", "compassStyle", 3, "compassStyleCombo", 3);
        row("style 7", "compassStyle", 7, "compassStyleCombo", -1);
        row("negative style", "compassStyle", -1, "compassStyleCombo", -1);
        row("fractional style", "compassStyle", 1.5, "compassStyleCombo", 0);
        row("huge style", "compassStyle", 1e20, "compassStyleCombo", 0);
        row("arrow by name", "compassArrowColor", "blue", "compassArrowColor", QColor(0, 0, 255));
        row("arrow naming no colour", "compassArrowColor", "rojizo", "compassArrowColor",
            QColor(255, 0, 0));
        row("text colour kept as written", "fontColor", "#A0B0C0", "fontColor", "#A0B0C0");
        row("text colour naming no colour", "fontColor", "blanco", "fontColor", "#FFFFFF");
        row("unknown zone", "cameraTimeZone", "Marte/Olimpo", "cameraZoneCombo",
            QString::fromUtf8(QTimeZone::systemTimeZoneId()));
        row("separation above range", "maxPointSeparation", 1e6, "maxSeparationSpin", 86400);
        row("fractional separation", "maxPointSeparation", 1.5, "maxSeparationSpin", 300);
    }

    void loadedValuesAreClampedRoundedAndMatchedExactly()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(QString, control);
        QFETCH(QVariant, expected);
        load(QJsonObject {{key, value}});
        QCOMPARE(options(*window).value(control), expected);
    }

    void prefixStaysDisabledWhenLoadedWhileRenamingIsOff()
    {
        load(QJsonObject {{"renamePhotos", false}, {"usePrefix", true}});
        QVERIFY(find<QCheckBox>("prefixCheck")->isChecked());
        QVERIFY(!find<QCheckBox>("prefixCheck")->isEnabled());
        QVERIFY(!find<QLineEdit>("prefixEdit")->isEnabled());

        load(QJsonObject {{"renamePhotos", true}});
        QVERIFY(find<QLineEdit>("prefixEdit")->isEnabled());
    }

    void unreadableOrNonObjectFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("asDirectory");
        QTest::newRow("not JSON") << QByteArray("logoPath = x") << false;
        QTest::newRow("cut short") << QByteArray("{\"compassStyle\": 0,") << false;
        QTest::newRow("array") << QByteArray("[{\"compassStyle\": 0}]") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("directory") << QByteArray() << true;
    }

    void unreadableOrNonObjectFileChangesNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, asDirectory);
        const QString path = folder->filePath("malo.json");
        QVERIFY(asDirectory ? QDir().mkdir(path) : writeBytes(path, content));
        setEveryOptionAwayFromDefault();
        const QVariantMap before = options(*window);

        nextPath = path;
        find<QPushButton>("loadProfileButton")->click();
        compareOptions(options(*window), before);
        nextPath = folder->filePath("ausente.json");
        find<QPushButton>("loadProfileButton")->click();
        compareOptions(options(*window), before);
    }

    void unwritableTargetIsLoggedAndNotListed_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("blocker");
        QTest::newRow("parent is a file") << "archivo/a.json"
                                          << "archivo";
        QTest::newRow("target is a directory") << "a.json"
                                               << "a.json";
    }

    void unwritableTargetIsLoggedAndNotListed()
    {
        QFETCH(QString, target);
        QFETCH(QString, blocker);
        const QString blockerPath = folder->filePath(blocker);
        QVERIFY(target == blocker ? QDir().mkdir(blockerPath) : writeBytes(blockerPath, "x"));

        const QString path = save(target);
        QVERIFY(!QFileInfo(path).isFile());
        QCOMPARE(find<QComboBox>("profileCombo")->count(), 0);
        const QString logged = find<QTextEdit>("logView")->toPlainText();
        const QString start = "Error: No se pudo guardar el perfil en " + path + ": ";
        QVERIFY2(logged.startsWith(start) && logged.size() > start.size(), qPrintable(logged));
        QVERIFY(!logged.contains('\n'));
    }

    // A write cut short (here by the file size limit) must not replace the
    // profile already on disk, nor leave a partial file beside it.
    void interruptedSaveLeavesOldProfileIntact()
    {
#ifndef Q_OS_UNIX
        QSKIP("Needs a file size limit");
#else
        const QString path = save("a.json");
        const QByteArray old = fileBytes(path);
        QVERIFY(old.size() > 100);
        find<QLineEdit>("prefixEdit")->setText("nuevo_");

        rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 100;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        save("a.json");
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(fileBytes(path), old);
        QCOMPARE(QDir(folder->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList {"a.json"});
        QVERIFY(find<QTextEdit>("logView")->toPlainText().startsWith(
                "Error: No se pudo guardar el perfil en " + path + ": "));
        QCOMPARE(find<QComboBox>("profileCombo")->count(), 1);
#endif
    }

private:
    std::unique_ptr<PhotoRenamerGUI> newWindow()
    {
        auto created = std::make_unique<PhotoRenamerGUI>();
        Dialogs dialogs;
        const auto answer = [this](QWidget *, const QString &, const QString &) {
            return nextPath;
        };
        dialogs.openFileName = answer;
        dialogs.saveFileName = answer;
        dialogs.color = [this](QWidget *, const QString &, const QColor &) {
            return nextColor;
        };
        created->setDialogs(dialogs);
        return created;
    }

    template<class T> T *find(const QString &name) const
    {
        T *child = window->findChild<T *>(name);
        if (!child)
            qFatal("No %s named %s", T::staticMetaObject.className(), qPrintable(name));
        return child;
    }

    // Saves through "Guardar" into the test folder; returns the full path.
    QString save(const QString &fileName)
    {
        nextPath = folder->filePath(fileName);
        find<QPushButton>("saveProfileButton")->click();
        return nextPath;
    }

    void load(const QJsonObject &profile)
    {
        const QString path = folder->filePath("cargado.json");
        QVERIFY(writeBytes(path, QJsonDocument(profile).toJson()));
        nextPath = path;
        find<QPushButton>("loadProfileButton")->click();
    }

    void choose(const char *button, const QString &path, const QColor &color = QColor())
    {
        nextPath = path;
        nextColor = color;
        find<QPushButton>(button)->click();
    }

    void setEveryOptionAwayFromDefault()
    {
        choose("logoButton", "/fotos/logos/logo empresa.png");
        choose("fontButton", "/fuentes/Campaña.otf");
        choose("fontColorButton", QString(), QColor(0x12, 0xab, 0x34));
        choose("compassArrowButton", QString(), QColor(0x00, 0x80, 0xff));
        for (const QString &name : checkNames)
            find<QCheckBox>(name)->toggle();
        find<QDoubleSpinBox>("fontSizeSpin")->setValue(0.0123);
        find<QDoubleSpinBox>("logoRatioSpin")->setValue(0.15);
        find<QDoubleSpinBox>("compassRatioSpin")->setValue(0.33);
        const QList<int> indices = {3, 0, 1, 2, 1, 0, 3, 5}; // in the order of comboNames
        for (int i = 0; i < comboNames.size(); ++i)
            find<QComboBox>(comboNames.at(i))->setCurrentIndex(indices.at(i));
        find<QLineEdit>("prefixEdit")->setText("Campaña_2024_");
        find<QLineEdit>("gpxPathEdit")->setText("/campo/día 1.gpx");
        find<QLineEdit>("clockCorrectionEdit")->setText("-01:02:03");
        find<QSpinBox>("maxSeparationSpin")->setValue(120);
        find<QRadioButton>("gpxRadio")->setChecked(true);
    }

    // Every value a profile covers, keyed by control object name or member.
    static QVariantMap options(const PhotoRenamerGUI &from)
    {
        QVariantMap values;
        for (const QString &name : checkNames)
            values[name] = from.findChild<QCheckBox *>(name)->isChecked();
        for (const QString &name : spinNames)
            values[name] = from.findChild<QDoubleSpinBox *>(name)->value();
        for (const QString &name : comboNames)
            values[name] = from.findChild<QComboBox *>(name)->currentIndex();
        for (const QString &name : editNames)
            values[name] = from.findChild<QLineEdit *>(name)->text();
        for (const QString &name : swatchNames)
            values[name] = from.findChild<QLabel *>(name)->styleSheet();
        for (const QString &name : memberNames)
            values[name] = from.property(qPrintable(name));
        values["gpxRadio"] = from.findChild<QRadioButton *>("gpxRadio")->isChecked();
        values["maxSeparationSpin"] = from.findChild<QSpinBox *>("maxSeparationSpin")->value();
        values["cameraZoneCombo"] = from.findChild<QComboBox *>("cameraZoneCombo")->currentText();
        return values;
    }

    static void compareOptions(const QVariantMap &actual, const QVariantMap &expected)
    {
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            const QString message = it.key() + ": " + actual.value(it.key()).toString()
                    + " != " + it.value().toString();
            QVERIFY2(actual.value(it.key()) == it.value(), qPrintable(message));
        }
    }

    QTemporaryDir settingsDir;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<PhotoRenamerGUI> window;
    QString nextPath;
    QColor nextColor;
};

QTEST_MAIN(ProfileTest)
#include "profiletest.moc"
