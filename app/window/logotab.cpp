#include "app/window/logotab.h"

#include "app/window/inputspanel.h"
#include "app/window/widgetparts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

LogoTab::LogoTab(const InputsPanel &inputs)
    : inputs(inputs)
{
    auto *layout = new QVBoxLayout(this);
    setMarginsAndSpacing(layout, 5, 5);

    auto *group = named(new QGroupBox(tr("Configuración del Logo")), "logoGroup");
    auto *groupLayout = new QVBoxLayout(group);
    setMarginsAndSpacing(groupLayout, 5, 5);

    logoCheck = named(new QCheckBox(tr("Incrustar logo en las fotos")), "logoCheck");
    logoCheck->setChecked(true);
    groupLayout->addWidget(logoCheck);

    auto *form = new QFormLayout;
    setMarginsAndSpacing(form, 5, 5);
    logoPositionCombo = cornerCombo("logoPositionCombo", QStringLiteral("arriba-izquierda"));
    logoRatioSpin = ratioSpin("logoRatioSpin", 2, 0.01, 0.3, 0.01, 0.2);
    form->addRow(tr("Posición del Logo:"), logoPositionCombo);
    form->addRow(tr("Tamaño del Logo (ratio):"), logoRatioSpin);
    groupLayout->addLayout(form);
    cornerWarning = warningLabel("logoCornerWarning");
    groupLayout->addWidget(cornerWarning);

    layout->addWidget(group);

    // Not kept in profiles: the check box decides over the logo the inputs name.
    OptionRow embed;
    embed.control = logoCheck;
    embed.refreshesPreview = true;
    embed.copy = [this](ProcessingOptions &options) {
        options.logoPath = drawnLogo();
    };
    embed.enableRules = {followsCheck(logoCheck, inputs.logoControls())};
    OptionRow ratio = ratioOption(logoRatioSpin, &ProcessingOptions::logoRatio,
                                  QStringLiteral("logoRatio"));
    ratio.copy = [this](ProcessingOptions &options) {
        options.logoRatio = drawnLogo().isEmpty() ? 0.0 : logoRatioSpin->value();
    };
    rows = {
            embed,
            ratio,
            itemTextOption(logoPositionCombo, &ProcessingOptions::logoPosition,
                           QStringLiteral("logoPosition")),
    };
}

void LogoTab::showCornerWarning(const QString &text)
{
    cornerWarning->setText(text);
    cornerWarning->setVisible(!text.isEmpty());
}

bool LogoTab::embedsLogo() const
{
    return logoCheck->isChecked();
}

QString LogoTab::missingLogoNote() const
{
    if (!embedsLogo() || QFileInfo(inputs.logoPath()).isFile())
        return QString();
    return tr("Sin logo: elija uno en la pestaña Logo o desmarque «Incrustar logo»");
}

void LogoTab::askForLogo()
{
    for (QWidget *parent = parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto *tabs = qobject_cast<QTabWidget *>(parent)) {
            tabs->setCurrentWidget(this);
            break;
        }
    }
    inputs.logoField()->setFocus(Qt::OtherFocusReason);
}

QString LogoTab::drawnLogo() const
{
    return embedsLogo() ? inputs.logoPath() : QString();
}
