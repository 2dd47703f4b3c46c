#include "app/commandline/commandline.h"
#include "app/startup.h"
#include "app/window/photorenamergui.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

static int runWindow(int argc, char *argv[])
{
    if (!displayAvailable(argc, argv)) {
        std::fputs("rumbario: no hay pantalla (ni DISPLAY ni WAYLAND_DISPLAY) donde abrir la "
                   "ventana. Sin pantalla, use las órdenes: rumbario --help\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    prepareApplication(app);
    // Lets Wayland desktops match the window to the installed rumbario.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("rumbario"));
    PhotoRenamerGUI window;
    window.setWindowIcon(QIcon(QStringLiteral(":/icon.ico")));
    window.restoreSession();
    window.show();
    return app.exec();
}

int main(int argc, char *argv[])
{
    if (wantsCommandLine(argc, argv))
        return runCommandLine(argc, argv);
    return runWindow(argc, argv);
}
