#include "app/photorenamergui.h"
#include "metadata/exiv2setup.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Rumbario"));
    QCoreApplication::setApplicationName(QStringLiteral("Rumbario"));
    // Lets Wayland desktops match the window to the installed rumbario.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("rumbario"));
    initializeExiv2();

    PhotoRenamerGUI window;
    window.setWindowIcon(QIcon(QStringLiteral(":/icon.ico")));
    window.show();
    return app.exec();
}
