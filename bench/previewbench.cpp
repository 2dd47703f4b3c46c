// Measures one preview refresh of a 12-megapixel photo (copy, stamp, reload
// and scale to the preview label, as the window does) side by side with one
// photo of a single-threaded batch over the same photos and options, in
// alternating rounds. Prints medians in seconds and their ratio.
// Usage: previewbench [--photos N] [--rounds N] [--work FOLDER]
#include "app/optionssnapshot.h"
#include "app/previewrender.h"
#include "bench/photogenerator.h"
#include "bench/poolthreads.h"
#include "metadata/exiv2setup.h"
#include "processing/photoprocessor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

// A preview label of a maximised window on a common screen, in pixels.
static const QSize labelSize(900, 700);

// The window's default option controls, with a logo chosen.
static ProcessingOptions windowDefaults(const QString &logoPath)
{
    ProcessingOptions options;
    options.logoPath = logoPath;
    options.fontSizeRatio = 0.03;
    options.useExif = true;
    options.fontColor = QColor(QStringLiteral("#FFFFFF"));
    options.logoRatio = 0.2;
    options.logoPosition = QStringLiteral("arriba-izquierda");
    options.dtPosition = QStringLiteral("abajo-derecha");
    options.coordsPosition = QStringLiteral("abajo-derecha");
    options.orientationPosition = QStringLiteral("abajo-derecha");
    options.altitudePosition = QStringLiteral("abajo-derecha");
    options.compassRatio = 0.18;
    options.compassPosition = QStringLiteral("abajo-izquierda");
    options.compassStyle = 2;
    options.compassArrowColor = QColor(255, 0, 0);
    options.renamePhotos = true;
    options.makeBackup = true;
    options.addCompass = true;
    options.drawOrientation = true;
    options.drawTime = true;
    options.drawData = true;
    options.bgText = true;
    options.drawAltitude = true;
    options.jpegQuality = 90;
    return options;
}

static QStringList generatePhotos(const QString &folder, int count)
{
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        GeneratedPhoto photo;
        photo.seed = unsigned(i + 1);
        photo.position.easting += i * 41.0;
        photo.position.orientation = 30.0 + i * 20.0;
        photo.position.altitude = 800.0 + i;
        photo.captureTime = QDateTime(QDate(2024, 5, 6), QTime(9, 0).addSecs(i * 60));
        const QString path = QDir(folder).filePath(QStringLiteral("DSC_%1.jpg").arg(i));
        QString error;
        if (!writeGeneratedPhoto(path, photo, error))
            qFatal("cannot write %s: %s", qPrintable(path), qPrintable(error));
        paths << path;
    }
    return paths;
}

static double batchSecondsPerPhoto(const QStringList &photos, const QString &folder,
                                   const ProcessingOptions &options)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    for (const QString &photo : photos)
        QFile::copy(photo, QDir(folder).filePath(QFileInfo(photo).fileName()));
    const int savedThreads = workPool()->maxThreadCount();
    setPoolThreads(1);
    QElapsedTimer clock;
    clock.start();
    PhotoProcessor(options).renamePhotosWithUTM(folder, [](const QString &) {}, {});
    const double seconds = clock.nsecsElapsed() / 1e9 / photos.size();
    setPoolThreads(savedThreads);
    return seconds;
}

static double refreshSeconds(const QString &photo, const ProcessingOptions &options)
{
    QElapsedTimer clock;
    clock.start();
    const PreviewRender render = renderPreview(photo, options);
    if (render.outcome != PreviewRender::Outcome::Rendered)
        qFatal("preview of %s not rendered", qPrintable(photo));
    const QImage shown
            = render.picture.scaled(labelSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (shown.isNull())
        qFatal("preview of %s not scaled", qPrintable(photo));
    return clock.nsecsElapsed() / 1e9;
}

static double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

static int argumentValue(const QStringList &arguments, const QString &name, int fallback)
{
    const auto at = arguments.indexOf(name);
    return at >= 0 ? arguments.value(at + 1).toInt() : fallback;
}

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const int count = std::max(1, argumentValue(arguments, QStringLiteral("--photos"), 4));
    const int rounds = std::max(1, argumentValue(arguments, QStringLiteral("--rounds"), 3));
    QTemporaryDir temporary;
    const auto workAt = arguments.indexOf(QStringLiteral("--work"));
    const QString work = workAt >= 0 ? arguments.value(workAt + 1) : temporary.path();
    initializeExiv2();

    const QString logo = QDir(work).filePath(QStringLiteral("logo.png"));
    QImage logoImage(400, 100, QImage::Format_ARGB32);
    logoImage.fill(QColor(30, 110, 70, 200));
    logoImage.save(logo);
    const ProcessingOptions runOptions = windowDefaults(logo);
    const ProcessingOptions preview = previewOptions(runOptions, QString());

    std::printf("Generating %d photos of 12 MP (4000 x 3000) in %s\n", count, qPrintable(work));
    const QStringList photos = generatePhotos(QDir(work).filePath(QStringLiteral("12mp")), count);
    const QString batchFolder = QDir(work).filePath(QStringLiteral("batch"));

    std::vector<double> batch, refresh, refreshOneThread;
    const int poolThreads = workPool()->maxThreadCount();
    for (int round = 0; round < rounds; ++round) {
        batch.push_back(batchSecondsPerPhoto(photos, batchFolder, runOptions));
        for (const QString &photo : photos)
            refresh.push_back(refreshSeconds(photo, preview));
        setPoolThreads(1);
        for (const QString &photo : photos)
            refreshOneThread.push_back(refreshSeconds(photo, preview));
        setPoolThreads(poolThreads);
    }

    const double batchPhoto = median(batch);
    std::printf("Window defaults with a logo; preview label %d x %d; %d rounds of %d photos.\n",
                labelSize.width(), labelSize.height(), rounds, count);
    std::printf("  batch, 1 thread, s/photo              %8.3f\n", batchPhoto);
    std::printf("  preview refresh, %d threads, s         %8.3f   ratio %.2f (target <= 1.8)\n",
                poolThreads, median(refresh), median(refresh) / batchPhoto);
    std::printf("  preview refresh, 1 thread, s          %8.3f   ratio %.2f (target <= 1.8)\n",
                median(refreshOneThread), median(refreshOneThread) / batchPhoto);
    return 0;
}
