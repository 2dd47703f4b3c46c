#ifndef FILES_H
#define FILES_H

#include "processing/photoprocessor.h"
#include "stamping/processingoptions.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>

// File, settings and batch helpers shared by every test.

QByteArray fileBytes(const QString &path); // empty when unreadable
bool writeBytes(const QString &path, const QByteArray &bytes); // creates parent folders
// Names of the regular files directly in `folder`, hidden ones included, sorted.
QStringList fileNames(const QString &folder);
// Every file below `folder` by relative path, with its bytes.
QMap<QString, QByteArray> folderContents(const QString &folder);

// Points the "Rumbario" settings store at `folder` (call before any QSettings
// exists) and empties it; true when the store now lives there.
bool usePrivateSettings(const QString &folder);
void clearPrivateSettings();

// What one batch reported.
struct BatchResult
{
    QStringList log;
    QList<QPair<int, int>> progress;
    BatchOutcome outcome;
};
// Runs the batch, stopped before its first photo when `stopped`.
BatchResult runBatch(const QString &folder, const ProcessingOptions &options, bool stopped = false);
// The lines of one photo's group, from its "\nProcesando: " line on.
QStringList logGroup(const QStringList &log, const QString &fileName);

// Makes writes past `bytes` in any file of this process fail (root included)
// while the object lives; the signal such writes raise is ignored.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
        : previousHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &original);
        rlimit limited = original;
        limited.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &original);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool isActive() const { return active; }

private:
    void (*previousHandler)(int);
    rlimit original {};
    bool active = false;
};

#endif // FILES_H
