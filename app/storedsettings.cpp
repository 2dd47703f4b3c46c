#include "app/storedsettings.h"

#include <QSettings>

static const QString organisation = QStringLiteral("Rumbario");
static const QString application = QStringLiteral("Rumbario");
static const QString providerKey = QStringLiteral("altitude/provider");
static const QString apiKeyKey = QStringLiteral("altitude/apiKey");
static const QString jpegQualityKey = QStringLiteral("output/jpegQuality");

StoredSettings readStoredSettings()
{
    const StoredSettings defaults;
    const QSettings store(organisation, application);
    StoredSettings settings;
    settings.altitudeProvider = store.value(providerKey, defaults.altitudeProvider).toString();
    settings.altitudeApiKey = store.value(apiKeyKey, defaults.altitudeApiKey).toString();
    settings.jpegQuality
            = qBound(1, store.value(jpegQualityKey, defaults.jpegQuality).toInt(), 100);
    return settings;
}

void writeStoredSettings(const StoredSettings &settings)
{
    QSettings store(organisation, application);
    store.setValue(providerKey, settings.altitudeProvider);
    store.setValue(apiKeyKey, settings.altitudeApiKey);
    store.setValue(jpegQualityKey, settings.jpegQuality);
}
