#ifndef ALTITUDEFILLRUN_H
#define ALTITUDEFILLRUN_H

#include "coords/altitudefill.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QMutex>
#include <QStringList>
#include <QtConcurrent>

// What one fill reported.
struct FillRun
{
    QStringList log;
    QList<QPair<int, int>> progress;
};

// Settings of one fill; the defaults suit most tests.
struct FillSettings
{
    QString provider = QString::fromLatin1(openTopoDataProvider);
    QString key = QStringLiteral("k");
    bool overwrite = true;
    int pauseMs = 0;
    int timeoutMs = 5000;
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
        fillAltitudes(
                path, settings.provider, settings.key, settings.overwrite,
                [&](const QString &line) {
                    QMutexLocker lock(&mutex);
                    result.log.append(line);
                },
                [&](int done, int total) {
                    QMutexLocker lock(&mutex);
                    result.progress.append({done, total});
                },
                ElevationService {url, settings.pauseMs, settings.timeoutMs});
    }));
    loop.exec();
    return result;
}

#endif // ALTITUDEFILLRUN_H
