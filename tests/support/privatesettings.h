#ifndef PRIVATESETTINGS_H
#define PRIVATESETTINGS_H

#include <QSettings>
#include <QString>

// Points the settings store at a test's own folder, so tests never read or
// change the user's settings. Call before any QSettings object exists; the
// result says whether the store of "Rumbario" now lives under that folder.
inline bool usePrivateSettings(const QString &folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    const QSettings store(QStringLiteral("Rumbario"), QStringLiteral("Rumbario"));
    return store.fileName().startsWith(folder);
}

// Empties the store between test functions.
inline void clearPrivateSettings()
{
    QSettings(QStringLiteral("Rumbario"), QStringLiteral("Rumbario")).clear();
}

#endif // PRIVATESETTINGS_H
