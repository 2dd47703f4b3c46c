// Measures the batch side by side with the floor any such tool pays: bare
// QImage decode + encode of the same photos at the same quality on the same
// threads. Prints seconds per photo, their ratio, the speed-up of all threads
// over one, and peak resident memory as the batch grows.
// Usage: batchbench [--photos N] [--large N] [--rounds N] [--work FOLDER]
#include "bench/benchtools.h"
#include "bench/photogenerator.h"
#include "bench/poolthreads.h"
#include "metadata/exiv2setup.h"
#include "processing/photoloader.h"
#include "processing/photoprocessor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentMap>

#include <cstdio>

struct Measure
{
    double secondsPerPhoto = 0.0;
    long peakMegabytes = 0;
};

static Measure runBatch(const QStringList &photos, const QString &folder,
                        const ProcessingOptions &options)
{
    const BatchTiming timing = timeBatch(photos, folder, options);
    return {timing.seconds / photos.size(), timing.peakMegabytes};
}

static Measure runBare(const QStringList &photos, const QString &folder)
{
    freshCopy(photos, folder);
    QStringList copies;
    for (const auto &photo : photos)
        copies << QDir(folder).filePath(QFileInfo(photo).fileName());
    resetPeakResident();
    QElapsedTimer clock;
    clock.start();
    QtConcurrent::map(workPool(), copies, [](const QString &path) {
        const QImage image(path);
        QImageWriter writer(path, "jpeg");
        writer.setQuality(jpegQuality);
        writer.write(image);
    }).waitForFinished();
    return {clock.elapsed() / 1000.0 / photos.size(), peakResidentMegabytes()};
}

static double averageMegabytes(const QStringList &photos)
{
    qint64 total = 0;
    for (const auto &photo : photos)
        total += QFileInfo(photo).size();
    return total / 1048576.0 / photos.size();
}

// Keeps the fastest time and the highest peak of several rounds: other
// programs on the machine only ever slow a round down.
static void keepBest(Measure &best, const Measure &round)
{
    if (best.secondsPerPhoto == 0.0 || round.secondsPerPhoto < best.secondsPerPhoto)
        best.secondsPerPhoto = round.secondsPerPhoto;
    best.peakMegabytes = qMax(best.peakMegabytes, round.peakMegabytes);
}

static void compare(const char *title, const QStringList &photos, const QString &work,
                    const ProcessingOptions &options, int threads, int rounds)
{
    const auto batchFolder = QDir(work).filePath(QStringLiteral("batch"));
    const auto bareFolder = QDir(work).filePath(QStringLiteral("bare"));
    Measure bare, batch, bareOne, batchOne;
    for (int round = 0; round < rounds; ++round) {
        setPoolThreads(threads);
        keepBest(bare, runBare(photos, bareFolder));
        keepBest(batch, runBatch(photos, batchFolder, options));
        setPoolThreads(1);
        keepBest(bareOne, runBare(photos, bareFolder));
        keepBest(batchOne, runBatch(photos, batchFolder, options));
    }
    setPoolThreads(threads);
    std::printf("\n%s: %lld photos, JPEG %.1f MB on average, best of %d rounds\n", title,
                qlonglong(photos.size()), averageMegabytes(photos), rounds);
    std::printf("                          %d threads    1 thread\n", threads);
    std::printf("  batch, s/photo          %8.3f    %8.3f\n", batch.secondsPerPhoto,
                batchOne.secondsPerPhoto);
    std::printf("  bare decode+encode      %8.3f    %8.3f\n", bare.secondsPerPhoto,
                bareOne.secondsPerPhoto);
    std::printf("  ratio batch / bare      %8.2f    %8.2f   (target <= 1.5)\n",
                batch.secondsPerPhoto / bare.secondsPerPhoto,
                batchOne.secondsPerPhoto / bareOne.secondsPerPhoto);
    std::printf("  speed-up %d threads / 1: batch %.2f, bare %.2f   (target >= 1.7 on 2 cores)\n",
                threads, batchOne.secondsPerPhoto / batch.secondsPerPhoto,
                bareOne.secondsPerPhoto / bare.secondsPerPhoto);
    std::printf("  peak RSS, MB             batch %ld (1 thread %ld), bare %ld (1 thread %ld)\n",
                batch.peakMegabytes, batchOne.peakMegabytes, bare.peakMegabytes,
                bareOne.peakMegabytes);
}

static void memoryAsTheBatchGrows(const QStringList &photos, const QString &work,
                                  const ProcessingOptions &options)
{
    std::printf("  peak RSS as the batch grows (all threads):");
    for (int count = qMax(1, int(photos.size()) / 3); count <= photos.size();
         count += qMax(1, int(photos.size()) / 3)) {
        const auto measure = runBatch(photos.mid(0, count),
                                      QDir(work).filePath(QStringLiteral("batch")), options);
        std::printf(" %d photos %ld MB;", count, measure.peakMegabytes);
    }
    std::printf("\n");
}

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const auto arguments = app.arguments();
    const int count = argumentValue(arguments, QStringLiteral("--photos"), 24);
    const int largeCount = argumentValue(arguments, QStringLiteral("--large"), 4);
    const int rounds = qMax(1, argumentValue(arguments, QStringLiteral("--rounds"), 3));
    QTemporaryDir temporary;
    const QString work = workFolder(arguments, temporary.path());
    initializeExiv2();
    QImageReader::setAllocationLimit(photoAllocationLimitMegabytes);
    const int threads = workPool()->maxThreadCount();

    const auto options = everyOverlay(writeBenchLogo(work));

    std::printf("Generating %d photos of 12 MP and %d of 100 MP in %s\n", count, largeCount,
                qPrintable(work));
    const auto photos
            = generatePhotos(QDir(work).filePath(QStringLiteral("12mp")), count, 4000, 3000);
    const auto large
            = generatePhotos(QDir(work).filePath(QStringLiteral("100mp")), largeCount, 11547, 8660);
    std::printf("Every overlay, compass rose, renaming and backups on; quality %d; %d threads.\n",
                jpegQuality, threads);
    compare("12 MP (4000 x 3000)", photos, work, options, threads, rounds);
    memoryAsTheBatchGrows(photos, work, options);
    if (!large.isEmpty())
        compare("100 MP (11547 x 8660)", large, work, options, threads, rounds);
    return 0;
}
