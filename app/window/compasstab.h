#ifndef COMPASSTAB_H
#define COMPASSTAB_H

#include "app/optiontable.h"

#include <QColor>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
struct Dialogs;

// Tab "Rosa de Vientos": whether the compass rose is drawn, where, how large,
// in which style and arrow colour, and whether it turns with the photo.
class CompassTab : public QWidget
{
    Q_OBJECT

public:
    explicit CompassTab(const Dialogs &dialogs);

    const OptionTable &optionRows() const { return rows; }
    QColor arrowColor() const { return arrow; }

    // Red text under the corner choosers; empty hides it.
    void showCornerWarning(const QString &text);

signals:
    // An arrow colour was chosen.
    void previewOutdated();

private:
    void selectArrowColor();
    OptionRow arrowColorRow();

    const Dialogs &dialogs;
    QColor arrow = QColor(255, 0, 0);

    QCheckBox *compassCheck = nullptr;
    QComboBox *compassPositionCombo = nullptr;
    QDoubleSpinBox *compassRatioSpin = nullptr;
    QComboBox *compassStyleCombo = nullptr;
    QLabel *compassArrowSwatch = nullptr;
    QLabel *cornerWarning = nullptr; // another stamp in the rose's corner
    QPushButton *compassArrowButton = nullptr;
    QCheckBox *rotateCompassCheck = nullptr;

    OptionTable rows;
};

#endif // COMPASSTAB_H
