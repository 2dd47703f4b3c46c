#ifndef NATIVEPATH_H
#define NATIVEPATH_H

#include <QString>

#include <string>

// The only way a path reaches Exiv2: the absolute path as the bytes the
// platform's file API expects. Empty when no absolute path can be formed.
std::string qPathToNativeStdString(const QString &path);
// The same bytes as text, for log lines that say what Exiv2 was given.
QString nativePathText(const QString &path);

// The Windows form of an absolute path as Qt spells it ("C:/x/y.jpg",
// "//server/share/a.jpg"): backslash separators and the long-path prefix
// "\\?\", except on paths that already begin with two backslashes (network
// paths and paths that carry the prefix). Pure text, so it is testable on
// every platform.
QString windowsNativePath(const QString &absolutePath);

#endif // NATIVEPATH_H
