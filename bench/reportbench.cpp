// Measures the photo report side by side with the batch on the same photos:
// PDF and Word at 2 photos a page, with a description in every photo, the
// title block, cover and index, against a batch with every overlay; and the
// writing of those descriptions, one photo after the other as the window's
// table saves them. Prints seconds per photo, each one's ratio to the batch,
// the bytes each photo adds to the files, and peak resident memory as the
// folder grows.
// Usage: reportbench [--photos N] [--rounds N] [--work FOLDER]
#include "bench/benchtools.h"
#include "image/photosizelimit.h"
#include "metadata/exiv2setup.h"
#include "metadata/photodescription.h"
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

#include <unistd.h>

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
    settings.title.code = QStringLiteral("BP-INF-001-AN1");
    settings.title.revision = QStringLiteral("0");
    settings.title.preparedBy = QStringLiteral("Ana Pérez");
    settings.title.reviewedBy = QStringLiteral("Luis Soto");
    settings.title.approvedBy = QStringLiteral("María Díaz");
    settings.title.company = QStringLiteral("Consultora de prueba");
    settings.title.cover = settings.title.photoIndex = true;
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

// Each photo's description, written as the window's table saves them.
static void runDescriptions(Measure &measure, const QStringList &photos, int round)
{
    // The photos just generated are still being written out; each write's
    // sync would wait for them all and time the generator instead.
    sync();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < photos.size(); ++i) {
        QString reason;
        const QString text = QStringLiteral("Punto de control %1, vista %2 del talud norte")
                                     .arg(i + 1)
                                     .arg(round + 1);
        if (!writePhotoDescription(photos.at(i), text, reason))
            qFatal("no description written: %s", qPrintable(reason));
    }
    keepBest(measure, clock.elapsed() / 1000.0, 0, 0);
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

    Measure descriptions, batch, pdf, docx, quarterPdf, quarterDocx;
    for (int round = 0; round < rounds; ++round) {
        runDescriptions(descriptions, photos, round);
        runBatch(batch, photos, QDir(work).filePath(QStringLiteral("lote")), everyOverlay(logo));
        runReport(pdf, reportSettings(folder, ReportFormat::Pdf, work, logo));
        runReport(docx, reportSettings(folder, ReportFormat::Docx, work, logo));
    }
    runReport(quarterPdf, reportSettings(quarterFolder, ReportFormat::Pdf, work, logo));
    runReport(quarterDocx, reportSettings(quarterFolder, ReportFormat::Docx, work, logo));

    std::printf("\n%d photos of 12 MP, 2 a page, descriptions, title block, cover and index, "
                "%d threads, best of %d rounds\n",
                count, workPool()->maxThreadCount(), rounds);
    std::printf("                      s/photo   ratio to batch   KB/photo   peak RSS MB\n");
    std::printf("  batch, every overlay %7.3f\n", batch.seconds / count);
    const auto row = [&](const char *name, const Measure &measure) {
        std::printf("  %-20s %7.3f   %8.2f (<= 0.5) %8.0f   %ld\n", name, measure.seconds / count,
                    measure.seconds / batch.seconds, measure.bytes / 1024.0 / count,
                    measure.peakMegabytes);
    };
    row("report, PDF", pdf);
    row("report, Word", docx);
    std::printf("  descriptions written %7.3f   %8.3f (<= 0.1)\n", descriptions.seconds / count,
                descriptions.seconds / batch.seconds);
    std::printf("  peak RSS with %d photos: PDF %ld MB, Word %ld MB; with %d: PDF %ld MB, Word %ld "
                "MB (batch %ld MB)\n",
                qMax(1, count / 4), quarterPdf.peakMegabytes, quarterDocx.peakMegabytes, count,
                pdf.peakMegabytes, docx.peakMegabytes, batch.peakMegabytes);
    return 0;
}
