#ifndef ALTITUDEFILLRUN_H
#define ALTITUDEFILLRUN_H

#include "coords/altitudefill.h"
#include "tests/support/fakeelevationserver.h"

#include <QEventLoop>
#include <QFile>
#include <QFutureWatcher>
#include <QMutex>
#include <QStringList>
#include <QTemporaryDir>
#include <QtConcurrent>

#include <memory>

// What one fill reported.
struct FillRun
{
    QStringList log;
    QList<QPair<int, int>> progress;
    AltitudeFillOutcome outcome; // what the fill returned
};

// Settings of one fill; the defaults suit most tests.
struct FillSettings
{
    QString provider = QString::fromLatin1(openTopoDataProvider);
    QString key = QStringLiteral("k");
    bool overwrite = true;
    int pauseMs = 0;
    int timeoutMs = 5000;
    const CrsTransform *crs = nullptr;
};

// Runs the fill against `url` on a pool thread, as the window does, while
// this thread's event loop keeps serving a fake service living on it.
inline FillRun runFill(const QString &path, const QString &url, const FillSettings &settings)
{
    FillRun result;
    QMutex mutex;
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run([&] {
        result.outcome = fillAltitudes(
                path, settings.provider, settings.key, settings.overwrite,
                [&](const QString &line) {
                    QMutexLocker lock(&mutex);
                    result.log.append(line);
                },
                [&](int done, int total) {
                    QMutexLocker lock(&mutex);
                    result.progress.append({done, total});
                },
                ElevationService {url, settings.pauseMs, settings.timeoutMs}, nullptr,
                settings.crs);
    }));
    loop.exec();
    return result;
}

// A fresh folder and fake service, on the test's thread, for each test.
struct FillFixture
{
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<FakeElevationServer> server;

    bool start()
    {
        dir = std::make_unique<QTemporaryDir>();
        server = std::make_unique<FakeElevationServer>();
        return dir->isValid() && server->start();
    }

    QString writeCsv(const QByteArray &content) const
    {
        const QString path = dir->filePath(QStringLiteral("coordenadas.csv"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static QByteArray readBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    FillRun run(const QString &path, const FillSettings &settings = {}) const
    {
        return runFill(path, server->baseUrl(), settings);
    }
};

#endif // ALTITUDEFILLRUN_H
