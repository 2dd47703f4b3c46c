#include "coords/coordinatesrow.h"

#include "coords/logquote.h"

#include <QStringDecoder>

#include <cmath>

static constexpr int firstUtmZone = 1;
static constexpr int lastUtmZone = 60;
// Beyond these a position lies off its zone or off the globe.
static constexpr double maxEastingMetres = 1.0e6;
static constexpr double maxNorthingMetres = 1.0e7;

bool isPlausibleAltitude(double metres)
{
    return metres >= lowestAltitudeMetres && metres <= highestAltitudeMetres;
}

QStringList coordinatesFileLines(const QByteArray &bytes, QStringConverter::Encoding encoding)
{
    QStringDecoder decoder(encoding);
    const QString text = decoder.decode(bytes);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QStringList splitCoordinatesRow(const QString &line)
{
    return line.split(QLatin1Char(';'), Qt::KeepEmptyParts);
}

QString joinCoordinatesRow(const QStringList &fields)
{
    return fields.join(QLatin1Char(';'));
}

bool readCoordinateNumber(const QString &text, double &value)
{
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return false;
    value = number;
    return true;
}

static char upperCaseBand(char letter)
{
    return letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
}

static bool isUtmBand(char letter)
{
    return letter >= 'C' && letter <= 'X' && letter != 'I' && letter != 'O';
}

// Easting and northing as numbers, and within a UTM zone's ranges when
// `utmRanges`.
static void readMetres(const QStringList &fields, RowPosition &position, bool utmRanges)
{
    position.eastingValid = readCoordinateNumber(fields.at(3).trimmed(), position.easting)
            && (!utmRanges || (position.easting >= 0.0 && position.easting <= maxEastingMetres));
    position.northingValid = readCoordinateNumber(fields.at(4).trimmed(), position.northing)
            && (!utmRanges || (position.northing >= 0.0 && position.northing <= maxNorthingMetres));
}

RowPosition readRowPosition(const QStringList &fields)
{
    RowPosition position;
    position.zone = fields.at(1).trimmed().toInt(&position.zoneValid, 10);
    position.zoneValid
            = position.zoneValid && position.zone >= firstUtmZone && position.zone <= lastUtmZone;

    const QString letterText = fields.at(2).trimmed();
    position.letterEmpty = letterText.isEmpty();
    if (!position.letterEmpty) {
        // A letter beyond 8 bits is no band; 0 keeps it from passing for one.
        const char16_t code = letterText.at(0).unicode();
        // A lower-case letter is its upper-case band, for the reader and the
        // fill alike.
        position.letter = code < 256 ? upperCaseBand(static_cast<char>(code)) : '\0';
    }
    position.letterValid = isUtmBand(position.letter);

    readMetres(fields, position, true);
    return position;
}

bool fitsChosenSystem(const QStringList &fields, const CrsTransform &crs, RowPosition &position,
                      const QString &name, const LogCallback &log)
{
    readMetres(fields, position, crs.utmZone().has_value());
    if (position.zoneValid && crs.utmZone() && *crs.utmZone() != position.zone) {
        log(QStringLiteral("La fila de %1 está en la zona %2, pero %3 es de la zona %4: se omite.")
                    .arg(quotedForLog(name), QString::number(position.zone), crs.entry().name,
                         QString::number(*crs.utmZone())));
        return false;
    }
    LatLon place;
    if (position.eastingValid && position.northingValid
        && !crs.placeOf(position.easting, position.northing, place)) {
        log(QStringLiteral("La posición de %1 (E %2, N %3) no corresponde a ningún lugar de la "
                           "Tierra en %4: se omite.")
                    .arg(quotedForLog(name), quotedForLog(fields.at(3).trimmed()),
                         quotedForLog(fields.at(4).trimmed()), crs.entry().name));
        return false;
    }
    return true;
}
