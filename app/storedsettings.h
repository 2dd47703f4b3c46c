#ifndef STOREDSETTINGS_H
#define STOREDSETTINGS_H

#include <QString>

// The three values kept between runs, in the per-user settings store of
// organisation and application "Rumbario". Nothing else is stored.
struct StoredSettings
{
    QString altitudeProvider = QStringLiteral("OpenTopoData");
    QString altitudeApiKey;
    int jpegQuality = 90; // percent, 1 to 100
};

// Missing keys give the defaults above. A stored quality outside 1 to 100 (or
// not a number) is clamped, so the quality a run uses is the one the settings
// dialog shows.
StoredSettings readStoredSettings();
void writeStoredSettings(const StoredSettings &settings);

#endif // STOREDSETTINGS_H
