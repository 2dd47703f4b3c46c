#include "coords/trackpositioning.h"

#include "coords/captureinstant.h"
#include "coords/clockcorrection.h"
#include "coords/trackplacement.h"
#include "metadata/exifreader.h"

bool prepareTrackPositioning(const QString &gpxPath, const QString &cameraZoneId,
                             int clockCorrectionSeconds, int maxSeparationSeconds,
                             TrackPositioning &positioning, QString &error)
{
    positioning.cameraZone = cameraZoneId.isEmpty() ? QTimeZone::systemTimeZone()
                                                    : QTimeZone(cameraZoneId.toUtf8());
    if (!positioning.cameraZone.isValid()) {
        error = QStringLiteral("Zona horaria de la cámara no válida: ") + cameraZoneId;
        return false;
    }
    positioning.clockCorrectionSeconds = clockCorrectionSeconds;
    positioning.maxSeparationMs = qint64(maxSeparationSeconds) * 1000;
    return readGpxTrack(gpxPath, positioning.track, error);
}

// Whole seconds plainly, fractions to the millisecond: "12", "0.25".
static QString secondsText(qint64 milliseconds)
{
    QString text = QString::number(double(milliseconds) / 1000.0, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

static QString utcText(qint64 utcMs)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC).toString(Qt::ISODateWithMs);
}

QStringList trackSummary(const TrackPositioning &positioning)
{
    const GpxTrack &track = positioning.track;
    QStringList lines {
            QStringLiteral("Track GPX: %1 archivo(s), %2 puntos leídos, %3 puntos omitidos (sin "
                           "hora válida o fuera del globo).")
                    .arg(track.fileCount)
                    .arg(track.points.size())
                    .arg(track.skippedCount),
            QStringLiteral("Track GPX desde %1 hasta %2 (UTC).")
                    .arg(utcText(track.points.front().utcMs), utcText(track.points.back().utcMs)),
            QStringLiteral("Zona horaria de la cámara: %1. Corrección del reloj: %2. Separación "
                           "máxima entre puntos: %3 s.")
                    .arg(QString::fromUtf8(positioning.cameraZone.id()),
                         clockCorrectionText(positioning.clockCorrectionSeconds),
                         secondsText(positioning.maxSeparationMs)),
    };
    if (track.implausibleElevationCount > 0)
        lines << QStringLiteral("Track GPX: %1 puntos con una elevación fuera de -500 … 9000 m; "
                                "se usan sin altitud.")
                         .arg(track.implausibleElevationCount);
    return lines;
}

static QString howFound(const TrackPlacement &placement)
{
    switch (placement.match) {
    case TrackMatch::Exact:
        return QStringLiteral("punto del track a la misma hora");
    case TrackMatch::Interpolated:
        return QStringLiteral("interpolada entre puntos a %1 s y %2 s")
                .arg(secondsText(placement.beforeMs), secondsText(placement.afterMs));
    default:
        return QStringLiteral("punto más cercano a %1 s").arg(secondsText(placement.nearestMs));
    }
}

static QString positionLine(const TrackFix &fix, const TrackPlacement &placement)
{
    QString line = QStringLiteral("Posición del track GPX (%1): Lat: %2, Lon: %3")
                           .arg(howFound(placement), QString::number(fix.latitude),
                                QString::number(fix.longitude));
    if (fix.hasDirection)
        line += QStringLiteral(", Orientación: ") + QString::number(fix.direction);
    if (fix.hasAltitude)
        line += QStringLiteral(", Altitud: ") + QString::number(fix.altitude)
                + (placement.hasElevation ? QString() : QStringLiteral(" (de la foto)"));
    return line;
}

TrackFix locateOnTrack(const TrackPositioning &positioning, const Exiv2::ExifData &exif,
                       const QString &fileName, QStringList &lines)
{
    TrackFix fix;
    CaptureClock clock;
    if (!readCaptureClock(exif, clock)) {
        lines << QStringLiteral("Fecha de captura (DateTimeOriginal) no encontrada para %1: sin "
                                "posición del track GPX.")
                         .arg(fileName);
        return fix;
    }
    const CaptureInstant instant
            = captureInstant(clock, positioning.cameraZone, positioning.clockCorrectionSeconds);
    fix.utc = instant.utc;
    const qint64 utcMs = instant.utc.toMSecsSinceEpoch();
    lines << QStringLiteral("Instante UTC: %1 (zona %2, corrección del reloj %3)")
                     .arg(utcText(utcMs), instant.zone,
                          clockCorrectionText(positioning.clockCorrectionSeconds));
    if (instant.ambiguous)
        lines << QStringLiteral("La hora de captura se repite en %1 al atrasar el reloj: se toma "
                                "la primera vez.")
                         .arg(instant.zone);
    const TrackPlacement placement
            = placeOnTrack(positioning.track, utcMs, positioning.maxSeparationMs);
    if (placement.match == TrackMatch::None) {
        lines << QStringLiteral("Sin posición en el track GPX para %1: el punto más cercano está "
                                "a %2 s.")
                         .arg(fileName, secondsText(placement.nearestMs));
        return fix;
    }
    fix.found = true;
    fix.latitude = placement.latitude;
    fix.longitude = placement.longitude;
    fix.altitude = placement.elevation;
    fix.hasAltitude = placement.hasElevation || readGpsAltitude(exif, fix.altitude);
    fix.hasDirection = readImageDirection(exif, fix.direction);
    lines << positionLine(fix, placement);
    return fix;
}
