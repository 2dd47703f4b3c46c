#ifndef STOREDSETTINGS_H
#define STOREDSETTINGS_H

#include <QString>

#include <memory>

class QSettings;

// The values of the settings dialog, kept between runs in the per-user
// settings store of organisation and application "Rumbario". The window
// keeps its own state there too (`windowmemory`).
struct StoredSettings
{
    QString altitudeProvider = QStringLiteral("OpenTopoData");
    QString altitudeApiKey;
    int jpegQuality = 90; // percent, 1 to 100
    // Whether the window keeps its options from one run to the next.
    bool rememberOptions = false;
};

// The program's settings store.
std::unique_ptr<QSettings> openSettingsStore();

// Missing keys give the defaults above. A stored quality outside 1 to 100 (or
// not a number) is clamped, so the quality a run uses is the one the settings
// dialog shows.
StoredSettings readStoredSettings();
void writeStoredSettings(const StoredSettings &settings);

#endif // STOREDSETTINGS_H
