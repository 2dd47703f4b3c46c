#include "processing/batchsummary.h"

#include <QFileInfo>

#include <vector>

// One reason a file was or was not processed; `files` named after the count.
struct SummaryCount
{
    QString label;
    int count;
    QStringList files;
};

// A new reason is one more row here.
static std::vector<SummaryCount> summaryCounts(const BatchOutcome &outcome)
{
    return {
            {QStringLiteral("Fotos procesadas"), outcome.processed(), {}},
            {QStringLiteral("Fotos con coordenadas fijas"), int(outcome.fixedPosition.size()), {}},
            {QStringLiteral("Fotos sin posición (sin tocar)"),
             int(outcome.withoutPosition.size()),
             {}},
            {QStringLiteral("Fotos ya estampadas (omitidas)"),
             int(outcome.alreadyStamped.size()),
             {}},
            {QStringLiteral("Fotos con error"), outcome.errors(), {}},
            {QStringLiteral("Fotos fuera del área de uso del sistema de coordenadas"),
             int(outcome.outsideArea.size()), outcome.outsideArea},
            {QStringLiteral("Fotos sin procesar por la detención"),
             outcome.total - outcome.done,
             {}},
            {QStringLiteral("Archivos omitidos por formato no compatible"),
             int(outcome.unsupported.size()), outcome.unsupported},
            {QStringLiteral("Archivos omitidos porque su nombre no es texto válido (cámbieles el "
                            "nombre)"),
             int(outcome.badNames.size()), outcome.badNames},
    };
}

QString fileNameList(const QStringList &paths, int shown)
{
    QStringList names;
    for (const auto &path : paths.mid(0, shown))
        names << QFileInfo(path).fileName();
    QString text = names.join(QStringLiteral(", "));
    if (paths.size() > shown)
        text += QStringLiteral(" y %1 más").arg(QString::number(paths.size() - shown));
    return text;
}

QStringList batchSummary(const BatchOutcome &outcome)
{
    QStringList lines
            = {outcome.stopped() ? QStringLiteral("El proceso se detuvo a petición del usuario.")
                                 : QStringLiteral("El proceso ha finalizado.")};
    if (outcome.total == 0)
        lines << QStringLiteral("No se encontraron fotos en la carpeta.");
    for (const auto &count : summaryCounts(outcome)) {
        if (count.count == 0)
            continue;
        QString line = QStringLiteral("%1: %2").arg(count.label, QString::number(count.count));
        if (!count.files.isEmpty())
            line += QStringLiteral(" (%1)").arg(fileNameList(count.files));
        lines << line + QLatin1Char('.');
    }
    return lines;
}

QString batchCountLine(const BatchOutcome &outcome, const QString &time)
{
    QString line = (outcome.stopped() ? QStringLiteral("Proceso detenido: se procesaron ")
                                      : QStringLiteral("Se procesaron "))
            + QStringLiteral("%1 de %2 fotos en %3")
                      .arg(QString::number(outcome.processed()), QString::number(outcome.total),
                           time);
    const std::pair<int, const char *> others[] = {
            {int(outcome.alreadyStamped.size()), "ya estampadas (omitidas)"},
            {int(outcome.withoutPosition.size()), "sin posición (sin tocar)"},
            {outcome.errors(), "con error"},
            {outcome.total - outcome.done, "sin procesar por la detención"},
    };
    QStringList parts;
    for (const auto &[count, what] : others)
        if (count > 0)
            parts << QString::number(count) + QLatin1Char(' ') + QString::fromUtf8(what);
    if (!parts.isEmpty())
        line += QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    return line + QLatin1Char('.');
}

bool summaryWarns(const BatchOutcome &outcome)
{
    return outcome.total == 0 || outcome.processed() != outcome.total
            || !outcome.fixedPosition.isEmpty() || !outcome.unsupported.isEmpty()
            || !outcome.badNames.isEmpty() || !outcome.outsideArea.isEmpty();
}
