#include "app/settingsdialog.h"
#include "tests/support/privatesettings.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

static QSettings store()
{
    return QSettings(QStringLiteral("Rumbario"), QStringLiteral("Rumbario"));
}

static QLabel *labelWithText(const QDialog &dialog, const QString &text)
{
    const QList<QLabel *> labels = dialog.findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->text() == text)
            return label;
    }
    return nullptr;
}

class SettingsDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(usePrivateSettings(settingsDir.path())); }
    void init() { clearPrivateSettings(); }

    void emptyStoreShowsDefaults()
    {
        SettingsDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Configuración"));
        QVERIFY(dialog.isModal());
        QVERIFY(labelWithText(dialog, QStringLiteral("Proveedor de API de Altitud:")));
        QVERIFY(labelWithText(dialog, QStringLiteral("Calidad JPEG (1-100):")));

        auto *provider = dialog.findChild<QComboBox *>();
        QVERIFY(!provider->isEditable());
        QCOMPARE(provider->count(), 2);
        QCOMPARE(provider->itemText(0), QStringLiteral("OpenTopoData"));
        QCOMPARE(provider->itemText(1), QStringLiteral("Google Elevation"));
        QCOMPARE(provider->currentText(), QStringLiteral("OpenTopoData"));

        auto *key = dialog.findChild<QLineEdit *>();
        QVERIFY(key->text().isEmpty());
        QCOMPARE(key->echoMode(), QLineEdit::Password);
        QVERIFY(key->isHidden());
        QVERIFY(labelWithText(dialog, QStringLiteral("Clave API Google Elevation:"))->isHidden());

        auto *quality = dialog.findChild<QSpinBox *>();
        QCOMPARE(quality->value(), 90);
        QCOMPARE(quality->minimum(), 1);
        QCOMPARE(quality->maximum(), 100);
        QCOMPARE(quality->suffix(), QStringLiteral("%"));
    }

    void keyRowIsShownOnlyForGoogleElevation()
    {
        SettingsDialog dialog;
        auto *provider = dialog.findChild<QComboBox *>();
        auto *key = dialog.findChild<QLineEdit *>();
        QLabel *keyLabel = labelWithText(dialog, QStringLiteral("Clave API Google Elevation:"));

        provider->setCurrentText(QStringLiteral("Google Elevation"));
        QVERIFY(!key->isHidden());
        QVERIFY(!keyLabel->isHidden());
        provider->setCurrentText(QStringLiteral("OpenTopoData"));
        QVERIFY(key->isHidden());
        QVERIFY(keyLabel->isHidden());
    }

    void storedValuesAreShownAndSavedBack_data()
    {
        QTest::addColumn<QVariant>("storedProvider");
        QTest::addColumn<QVariant>("storedQuality");
        QTest::addColumn<QString>("provider");
        QTest::addColumn<int>("quality");

        QTest::newRow("nothing stored") << QVariant() << QVariant() << "OpenTopoData" << 90;
        QTest::newRow("google") << QVariant("Google Elevation") << QVariant(75)
                                << "Google Elevation" << 75;
        QTest::newRow("unknown provider")
                << QVariant("Bing Elevation") << QVariant(80) << "OpenTopoData" << 80;
        QTest::newRow("quality zero") << QVariant() << QVariant(0) << "OpenTopoData" << 1;
        QTest::newRow("quality negative") << QVariant() << QVariant(-20) << "OpenTopoData" << 1;
        QTest::newRow("quality above range")
                << QVariant() << QVariant(101) << "OpenTopoData" << 100;
        QTest::newRow("quality not a number")
                << QVariant() << QVariant("alta") << "OpenTopoData" << 1;
    }

    // What the dialog shows is what acceptance stores: an unknown provider
    // becomes "OpenTopoData" and an out-of-range quality its clamped value.
    void storedValuesAreShownAndSavedBack()
    {
        QFETCH(QVariant, storedProvider);
        QFETCH(QVariant, storedQuality);
        QFETCH(QString, provider);
        QFETCH(int, quality);
        if (storedProvider.isValid())
            store().setValue(QStringLiteral("altitude/provider"), storedProvider);
        if (storedQuality.isValid())
            store().setValue(QStringLiteral("output/jpegQuality"), storedQuality);

        SettingsDialog dialog;
        QCOMPARE(dialog.findChild<QComboBox *>()->currentText(), provider);
        QCOMPARE(dialog.findChild<QSpinBox *>()->value(), quality);

        dialog.saveSettings();
        QCOMPARE(store().value(QStringLiteral("altitude/provider")).toString(), provider);
        QCOMPARE(store().value(QStringLiteral("output/jpegQuality")).toInt(), quality);
    }

    void saveStoresTheKeyEvenWhileItIsHidden()
    {
        SettingsDialog dialog;
        dialog.findChild<QComboBox *>()->setCurrentText(QStringLiteral("Google Elevation"));
        dialog.findChild<QLineEdit *>()->setText(QStringLiteral("clave-secreta"));
        dialog.findChild<QComboBox *>()->setCurrentText(QStringLiteral("OpenTopoData"));
        dialog.findChild<QSpinBox *>()->setValue(60);
        dialog.saveSettings();

        QCOMPARE(store().value(QStringLiteral("altitude/provider")).toString(),
                 QStringLiteral("OpenTopoData"));
        QCOMPARE(store().value(QStringLiteral("altitude/apiKey")).toString(),
                 QStringLiteral("clave-secreta"));
        QCOMPARE(store().value(QStringLiteral("output/jpegQuality")).toInt(), 60);

        SettingsDialog reopened;
        QCOMPARE(reopened.findChild<QLineEdit *>()->text(), QStringLiteral("clave-secreta"));
    }

private:
    QTemporaryDir settingsDir;
};

QTEST_MAIN(SettingsDialogTest)
#include "settingsdialogtest.moc"
