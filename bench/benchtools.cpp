#include "bench/benchtools.h"

#include "bench/photogenerator.h"
#include "processing/photoprocessor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <atomic>
#include <thread>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

long peakResidentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (const auto &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong() / 1024;
    }
    return -1;
}

// Seconds this process has spent on the processors, its threads summed:
// unlike the clock, it barely moves when other programs share the machine.
static double processorSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &time) {
        return time.tv_sec + time.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void resetPeakResident()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

QStringList generatePhotos(const QString &folder, int count, int width, int height, bool fullChroma)
{
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        GeneratedPhoto photo;
        photo.width = width;
        photo.height = height;
        photo.seed = unsigned(i + 1);
        photo.fullChroma = fullChroma;
        photo.position.easting += i * 37.0;
        photo.position.northing += i * 53.0;
        photo.position.orientation = i * 15.0;
        photo.position.altitude = 500.0 + i;
        photo.captureTime = QDateTime(QDate(2024, 3, 5), QTime(10, 0).addSecs(i * 60));
        const auto path = QDir(folder).filePath(
                QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
        QString error;
        if (!writeGeneratedPhoto(path, photo, error))
            qFatal("cannot write %s: %s", qPrintable(path), qPrintable(error));
        paths << path;
    }
    return paths;
}

QString freshCopy(const QStringList &photos, const QString &folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    for (const auto &photo : photos)
        QFile::copy(photo, QDir(folder).filePath(QFileInfo(photo).fileName()));
    return folder;
}

ProcessingOptions everyOverlay(const QString &logoPath)
{
    ProcessingOptions options;
    options.useExif = true;
    options.renamePhotos = true;
    options.makeBackup = true;
    options.logoPath = logoPath;
    options.logoRatio = 0.15;
    options.logoPosition = QStringLiteral("arriba-izquierda");
    options.drawData = true;
    options.drawTime = true;
    options.drawOrientation = true;
    options.drawAltitude = true;
    options.bgText = true;
    options.fontSizeRatio = 0.02;
    options.fontColor = Qt::white;
    options.dtPosition = QStringLiteral("abajo-izquierda");
    options.coordsPosition = QStringLiteral("abajo-izquierda");
    options.orientationPosition = QStringLiteral("arriba-derecha");
    options.altitudePosition = QStringLiteral("arriba-derecha");
    options.addCompass = true;
    options.compassRatio = 0.18;
    options.compassPosition = QStringLiteral("abajo-derecha");
    options.compassArrowColor = Qt::red;
    options.jpegQuality = jpegQuality;
    return options;
}

QString writeBenchLogo(const QString &folder)
{
    const auto logo = QDir(folder).filePath(QStringLiteral("logo.png"));
    QImage logoImage(400, 100, QImage::Format_ARGB32);
    logoImage.fill(QColor(30, 110, 70, 200));
    logoImage.save(logo);
    return logo;
}

int argumentValue(const QStringList &arguments, const QString &name, int fallback)
{
    const auto at = arguments.indexOf(name);
    return at >= 0 ? arguments.value(at + 1).toInt() : fallback;
}

// Bytes this process has read through read() and its kind so far.
static qint64 bytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    for (const auto &line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return 0;
}

// Counts the opens of photo files in one folder, whoever opens them: Qt,
// Exiv2 or libheif alike. The kernel merges an event into an identical one
// not yet read, so a thread of its own reads them as they come, and closes
// are watched too, so that one open of a file is never followed by another
// event that is the same.
class OpenCounter
{
public:
    explicit OpenCounter(const QString &folder)
        : queue(inotify_init1(IN_NONBLOCK))
    {
        if (queue < 0)
            return;
        inotify_add_watch(queue, QFile::encodeName(folder).constData(), IN_OPEN | IN_CLOSE);
        reader = std::thread([this] {
            while (!stopped) {
                pollfd wait {queue, POLLIN, 0};
                poll(&wait, 1, 20);
                readEvents();
            }
            readEvents();
        });
    }
    ~OpenCounter()
    {
        stopped = true;
        if (reader.joinable())
            reader.join();
        if (queue >= 0)
            close(queue);
    }
    OpenCounter(const OpenCounter &) = delete;
    OpenCounter &operator=(const OpenCounter &) = delete;

    // Opens seen so far; stops counting.
    int photoOpens()
    {
        stopped = true;
        if (reader.joinable())
            reader.join();
        return opens;
    }

private:
    void readEvents()
    {
        alignas(inotify_event) char buffer[1 << 16];
        for (ssize_t size; (size = read(queue, buffer, sizeof buffer)) > 0;) {
            for (char *at = buffer; at < buffer + size;) {
                const auto *event = reinterpret_cast<const inotify_event *>(at);
                const QString name = event->len ? QFile::decodeName(event->name) : QString();
                if ((event->mask & IN_OPEN)
                    && (name.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive)
                        || name.endsWith(QLatin1String(".heic"), Qt::CaseInsensitive)))
                    ++opens;
                at += sizeof(inotify_event) + event->len;
            }
        }
    }

    const int queue;
    std::atomic<bool> stopped {false};
    int opens = 0;
    std::thread reader;
};

BatchTiming timeBatch(const QStringList &photos, const QString &folder,
                      const ProcessingOptions &options, qint64 pixelBudgetBytes)
{
    freshCopy(photos, folder);
    PhotoProcessor processor(options);
    processor.setPixelBudget(pixelBudgetBytes);
    OpenCounter opens(folder);
    const qint64 readBefore = bytesReadSoFar();
    resetPeakResident();
    QElapsedTimer clock;
    clock.start();
    const double processorStart = processorSeconds();
    processor.renamePhotosWithUTM(folder, [](const QString &) {}, {});
    BatchTiming timing {clock.elapsed() / 1000.0, peakResidentMegabytes(),
                        processorSeconds() - processorStart};
    const double count = qMax(1, int(photos.size()));
    timing.opensPerPhoto = opens.photoOpens() / count;
    timing.bytesReadPerPhoto = (bytesReadSoFar() - readBefore) / count;
    return timing;
}

QString workFolder(const QStringList &arguments, const QString &temporary)
{
    const auto at = arguments.indexOf(QStringLiteral("--work"));
    return at >= 0 ? arguments.value(at + 1) : temporary;
}
