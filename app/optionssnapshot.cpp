#include "app/optionssnapshot.h"

#include "app/photorenamergui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRadioButton>

ProcessingOptions snapshotOptions(const PhotoRenamerGUI &window)
{
    ProcessingOptions options;
    options.logoPath = window.logoCheck->isChecked() ? window.logoPath : QString();
    options.fontPath = window.fontPath;
    options.fontSizeRatio = window.fontSizeSpin->value();
    options.useExif = window.exifRadio->isChecked();
    options.csvPath = options.useExif ? QString() : window.csvPathEdit->text();
    options.fontColor = QColor(window.fontColor);
    options.logoRatio = options.logoPath.isEmpty() ? 0.0 : window.logoRatioSpin->value();
    options.logoPosition = window.logoPositionCombo->currentText();
    options.dtPosition = window.dtPositionCombo->currentText();
    options.coordsPosition = window.coordsPositionCombo->currentText();
    options.orientationPosition = window.orientationPositionCombo->currentText();
    options.compassRatio = window.compassRatioSpin->value();
    options.renamePhotos = window.renameCheck->isChecked();
    options.usePrefix = window.prefixCheck->isChecked();
    options.prefix = window.prefixEdit->text();
    options.includeSubdirectories = window.subdirsCheck->isChecked();
    options.addCompass = window.compassCheck->isChecked();
    options.drawOrientation = window.drawOrientationCheck->isChecked();
    options.drawTime = window.drawTimeCheck->isChecked();
    options.drawData = window.drawDataCheck->isChecked();
    options.drawGeo = window.drawGeoCheck->isChecked();
    options.bgText = window.bgTextCheck->isChecked();
    options.embedCsvInExif = window.embedCsvCheck->isChecked();
    options.compassPosition = window.compassPositionCombo->currentText();
    options.useOutputFolder = window.outputFolderCheck->isChecked();
    // Originals in place are untouched when the results go to another folder.
    options.makeBackup = !options.useOutputFolder && window.backupCheck->isChecked();
    options.rotateCompass = window.rotateCompassCheck->isChecked();
    options.compassStyle = window.compassStyleCombo->currentIndex();
    options.compassArrowColor = window.compassArrowColor;
    options.jpegQuality = window.jpegQuality;
    options.outputFolder = window.outputFolderEdit->text();
    options.drawAltitude = window.drawAltitudeCheck->isChecked();
    options.altitudePosition = window.altitudePositionCombo->currentText();
    return options;
}

ProcessingOptions previewOptions(ProcessingOptions runOptions, const QString &coordinatesFileField)
{
    runOptions.csvPath = coordinatesFileField;
    runOptions.renamePhotos = false;
    runOptions.usePrefix = false;
    runOptions.prefix.clear();
    runOptions.includeSubdirectories = false;
    runOptions.embedCsvInExif = false;
    runOptions.makeBackup = false;
    runOptions.useOutputFolder = false;
    runOptions.outputFolder.clear();
    runOptions.exportLocations = false;
    return runOptions;
}
