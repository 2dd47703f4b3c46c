#include "app/window/generaltab.h"

#include "app/window/crsgroup.h"
#include "app/window/dialogs.h"
#include "app/window/trackgroup.h"
#include "app/window/widgetparts.h"
#include "files/freename.h"
#include "geo/positionname.h"
#include "geo/utmposition.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

GeneralTab::GeneralTab(const Dialogs &dialogs,
                       std::function<QVector<QPair<double, double>>()> photoPlaces)
    : dialogs(dialogs)
{
    auto *layout = new QVBoxLayout(this);
    setMarginsAndSpacing(layout, 5, 5);
    layout->addWidget(buildModeGroup());
    layout->addWidget(buildCsvGroup());
    layout->addWidget(trackGroup = new TrackGroup(dialogs));
    layout->addWidget(crsGroup = new CrsGroup(std::move(photoPlaces)));
    layout->addWidget(buildRenameGroup());
    layout->addWidget(buildOutputGroup());
    layout->addStretch();
    connectControls();
    buildOptionRows();
}

QGroupBox *GeneralTab::buildModeGroup()
{
    auto *group = named(new QGroupBox(tr("Modo de Obtención de Coordenadas")), "modeGroup");
    // Three choices do not fit side by side in the options panel: one a line.
    auto *layout = new QVBoxLayout(group);
    setMarginsAndSpacing(layout, 5, 4);

    exifRadio = named(new QRadioButton(tr("Desde EXIF de las fotos")), "exifRadio");
    exifRadio->setChecked(true);
    csvRadio = named(new QRadioButton(tr("Desde archivo .csv")), "csvRadio");
    modeButtons = named(new QButtonGroup(this), "modeButtons");
    modeButtons->setExclusive(true);
    modeButtons->addButton(exifRadio);
    gpxRadio = named(new QRadioButton(tr("Desde track GPX")), "gpxRadio");
    modeButtons->addButton(csvRadio);
    modeButtons->addButton(gpxRadio);
    for (QRadioButton *radio : {exifRadio, csvRadio, gpxRadio})
        layout->addWidget(radio);
    return group;
}

QGroupBox *GeneralTab::buildCsvGroup()
{
    csvGroup = named(new QGroupBox(tr("Archivo CSV")), "csvGroup");
    auto *layout = new QVBoxLayout(csvGroup);
    setMarginsAndSpacing(layout, 5, 5);

    layout->addWidget(new QLabel(tr("Ruta del archivo:")));
    csvPathEdit = named(new QLineEdit, "csvPathEdit");
    csvButton = named(new QPushButton(tr("Seleccionar")), "csvButton");
    layout->addLayout(row({csvPathEdit, csvButton}));

    sampleButton = named(new QPushButton(tr("Crear archivo de ejemplo")), "sampleButton");
    altitudeButton = named(new QPushButton(tr("Rellenar altitud desde API")), "altitudeButton");
    layout->addLayout(row({sampleButton, altitudeButton}));

    overwriteAltitudeCheck = named(new QCheckBox(tr("Sobrescribir altitudes existentes")),
                                   "overwriteAltitudeCheck");
    sampleFromExifCheck = named(new QCheckBox(tr("Usar datos EXIF para crear el ejemplo")),
                                "sampleFromExifCheck");
    embedCsvCheck = named(new QCheckBox(tr("Incrustar datos del CSV en el EXIF")), "embedCsvCheck");
    for (QCheckBox *check : {overwriteAltitudeCheck, sampleFromExifCheck, embedCsvCheck}) {
        check->setChecked(true);
        layout->addWidget(check);
    }

    // EXIF mode is the default, and this group belongs to the other mode.
    csvGroup->setVisible(false);
    return csvGroup;
}

QGroupBox *GeneralTab::buildRenameGroup()
{
    auto *group = named(new QGroupBox(tr("Opciones de Renombrado")), "renameGroup");
    auto *layout = new QVBoxLayout(group);
    setMarginsAndSpacing(layout, 5, 5);

    renameCheck = named(new QCheckBox(tr("Renombrar fotos con coordenadas UTM")), "renameCheck");
    renameCheck->setChecked(true);
    layout->addWidget(renameCheck);

    prefixCheck = named(new QCheckBox(tr("Agregar prefijo al nombre")), "prefixCheck");
    prefixEdit = named(new QLineEdit(QStringLiteral("XXX_XXX_SA_")), "prefixEdit");
    layout->addLayout(row({prefixCheck, prefixEdit}));
    // Says, while the prefix is typed, why a run would refuse it.
    prefixProblemLabel = warningLabel("prefixProblemLabel");
    layout->addWidget(prefixProblemLabel);
    connect(prefixEdit, &QLineEdit::textChanged, prefixProblemLabel,
            [this](const QString &prefix) { prefixProblemLabel->setText(prefixProblem(prefix)); });

    // The item data are the profile's values.
    positionlessCombo = named(new QComboBox, "positionlessCombo");
    positionlessCombo->addItem(tr("Usar coordenadas fijas (%1)").arg(utmName(fallbackPosition)),
                               QStringLiteral("coordenadasFijas"));
    positionlessCombo->addItem(tr("Dejar la foto sin procesar"), QStringLiteral("sinProcesar"));
    layout->addWidget(new QLabel(tr("Fotos sin posición (modo EXIF):")));
    layout->addWidget(positionlessCombo);
    return group;
}

