#include "app/startup.h"

#include "metadata/exiv2setup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstring>

static bool platformChosen(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
}

bool displayAvailable(int argc, char *argv[])
{
    return platformChosen(argc, argv) || !qEnvironmentVariableIsEmpty("DISPLAY")
            || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void useOffscreenPlatformUnlessChosen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

void prepareApplication(QCoreApplication &app)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Rumbario"));
    QCoreApplication::setApplicationName(QStringLiteral("Rumbario"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RUMBARIO_VERSION));
    installQtSpanish(app);
    initializeExiv2();
}

bool installQtSpanish(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_es"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}
