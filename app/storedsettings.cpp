#include "app/storedsettings.h"

#include <QSettings>

static const QString organisation = QStringLiteral("Rumbario");
static const QString application = QStringLiteral("Rumbario");
static const QString providerKey = QStringLiteral("altitude/provider");
static const QString apiKeyKey = QStringLiteral("altitude/apiKey");
static const QString jpegQualityKey = QStringLiteral("output/jpegQuality");
static const QString rememberOptionsKey = QStringLiteral("options/remember");

std::unique_ptr<QSettings> openSettingsStore()
{
    return std::make_unique<QSettings>(organisation, application);
}

StoredSettings readStoredSettings()
{
    const StoredSettings defaults;
    const auto store = openSettingsStore();
    StoredSettings settings;
    settings.altitudeProvider = store->value(providerKey, defaults.altitudeProvider).toString();
    settings.altitudeApiKey = store->value(apiKeyKey, defaults.altitudeApiKey).toString();
    settings.jpegQuality
            = qBound(1, store->value(jpegQualityKey, defaults.jpegQuality).toInt(), 100);
    settings.rememberOptions = store->value(rememberOptionsKey, defaults.rememberOptions).toBool();
    return settings;
}

void writeStoredSettings(const StoredSettings &settings)
{
    const auto store = openSettingsStore();
    store->setValue(providerKey, settings.altitudeProvider);
    store->setValue(apiKeyKey, settings.altitudeApiKey);
    store->setValue(jpegQualityKey, settings.jpegQuality);
    store->setValue(rememberOptionsKey, settings.rememberOptions);
}