QGroupBox *GeneralTab::buildOutputGroup()
{
    auto *group = named(new QGroupBox(tr("Opciones de Salida")), "outputGroup");
    auto *layout = new QVBoxLayout(group);

    outputFolderCheck
            = named(new QCheckBox(tr("Guardar fotos modificadas en una carpeta separada")),
                    "outputFolderCheck");
    layout->addWidget(outputFolderCheck);

    outputFolderEdit = named(new QLineEdit, "outputFolderEdit");
    outputFolderButton = named(new QPushButton(tr("Seleccionar")), "outputFolderButton");
    outputFolderEdit->setEnabled(false);
    outputFolderButton->setEnabled(false);
    layout->addLayout(row({outputFolderEdit, outputFolderButton}));

    backupCheck = named(new QCheckBox(tr("Realizar copia de seguridad de las fotos originales")),
                        "backupCheck");
    backupCheck->setChecked(true);
    layout->addWidget(backupCheck);

    restampCheck
            = named(new QCheckBox(tr("Volver a estampar fotos ya estampadas")), "restampCheck");
    layout->addWidget(restampCheck);

    exportLocationsCheck = named(new QCheckBox(tr("Exportar ubicaciones (KMZ y GeoJSON)")),
                                 "exportLocationsCheck");
    layout->addWidget(exportLocationsCheck);

    // On two lines: in one it would widen the options panel.
    losslessCheck
            = named(new QCheckBox(tr(
                            "Conservar la compresión original\n(sin pérdida fuera de las marcas)")),
                    "losslessCheck");
    layout->addWidget(losslessCheck);

    auto *note = new QLabel(
            tr("Nota: La copia de seguridad se ignora si se usa una carpeta de salida."));
    note->setStyleSheet(QStringLiteral("font-style: italic; color: grey;"));
    // Wrapped: in one line it would widen the options panel.
    note->setWordWrap(true);
    keepHeightForWidth(note);
    layout->addWidget(note);
    return group;
}

void GeneralTab::connectControls()
{
    connect(csvButton, &QPushButton::clicked, this, [this] {
        const QString path
                = dialogs.openFileName(window(), tr("Seleccionar Archivo CSV"),
                                       QStringLiteral("CSV Files (*.csv *.txt);;All Files (*)"));
        if (!path.isEmpty())
            csvPathEdit->setText(path);
    });
    connect(sampleButton, &QPushButton::clicked, this, &GeneralTab::sampleFileRequested);
    connect(trackGroup, &TrackGroup::sampleFileRequested, this, &GeneralTab::sampleFileRequested);
    // Each change of mode toggles two radios; the one switched on speaks.
    for (QRadioButton *radio : {exifRadio, csvRadio, gpxRadio})
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (!on)
                return;
            csvGroup->setVisible(csvRadio->isChecked());
            trackGroup->setVisible(gpxRadio->isChecked());
            emit previewOutdated();
        });
    connect(altitudeButton, &QPushButton::clicked, this, &GeneralTab::altitudeFillRequested);
    connect(outputFolderButton, &QPushButton::clicked, this, [this] {
        const QString path
                = dialogs.existingDirectory(window(), tr("Seleccionar Carpeta de Salida"));
        if (!path.isEmpty())
            outputFolderEdit->setText(path);
    });
}

