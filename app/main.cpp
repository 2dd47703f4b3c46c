#include "app/photorenamergui.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Rumbario"));
    QCoreApplication::setApplicationName(QStringLiteral("Rumbario"));
    PhotoRenamerGUI window;
    window.show();
    return app.exec();
}
