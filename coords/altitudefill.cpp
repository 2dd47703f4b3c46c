#include "coords/altitudefill.h"

#include "coords/altituderun.h"
#include "coords/coordinatesrow.h"
#include "coords/logquote.h"
#include "files/atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>
#include <QUrl>

#ifdef Q_OS_WIN
static const char lineEnd[] = "\r\n";
#else
static const char lineEnd[] = "\n";
#endif

// A service may echo the request, and Qt's error texts quote the URL: no line
// leaves the fill with the key in it, whatever its source.
static LogCallback hidingKey(const LogCallback &log, const QString &key)
{
    if (key.isEmpty())
        return log;
    const QString encodedKey = QString::fromLatin1(QUrl::toPercentEncoding(key));
    return [log, key, encodedKey](const QString &line) {
        QString safe = line;
        safe.replace(key, QStringLiteral("***")).replace(encodedKey, QStringLiteral("***"));
        log(safe);
    };
}

// Coordinates files are UTF-8. One that is not (a Latin-1 spreadsheet export,
// say) is read and written back as Latin-1, which keeps every byte of it;
// decoding it as UTF-8 would replace its accented letters for good.
static QStringConverter::Encoding textEncoding(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    // The decoder works when its result becomes a string.
    const QString decoded = utf8.decode(bytes);
    return utf8.hasError() ? QStringConverter::Latin1 : QStringConverter::Utf8;
}

static bool readLines(const QString &path, QStringList &lines, QStringConverter::Encoding &encoding,
                      const LogCallback &log)
{
    QFile file(path);
    // A FIFO or a device would block the fill while it is read.
    if (!QFileInfo(path).isFile()) {
        log(QStringLiteral("Error: No se pudo abrir el archivo CSV para leer: no es un archivo "
                           "común."));
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        log(QStringLiteral("Error: No se pudo abrir el archivo CSV para leer: ")
            + file.errorString());
        return false;
    }
    log(QStringLiteral("DEBUG: Abriendo CSV: %1").arg(path));
    const QByteArray bytes = file.readAll();
    encoding = textEncoding(bytes);
    lines = coordinatesFileLines(bytes, encoding);
    log(QStringLiteral("DEBUG: N° de líneas leídas: %1").arg(lines.size()));
    return true;
}

static bool writeLines(const QString &path, const QStringList &lines,
                       QStringConverter::Encoding encoding, const LogCallback &log)
{
    QStringEncoder encoder(encoding);
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += encoder.encode(line) + lineEnd;
    QString error;
    if (replaceFileAtomically(path, bytes, error))
        return true;
    log(QStringLiteral("Error: No se pudo guardar los cambios en el CSV: ") + error);
    return false;
}

// The 0-based index of the header's altitude field, appending one when the
// header has none.
static int findOrAppendAltitudeColumn(QStringList &headerFields)
{
    for (int i = 0; i < headerFields.size(); ++i) {
        if (headerFields.at(i).compare(QLatin1String("altitud"), Qt::CaseInsensitive) == 0)
            return i;
    }
    headerFields.append(QStringLiteral("altitud"));
    return headerFields.size() - 1;
}

AltitudeFillOutcome fillAltitudes(const QString &path, const QString &provider,
                                  const QString &apiKey, bool overwrite, const LogCallback &log,
                                  const ProgressCallback &progress, const ElevationService &service,
                                  const std::atomic<bool> *stop, const CrsTransform *crs)
{
    AltitudeJob job {{provider, apiKey, service, stop}, overwrite, 0, crs};
    const LogCallback safeLog = hidingKey(log, job.source.isGoogle() ? apiKey : QString());
    if (crs)
        for (const QString &line : crs->choiceLines())
            safeLog(line);
    QStringList lines;
    QStringConverter::Encoding encoding = QStringConverter::Utf8;
    if (!readLines(path, lines, encoding, safeLog))
        return {};
    if (lines.isEmpty()) {
        safeLog(QStringLiteral("Error: El archivo CSV está vacío."));
        return {};
    }

    QStringList headerFields = splitCoordinatesRow(lines.first());
    const qsizetype headerSize = headerFields.size();
    job.altitudeIndex = findOrAppendAltitudeColumn(headerFields);
    if (headerFields.size() != headerSize)
        lines.first() = joinCoordinatesRow(headerFields);
    safeLog(QStringLiteral("DEBUG: Header columns: %1")
                    .arg(quotedForLog(headerFields.join(QLatin1Char(',')))));
    safeLog(QStringLiteral("DEBUG: Índice de columna altitud: %1").arg(job.altitudeIndex));

    AltitudeRun run(job, lines, safeLog, progress);
    const bool ran = run.fillAll();
    for (const QString &line : transformationLines(run.usedTransformations()))
        safeLog(line);
    if (!ran)
        return {};

    safeLog(QStringLiteral("DEBUG: Escritura CSV, total líneas: %1").arg(lines.size()));
    if (!writeLines(path, lines, encoding, safeLog))
        return {};
    safeLog(QStringLiteral("DEBUG: CSV guardado correctamente"));
    safeLog(QStringLiteral("Proceso completado. Se actualizaron %1 de %2 registros.")
                    .arg(run.updatedRows())
                    .arg(run.totalRows()));
    return {true, job.source.stopped(), run.askedRows(), run.updatedRows()};
}
