#include "report/reportfiles.h"

#include "files/atomicfile.h"
#include "report/reportdocx.h"
#include "report/reportpdf.h"

#include <QDir>
#include <QFileInfo>

// `path` without a ".pdf" or ".docx" ending.
static QString reportBase(const QString &path)
{
    QString base = path;
    for (const char *ending : {".pdf", ".docx"}) {
        if (base.endsWith(QLatin1String(ending), Qt::CaseInsensitive))
            base.chop(int(qstrlen(ending)));
    }
    return base;
}

QString reportTargetProblem(const QString &path)
{
    if (QFileInfo(reportBase(path)).fileName().isEmpty())
        return QStringLiteral("falta el nombre del archivo del registro fotográfico.");
    return QString();
}

void setReportTargets(ReportSettings &settings, const QString &path)
{
    const QString base = reportBase(path);
    settings.pdfPath = base + QStringLiteral(".pdf");
    settings.docxPath = base + QStringLiteral(".docx");
}

QStringList reportTargets(const ReportSettings &settings)
{
    QStringList targets;
    if (settings.format != ReportFormat::Docx)
        targets << settings.pdfPath;
    if (settings.format != ReportFormat::Pdf)
        targets << settings.docxPath;
    return targets;
}

ReportOutcome writePhotoReport(const ReportSettings &settings, const LogCallback &log,
                               const ProgressCallback &progress, const std::atomic<bool> *stop)
{
    ReportOutcome outcome;
    ReportRun run;
    run.stop = stop;
    const PhotoReport report = collectReport(settings, log, stop);
    outcome.failed = !report.unreadableFiles.isEmpty();
    if (report.located.isEmpty() && report.unlocated.isEmpty() && !(stop && stop->load())) {
        log(QStringLiteral("Error: No hay ninguna foto que mostrar en %1; no se escribió el "
                           "registro fotográfico.")
                    .arg(QDir::toNativeSeparators(settings.folder)));
        outcome.failed = true;
        return outcome;
    }
    const QStringList targets = reportTargets(settings);
    const int total = int((report.located.size() + report.unlocated.size()) * targets.size());
    int done = 0;
    if (progress) {
        progress(0, total);
        run.pictureDone = [&] {
            progress(++done, total);
        };
    }
    // Every format is built before any is written, so that a stop leaves
    // the folder as it was.
    QVector<QByteArray> files;
    QString error;
    for (const QString &target : targets) {
        // The PDF, when asked for, is the first target.
        const bool pdf = files.isEmpty() && settings.format != ReportFormat::Docx;
        QByteArray bytes;
        const bool built = pdf ? buildReportPdf(report, run, bytes, error)
                               : buildReportDocx(report, run, bytes, error);
        if (run.stopped()) {
            outcome.stopped = true;
            log(QStringLiteral("Registro fotográfico cancelado: no se escribió ningún archivo."));
            return outcome;
        }
        if (!built)
            log(QStringLiteral("Error: No se pudo crear %1: %2").arg(target, error));
        files.append(built ? bytes : QByteArray());
        outcome.failed |= !built;
    }
    for (const QString &path : std::as_const(run.unreadable)) {
        log(QStringLiteral("Error: No se pudo leer la foto: ") + path);
        outcome.failed = true;
    }
    for (int i = 0; i < targets.size(); ++i) {
        if (files.at(i).isEmpty())
            continue;
        if (replaceFileAtomically(targets.at(i), files.at(i), error)) {
            log(QStringLiteral("Registro fotográfico escrito en: ") + targets.at(i));
            outcome.written << targets.at(i);
        } else {
            log(QStringLiteral("Error: No se pudo escribir %1: %2").arg(targets.at(i), error));
            outcome.failed = true;
        }
    }
    return outcome;
}
