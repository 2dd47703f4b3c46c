#ifndef LOGOTAB_H
#define LOGOTAB_H

#include "app/optiontable.h"

#include <QWidget>

class InputsPanel;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;

// Tab "Logo": whether the logo chosen among the inputs is drawn, where and
// how large.
class LogoTab : public QWidget
{
    Q_OBJECT

public:
    explicit LogoTab(const InputsPanel &inputs);

    const OptionTable &optionRows() const { return rows; }
    bool embedsLogo() const;
    // What the preview says while the logo is to be drawn and none is
    // chosen, or the chosen one is no file; else empty.
    QString missingLogoNote() const;
    // Shows this tab with the logo field focused, after a run refused for
    // want of a logo.
    void askForLogo();

    // Red text under the corner chooser; empty hides it.
    void showCornerWarning(const QString &text);

private:
    // The logo a run draws; empty when none is.
    QString drawnLogo() const;

    const InputsPanel &inputs;
    QCheckBox *logoCheck = nullptr;
    QComboBox *logoPositionCombo = nullptr;
    QDoubleSpinBox *logoRatioSpin = nullptr;
    QLabel *cornerWarning = nullptr; // the rose in the logo's corner

    OptionTable rows;
};

#endif // LOGOTAB_H