void GeneralTab::buildOptionRows()
{
    // A run in EXIF mode reads no coordinates file.
    OptionRow csvPath
            = textOption(csvPathEdit, &ProcessingOptions::csvPath, QString(), Preview::Refreshes);
    csvPath.copy = [this](ProcessingOptions &options) {
        options.csvPath = csvRadio->isChecked() ? csvPathEdit->text() : QString();
    };

    OptionRow usePrefix = checkOption(prefixCheck, &ProcessingOptions::usePrefix,
                                      QStringLiteral("usePrefix"), Preview::Unaffected);
    usePrefix.enableRules = {followsCheck(renameCheck, {prefixCheck})};
    // A profile can check the prefix box while renaming is off, and the field
    // must stay disabled then.
    OptionRow prefix = textOption(prefixEdit, &ProcessingOptions::prefix, QStringLiteral("prefix"),
                                  Preview::Unaffected);
    prefix.enableRules = {{{prefixEdit}, {renameCheck, prefixCheck}, [this] {
                               return renameCheck->isChecked() && prefixCheck->isChecked();
                           }}};

    OptionRow outputFolder = textOption(outputFolderEdit, &ProcessingOptions::outputFolder,
                                        QString(), Preview::Unaffected);
    outputFolder.enableRules
            = {followsCheck(outputFolderCheck, {outputFolderEdit, outputFolderButton})};

    // Originals in place are untouched when the results go to another folder.
    OptionRow backup = checkOption(backupCheck, &ProcessingOptions::makeBackup, QString(),
                                   Preview::Unaffected);
    backup.copy = [this](ProcessingOptions &options) {
        options.makeBackup = !outputFolderCheck->isChecked() && backupCheck->isChecked();
    };
    backup.enableRules = {{{backupCheck}, {outputFolderCheck}, [this] {
                               return !outputFolderCheck->isChecked();
                           }}};

    rows = {
            checkOption(exifRadio, &ProcessingOptions::useExif, QString(), Preview::Refreshes),
            trackModeRow(),
            csvPath,
            checkOption(embedCsvCheck, &ProcessingOptions::embedCsvInExif, QString(),
                        Preview::Unaffected),
            usePrefix,
            prefix,
            checkOption(renameCheck, &ProcessingOptions::renamePhotos,
                        QStringLiteral("renamePhotos"), Preview::Unaffected),
            positionlessRow(),
            checkOption(outputFolderCheck, &ProcessingOptions::useOutputFolder, QString(),
                        Preview::Unaffected),
            outputFolder,
            backup,
            checkOption(exportLocationsCheck, &ProcessingOptions::exportLocations,
                        QStringLiteral("exportLocations"), Preview::Unaffected),
            checkOption(restampCheck, &ProcessingOptions::restampStamped,
                        QStringLiteral("restampStamped"), Preview::Refreshes),
            checkOption(losslessCheck, &ProcessingOptions::losslessStamps,
                        QStringLiteral("losslessStamps"), Preview::Unaffected),
    };
    rows.insert(rows.end(), trackGroup->optionRows().begin(), trackGroup->optionRows().end());
    rows.insert(rows.end(), crsGroup->optionRows().begin(), crsGroup->optionRows().end());
}

// Profiles older than this choice hold no value and keep the combo as it is.
OptionRow GeneralTab::positionlessRow()
{
    OptionRow choice;
    choice.control = positionlessCombo;
    choice.refreshesPreview = true;
    choice.copy = [this](ProcessingOptions &options) {
        options.leavePhotosWithoutPosition
                = positionlessCombo->currentData() == QStringLiteral("sinProcesar");
    };
    choice.profileKey = QStringLiteral("photosWithoutPosition");
    choice.save = [this] {
        return QJsonValue(positionlessCombo->currentData().toString());
    };
    choice.load = [this](const QJsonValue &value) {
        const int index = positionlessCombo->findData(value.toString());
        if (index >= 0)
            positionlessCombo->setCurrentIndex(index);
    };
    choice.enableRules = {followsCheck(exifRadio, {positionlessCombo})};
    return choice;
}

// Profiles older than track mode hold no mode at all, and loading them keeps
// the mode as it is; a profile that leaves track mode returns to EXIF mode,
// the default, as the other two modes are not told apart in profiles.
OptionRow GeneralTab::trackModeRow()
{
    OptionRow mode = checkOption(gpxRadio, &ProcessingOptions::useGpxTrack,
                                 QStringLiteral("useGpxTrack"), Preview::Refreshes);
    mode.load = [this](const QJsonValue &value) {
        if (value.toBool())
            gpxRadio->setChecked(true);
        else if (value.isBool() && gpxRadio->isChecked())
            exifRadio->setChecked(true);
    };
    return mode;
}

QString GeneralTab::trackInputError() const
{
    return gpxRadio->isChecked() ? trackGroup->inputError() : QString();
}

QString GeneralTab::coordinatesFile() const
{
    return csvPathEdit->text();
}

void GeneralTab::setCoordinatesFile(const QString &path)
{
    csvPathEdit->setText(path);
}

bool GeneralTab::sampleFromExif() const
{
    return sampleFromExifCheck->isChecked();
}

bool GeneralTab::overwriteAltitudes() const
{
    return overwriteAltitudeCheck->isChecked();
}
