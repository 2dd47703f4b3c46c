#include "app/window/compasstab.h"

#include "app/profile.h"
#include "app/window/dialogs.h"
#include "app/window/widgetparts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CompassTab::CompassTab(const Dialogs &dialogs)
    : dialogs(dialogs)
{
    auto *layout = new QVBoxLayout(this);
    setMarginsAndSpacing(layout, 5, 5);

    compassCheck
            = named(new QCheckBox(tr("Dibujar rosa de los vientos (si hay datos de orientación)")),
                    "compassCheck");
    compassCheck->setChecked(true);
    layout->addWidget(compassCheck);

    auto *group = named(new QGroupBox(tr("Configuración de la Rosa de Vientos")), "compassGroup");
    auto *form = new QFormLayout(group);
    setMarginsAndSpacing(form, 5, 5);

    compassPositionCombo = cornerCombo("compassPositionCombo", QStringLiteral("abajo-izquierda"));
    form->addRow(tr("Posición:"), compassPositionCombo);
    cornerWarning = warningLabel("compassCornerWarning");
    form->addRow(cornerWarning);

    compassRatioSpin = ratioSpin("compassRatioSpin", 2, 0.05, 0.5, 0.01, 0.18);
    form->addRow(tr("Tamaño (ratio):"), compassRatioSpin);

    compassStyleCombo = named(new QComboBox, "compassStyleCombo");
    compassStyleCombo->addItems(
            {tr("Estilo Puntos"), tr("Estilo Graduado"), tr("Clásico"), tr("Numerado")});
    compassStyleCombo->setCurrentIndex(2);
    form->addRow(tr("Estilo:"), compassStyleCombo);

    compassArrowSwatch = colorSwatch("compassArrowSwatch", arrow.name());
    compassArrowButton = named(new QPushButton(tr("Seleccionar Color")), "compassArrowButton");
    form->addRow(tr("Color de Flecha:"), row({compassArrowSwatch, compassArrowButton}));

    rotateCompassCheck = named(new QCheckBox(tr("Rotar rosa (flecha siempre apunta arriba)")),
                               "rotateCompassCheck");
    form->addRow(QString(), rotateCompassCheck);

    layout->addWidget(group);
    layout->addStretch();

    connect(compassArrowButton, &QPushButton::clicked, this, &CompassTab::selectArrowColor);

    OptionRow rotate = checkOption(rotateCompassCheck, &ProcessingOptions::rotateCompass,
                                   QStringLiteral("rotateCompass"), Preview::Refreshes);
    rotate.enableRules = {followsCheck(compassCheck, {rotateCompassCheck})};
    rows = {
            ratioOption(compassRatioSpin, &ProcessingOptions::compassRatio,
                        QStringLiteral("compassRatio")),
            itemTextOption(compassPositionCombo, &ProcessingOptions::compassPosition,
                           QStringLiteral("compassPosition")),
            // "Estilo Puntos" when a profile has no style.
            indexOption(compassStyleCombo, &ProcessingOptions::compassStyle,
                        QStringLiteral("compassStyle"), 0),
            rotate,
            arrowColorRow(),
            checkOption(compassCheck, &ProcessingOptions::addCompass, QStringLiteral("addCompass"),
                        Preview::Refreshes),
    };
}

void CompassTab::showCornerWarning(const QString &text)
{
    cornerWarning->setText(text);
    cornerWarning->setVisible(!text.isEmpty());
}

// The button refreshes the preview after every click, a colour chosen or not.
OptionRow CompassTab::arrowColorRow()
{
    OptionRow row;
    row.control = compassArrowButton;
    row.refreshesPreview = true;
    row.copy = [this](ProcessingOptions &options) {
        options.compassArrowColor = arrow;
    };
    row.profileKey = QStringLiteral("compassArrowColor");
    row.save = [this] {
        return QJsonValue(arrow.name());
    };
    row.load = [this](const QJsonValue &value) {
        arrow = arrowColorFromProfile(value);
        paintSwatch(compassArrowSwatch, arrow.name());
    };
    return row;
}

void CompassTab::selectArrowColor()
{
    const QColor chosen = dialogs.color(window(), tr("Seleccionar Color de Flecha"), arrow);
    if (!chosen.isValid())
        return;
    arrow = chosen;
    paintSwatch(compassArrowSwatch, arrow.name());
    emit previewOutdated();
}
