// Writes the demo folder. Usage: rumbario-demo FOLDER
#include "bench/demofolder.h"
#include "metadata/exiv2setup.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "Usage: rumbario-demo FOLDER\n");
        return 2;
    }
    initializeExiv2();
    QString error;
    if (!writeDemoFolder(app.arguments().at(1), error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
