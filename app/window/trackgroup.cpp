#include "app/window/trackgroup.h"

#include "app/window/dialogs.h"
#include "app/window/widgetparts.h"
#include "coords/clockcorrection.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeZone>
#include <QVBoxLayout>

// Every IANA zone, this computer's own selected; an own zone Qt does not
// list is added so the default is always there.
static QComboBox *zoneCombo()
{
    auto *combo = named(new QComboBox, "cameraZoneCombo");
    // Zone names run to 30 characters, wider than the options panel.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(12);
    for (const QByteArray &id : QTimeZone::availableTimeZoneIds())
        combo->addItem(QString::fromUtf8(id));
    QString own = QString::fromUtf8(QTimeZone::systemTimeZoneId());
    if (own.isEmpty())
        own = QStringLiteral("UTC");
    if (combo->findText(own) < 0)
        combo->addItem(own);
    combo->setCurrentText(own);
    return combo;
}

TrackGroup::TrackGroup(const Dialogs &dialogs)
    : QGroupBox(tr("Track GPX"))
    , dialogs(dialogs)
{
    setObjectName(QStringLiteral("trackGroup"));
    auto *layout = new QVBoxLayout(this);
    setMarginsAndSpacing(layout, 5, 5);

    layout->addWidget(new QLabel(tr("Track GPX:")));
    gpxPathEdit = named(new QLineEdit, "gpxPathEdit");
    gpxPathEdit->setPlaceholderText(tr("Archivo .gpx o carpeta con archivos .gpx"));
    gpxButton = named(new QPushButton(tr("Seleccionar")), "gpxButton");
    layout->addLayout(row({gpxPathEdit, gpxButton}));

    auto *form = new QFormLayout;
    cameraZoneCombo = zoneCombo();
    form->addRow(tr("Zona horaria de la cámara:"), cameraZoneCombo);
    clockCorrectionEdit = named(new QLineEdit(QStringLiteral("+00:00:00")), "clockCorrectionEdit");
    clockCorrectionEdit->setToolTip(
            tr("Cuánto adelantaba el reloj de la cámara (±HH:MM:SS); la hora real de cada foto "
               "es la de la cámara menos esta corrección."));
    form->addRow(tr("Corrección del reloj de la cámara:"), clockCorrectionEdit);
    maxSeparationSpin = named(new QSpinBox, "maxSeparationSpin");
    maxSeparationSpin->setRange(1, 86400);
    maxSeparationSpin->setValue(300);
    form->addRow(tr("Separación máxima entre puntos (s):"), maxSeparationSpin);
    layout->addLayout(form);

    trackSampleButton = named(new QPushButton(tr("Crear archivo de ejemplo")), "trackSampleButton");
    layout->addLayout(row({trackSampleButton}));

    connect(gpxButton, &QPushButton::clicked, this, [this] {
        const QString path
                = this->dialogs.openFileName(window(), tr("Seleccionar Track GPX"),
                                             QStringLiteral("GPX Files (*.gpx);;All Files (*)"));
        if (!path.isEmpty())
            gpxPathEdit->setText(path);
    });
    connect(trackSampleButton, &QPushButton::clicked, this, &TrackGroup::sampleFileRequested);
    buildOptionRows();
    // EXIF mode is the default, and this group belongs to another mode.
    setVisible(false);
}

void TrackGroup::buildOptionRows()
{
    // An invalid text is refused before a run (inputError); until then it
    // counts as no correction, so the preview still shows something.
    OptionRow correction = textOption(clockCorrectionEdit, nullptr,
                                      QStringLiteral("clockCorrection"), Preview::Refreshes);
    correction.copy = [this](ProcessingOptions &options) {
        if (!parseClockCorrection(clockCorrectionEdit->text(), options.clockCorrectionSeconds))
            options.clockCorrectionSeconds = 0;
    };
    // A profile's track values are refused as the command line refuses
    // them: read as the defaults, they would shift every photo by hours.
    correction.accepts = [](const QJsonValue &value) {
        int seconds = 0;
        return value.isString() && parseClockCorrection(value.toString(), seconds);
    };
    OptionRow zone = itemTextOption(cameraZoneCombo, &ProcessingOptions::cameraTimeZone,
                                    QStringLiteral("cameraTimeZone"));
    zone.accepts = [this](const QJsonValue &value) {
        return value.isString() && cameraZoneCombo->findText(value.toString()) >= 0;
    };
    rows = {
            textOption(gpxPathEdit, &ProcessingOptions::gpxPath, QStringLiteral("gpxPath"),
                       Preview::Refreshes),
            zone,
            correction,
            countOption(maxSeparationSpin, &ProcessingOptions::maxPointSeparationSeconds,
                        QStringLiteral("maxPointSeparation")),
    };
}

QString TrackGroup::inputError() const
{
    int seconds = 0;
    if (parseClockCorrection(clockCorrectionEdit->text(), seconds))
        return QString();
    return tr("Corrección del reloj de la cámara no válida: «%1». Escríbala como ±HH:MM:SS, por "
              "ejemplo +00:01:30.")
            .arg(clockCorrectionEdit->text());
}
