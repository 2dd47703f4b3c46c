// Measures the batch side by side with the floor any such tool pays: bare
// QImage decode + encode of the same photos at the same quality on the same
// threads. Prints seconds per photo, their ratio, the speed-up of all threads
// over one, and peak resident memory as the batch grows. HEIC photos, made
// from the 12 MP ones with heif-enc, are timed beside what a user would do
// without HEIC support: heif-convert each to JPEG, then the JPEG batch. Then
// the batch with its pixel budget beside the same batch without one, on 12 MP
// photos and on 200 MP photos (--budget-only measures only that). With
// --sin-recomprimir it compares instead the batch keeping the photos' own
// compression with the default batch on 12, 24 and (--large N of them)
// 100 MP photos, coded 4:2:0 or, with --muestreo 4:4:4, 4:4:4; with --crs,
// the 12 MP batch in WGS 84 / UTM and in that projected system, alternately.
// With --floor, the batch beside the floor on 12 and 24 MP photos, round by
// round, with medians, and how often the batch opens each photo and how much
// it reads of it.
// Usage: batchbench [--photos N] [--large N] [--heif N] [--huge N] [--rounds N]
//                   [--work FOLDER] [--budget-only] [--sin-recomprimir]
//                   [--muestreo 4:4:4] [--crs EPSG:NNNN] [--floor]
#include "bench/benchtools.h"
#include "bench/photogenerator.h"
#include "bench/poolthreads.h"
#include "geo/crs.h"
#include "image/photosizelimit.h"
#include "image/pixelbudget.h"
#include "metadata/exiv2setup.h"
#include "processing/photoprocessor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <numeric>

struct Measure
{
    double secondsPerPhoto = 0.0;
    long peakMegabytes = 0;
    double processorSecondsPerPhoto = 0.0;
};

