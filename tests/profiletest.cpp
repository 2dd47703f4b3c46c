#include "tests/support/windowfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

// Object names of the controls a profile covers, and window properties.
static const QStringList checks
        = {"rotateCompassCheck",   "prefixCheck",       "renameCheck",         "drawDataCheck",
           "drawOrientationCheck", "drawTimeCheck",     "compassCheck",        "bgTextCheck",
           "drawGeoCheck",         "drawAltitudeCheck", "exportLocationsCheck"};
static const QStringList spins = {"fontSizeSpin", "logoRatioSpin", "compassRatioSpin"};
static const QStringList combos
        = {"logoPositionCombo",        "dtPositionCombo",      "coordsPositionCombo",
           "orientationPositionCombo", "compassPositionCombo", "altitudePositionCombo",
           "compassStyleCombo",        "cameraZoneCombo"};
static const QStringList texts
        = {"prefixEdit", "logoEdit", "fontEdit", "gpxPathEdit", "clockCorrectionEdit"};
static const QStringList swatches = {"fontColorSwatch", "compassArrowSwatch"};
static const QStringList members = {"logoPath", "fontPath", "fontColor", "compassArrowColor"};

// Every value a profile covers, by control or property name.
static QVariantMap options(const WindowFixture &f)
{
    QVariantMap values;
    for (const QString &name : checks)
        values[name] = f.find<QCheckBox>(name)->isChecked();
    for (const QString &name : spins)
        values[name] = f.find<QDoubleSpinBox>(name)->value();
    for (const QString &name : combos)
        values[name] = f.find<QComboBox>(name)->currentIndex();
    for (const QString &name : texts)
        values[name] = f.find<QLineEdit>(name)->text();
    for (const QString &name : swatches)
        values[name] = f.find<QLabel>(name)->styleSheet();
    for (const QString &name : members)
        values[name] = f.window->property(qPrintable(name));
    values["cameraZoneCombo"] = f.find<QComboBox>("cameraZoneCombo")->currentText();
    values["gpxRadio"] = f.find<QRadioButton>("gpxRadio")->isChecked();
    values["maxSeparationSpin"] = f.find<QSpinBox>("maxSeparationSpin")->value();
    return values;
}

class ProfileTest : public QObject
{
    Q_OBJECT

    QTemporaryDir settings;
    QTemporaryDir folder;
    WindowFixture f;

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

    void setEveryOptionAwayFromDefault()
    {
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
            f.find<QComboBox>(combos[i])->setCurrentIndex(QList<int> {3, 0, 1, 2, 1, 0, 3, 5}[i]);
        f.find<QLineEdit>("prefixEdit")->setText("Campaña_2024_");
        f.find<QLineEdit>("gpxPathEdit")->setText("/campo/día 1.gpx");
        f.find<QLineEdit>("clockCorrectionEdit")->setText("-01:02:03");
        f.find<QSpinBox>("maxSeparationSpin")->setValue(120);
        f.find<QRadioButton>("gpxRadio")->setChecked(true);
    }

private slots:
    void initTestCase() { QVERIFY(usePrivateSettings(settings.path())); }
    void init() { QVERIFY(f.open()); }

