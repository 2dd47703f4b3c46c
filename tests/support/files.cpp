#include "tests/support/files.h"

#include "processing/photoprocessor.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSettings>

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList fileNames(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QMap<QString, QByteArray> folderContents(const QString &folder)
{
    QMap<QString, QByteArray> contents;
    QDirIterator walk(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QString path = walk.next();
        contents.insert(QDir(folder).relativeFilePath(path), fileBytes(path));
    }
    return contents;
}

static QSettings store()
{
    return QSettings(QStringLiteral("Rumbario"), QStringLiteral("Rumbario"));
}

bool usePrivateSettings(const QString &folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    clearPrivateSettings();
    return store().fileName().startsWith(folder);
}

void clearPrivateSettings()
{
    store().clear();
}

BatchResult runBatch(const QString &folder, const ProcessingOptions &options, bool stopped)
{
    BatchResult result;
    QMutex mutex;
    const std::atomic<bool> stop {stopped};
    PhotoProcessor processor(options);
    processor.setStopFlag(&stop);
    result.outcome = processor.renamePhotosWithUTM(
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