static Measure runBatch(const QStringList &photos, const QString &folder,
                        const ProcessingOptions &options,
                        qint64 pixelBudget = defaultPixelBudgetBytes)
{
    const BatchTiming timing = timeBatch(photos, folder, options, pixelBudget);
    return {timing.seconds / photos.size(), timing.peakMegabytes,
            timing.processorSeconds / photos.size()};
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
    if (best.processorSecondsPerPhoto == 0.0
        || round.processorSecondsPerPhoto < best.processorSecondsPerPhoto)
        best.processorSecondsPerPhoto = round.processorSecondsPerPhoto;
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

static double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

static QByteArray listed(const QVector<double> &values)
{
    QByteArray text;
    for (const double value : values)
        text += QByteArray::number(value, 'f', 2) + ' ';
    return text.trimmed();
}

// The batch and the floor on the same photos, round by round, each first in
// every other round. Medians: other builds on the machine slow single rounds
// down at random, either side.
static void compareWithFloor(const char *title, const QStringList &photos, const QString &work,
                             const ProcessingOptions &options, int threads, int rounds)
{
    const auto batchFolder = QDir(work).filePath(QStringLiteral("batch"));
    const auto bareFolder = QDir(work).filePath(QStringLiteral("bare"));
    QVector<double> batchSeconds, bareSeconds, ratios, batchPeaks, barePeaks, opens, bytes;
    for (int round = 0; round < rounds; ++round) {
        BatchTiming batch;
        Measure bare;
        for (const bool batchTurn : {round % 2 == 1, round % 2 == 0}) {
            if (batchTurn)
                batch = timeBatch(photos, batchFolder, options);
            else
                bare = runBare(photos, bareFolder);
        }
        batchSeconds << batch.seconds / photos.size();
        bareSeconds << bare.secondsPerPhoto;
        ratios << batchSeconds.last() / bare.secondsPerPhoto;
        batchPeaks << batch.peakMegabytes;
        barePeaks << bare.peakMegabytes;
        opens << batch.opensPerPhoto;
        bytes << batch.bytesReadPerPhoto;
    }
    const double size = averageMegabytes(photos) * 1048576.0;
    std::printf("\n%s: %lld photos, JPEG %.1f MB on average, %d threads, medians of %d rounds\n",
                title, qlonglong(photos.size()), size / 1048576.0, threads, rounds);
    std::printf("  batch, s/photo          %8.3f\n", median(batchSeconds));
    std::printf("  bare decode+encode      %8.3f\n", median(bareSeconds));
    std::printf("  ratio batch / bare      %8.2f   (target <= 1.10; rounds %s)\n", median(ratios),
                listed(ratios).constData());
    std::printf("  opens of each photo     %8.1f   (target <= 3)\n", median(opens));
    std::printf("  bytes read per photo    %8.2f MB, %.2f x its size   (target <= 1.1)\n",
                median(bytes) / 1048576.0, median(bytes) / size);
    std::printf("  peak RSS, MB            batch %.0f (highest %.0f), bare %.0f\n",
                median(batchPeaks), *std::max_element(batchPeaks.cbegin(), batchPeaks.cend()),
                median(barePeaks));
}

// Two batches on the same photos, round by round; each goes first in every
// other round, so neither gains from the order.
static void alternateRounds(const QStringList &photos, const QString &work,
                            const ProcessingOptions &first, const ProcessingOptions &second,
                            int rounds, Measure &firstBest, Measure &secondBest)
{
    const auto folder = QDir(work).filePath(QStringLiteral("batch"));
    for (int round = 0; round < rounds; ++round) {
        for (const bool secondTurn : {round % 2 == 1, round % 2 == 0})
            keepBest(secondTurn ? secondBest : firstBest,
                     runBatch(photos, folder, secondTurn ? second : first));
    }
}

// The chosen system against the default, round by round on the same photos.
static void compareSystems(const QStringList &photos, const QString &work,
                           ProcessingOptions options, const QString &crs, int rounds)
{
    // PROJ's database search happens once per process and system; timed
    // apart, so that the rounds compare the photos' work alone.
    QElapsedTimer build;
    build.start();
    QString problem;
    const auto entry = findProjectedCrs(crs, problem);
    if (!entry || !crsTransform(entry->epsg, problem))
        qFatal("%s", qPrintable(problem));
    const double buildSeconds = build.elapsed() / 1000.0;
    Measure utm, chosen;
    ProcessingOptions inCrs = options;
    inCrs.outputCrs = crs;
    options.outputCrs.clear();
    alternateRounds(photos, work, options, inCrs, rounds, utm, chosen);
    std::printf("\n%s against WGS 84 / UTM, %lld photos, best of %d rounds\n", qPrintable(crs),
                qlonglong(photos.size()), rounds);
    std::printf("  WGS 84 / UTM s/photo %8.3f\n  %s s/photo %8.3f\n", utm.secondsPerPhoto,
                qPrintable(crs), chosen.secondsPerPhoto);
    std::printf("  ratio chosen / default %6.3f   (target <= 1.02), processor time %6.3f\n",
                chosen.secondsPerPhoto / utm.secondsPerPhoto,
                chosen.processorSecondsPerPhoto / utm.processorSecondsPerPhoto);
    std::printf("  building the transformation, once per process: %.3f s\n", buildSeconds);
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

static void compareBudget(const char *title, const QStringList &photos, const QString &work,
                          const ProcessingOptions &options, int rounds)
{
    const auto folder = QDir(work).filePath(QStringLiteral("batch"));
    Measure budget, none;
    // Taken in turns, so that neither always runs on a warmer cache.
    for (int round = 0; round < rounds; ++round) {
        for (const bool limited : {round % 2 == 0, round % 2 != 0}) {
            keepBest(limited ? budget : none,
                     runBatch(photos, folder, options,
                              limited ? defaultPixelBudgetBytes
                                      : std::numeric_limits<qint64>::max()));
        }
    }
    std::printf("\n%s: %lld photos, pixel budget of %lld MB beside none, best of %d rounds\n",
                title, qlonglong(photos.size()), defaultPixelBudgetBytes / 1048576, rounds);
    std::printf("  s/photo       budget %8.3f   none %8.3f   ratio %.2f\n", budget.secondsPerPhoto,
                none.secondsPerPhoto, budget.secondsPerPhoto / none.secondsPerPhoto);
    std::printf("  peak RSS, MB  budget %8ld   none %8ld\n", budget.peakMegabytes,
                none.peakMegabytes);
}

// Both batches on the same photos, rounds interleaved.
static void compareKeptCompression(const char *title, const QStringList &photos,
                                   const QString &work, ProcessingOptions options, int rounds)
{
    Measure whole, kept;
    ProcessingOptions keeping = options;
    keeping.losslessStamps = true;
    options.losslessStamps = false;
    alternateRounds(photos, work, options, keeping, rounds, whole, kept);
    std::printf("\n%s: %lld photos, JPEG %.1f MB on average, best of %d rounds\n", title,
                qlonglong(photos.size()), averageMegabytes(photos), rounds);
    std::printf("  re-encoded whole    %.3f s/photo, processors %.3f s/photo, peak RSS %ld MB\n",
                whole.secondsPerPhoto, whole.processorSecondsPerPhoto, whole.peakMegabytes);
    std::printf("  own compression     %.3f s/photo, processors %.3f s/photo, peak RSS %ld MB\n",
                kept.secondsPerPhoto, kept.processorSecondsPerPhoto, kept.peakMegabytes);
    std::printf("  ratio own / whole   time %.2f, processor time %.2f, memory %.2f   (targets <= "
                "1.0)\n",
                kept.secondsPerPhoto / whole.secondsPerPhoto,
                kept.processorSecondsPerPhoto / whole.processorSecondsPerPhoto,
                double(kept.peakMegabytes) / whole.peakMegabytes);
}

// Runs `tool` with its output swallowed; a failure ends the benchmark.
static void runTool(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        qFatal("%s failed on %s", qPrintable(tool), qPrintable(arguments.join(' ')));
}

// The same photos as HEIC, encoded on the work pool's threads.
static QStringList encodeHeif(const QStringList &jpegs, const QString &folder)
{
    QDir().mkpath(folder);
    QStringList heifs;
    for (const auto &jpeg : jpegs)
        heifs << QDir(folder).filePath(QFileInfo(jpeg).completeBaseName() + ".heic");
    QList<int> indexes(jpegs.size());
    std::iota(indexes.begin(), indexes.end(), 0);
    QtConcurrent::map(workPool(), indexes, [&](int i) {
        runTool(QStringLiteral("heif-enc"),
                {"-q", "50", "-p", "preset=ultrafast", "-o", heifs.at(i), jpegs.at(i)});
    }).waitForFinished();
    return heifs;
}

// heif-convert to JPEG at the batch's quality, as many at once as the batch
// has threads, then the JPEG batch on the results.
static Measure runConvertedPair(const QStringList &heifs, const QString &folder,
                                const ProcessingOptions &options)
{
    freshCopy(heifs, folder);
    QStringList copies;
    for (const auto &heif : heifs)
        copies << QDir(folder).filePath(QFileInfo(heif).fileName());
    PhotoProcessor processor(options);
    resetPeakResident();
    QElapsedTimer clock;
    clock.start();
    QtConcurrent::map(workPool(), copies, [](const QString &heif) {
        const auto jpeg
                = QFileInfo(heif).path() + '/' + QFileInfo(heif).completeBaseName() + ".jpg";
        runTool(QStringLiteral("heif-convert"), {"-q", QString::number(jpegQuality), heif, jpeg});
        QFile::remove(heif);
    }).waitForFinished();
    processor.renamePhotosWithUTM(folder, [](const QString &) {}, {});
    return {clock.elapsed() / 1000.0 / heifs.size(), peakResidentMegabytes()};
}

static void compareHeif(const QStringList &jpegs, const QString &work,
                        const ProcessingOptions &options, int rounds)
{
    if (QStandardPaths::findExecutable(QStringLiteral("heif-enc")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("heif-convert")).isEmpty()) {
        std::printf("\nHEIC: heif-enc and heif-convert (libheif-examples) are needed\n");
        return;
    }
    const auto heifs = encodeHeif(jpegs, QDir(work).filePath(QStringLiteral("heic")));
    const auto folder = QDir(work).filePath(QStringLiteral("batch"));
    Measure batch, pair;
    for (int round = 0; round < rounds; ++round) {
        keepBest(pair, runConvertedPair(heifs, folder, options));
        keepBest(batch, runBatch(heifs, folder, options));
    }
    std::printf("\nHEIC 12 MP: %lld photos, HEIC %.1f MB on average, best of %d rounds\n",
                qlonglong(heifs.size()), averageMegabytes(heifs), rounds);
    std::printf("  HEIC batch, s/photo                  %8.3f\n", batch.secondsPerPhoto);
    std::printf("  heif-convert + JPEG batch, s/photo   %8.3f\n", pair.secondsPerPhoto);
    std::printf("  ratio                                %8.2f   (target <= 1.1)\n",
                batch.secondsPerPhoto / pair.secondsPerPhoto);
    std::printf("  peak RSS, MB: HEIC batch %ld, JPEG batch after heif-convert %ld\n",
                batch.peakMegabytes, pair.peakMegabytes);
    memoryAsTheBatchGrows(heifs, work, options);
}

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const auto arguments = app.arguments();
    const int count = argumentValue(arguments, QStringLiteral("--photos"), 24);
    const int largeCount = argumentValue(arguments, QStringLiteral("--large"), 4);
    const int heifCount = argumentValue(arguments, QStringLiteral("--heif"), 6);
    const int hugeCount = argumentValue(arguments, QStringLiteral("--huge"), 2);
    const bool budgetOnly = arguments.contains(QStringLiteral("--budget-only"));
    const int rounds = qMax(1, argumentValue(arguments, QStringLiteral("--rounds"), 3));
    QTemporaryDir temporary;
    const QString work = workFolder(arguments, temporary.path());
    initializeExiv2();
    QImageReader::setAllocationLimit(photoAllocationLimitMegabytes);
    const int threads = workPool()->maxThreadCount();
    const auto crsAt = arguments.indexOf(QStringLiteral("--crs"));
    const QString crs = crsAt >= 0 ? arguments.value(crsAt + 1) : QString();

    const auto options = everyOverlay(writeBenchLogo(work));
    if (arguments.contains(QStringLiteral("--floor"))) {
        const int floorCount = argumentValue(arguments, QStringLiteral("--photos"), 12);
        std::printf("The batch beside the floor: every overlay, compass rose, renaming and "
                    "backups on; quality %d.\n",
                    jpegQuality);
        compareWithFloor(
                "12 MP (4000 x 3000)",
                generatePhotos(QDir(work).filePath(QStringLiteral("12mp")), floorCount, 4000, 3000),
                work, options, threads, rounds);
        compareWithFloor(
                "24 MP (6000 x 4000)",
                generatePhotos(QDir(work).filePath(QStringLiteral("24mp")), floorCount, 6000, 4000),
                work, options, threads, rounds);
        return 0;
    }
    if (arguments.contains(QStringLiteral("--sin-recomprimir"))) {
        const auto samplingAt = arguments.indexOf(QStringLiteral("--muestreo"));
        const bool fullChroma = samplingAt >= 0 && arguments.value(samplingAt + 1) == "4:4:4";
        std::printf("Keeping the photos' own compression against re-encoding them whole, %s.\n",
                    fullChroma ? "4:4:4" : "4:2:0");
        const struct
        {
            const char *title;
            const char *folder;
            int count, width, height;
        } sizes[] = {{"12 MP (4000 x 3000)", "12mp", count, 4000, 3000},
                     {"24 MP (6000 x 4000)", "24mp", count, 6000, 4000},
                     {"100 MP (11547 x 8660)", "100mp", largeCount, 11547, 8660}};
        for (const auto &size : sizes)
            if (size.count > 0)
                compareKeptCompression(size.title,
                                       generatePhotos(QDir(work).filePath(size.folder), size.count,
                                                      size.width, size.height, fullChroma),
                                       work, options, rounds);
        return 0;
    }

    std::printf("Generating %d photos of 12 MP, %d of 100 MP and %d of 200 MP in %s\n", count,
                budgetOnly ? 0 : largeCount, hugeCount, qPrintable(work));
    const auto photos
            = generatePhotos(QDir(work).filePath(QStringLiteral("12mp")), count, 4000, 3000);
    const auto large = generatePhotos(QDir(work).filePath(QStringLiteral("100mp")),
                                      budgetOnly ? 0 : largeCount, 11547, 8660);
    const auto huge
            = generatePhotos(QDir(work).filePath(QStringLiteral("200mp")), hugeCount, 16330, 12250);
    std::printf("Every overlay, compass rose, renaming and backups on; quality %d; %d threads.\n",
                jpegQuality, threads);
    if (!crs.isEmpty()) {
        compareSystems(photos, work, options, crs, rounds);
        return 0;
    }
    if (!budgetOnly) {
        if (!photos.isEmpty()) {
            compare("12 MP (4000 x 3000)", photos, work, options, threads, rounds);
            memoryAsTheBatchGrows(photos, work, options);
        }
        if (heifCount > 0)
            compareHeif(
                    heifCount <= photos.size()
                            ? photos.mid(0, heifCount)
                            : generatePhotos(QDir(work).filePath(QStringLiteral("heic-sources")),
                                             heifCount, 4000, 3000),
                    work, options, rounds);
        if (!large.isEmpty())
            compare("100 MP (11547 x 8660)", large, work, options, threads, rounds);
    }
    compareBudget("12 MP (4000 x 3000)", photos, work, options, rounds);
    if (!huge.isEmpty())
        compareBudget("200 MP (16330 x 12250)", huge, work, options, rounds);
    return 0;
}
