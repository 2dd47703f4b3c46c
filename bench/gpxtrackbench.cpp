// Times reading a 1 000 000-point GPX track and placing 10 000 capture times
// on it, side by side with a plain XML read of the same file (every token,
// nothing interpreted) as the floor it cannot beat.

#include "coords/captureinstant.h"
#include "coords/gpxtrack.h"
#include "coords/trackplacement.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

static constexpr int pointCount = 1000000;
static constexpr int photoCount = 10000;
static constexpr int runs = 5;
static const QDateTime trackStart(QDate(2024, 3, 5), QTime(12, 0), Qt::UTC);

static bool writeTrack(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<gpx version=\"1.1\" creator=\"bench\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
            "<trk><name>bench</name><trkseg>\n");
    QByteArray line;
    for (int i = 0; i < pointCount; ++i) {
        // A new segment every hour, as a logger writes after a pause.
        if (i > 0 && i % 3600 == 0)
            file.write("</trkseg><trkseg>\n");
        line = QStringLiteral("<trkpt lat=\"%1\" lon=\"%2\"><ele>%3</ele><time>%4</time></trkpt>\n")
                       .arg(-33.4 - i * 1e-7, 0, 'f', 7)
                       .arg(-70.6 - i * 1e-7, 0, 'f', 7)
                       .arg(500.0 + (i % 1000) * 0.1, 0, 'f', 1)
                       .arg(trackStart.addSecs(i).toString(Qt::ISODate))
                       .toUtf8();
        file.write(line);
    }
    file.write("</trkseg></trk>\n</gpx>\n");
    return file.error() == QFileDevice::NoError;
}

static double milliseconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1.0e6;
}

static double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Camera clock readings in Santiago spread over the track, every one of them
// with a second and a half of sub-second part so none hits a point exactly.
static std::vector<CaptureClock> captureClocks()
{
    const QTimeZone santiago("America/Santiago");
    std::vector<CaptureClock> clocks;
    for (int i = 0; i < photoCount; ++i) {
        const QDateTime local
                = trackStart.addMSecs(qint64(i) * (pointCount / photoCount) * 1000 + 500)
                          .toTimeZone(santiago);
        clocks.push_back({local.date(), local.time(), QString()});
    }
    return clocks;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("track.gpx"));
    if (!dir.isValid() || !writeTrack(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    const std::vector<CaptureClock> clocks = captureClocks();
    const QTimeZone santiago("America/Santiago");

    int placed = 0;
    std::size_t points = 0;
    const auto readAndPlace = [&] {
        GpxTrack track;
        QString error;
        if (!readGpxTrack(path, track, error))
            std::fprintf(stderr, "%s\n", qPrintable(error));
        points = track.points.size();
        placed = 0;
        for (const CaptureClock &clock : clocks) {
            const qint64 utcMs = captureInstant(clock, santiago, 0).utc.toMSecsSinceEpoch();
            placed += placeOnTrack(track, utcMs, 300000).match == TrackMatch::Interpolated;
        }
    };
    int elements = 0;
    const auto plainRead = [&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QXmlStreamReader xml(&file);
        elements = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement)
                ++elements;
        }
    };
    // Interleaved, so a change in the machine's load hits both alike.
    std::vector<double> placementTimes;
    std::vector<double> plainTimes;
    for (int run = 0; run < runs; ++run) {
        placementTimes.push_back(milliseconds(readAndPlace));
        plainTimes.push_back(milliseconds(plainRead));
    }
    const double placementMs = median(placementTimes);
    const double plainMs = median(plainTimes);

    std::printf("track of %d points (%.0f MB), %d capture times\n", pointCount,
                QFile(path).size() / 1.0e6, photoCount);
    std::printf("read + place, median of %d runs: %.0f ms (%zu points, %d interpolated)\n", runs,
                placementMs, points, placed);
    std::printf("plain XML read of the same file (%d elements): %.0f ms\n", elements, plainMs);
    std::printf("read + place / plain read: %.2f (target < 1.5)\n", placementMs / plainMs);
    return points == std::size_t(pointCount) && placed == photoCount ? 0 : 1;
}
