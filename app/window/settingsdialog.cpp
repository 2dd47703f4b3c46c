#include "app/window/settingsdialog.h"

#include "app/storedsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

static const QString googleElevation = QStringLiteral("Google Elevation");

SettingsDialog::SettingsDialog(QWidget *parent)
    : QDialog(parent)
    , providerCombo(new QComboBox)
    , apiKeyLabel(new QLabel(tr("Clave API Google Elevation:")))
    , apiKeyEdit(new QLineEdit)
    , jpegQualityLabel(new QLabel(tr("Calidad JPEG (1-100):")))
    , jpegQualitySpin(new QSpinBox)
    , rememberOptionsCheck(new QCheckBox(tr("Recordar las opciones al cerrar")))
{
    setWindowTitle(tr("Configuración"));
    setModal(true);

    providerCombo->addItems({QStringLiteral("OpenTopoData"), googleElevation});
    apiKeyEdit->setEchoMode(QLineEdit::Password);
    jpegQualitySpin->setRange(1, 100);
    jpegQualitySpin->setSuffix(QStringLiteral("%"));

    auto *form = new QFormLayout;
    form->addRow(tr("Proveedor de API de Altitud:"), providerCombo);
    form->addRow(apiKeyLabel, apiKeyEdit);
    form->addRow(jpegQualityLabel, jpegQualitySpin);
    rememberOptionsCheck->setObjectName(QStringLiteral("rememberOptionsCheck"));
    form->addRow(rememberOptionsCheck);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(providerCombo, &QComboBox::currentTextChanged, this, &SettingsDialog::updateUi);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    loadSettings();
    updateUi();
}

void SettingsDialog::loadSettings()
{
    const StoredSettings settings = readStoredSettings();
    // An unknown stored provider matches no item and leaves the first one.
    providerCombo->setCurrentText(settings.altitudeProvider);
    apiKeyEdit->setText(settings.altitudeApiKey);
    jpegQualitySpin->setValue(settings.jpegQuality);
    rememberOptionsCheck->setChecked(settings.rememberOptions);
}

void SettingsDialog::saveSettings()
{
    StoredSettings settings;
    settings.altitudeProvider = providerCombo->currentText();
    settings.altitudeApiKey = apiKeyEdit->text();
    settings.jpegQuality = jpegQualitySpin->value();
    settings.rememberOptions = rememberOptionsCheck->isChecked();
    writeStoredSettings(settings);
}

void SettingsDialog::updateUi()
{
    const bool needsKey = providerCombo->currentText() == googleElevation;
    apiKeyLabel->setVisible(needsKey);
    apiKeyEdit->setVisible(needsKey);
}
