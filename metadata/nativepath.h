#ifndef NATIVEPATH_H
#define NATIVEPATH_H

#include <QString>

#include <string>

// The only way a path reaches Exiv2: the absolute path as the bytes the
// platform's file API expects. Empty when no absolute path can be formed.
std::string qPathToNativeStdString(const QString &path);

#endif // NATIVEPATH_H
