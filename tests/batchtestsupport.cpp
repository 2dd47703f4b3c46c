#include "tests/batchtestsupport.h"

#include "processing/photoprocessor.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

BatchResult runBatch(const QString &folder, const ProcessingOptions &options)
{
    BatchResult result;
    QMutex mutex;
    PhotoProcessor processor(options);
    processor.renamePhotosWithUTM(
            folder,
            [&](const QString &line) {
                QMutexLocker locker(&mutex);
                result.log << line;
            },
            [&](int done, int total) {
                QMutexLocker locker(&mutex);
                result.progress << qMakePair(done, total);
            });
    return result;
}

QStringList logGroup(const QStringList &log, const QString &fileName)
{
    const QString start = QStringLiteral("\nProcesando: ") + fileName;
    QStringList group;
    for (const auto &line : log) {
        if (!group.isEmpty()
            && (line.startsWith(QLatin1String("\nProcesando: "))
                || line.startsWith(QLatin1String("Se procesaron "))))
            break;
        if (line == start || !group.isEmpty())
            group << line;
    }
    return group;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList fileNames(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}
