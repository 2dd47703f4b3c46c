#include "bench/benchtools.h"

#include "bench/photogenerator.h"
#include "processing/photoprocessor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <sys/resource.h>

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

BatchTiming timeBatch(const QStringList &photos, const QString &folder,
                      const ProcessingOptions &options, qint64 pixelBudgetBytes)
{
    freshCopy(photos, folder);
    PhotoProcessor processor(options);
    processor.setPixelBudget(pixelBudgetBytes);
    resetPeakResident();
    QElapsedTimer clock;
    clock.start();
    const double processorStart = processorSeconds();
    processor.renamePhotosWithUTM(folder, [](const QString &) {}, {});
    return {clock.elapsed() / 1000.0, peakResidentMegabytes(), processorSeconds() - processorStart};
}

QString workFolder(const QStringList &arguments, const QString &temporary)
{
    const auto at = arguments.indexOf(QStringLiteral("--work"));
    return at >= 0 ? arguments.value(at + 1) : temporary;
}
