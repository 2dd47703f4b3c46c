#include "coords/gpxtrack.h"

#include "coords/coordinatesrow.h"
#include "coords/isotime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QXmlStreamReader>

#include <algorithm>
#include <charconv>
#include <cmath>

// A decimal number such as "-33.4512", whatever the locale. Qt's own
// conversion goes through the locale machinery and would take longer than
// the XML reading itself.
static bool parseNumber(QStringView text, double &value)
{
    text = text.trimmed();
    if (text.startsWith(u'+'))
        text = text.mid(1);
    char digits[64];
    if (text.isEmpty() || text.size() >= qsizetype(sizeof digits))
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c > 0x7f)
            return false;
        digits[i] = char(c);
    }
    const char *end = digits + text.size();
    const auto result = std::from_chars(digits, end, value);
    return result.ec == std::errc() && result.ptr == end;
}

static bool onGlobe(double latitude, double longitude)
{
    return std::abs(latitude) <= 90.0 && std::abs(longitude) <= 180.0;
}

// The text of the element the reader stands on, into `text`: one buffer for
// every element, so a million points cost no allocation each. Leaves the
// reader on the element's end.
static void readText(QXmlStreamReader &xml, QString &text)
{
    text.resize(0);
    for (;;) {
        switch (xml.readNext()) {
        case QXmlStreamReader::Characters:
            text.append(xml.text());
            break;
        case QXmlStreamReader::StartElement:
            xml.skipCurrentElement();
            break;
        case QXmlStreamReader::EndElement:
        case QXmlStreamReader::Invalid:
            return;
        default:
            break;
        }
    }
}

// The reader stands on a trkpt start element; leaves it on its end element.
static void readPoint(QXmlStreamReader &xml, GpxTrack &track, QString &text)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    TrackPoint point;
    const bool latitudeOk = parseNumber(attributes.value(QLatin1String("lat")), point.latitude);
    const bool longitudeOk = parseNumber(attributes.value(QLatin1String("lon")), point.longitude);
    bool timeOk = false;
    bool implausibleElevation = false;
    while (xml.readNextStartElement()) {
        const QStringView name = xml.name();
        if (name == u"time") {
            readText(xml, text);
            timeOk = parseIsoInstant(QStringView(text).trimmed(), point.utcMs);
        } else if (name == u"ele") {
            readText(xml, text);
            // 1e30 or nan would reach the stamp and the exports as an altitude.
            point.hasElevation = parseNumber(text, point.elevation);
            implausibleElevation = point.hasElevation && !isPlausibleAltitude(point.elevation);
            point.hasElevation = point.hasElevation && !implausibleElevation;
        } else {
            xml.skipCurrentElement();
        }
    }
    if (timeOk && latitudeOk && longitudeOk && onGlobe(point.latitude, point.longitude)) {
        track.points.push_back(point);
        track.implausibleElevationCount += implausibleElevation;
    } else {
        ++track.skippedCount;
    }
}

static bool readFile(const QString &path, GpxTrack &track, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("No se pudo abrir el track GPX %1: %2")
                        .arg(path, file.errorString());
        return false;
    }
    QXmlStreamReader xml(&file);
    QString text;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"trkpt")
            readPoint(xml, track, text);
    }
    if (xml.hasError()) {
        error = QStringLiteral("El track GPX %1 no es XML válido (línea %2, columna %3): %4")
                        .arg(path, QString::number(xml.lineNumber()),
                             QString::number(xml.columnNumber()), xml.errorString());
        return false;
    }
    ++track.fileCount;
    return true;
}

// The file itself, or the .gpx files directly in the folder, by name.
static QStringList gpxFiles(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return {path};
    QStringList files;
    const QDir folder(path);
    for (const QString &name : folder.entryList({QStringLiteral("*.gpx")}, QDir::Files, QDir::Name))
        files << folder.filePath(name);
    return files;
}

bool readGpxTrack(const QString &path, GpxTrack &track, QString &error)
{
    track = GpxTrack();
    const QFileInfo info(path);
    if (!info.exists()) {
        error = QStringLiteral("No se encontró el track GPX: ") + path;
        return false;
    }
    // A FIFO or a device would block the run while it is read.
    if (!info.isFile() && !info.isDir()) {
        error = QStringLiteral("El track GPX %1 no es un archivo común ni una carpeta.").arg(path);
        return false;
    }
    const QStringList files = gpxFiles(path);
    if (files.isEmpty()) {
        error = QStringLiteral("La carpeta %1 no contiene archivos .gpx.").arg(path);
        return false;
    }
    for (const QString &file : files) {
        if (!readFile(file, track, error))
            return false;
    }
    if (track.points.empty()) {
        error = QStringLiteral("El track GPX %1 no tiene ningún punto con posición y hora válidas.")
                        .arg(path);
        return false;
    }
    // Files of several days arrive in name order, not time order.
    const auto earlier = [](const TrackPoint &a, const TrackPoint &b) {
        return a.utcMs < b.utcMs;
    };
    if (!std::is_sorted(track.points.begin(), track.points.end(), earlier))
        std::stable_sort(track.points.begin(), track.points.end(), earlier);
    return true;
}