    // The save lists the profile and re-reads it, changing nothing; a fresh
    // window loading it ends with the same options. The same name saved
    // elsewhere takes the new path.
    void saveThenLoadRestoresEveryOption()
    {
        setEveryOptionAwayFromDefault();
        const QVariantMap saved = options(f);
        QVERIFY(QDir(folder.path()).mkdir("otra"));
        click("saveProfileButton", folder.filePath("campo.final.json"));
        click("saveProfileButton", folder.filePath("a.json"));
        click("saveProfileButton", folder.filePath("otra/a.json"));
        QCOMPARE(options(f), saved);
        const QByteArray bytes = fileBytes(folder.filePath("a.json"));
        QVERIFY(bytes.contains("\n    \"prefix\": \"Campa\xc3\xb1"
                               "a_2024_\""));
        QCOMPARE(QJsonDocument::fromJson(bytes).object().size(), 31);
        auto *list = f.find<QComboBox>("profileCombo");
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->itemText(1), "a");
        QCOMPARE(list->itemData(1).toString(), folder.filePath("otra/a.json"));
        QVERIFY(f.open());
        click("loadProfileButton", folder.filePath("a.json"));
        QCOMPARE(options(f), saved);
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
            QVariantMap expected = options(f);
            expected["compassStyleCombo"] = 0;
            expected["compassArrowColor"] = QColor(255, 0, 0);
            expected["compassArrowSwatch"] = "background-color: #ff0000";
            for (const char *cleared : {"logoPath", "logoEdit", "fontPath", "fontEdit"})
                expected[cleared] = QString();
            load(profile);
            QCOMPARE(options(f), expected);
        }
    }

    void loadedValuesAreClampedAndMatchedExactly_data()
    {
        QTest::addColumn<QJsonObject>("profile");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QVariant>("expected");
        const auto row = [](const char *key, const QJsonValue &value, const char *control,
                            const QVariant &expected) {
            QTest::addRow("%s %s", key, qPrintable(value.toVariant().toString()))
                    << QJsonObject {{key, value}} << control << expected;
        };
        row("fontSizeRatio", 0.01234, "fontSizeSpin", 0.0123);
        row("compassRatio", 0.01, "compassRatioSpin", 0.05);
        row("logoPosition", "abajo-derecha", "logoPositionCombo", 3);
        row("compassStyle", 3, "compassStyleCombo", 3);
        row("compassStyle", 7, "compassStyleCombo", -1);
        row("fontColor", "blanco", "fontColor", "#FFFFFF");
        row("cameraTimeZone", "Marte/Olimpo", "cameraZoneCombo",
            QString::fromUtf8(QTimeZone::systemTimeZoneId()));
        row("maxPointSeparation", 1e6, "maxSeparationSpin", 86400);
    }

    void loadedValuesAreClampedAndMatchedExactly()
    {
        QFETCH(QJsonObject, profile);
        QFETCH(QString, control);
        load(profile);
        QTEST(options(f).value(control), "expected");
        load({{"renamePhotos", false}, {"usePrefix", true}});
        QVERIFY(f.find<QCheckBox>("prefixCheck")->isChecked()
                && !f.find<QLineEdit>("prefixEdit")->isEnabled());
    }

    // Profiles older than track mode hold no "useGpxTrack" and keep the mode;
    // leaving track mode returns to EXIF mode.
    void trackModeKeySelectsTheMode_data()
    {
        QTest::addColumn<QString>("before"); // the radio checked before loading
        QTest::addColumn<QJsonValue>("useGpxTrack"); // undefined: absent
        QTest::addColumn<QString>("after");
        const QJsonValue absent(QJsonValue::Undefined);
        QTest::newRow("old profile, track mode") << "gpxRadio" << absent << "gpxRadio";
        QTest::newRow("into track mode") << "csvRadio" << QJsonValue(true) << "gpxRadio";
        QTest::newRow("out of track mode") << "gpxRadio" << QJsonValue(false) << "exifRadio";
    }

    void trackModeKeySelectsTheMode()
    {
        QFETCH(QString, before);
        QFETCH(QJsonValue, useGpxTrack);
        f.find<QRadioButton>(before)->setChecked(true);
        QJsonObject profile {{"prefix", "x"}};
        if (!useGpxTrack.isUndefined())
            profile.insert("useGpxTrack", useGpxTrack);
        load(profile);
        QFETCH(QString, after);
        QVERIFY(f.find<QRadioButton>(after)->isChecked());
        QCOMPARE(f.find<QWidget>("trackGroup")->isVisibleTo(f.window.get()), after == "gpxRadio");
    }

    void badFilesChangeNothing()
    {
        setEveryOptionAwayFromDefault();
        const QVariantMap before = options(f);
        for (const QByteArray &content :
             {QByteArray("{\"compassStyle\": 0,"), QByteArray("[{\"compassStyle\": 0}]")}) {
            QVERIFY(writeBytes(folder.filePath("malo.json"), content));
            click("loadProfileButton", folder.filePath("malo.json"));
        }
        click("loadProfileButton", folder.filePath("ausente.json"));
        QCOMPARE(options(f), before);
    }

    // A write cut short must not replace the profile on disk nor leave a part beside it.
    void failedSaveKeepsTheOldProfile()
    {
        click("saveProfileButton", folder.filePath("b.json"));
        const QByteArray old = fileBytes(folder.filePath("b.json"));
        f.find<QLineEdit>("prefixEdit")->setText("nuevo_");
        {
            const FileSizeLimit limit(100);
            QVERIFY(limit.isActive());
            click("saveProfileButton", folder.filePath("b.json"));
        }
        QCOMPARE(fileBytes(folder.filePath("b.json")), old);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter("b."),
                 QStringList {"b.json"});
        click("saveProfileButton", folder.filePath("b.json/c.json"));
        QCOMPARE(f.find<QComboBox>("profileCombo")->count(), 1);
    }
};

QTEST_MAIN(ProfileTest)
#include "profiletest.moc"
