#include "app/profile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLineEdit>
#include <QSaveFile>
#include <QSignalBlocker>

ProfileKey checkKey(const QString &name, QCheckBox *check)
{
    return {name, [check] { return QJsonValue(check->isChecked()); },
            [check](const QJsonValue &value) {
                if (value.isBool())
                    check->setChecked(value.toBool());
            }};
}

ProfileKey ratioKey(const QString &name, QDoubleSpinBox *spin)
{
    return {name, [spin] { return QJsonValue(spin->value()); },
            [spin](const QJsonValue &value) {
                if (value.isDouble())
                    spin->setValue(value.toDouble());
            }};
}

ProfileKey textKey(const QString &name, QLineEdit *field)
{
    return {name, [field] { return QJsonValue(field->text()); },
            [field](const QJsonValue &value) {
                if (value.isString())
                    field->setText(value.toString());
            }};
}

ProfileKey itemTextKey(const QString &name, QComboBox *combo)
{
    return {name, [combo] { return QJsonValue(combo->currentText()); },
            [combo](const QJsonValue &value) {
                const int index = value.isString() ? combo->findText(value.toString()) : -1;
                if (index >= 0)
                    combo->setCurrentIndex(index);
            }};
}

// A number that is no whole int is mistyped; a whole one beyond the list
// leaves the combo without a current item, as Qt's combo does.
ProfileKey itemIndexKey(const QString &name, QComboBox *combo, int absentIndex)
{
    return {name, [combo] { return QJsonValue(combo->currentIndex()); },
            [combo, absentIndex](const QJsonValue &value) {
                combo->setCurrentIndex(value.toInt(absentIndex));
            }};
}

QColor arrowColorFromProfile(const QJsonValue &value)
{
    const QColor color(value.toString());
    return color.isValid() ? color : QColor(255, 0, 0);
}

std::optional<QString> textColorFromProfile(const QJsonValue &value)
{
    if (!value.isString() || !QColor(value.toString()).isValid())
        return std::nullopt;
    return value.toString();
}

QJsonObject profileObject(const ProfileKeys &keys)
{
    QJsonObject profile;
    for (const ProfileKey &key : keys)
        profile.insert(key.name, key.save());
    return profile;
}

void applyProfile(const ProfileKeys &keys, const QJsonObject &profile)
{
    for (const ProfileKey &key : keys)
        key.load(profile.value(key.name));
}

QString profileName(const QString &path)
{
    return QFileInfo(path).baseName();
}

void rememberProfile(QComboBox *list, const QString &path)
{
    const QString name = profileName(path);
    const int index = list->findText(name);
    if (index >= 0) {
        // The list re-announces its current text when that item's data
        // changes, which would load the profile again.
        const QSignalBlocker quiet(list);
        list->setItemData(index, path, Qt::UserRole);
    } else {
        list->addItem(name, path);
    }
}

QString profilePath(const QComboBox *list, const QString &name)
{
    const int index = list->findText(name);
    return index >= 0 ? list->itemData(index, Qt::UserRole).toString() : name;
}

// Unbuffered: commit() would replace the target even when flushing a buffer
// failed, and a short write only shows its cause on the next attempt.
bool writeProfile(const QString &path, const QJsonObject &profile, QString &reason)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reason = file.errorString();
        return false;
    }
    const QByteArray bytes = QJsonDocument(profile).toJson(QJsonDocument::Indented);
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            reason = file.errorString();
            return false; // not committed: the temporary file is discarded
        }
        done += written;
    }
    if (!file.commit()) {
        reason = file.errorString();
        return false;
    }
    return true;
}

std::optional<QJsonObject> readProfile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}
