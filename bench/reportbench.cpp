// Measures the photo report side by side with the batch on the same photos:
// PDF and Word at 2 photos a page against a batch with every overlay. Prints
// seconds per photo, each report's ratio to the batch, the bytes each photo
// adds to the files, and peak resident memory as the folder grows.
// Usage: reportbench [--photos N] [--rounds N] [--work FOLDER]
#include "bench/benchtools.h"
#include "image/photosizelimit.h"
#include "metadata/exiv2setup.h"
#include "processing/workpool.h"
#include "report/reportfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>
#include <QThreadPool>

#include <cstdio>

struct Measure
{
    double seconds = 0.0; // the fastest round
    long peakMegabytes = 0; // the highest round
    qint64 bytes = 0; // of the file written
};

static void keepBest(Measure &best, double seconds, long peak, qint64 bytes)
{
    if (best.seconds == 0.0 || seconds < best.seconds)
        best.seconds = seconds;
    best.peakMegabytes = qMax(best.peakMegabytes, peak);
    best.bytes = bytes;
}

static ReportSettings reportSettings(const QString &folder, ReportFormat format,
                                     const QString &work, const QString &logo)
{
    ReportSettings settings;
    settings.folder = folder;
    settings.project = QStringLiteral("Banco de pruebas");
    settings.logoPath = logo;
    settings.fontPath = QStringLiteral("/usr/share/fonts/truetype/noto/NotoSans-Regular.ttf");
    settings.format = format;
    settings.photosPerPage = 2;
    setReportTargets(settings, QDir(work).filePath(QStringLiteral("informe")));
    return settings;
}

static void runReport(Measure &measure, const ReportSettings &settings)
{
    resetPeakResident();
    QElapsedTimer clock;
    clock.start();
    const ReportOutcome outcome = writePhotoReport(
            settings, [](const QString &) {}, {}, nullptr);
    const double seconds = clock.elapsed() / 1000.0;
    if (outcome.written.size() != 1)
        qFatal("the report was not written");
    keepBest(measure, seconds, peakResidentMegabytes(), QFileInfo(outcome.written.first()).size());
}

static void runBatch(Measure &measure, const QStringList &photos, const QString &folder,
                     const ProcessingOptions &options)
{
    const BatchTiming timing = timeBatch(photos, folder, options);
    keepBest(measure, timing.seconds, timing.peakMegabytes, 0);
}

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const auto arguments = app.arguments();
    const int count = argumentValue(arguments, QStringLiteral("--photos"), 100);
    const int rounds = qMax(1, argumentValue(arguments, QStringLiteral("--rounds"), 2));
    QTemporaryDir temporary;
    const QString work = workFolder(arguments, temporary.path());
    initializeExiv2();
    QImageReader::setAllocationLimit(photoAllocationLimitMegabytes);
    const QString logo = writeBenchLogo(work);

    std::printf("Generating %d photos of 12 MP in %s\n", count, qPrintable(work));
    const QString folder = QDir(work).filePath(QStringLiteral("12mp"));
    const QStringList photos = generatePhotos(folder, count, 4000, 3000);
    const QString quarterFolder = QDir(work).filePath(QStringLiteral("cuarto"));
    freshCopy(photos.mid(0, qMax(1, count / 4)), quarterFolder);

    Measure batch, pdf, docx, quarterPdf, quarterDocx;
    for (int round = 0; round < rounds; ++round) {
        runBatch(batch, photos, QDir(work).filePath(QStringLiteral("lote")), everyOverlay(logo));
        runReport(pdf, reportSettings(folder, ReportFormat::Pdf, work, logo));
        runReport(docx, reportSettings(folder, ReportFormat::Docx, work, logo));
    }
    runReport(quarterPdf, reportSettings(quarterFolder, ReportFormat::Pdf, work, logo));
    runReport(quarterDocx, reportSettings(quarterFolder, ReportFormat::Docx, work, logo));

    std::printf("\n%d photos of 12 MP, 2 a page, %d threads, best of %d rounds\n", count,
                workPool()->maxThreadCount(), rounds);
    std::printf("                      s/photo   ratio to batch   KB/photo   peak RSS MB\n");
    std::printf("  batch, every overlay %7.3f\n", batch.seconds / count);
    const auto row = [&](const char *name, const Measure &measure) {
        std::printf("  %-20s %7.3f   %8.2f (<= 0.5) %8.0f   %ld\n", name, measure.seconds / count,
                    measure.seconds / batch.seconds, measure.bytes / 1024.0 / count,
                    measure.peakMegabytes);
    };
    row("report, PDF", pdf);
    row("report, Word", docx);
    std::printf("  peak RSS with %d photos: PDF %ld MB, Word %ld MB; with %d: PDF %ld MB, Word %ld "
                "MB (batch %ld MB)\n",
                qMax(1, count / 4), quarterPdf.peakMegabytes, quarterDocx.peakMegabytes, count,
                pdf.peakMegabytes, docx.peakMegabytes, batch.peakMegabytes);
    return 0;
}
