#ifndef TEXTTAB_H
#define TEXTTAB_H

#include "app/optiontable.h"

#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct Dialogs;

// Tab "Texto": which texts are stamped, where, how large and in which colour.
class TextTab : public QWidget
{
    Q_OBJECT

public:
    explicit TextTab(const Dialogs &dialogs);

    const OptionTable &optionRows() const { return rows; }
    QString fontColor() const { return color; }

    // Red text under the corner choosers; empty hides it.
    void showCornerWarning(const QString &text);

signals:
    // A colour was chosen.
    void previewOutdated();

private:
    void selectColor();
    OptionRow colorRow();

    const Dialogs &dialogs;
    QString color = QStringLiteral("#FFFFFF"); // colour name, '#' and six hex digits

    QCheckBox *drawDataCheck = nullptr;
    QComboBox *dtPositionCombo = nullptr;
    QComboBox *coordsPositionCombo = nullptr;
    QComboBox *orientationPositionCombo = nullptr;
    QComboBox *altitudePositionCombo = nullptr;
    QDoubleSpinBox *fontSizeSpin = nullptr;
    QLabel *fontColorSwatch = nullptr;
    QLabel *cornerWarning = nullptr; // another stamp in the rose's corner
    QPushButton *fontColorButton = nullptr;
    QCheckBox *drawOrientationCheck = nullptr;
    QCheckBox *drawAltitudeCheck = nullptr;
    QCheckBox *drawTimeCheck = nullptr;
    QCheckBox *bgTextCheck = nullptr;
    QCheckBox *drawGeoCheck = nullptr;
    QCheckBox *drawDescriptionCheck = nullptr;
    QLineEdit *extraTextEdit = nullptr;

    OptionTable rows;
};

#endif // TEXTTAB_H
