#include "app/profile.h"

#include "files/atomicfile.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSignalBlocker>

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

bool writeProfile(const QString &path, const QJsonObject &profile, QString &reason)
{
    return replaceFileAtomically(path, QJsonDocument(profile).toJson(QJsonDocument::Indented),
                                 reason);
}

std::optional<QJsonObject> readProfile(const QString &path)
{
    QFile file(path);
    // A FIFO or a device would block the window while it is read.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}
