#include "app/window/windowmemory.h"

#include "app/storedsettings.h"

#include <QJsonDocument>
#include <QSettings>

static const QString geometryKey = QStringLiteral("window/geometry");
static const QString splitterKey = QStringLiteral("window/splitter");
static const QString logSplitterKey = QStringLiteral("window/logSplitter");
static const QString recentFoldersKey = QStringLiteral("recentFolders");
static const QString optionsKey = QStringLiteral("window/options");

WindowLayout readWindowLayout()
{
    const auto store = openSettingsStore();
    return {store->value(geometryKey).toByteArray(), store->value(splitterKey).toByteArray(),
            store->value(logSplitterKey).toByteArray()};
}

void writeWindowLayout(const WindowLayout &layout)
{
    const auto store = openSettingsStore();
    store->setValue(geometryKey, layout.geometry);
    store->setValue(splitterKey, layout.splitter);
    store->setValue(logSplitterKey, layout.logSplitter);
}

QStringList readRecentFolders()
{
    return openSettingsStore()->value(recentFoldersKey).toStringList();
}

void writeRecentFolders(const QStringList &folders)
{
    openSettingsStore()->setValue(recentFoldersKey, folders);
}

QStringList withRecentFolder(QStringList folders, const QString &folder)
{
    folders.removeAll(folder);
    folders.prepend(folder);
    return folders.mid(0, recentFolderCount);
}

void rememberRecentFolder(const QString &folder)
{
    writeRecentFolders(withRecentFolder(readRecentFolders(), folder));
}

// Kept as one JSON text, the same object a profile file holds.
std::optional<QJsonObject> readRememberedOptions()
{
    const QJsonDocument stored
            = QJsonDocument::fromJson(openSettingsStore()->value(optionsKey).toString().toUtf8());
    if (!stored.isObject())
        return std::nullopt;
    return stored.object();
}

void writeRememberedOptions(const std::optional<QJsonObject> &options)
{
    const auto store = openSettingsStore();
    if (options)
        store->setValue(optionsKey,
                        QString::fromUtf8(QJsonDocument(*options).toJson(QJsonDocument::Compact)));
    else
        store->remove(optionsKey);
}
