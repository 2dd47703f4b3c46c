#ifndef TRACKGROUP_H
#define TRACKGROUP_H

#include "app/optiontable.h"

#include <QGroupBox>
#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
struct Dialogs;

// "Track GPX", shown only in track mode: the GPS track and how the camera's
// clock relates to true time.
class TrackGroup : public QGroupBox
{
    Q_OBJECT

public:
    explicit TrackGroup(const Dialogs &dialogs);

    const OptionTable &optionRows() const { return rows; }

    // Why the fields keep a run from starting; empty when they do not.
    QString inputError() const;

signals:
    void sampleFileRequested();

private:
    void buildOptionRows();

    const Dialogs &dialogs;
    QLineEdit *gpxPathEdit = nullptr;
    QPushButton *gpxButton = nullptr;
    QComboBox *cameraZoneCombo = nullptr;
    QLineEdit *clockCorrectionEdit = nullptr;
    QSpinBox *maxSeparationSpin = nullptr;
    QPushButton *trackSampleButton = nullptr;
    OptionTable rows;
};

#endif // TRACKGROUP_H
