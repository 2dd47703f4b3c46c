#ifndef WINDOWMEMORY_H
#define WINDOWMEMORY_H

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>

#include <optional>

// What the window keeps in the settings store besides the settings dialog's
// values: its size, place and splitters (always), the photo folders chosen
// last, and its options when the user asked for that.

struct WindowLayout
{
    QByteArray geometry; // QWidget::saveGeometry
    QByteArray splitter; // options and log beside the preview
    QByteArray logSplitter; // options above the log
};

WindowLayout readWindowLayout();
void writeWindowLayout(const WindowLayout &layout);

constexpr int recentFolderCount = 8;

// Newest first, as stored; the menu drops those that no longer exist.
QStringList readRecentFolders();
void writeRecentFolders(const QStringList &folders);
// `folder` first, once, and at most recentFolderCount folders in all.
QStringList withRecentFolder(QStringList folders, const QString &folder);
// Puts `folder` first in the stored list.
void rememberRecentFolder(const QString &folder);

// The options the window kept on closing; nothing when none are kept.
std::optional<QJsonObject> readRememberedOptions();
// Keeps `options`, or forgets the kept ones when given nothing.
void writeRememberedOptions(const std::optional<QJsonObject> &options);

#endif // WINDOWMEMORY_H
