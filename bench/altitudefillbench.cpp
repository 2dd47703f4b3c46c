// Times the altitude fill of a 1 000-row coordinates file against a loopback
// elevation service that answers at once, with the services' real pause
// between request starts, and prints it next to what one point per request
// would need with the same pause (1 000 × the pause).

#include "coords/altitudefill.h"
#include "coords/coordinatesfile.h"
#include "tests/support/altitudefillrun.h"
#include "tests/support/fakeelevationserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

static constexpr int rowCount = 1000;

static bool writeRows(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray text = QByteArray(coordinatesFileHeader) + '\n';
    for (int i = 0; i < rowCount; ++i)
        text += "IMG_" + QByteArray::number(i) + ".jpg;19;H;345678;"
                + QByteArray::number(6301234 + i) + '\n';
    return file.write(text) == text.size();
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    FakeElevationServer server;
    if (!dir.isValid() || !server.start())
        return 1;
    const double perPointSeconds = rowCount * elevationRequestPauseMs / 1000.0;
    std::printf("Altitude fill of %d rows, %d ms between request starts\n", rowCount,
                elevationRequestPauseMs);
    for (const char *provider : {openTopoDataProvider, googleElevationProvider}) {
        const QString path = dir.filePath(QStringLiteral("coordenadas.csv"));
        if (!writeRows(path))
            return 1;
        FillSettings settings;
        settings.provider = QString::fromLatin1(provider);
        settings.pauseMs = elevationRequestPauseMs;
        const qsizetype requestsBefore = server.requests().size();
        QElapsedTimer timer;
        timer.start();
        runFill(path, server.baseUrl(), settings);
        const double seconds = timer.nsecsElapsed() / 1.0e9;
        std::printf("%-17s %3lld requests %7.2f s   one point per request: %7.1f s   (%.0fx "
                    "faster)\n",
                    provider, static_cast<long long>(server.requests().size() - requestsBefore),
                    seconds, perPointSeconds, perPointSeconds / seconds);
    }
    return 0;
}
