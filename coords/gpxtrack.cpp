#include "coords/gpxtrack.h"

#include "coords/isotime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>

static bool onGlobe(double latitude, double longitude)
{
    return std::abs(latitude) <= 90.0 && std::abs(longitude) <= 180.0;
}

// The reader stands on a trkpt start element; leaves it on its end element.
static void readPoint(QXmlStreamReader &xml, GpxTrack &track)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    bool latitudeOk = false;
    bool longitudeOk = false;
    TrackPoint point;
    point.latitude = attributes.value(QLatin1String("lat")).toDouble(&latitudeOk);
    point.longitude = attributes.value(QLatin1String("lon")).toDouble(&longitudeOk);
    bool timeOk = false;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"time")
            timeOk = parseIsoInstant(QStringView(xml.readElementText()).trimmed(), point.utcMs);
        else if (xml.name() == u"ele")
            point.elevation
                    = QStringView(xml.readElementText()).trimmed().toDouble(&point.hasElevation);
        else
            xml.skipCurrentElement();
    }
    if (timeOk && latitudeOk && longitudeOk && onGlobe(point.latitude, point.longitude))
        track.points.push_back(point);
    else
        ++track.skippedCount;
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
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"trkpt")
            readPoint(xml, track);
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
    for (const QString &name :
         folder.entryList({QStringLiteral("*.gpx")}, QDir::Files | QDir::Readable, QDir::Name))
        files << folder.filePath(name);
    return files;
}

bool readGpxTrack(const QString &path, GpxTrack &track, QString &error)
{
    track = GpxTrack();
    if (!QFileInfo::exists(path)) {
        error = QStringLiteral("No se encontró el track GPX: ") + path;
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
