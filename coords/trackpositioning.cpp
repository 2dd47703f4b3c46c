#include "coords/trackpositioning.h"

#include "coords/captureinstant.h"
#include "coords/clockcorrection.h"
#include "coords/timezonenames.h"
#include "coords/trackplacement.h"
#include "metadata/exifreader.h"

#include <algorithm>
#include <cstdlib>

bool prepareTrackPositioning(const QString &gpxPath, const QString &cameraZoneId,
                             int clockCorrectionSeconds, int maxSeparationSeconds,
                             TrackPositioning &positioning, QString &error)
{
    positioning.cameraZone = cameraZoneId.isEmpty() ? QTimeZone::systemTimeZone()
                                                    : QTimeZone(cameraZoneId.toUtf8());
    if (!positioning.cameraZone.isValid()
        || (!cameraZoneId.isEmpty() && !isKnownTimeZoneId(cameraZoneId))) {
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

QString durationText(qint64 milliseconds)
{
    const qint64 magnitude = std::abs(milliseconds);
    if (magnitude <= 120 * 1000)
        return secondsText(milliseconds) + QStringLiteral(" s");
    const qint64 hours = magnitude / 3600000;
    const qint64 minutes = magnitude / 60000 % 60;
    QStringList parts;
    if (hours > 0)
        parts << QStringLiteral("%1 h").arg(hours);
    if (minutes > 0)
        parts << QStringLiteral("%1 min").arg(minutes);
    if (magnitude % 60000 > 0)
        parts << secondsText(magnitude % 60000) + QStringLiteral(" s");
    return (milliseconds < 0 ? QStringLiteral("-") : QString()) + parts.join(QLatin1Char(' '));
}

static QString howFound(const TrackPlacement &placement)
{
    switch (placement.match) {
    case TrackMatch::Exact:
        return QStringLiteral("punto del track a la misma hora");
    case TrackMatch::Interpolated:
        return QStringLiteral("interpolada entre puntos a %1 y %2")
                .arg(durationText(placement.beforeMs), durationText(placement.afterMs));
    default:
        return QStringLiteral("punto más cercano a %1").arg(durationText(placement.nearestMs));
    }
}

static QString positionLine(const TrackFix &fix, const TrackPlacement &placement)
{
    QString line = QStringLiteral("Posición del track GPX (%1): Lat: %2, Lon: %3")
                           .arg(howFound(placement), QString::number(fix.latitude),
                                QString::number(fix.longitude));
    if (fix.direction)
        line += QStringLiteral(", Orientación: ") + QString::number(*fix.direction);
    if (fix.altitude)
        line += QStringLiteral(", Altitud: ") + QString::number(*fix.altitude)
                + (placement.hasElevation ? QString() : QStringLiteral(" (de la foto)"));
    return line;
}

// Further than this from the track, yet within a day of it, a photo was most
// likely read in the wrong zone or with the wrong clock correction.
static constexpr qint64 suspectGapMs = 15 * 60 * 1000;
static constexpr qint64 dayMs = 24 * 3600 * 1000;

static bool clockLooksWrong(const TrackPlacement &placement)
{
    return placement.match == TrackMatch::None && placement.nearestMs > suspectGapMs
            && placement.nearestMs <= dayMs;
}

static QString unplacedLine(const QString &fileName, const TrackPlacement &placement)
{
    QString line = QStringLiteral("Sin posición en el track GPX para %1: el punto más cercano está "
                                  "a %2.")
                           .arg(fileName, durationText(placement.nearestMs));
    if (clockLooksWrong(placement))
        line += QStringLiteral(" ¿Zona horaria o corrección del reloj incorrecta?");
    return line;
}

static int placedCount(const TrackPositioning &positioning, const QVector<qint64> &utcMs,
                       qint64 shiftMs)
{
    int count = 0;
    for (const qint64 instant : utcMs)
        count += placeOnTrack(positioning.track, instant + shiftMs, positioning.maxSeparationMs)
                         .match
                != TrackMatch::None;
    return count;
}

QString clockShiftHint(const TrackPositioning &positioning, const QVector<qint64> &utcMs)
{
    const bool suspect = std::any_of(utcMs.begin(), utcMs.end(), [&](qint64 instant) {
        return clockLooksWrong(
                placeOnTrack(positioning.track, instant, positioning.maxSeparationMs));
    });
    if (!suspect)
        return QString();
    // Zones lie from 12 hours west to 14 hours east of UTC.
    int bestHours = 0;
    int bestCount = placedCount(positioning, utcMs, 0);
    for (int hours = -26; hours <= 26; ++hours) {
        const int count = placedCount(positioning, utcMs, qint64(hours) * 3600 * 1000);
        if (count > bestCount) {
            bestHours = hours;
            bestCount = count;
        }
    }
    if (bestHours == 0 || 2 * bestCount <= utcMs.size())
        return QString();
    return QStringLiteral("Con una diferencia de %1 h, %2 de %3 fotos quedarían dentro del track.")
            .arg(QString::number(bestHours), QString::number(bestCount),
                 QString::number(utcMs.size()));
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
    fix.zoned = zonedInstant(instant);
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
        lines << unplacedLine(fileName, placement);
        return fix;
    }
    fix.found = true;
    fix.latitude = placement.latitude;
    fix.longitude = placement.longitude;
    if (placement.hasElevation) {
        fix.altitude = placement.elevation;
    } else {
        const ExifAltitude altitude = readGpsAltitude(exif);
        fix.altitude = altitude.metres;
        if (altitude.discarded)
            lines << discardedAltitudeLine(fileName, *altitude.discarded);
    }
    fix.direction = readImageDirection(exif);
    lines << positionLine(fix, placement);
    return fix;
}
