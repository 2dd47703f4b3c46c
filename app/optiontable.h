#ifndef OPTIONTABLE_H
#define OPTIONTABLE_H

#include "stamping/processingoptions.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QAbstractButton;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;
class QObject;
class QWidget;

// Widgets enabled exactly while `enabled` holds; it is evaluated again
// whenever one of `inputs` toggles.
struct EnableRule
{
    std::vector<QWidget *> targets;
    std::vector<QAbstractButton *> inputs;
    std::function<bool()> enabled;
};

// `targets` enabled exactly while `check` is checked.
EnableRule followsCheck(QAbstractButton *check, std::vector<QWidget *> targets);

// One option of the window, described once: the snapshot, profiles and the
// preview wiring all read it from here.
struct OptionRow
{
    QWidget *control = nullptr; // may be null: an option held by the window only
    bool refreshesPreview = false; // through the control's change signal
    // Copies the option into its field of ProcessingOptions; empty when the
    // control only shapes other rows' fields.
    std::function<void(ProcessingOptions &options)> copy;
    QString profileKey; // empty: profiles do not hold the option
    std::function<QJsonValue()> save;
    // Gets an undefined value when the key is absent from the profile.
    std::function<void(const QJsonValue &value)> load;
    // Whether a profile's value can be used; a refused one is not loaded and
    // the control keeps its value. Empty: `load` takes any value.
    std::function<bool(const QJsonValue &value)> accepts;
    std::vector<EnableRule> enableRules;
};

using OptionTable = std::vector<OptionRow>;

enum class Preview { Refreshes, Unaffected };

// Rows bound to one control. Loading goes through the control's own setter,
// so its change signals fire and spin boxes clamp and round; a value of the
// wrong JSON type leaves the control as it is. An empty key keeps the option
// out of profiles; a null field leaves `copy` to the caller.
OptionRow checkOption(QAbstractButton *check, bool ProcessingOptions::*field, const QString &key,
                      Preview preview);
OptionRow ratioOption(QDoubleSpinBox *spin, double ProcessingOptions::*field, const QString &key);
OptionRow countOption(QSpinBox *spin, int ProcessingOptions::*field, const QString &key);
OptionRow textOption(QLineEdit *edit, QString ProcessingOptions::*field, const QString &key,
                     Preview preview);
// Stores the item text and selects the item whose text equals a stored text;
// other texts change nothing.
OptionRow itemTextOption(QComboBox *combo, QString ProcessingOptions::*field, const QString &key,
                         Preview preview = Preview::Refreshes);
// Stores the current index. A stored number that is no item's index leaves the
// combo without a current item; a value that is not a number selects
// absentIndex.
OptionRow indexOption(QComboBox *combo, int ProcessingOptions::*field, const QString &key,
                      int absentIndex);

// The table's values as a run's options; fields no row fills keep their defaults.
ProcessingOptions optionsFrom(const OptionTable &table);

QJsonObject profileObject(const OptionTable &table);
// Applies the profile's keys in table order; returns the keys whose values
// were refused.
QStringList applyProfile(const OptionTable &table, const QJsonObject &profile);

// Calls `refresh` on every change of a control that refreshes the preview,
// through the change signal of its kind.
void connectPreviewRefresh(const OptionTable &table, QObject *receiver,
                           const std::function<void()> &refresh);

// Connects every enable rule to its inputs and applies it once.
void connectEnableRules(const OptionTable &table);

#endif // OPTIONTABLE_H
