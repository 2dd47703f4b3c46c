#include "app/optiontable.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <utility>

EnableRule followsCheck(QAbstractButton *check, std::vector<QWidget *> targets)
{
    return {std::move(targets), {check}, [check] {
                return check->isChecked();
            }};
}

// A row whose field and profile value are the value `read` takes from the control.
template<class Value>
static OptionRow valueRow(QWidget *control, Preview preview, Value ProcessingOptions::*field,
                          const QString &key, const std::function<Value()> &read,
                          std::function<void(const QJsonValue &value)> load)
{
    OptionRow row;
    row.control = control;
    row.refreshesPreview = preview == Preview::Refreshes;
    if (field)
        row.copy = [field, read](ProcessingOptions &options) {
            options.*field = read();
        };
    row.profileKey = key;
    row.save = [read] {
        return QJsonValue(read());
    };
    row.load = std::move(load);
    return row;
}

OptionRow checkOption(QAbstractButton *check, bool ProcessingOptions::*field, const QString &key,
                      Preview preview)
{
    return valueRow<bool>(
            check, preview, field, key, [check] { return check->isChecked(); },
            [check](const QJsonValue &value) {
                if (value.isBool())
                    check->setChecked(value.toBool());
            });
}

OptionRow ratioOption(QDoubleSpinBox *spin, double ProcessingOptions::*field, const QString &key)
{
    return valueRow<double>(
            spin, Preview::Refreshes, field, key, [spin] { return spin->value(); },
            [spin](const QJsonValue &value) {
                if (value.isDouble())
                    spin->setValue(value.toDouble());
            });
}

// A number that is no whole int is mistyped and leaves the spin box as it is.
OptionRow countOption(QSpinBox *spin, int ProcessingOptions::*field, const QString &key)
{
    return valueRow<int>(
            spin, Preview::Refreshes, field, key, [spin] { return spin->value(); },
            [spin](const QJsonValue &value) { spin->setValue(value.toInt(spin->value())); });
}

OptionRow textOption(QLineEdit *edit, QString ProcessingOptions::*field, const QString &key,
                     Preview preview)
{
    return valueRow<QString>(
            edit, preview, field, key, [edit] { return edit->text(); },
            [edit](const QJsonValue &value) {
                if (value.isString())
                    edit->setText(value.toString());
            });
}

OptionRow itemTextOption(QComboBox *combo, QString ProcessingOptions::*field, const QString &key,
                         Preview preview)
{
    return valueRow<QString>(
            combo, preview, field, key, [combo] { return combo->currentText(); },
            [combo](const QJsonValue &value) {
                const int index = value.isString() ? combo->findText(value.toString()) : -1;
                if (index >= 0)
                    combo->setCurrentIndex(index);
            });
}

// A number that is no whole int is mistyped; a whole one beyond the list
// leaves the combo without a current item, as Qt's combo does.
OptionRow indexOption(QComboBox *combo, int ProcessingOptions::*field, const QString &key,
                      int absentIndex)
{
    return valueRow<int>(
            combo, Preview::Refreshes, field, key, [combo] { return combo->currentIndex(); },
            [combo, absentIndex](const QJsonValue &value) {
                combo->setCurrentIndex(value.toInt(absentIndex));
            });
}

ProcessingOptions optionsFrom(const OptionTable &table)
{
    ProcessingOptions options;
    for (const OptionRow &row : table)
        if (row.copy)
            row.copy(options);
    return options;
}

QJsonObject profileObject(const OptionTable &table)
{
    QJsonObject profile;
    for (const OptionRow &row : table)
        if (!row.profileKey.isEmpty())
            profile.insert(row.profileKey, row.save());
    return profile;
}

QStringList applyProfile(const OptionTable &table, const QJsonObject &profile)
{
    QStringList refused;
    for (const OptionRow &row : table) {
        if (row.profileKey.isEmpty())
            continue;
        const QJsonValue value = profile.value(row.profileKey);
        if (!value.isUndefined() && row.accepts && !row.accepts(value))
            refused << row.profileKey;
        else
            row.load(value);
    }
    return refused;
}

// Kinds are tested in this order and the first that matches wins; controls of
// other kinds are left alone.
static void connectRefresh(QWidget *control, QObject *receiver,
                           const std::function<void()> &refresh)
{
    if (auto *spin = qobject_cast<QDoubleSpinBox *>(control))
        QObject::connect(spin, &QDoubleSpinBox::valueChanged, receiver, refresh);
    else if (auto *count = qobject_cast<QSpinBox *>(control))
        QObject::connect(count, &QSpinBox::valueChanged, receiver, refresh);
    else if (auto *combo = qobject_cast<QComboBox *>(control))
        QObject::connect(combo, &QComboBox::currentTextChanged, receiver, refresh);
    else if (qobject_cast<QCheckBox *>(control) || qobject_cast<QRadioButton *>(control))
        QObject::connect(static_cast<QAbstractButton *>(control), &QAbstractButton::toggled,
                         receiver, refresh);
    else if (auto *edit = qobject_cast<QLineEdit *>(control))
        QObject::connect(edit, &QLineEdit::textChanged, receiver, refresh);
    else if (auto *button = qobject_cast<QPushButton *>(control))
        QObject::connect(button, &QPushButton::clicked, receiver, refresh);
}

void connectPreviewRefresh(const OptionTable &table, QObject *receiver,
                           const std::function<void()> &refresh)
{
    for (const OptionRow &row : table)
        if (row.refreshesPreview)
            connectRefresh(row.control, receiver, refresh);
}

static void applyRule(const EnableRule &rule)
{
    const bool enabled = rule.enabled();
    for (QWidget *target : rule.targets)
        target->setEnabled(enabled);
}

void connectEnableRules(const OptionTable &table)
{
    for (const OptionRow &row : table)
        for (const EnableRule &rule : row.enableRules) {
            for (QAbstractButton *input : rule.inputs)
                QObject::connect(input, &QAbstractButton::toggled, input,
                                 [rule] { applyRule(rule); });
            applyRule(rule);
        }
}
