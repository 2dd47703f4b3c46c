#ifndef GENERALTAB_H
#define GENERALTAB_H

#include "app/optiontable.h"

#include <QPair>
#include <QString>
#include <QVector>
#include <QWidget>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class CrsGroup;
class TrackGroup;
struct Dialogs;

// Tab "General": where positions come from (with the coordinates file and its
// tools), renaming, and where results go.
class GeneralTab : public QWidget
{
    Q_OBJECT

public:
    // `photoPlaces`: latitude and longitude of some of the folder's photos.
    GeneralTab(const Dialogs &dialogs, std::function<QVector<QPair<double, double>>()> photoPlaces);

    const OptionTable &optionRows() const { return rows; }

    // The coordinates-file field as typed, whatever the mode.
    QString coordinatesFile() const;
    void setCoordinatesFile(const QString &path);
    bool sampleFromExif() const;
    // Why the track fields keep a run from starting, in track mode; else empty.
    QString trackInputError() const;
    bool overwriteAltitudes() const;
    QPushButton *altitudeFillButton() const { return altitudeButton; }

signals:
    void sampleFileRequested();
    void altitudeFillRequested();
    // The mode changed, which changes the stamping.
    void previewOutdated();

private:
    QGroupBox *buildModeGroup();
    QGroupBox *buildCsvGroup();
    QGroupBox *buildRenameGroup();
    QGroupBox *buildOutputGroup();
    void connectControls();
    void buildOptionRows();
    OptionRow trackModeRow();
    OptionRow positionlessRow();

    const Dialogs &dialogs;

    // Coordinates mode
    QButtonGroup *modeButtons = nullptr;
    QRadioButton *exifRadio = nullptr;
    QRadioButton *csvRadio = nullptr;
    QRadioButton *gpxRadio = nullptr;

    // "Archivo CSV", shown only in coordinates-file mode
    QGroupBox *csvGroup = nullptr;
    QLineEdit *csvPathEdit = nullptr;
    QPushButton *csvButton = nullptr;
    QPushButton *sampleButton = nullptr;
    QPushButton *altitudeButton = nullptr;
    QCheckBox *overwriteAltitudeCheck = nullptr;
    QCheckBox *sampleFromExifCheck = nullptr;
    QCheckBox *embedCsvCheck = nullptr;

    TrackGroup *trackGroup = nullptr; // shown only in track mode
    CrsGroup *crsGroup = nullptr;

    // Renaming
    QCheckBox *renameCheck = nullptr;
    QCheckBox *prefixCheck = nullptr;
    QLineEdit *prefixEdit = nullptr;
    QLabel *prefixProblemLabel = nullptr;
    QComboBox *positionlessCombo = nullptr; // EXIF mode: photos without GPS

    // Output
    QCheckBox *outputFolderCheck = nullptr;
    QLineEdit *outputFolderEdit = nullptr;
    QPushButton *outputFolderButton = nullptr;
    QCheckBox *backupCheck = nullptr;
    QCheckBox *exportLocationsCheck = nullptr;
    QCheckBox *restampCheck = nullptr;
    QCheckBox *losslessCheck = nullptr;

    OptionTable rows;
};

#endif // GENERALTAB_H
