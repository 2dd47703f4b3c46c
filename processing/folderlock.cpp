#include "processing/folderlock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

// A batch over many subfolders holds a descriptor for each: let the process
// open as many as the system allows it.
static void raiseDescriptorLimit()
{
    static std::once_flag raised;
    std::call_once(raised, [] {
        rlimit limit {};
        if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            setrlimit(RLIMIT_NOFILE, &limit);
        }
    });
}

FolderLock::~FolderLock()
{
    release();
}

void FolderLock::release()
{
    for (const int descriptor : descriptors)
        ::close(descriptor); // closing the last descriptor releases its lock
    descriptors.clear();
}

QString FolderLock::tryLock(const QStringList &folders)
{
    raiseDescriptorLimit();
    release();
    QSet<QString> locked; // a folder reached twice would refuse its own lock
    for (const QString &folder : folders) {
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (!canonical.isEmpty() && locked.contains(canonical))
            continue;
        locked.insert(canonical);
        const int descriptor
                = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int error = errno;
        const QString shown = QDir::toNativeSeparators(QFileInfo(folder).absoluteFilePath());
        if (descriptor < 0) {
            release();
            return QStringLiteral("No se pudo bloquear la carpeta %1: %2.")
                    .arg(shown, qt_error_string(error));
        }
        descriptors.push_back(descriptor);
        // A file system without locks (some network shares) cannot keep two
        // runs apart: the run goes on there as it would without the lock.
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            release();
            return QStringLiteral("Otro proceso ya está trabajando en la carpeta %1. Espere a "
                                  "que termine antes de iniciar otro.")
                    .arg(shown);
        }
    }
    return QString();
}
