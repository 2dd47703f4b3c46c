#include "app/window/texttab.h"

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
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TextTab::TextTab(const Dialogs &dialogs)
    : dialogs(dialogs)
{
    auto *layout = new QVBoxLayout(this);
    setMarginsAndSpacing(layout, 5, 5);

    drawDataCheck = named(new QCheckBox(tr("Dibujar datos (coordenadas, fecha) en las fotos")),
                          "drawDataCheck");
    drawDataCheck->setChecked(true);
    layout->addWidget(drawDataCheck);

    auto *group = named(new QGroupBox(tr("Configuración del Texto")), "textGroup");
    auto *form = new QFormLayout(group);
    setMarginsAndSpacing(form, 5, 5);
    form->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);

    const QString bottomRight = QStringLiteral("abajo-derecha");
    dtPositionCombo = cornerCombo("dtPositionCombo", bottomRight);
    coordsPositionCombo = cornerCombo("coordsPositionCombo", bottomRight);
    orientationPositionCombo = cornerCombo("orientationPositionCombo", bottomRight);
    altitudePositionCombo = cornerCombo("altitudePositionCombo", bottomRight);
    form->addRow(tr("Posición Fecha/Hora:"), dtPositionCombo);
    form->addRow(tr("Posición Coordenadas:"), coordsPositionCombo);
    form->addRow(tr("Posición Orientación:"), orientationPositionCombo);
    form->addRow(tr("Posición Altitud:"), altitudePositionCombo);
    cornerWarning = warningLabel("textCornerWarning");
    form->addRow(cornerWarning);

    fontSizeSpin = ratioSpin("fontSizeSpin", 4, 0.001, 0.2, 0.001, 0.03);
    // Every committed value re-renders the preview, so not on each keystroke.
    fontSizeSpin->setKeyboardTracking(false);
    form->addRow(tr("Tamaño de Fuente (ratio):"), fontSizeSpin);

    fontColorSwatch = colorSwatch("fontColorSwatch", color);
    fontColorButton = named(new QPushButton(tr("Seleccionar Color")), "fontColorButton");
    form->addRow(tr("Color de Fuente:"), row({fontColorSwatch, fontColorButton}));

    drawOrientationCheck
            = named(new QCheckBox(tr("Dibujar orientación (ej: 090° E)")), "drawOrientationCheck");
    drawAltitudeCheck
            = named(new QCheckBox(tr("Dibujar altitud (ej: Alt: 123 m)")), "drawAltitudeCheck");
    drawTimeCheck = named(new QCheckBox(tr("Incluir hora (además de la fecha)")), "drawTimeCheck");
    bgTextCheck = named(new QCheckBox(tr("Agregar fondo al texto")), "bgTextCheck");
    drawGeoCheck = named(new QCheckBox(tr("Dibujar coordenadas geográficas (Lat/Lon DMS)")),
                         "drawGeoCheck");
    for (QCheckBox *check : {drawOrientationCheck, drawAltitudeCheck, drawTimeCheck, bgTextCheck})
        check->setChecked(true);
    for (QCheckBox *check :
         {drawOrientationCheck, drawAltitudeCheck, drawTimeCheck, bgTextCheck, drawGeoCheck})
        form->addRow(check);
    drawDescriptionCheck = named(new QCheckBox(tr("Dibujar descripción")), "drawDescriptionCheck");
    drawDescriptionCheck->setToolTip(
            tr("La descripción de cada foto (Herramientas → Descripciones de las fotos, o la "
               "columna descripcion del archivo de coordenadas), bajo la fecha."));
    form->addRow(drawDescriptionCheck);
    extraTextEdit = named(new QLineEdit, "extraTextEdit");
    extraTextEdit->setPlaceholderText(tr("ej: Proyecto Norte · Punto P-12"));
    form->addRow(tr("Texto adicional:"), extraTextEdit);

    layout->addWidget(group);

    connect(fontColorButton, &QPushButton::clicked, this, &TextTab::selectColor);

    const auto drawn = [](QCheckBox *check, bool ProcessingOptions::*field, const char *key) {
        return checkOption(check, field, QLatin1String(key), Preview::Refreshes);
    };
    OptionRow background = drawn(bgTextCheck, &ProcessingOptions::bgText, "bgText");
    background.enableRules = {followsCheck(drawDataCheck, {bgTextCheck})};
    OptionRow description
            = drawn(drawDescriptionCheck, &ProcessingOptions::drawDescription, "drawDescription");
    description.enableRules = {followsCheck(drawDataCheck, {drawDescriptionCheck, extraTextEdit})};
    rows = {
            ratioOption(fontSizeSpin, &ProcessingOptions::fontSizeRatio,
                        QStringLiteral("fontSizeRatio")),
            itemTextOption(dtPositionCombo, &ProcessingOptions::dtPosition,
                           QStringLiteral("dtPosition")),
            itemTextOption(coordsPositionCombo, &ProcessingOptions::coordsPosition,
                           QStringLiteral("coordsPosition")),
            itemTextOption(orientationPositionCombo, &ProcessingOptions::orientationPosition,
                           QStringLiteral("orientationPosition")),
            drawn(drawDataCheck, &ProcessingOptions::drawData, "drawData"),
            drawn(drawOrientationCheck, &ProcessingOptions::drawOrientation, "drawOrientation"),
            drawn(drawTimeCheck, &ProcessingOptions::drawTime, "drawTime"),
            background,
            drawn(drawGeoCheck, &ProcessingOptions::drawGeo, "drawGeo"),
            colorRow(),
            drawn(drawAltitudeCheck, &ProcessingOptions::drawAltitude, "drawAltitude"),
            itemTextOption(altitudePositionCombo, &ProcessingOptions::altitudePosition,
                           QStringLiteral("altitudePosition")),
            description,
            textOption(extraTextEdit, &ProcessingOptions::extraText, QStringLiteral("extraText"),
                       Preview::Refreshes),
    };
}

void TextTab::showCornerWarning(const QString &text)
{
    cornerWarning->setText(text);
    cornerWarning->setVisible(!text.isEmpty());
}

// Kept as written, since a profile stores the text as it was chosen.
OptionRow TextTab::colorRow()
{
    OptionRow row;
    row.control = fontColorSwatch;
    row.copy = [this](ProcessingOptions &options) {
        options.fontColor = QColor(color);
    };
    row.profileKey = QStringLiteral("fontColor");
    row.save = [this] {
        return QJsonValue(color);
    };
    row.load = [this](const QJsonValue &value) {
        if (const auto stored = textColorFromProfile(value)) {
            color = *stored;
            paintSwatch(fontColorSwatch, color);
        }
    };
    return row;
}

void TextTab::selectColor()
{
    const QColor chosen = dialogs.color(window(), tr("Seleccionar Color Fuente"), QColor(color));
    if (!chosen.isValid())
        return;
    color = chosen.name();
    paintSwatch(fontColorSwatch, color);
    emit previewOutdated();
}
