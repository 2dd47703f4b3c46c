#include "app/window/abouttext.h"

#include "app/window/libraryversions.h"

#include <QCoreApplication>

QString aboutText()
{
    QString text = QCoreApplication::translate("AboutText",
                                               "Rumbario %1\n"
                                               "Renombra y estampa fotos de campo por su "
                                               "posición UTM.\n\n"
                                               "Licencia: GPL-3.0-or-later\n\n"
                                               "Bibliotecas en uso:")
                           .arg(QStringLiteral(RUMBARIO_VERSION));
    for (const LibraryVersion &library : libraryVersions())
        text += QStringLiteral("\n") + library.name + QStringLiteral(" ") + library.version;
    return text;
}
