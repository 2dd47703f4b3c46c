#include "coords/gpxtrack.h"
#include "coords/captureinstant.h"
#include "coords/clockcorrection.h"
#include "coords/isotime.h"
#include "coords/samplefile.h"
#include "coords/trackplacement.h"
#include "metadata/exiv2image.h"
#include "metadata/exiv2setup.h"
#include "processing/photoprocessor.h"
#include "tests/support/files.h"
#include "tests/support/testphotos.h"

#include <QtTest>

#include <climits>

static QString point(double latitude, double longitude, const QString &time,
                     const QString &extra = QString())
{
    return QStringLiteral("<trkpt lat=\"%1\" lon=\"%2\"><time>%3</time>%4</trkpt>\n")
            .arg(latitude)
            .arg(longitude)
            .arg(time, extra);
}

static bool writeGpx(const QString &path, const QString &points, const QString &version = "1/1")
{
    return writeBytes(path,
                      QStringLiteral("<?xml version=\"1.0\"?>\n<gpx "
                                     "xmlns=\"http://www.topografix.com/GPX/%1\">\n<wpt "
                                     "lat=\"1\" lon=\"1\"><time>2024-03-05T12:00:00Z</time></"
                                     "wpt>\n<trk><trkseg>\n%2</trkseg></trk>\n</gpx>\n")
                              .arg(version, points)
                              .toUtf8());
}

static qint64 ms(const char *isoUtc)
{
    return QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODateWithMs)
            .toMSecsSinceEpoch();
}

static QString exifText(const QString &path, const char *key)
{
    const Exiv2ImagePtr image = openImageFile(path);
    const auto it = image->exifData().findKey(Exiv2::ExifKey(key));
    return it == image->exifData().end() ? QString() : QString::fromStdString(it->toString());
}

class GpxTrackTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initializeExiv2(); }

    void isoTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected"); // -1: rejected
        QTest::newRow("west offset") << "2024-03-05T11:30:00-03:00" << ms("2024-03-05T14:30:00Z");
        QTest::newRow("east offset, no colon")
                << "2024-03-06T01:00:00+0530" << ms("2024-03-05T19:30:00Z");
        QTest::newRow("fraction") << "2024-03-05T14:30:00.25Z" << ms("2024-03-05T14:30:00.250Z");
        QTest::newRow("no leap day") << "2023-02-29T00:00:00Z" << qint64(-1);
        QTest::newRow("no seconds") << "2024-03-05T14:30Z" << qint64(-1);
    }

    void isoTimes()
    {
        QFETCH(QString, text);
        qint64 utcMs = -1;
        if (!parseIsoInstant(text, utcMs))
            utcMs = -1;
        QTEST(utcMs, "expected");
    }

    void clockCorrections_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("seconds"); // INT_MIN: rejected
        QTest::newRow("ahead") << "+00:01:30" << 90;
        QTest::newRow("behind") << "-01:02:03" << -3723;
        QTest::newRow("no seconds") << "+01:30" << INT_MIN;
        QTest::newRow("minutes 60") << "+00:60:00" << INT_MIN;
    }

    // What is written reads back the same, so the log shows what was typed.
    void clockCorrections()
    {
        QFETCH(QString, text);
        QFETCH(int, seconds);
        int read = INT_MIN;
        if (!parseClockCorrection(text, read))
            read = INT_MIN;
        QCOMPARE(read, seconds);
        QVERIFY(seconds == INT_MIN
                || (parseClockCorrection(clockCorrectionText(seconds), read) && read == seconds));
    }

    void readsEveryTrackPointOfOneFileOrAFolder()
    {
        QTemporaryDir dir;
        // Named so that the later day comes first.
        QVERIFY(writeGpx(dir.filePath("a.gpx"),
                         point(-33.5, -70.5, "2024-03-06T10:00:00Z", "<ele>600</ele>")
                                 + point(95, 0, "2024-03-06T10:00:01Z")
                                 + point(-33.5, -70.5, "not a time")));
        QVERIFY(writeGpx(dir.filePath("b.GPX"),
                         "<trkpt lat=\"-33.4\" lon=\"-70.6\"><extensions><time>x</time>"
                         "</extensions><time>2024-03-05T07:00:00-03:00</time></trkpt>",
                         "1/0"));
        GpxTrack track;
        QString error;
        QVERIFY2(readGpxTrack(dir.path(), track, error), qPrintable(error));
        QCOMPARE(track.fileCount, 2);
        QCOMPARE(track.skippedCount, 2);
        QCOMPARE(int(track.points.size()), 2);
        QCOMPARE(track.points[0].utcMs, ms("2024-03-05T10:00:00Z"));
        QCOMPARE(track.points[0].hasElevation, false);
        QCOMPARE(track.points[1].elevation, 600.0);
    }

    void badInputIsRefused_data()
    {
        QTest::addColumn<QString>("content"); // empty: the folder holds no file
        QTest::addColumn<QString>("message");
        QTest::newRow("not well-formed") << "<gpx>\n<trk><trkseg>\n<trkpt lat=\"1\"></trk>"
                                         << "(línea 3, columna";
        QTest::newRow("no usable point") << "<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"1\"/>"
                                            "</trkseg></trk></gpx>"
                                         << "ningún punto";
        QTest::newRow("folder without .gpx") << QString() << "no contiene archivos .gpx";
    }

    void badInputIsRefused()
    {
        QFETCH(QString, content);
        QTemporaryDir dir;
        QString path = dir.path();
        if (!content.isEmpty()) {
            path = dir.filePath("t.gpx");
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content.toUtf8()) > 0);
        }
        GpxTrack track;
        QString error;
        QVERIFY(!readGpxTrack(path, track, error));
        QVERIFY2(error.contains(path), qPrintable(error));
        QFETCH(QString, message);
        QVERIFY2(error.contains(message), qPrintable(error));
    }

    void placement_data()
    {
        QTest::addColumn<qint64>("seconds"); // after the first point
        QTest::addColumn<int>("match");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("elevation"); // NaN: none
        QTest::addColumn<qint64>("nearestMs");
        const double none = qQNaN();
        const int exact = int(TrackMatch::Exact), between = int(TrackMatch::Interpolated),
                  nearest = int(TrackMatch::Nearest), missing = int(TrackMatch::None);
        // Points at 0 s, 10 s, 1000 s (a gap wider than 300 s), 1010 s, 1020 s.
        QTest::newRow("interpolated") << 2LL << between << 0.2 << -0.4 << 120.0 << 0LL;
        QTest::newRow("exact point") << 10LL << exact << 1.0 << -2.0 << 200.0 << 0LL;
        QTest::newRow("before, within 60 s") << -60LL << nearest << 0.0 << 0.0 << 100.0 << 60000LL;
        QTest::newRow("wide gap, near its start")
                << 50LL << nearest << 1.0 << -2.0 << 200.0 << 40000LL;
        QTest::newRow("wide gap, middle") << 500LL << missing << 1.0 << -2.0 << 200.0 << 490000LL;
        QTest::newRow("after, within 60 s")
                << 1070LL << nearest << 5.0 << -178.0 << none << 50000LL;
    }

    void placement()
    {
        QFETCH(qint64, seconds);
        GpxTrack track;
        track.points = {{0, 0.0, 0.0, 100.0, true},
                        {10000, 1.0, -2.0, 200.0, true},
                        {1000000, 5.0, 179.0, 0.0, true},
                        {1010000, 5.0, 181.0 - 360.0, 0.0, false},
                        {1020000, 5.0, -178.0, 0.0, false}};
        const TrackPlacement placement = placeOnTrack(track, seconds * 1000, 300000);
        QTEST(int(placement.match), "match");
        QTEST(placement.nearestMs, "nearestMs");
        if (placement.match == TrackMatch::None)
            return;
        QFETCH(double, elevation);
        QTEST(placement.latitude, "latitude");
        QTEST(placement.longitude, "longitude");
        QCOMPARE(placement.hasElevation, !qIsNaN(elevation));
        if (placement.hasElevation)
            QCOMPARE(placement.elevation, elevation);
    }

    void captureInstants_data()
    {
        QTest::addColumn<QString>("reading"); // DateTimeOriginal; empty: no tag
        QTest::addColumn<QString>("subSeconds");
        QTest::addColumn<QString>("offset"); // OffsetTimeOriginal
        QTest::addColumn<QString>("zone");
        QTest::addColumn<int>("correction");
        QTest::addColumn<QString>("utc");
        QTest::addColumn<bool>("ambiguous");
        const QString santiago = "America/Santiago", berlin = "Europe/Berlin", no;
        const QString summer = "2024:03:05 14:30:00";
        QTest::newRow("summer zone")
                << summer << no << no << santiago << 0 << "2024-03-05T17:30:00.000Z" << false;
        QTest::newRow("photo offset beats zone")
                << summer << no << "+02:00" << santiago << 0 << "2024-03-05T12:30:00.000Z" << false;
        QTest::newRow("clock ahead")
                << summer << no << "-03:00" << berlin << 90 << "2024-03-05T17:28:30.000Z" << false;
        QTest::newRow("repeated hour, south") << "2024:04:06 23:30:00" << no << no << santiago << 0
                                              << "2024-04-07T02:30:00.000Z" << true;
        QTest::newRow("repeated hour, north") << "2024:10:27 02:30:00" << no << no << berlin << 0
                                              << "2024-10-27T00:30:00.000Z" << true;
        QTest::newRow("skipped hour") << "2024:03:31 02:30:00" << no << no << berlin << 0
                                      << "2024-03-31T01:30:00.000Z" << false;
    }

    void captureInstants()
    {
        QFETCH(QString, reading);
        QFETCH(QString, subSeconds);
        QFETCH(QString, offset);
        QFETCH(QString, zone);
        QFETCH(int, correction);
        Exiv2::ExifData exif;
        const QPair<const char *, QString> tags[] = {{"Exif.Photo.DateTimeOriginal", reading},
                                                     {"Exif.Photo.SubSecTimeOriginal", subSeconds},
                                                     {"Exif.Photo.OffsetTimeOriginal", offset}};
        for (const auto &[key, value] : tags) {
            if (!value.isEmpty())
                exif[key] = value.toStdString();
        }
        CaptureClock clock;
        readCaptureClock(exif, clock);
        const CaptureInstant instant = captureInstant(clock, QTimeZone(zone.toUtf8()), correction);
        QTEST(instant.utc.toString(Qt::ISODateWithMs), "utc");
        QTEST(instant.ambiguous, "ambiguous");
    }

    void photosOnTheTrackAreGeotaggedAndSampledOthersLeftAlone()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("fotos");
        QDir().mkpath(folder);
        QVERIFY(writeGpx(dir.filePath("t.gpx"),
                         point(-33.45, -70.66, "2024-03-05T17:30:00Z", "<ele>570.26</ele>")
                                 + point(-33.46, -70.67, "2024-03-05T17:31:00Z")));
        TestPhoto onTrack;
        onTrack.dateTimeOriginal = "2024:03:05 14:30:00";
        onTrack.hasDirection = true;
        onTrack.direction = 123.0;
        TestPhoto offTrack = onTrack;
        offTrack.dateTimeOriginal = "2024:03:05 16:30:00";
        QVERIFY(writeTestPhoto(folder + "/on.jpg", onTrack));
        QVERIFY(writeTestPhoto(folder + "/off.jpg", offTrack));
        const QByteArray offBytes = fileBytes(folder + "/off.jpg");
        TrackPositioning positioning;
        QString error;
        QVERIFY(prepareTrackPositioning(dir.filePath("t.gpx"), "America/Santiago", 0, 300,
                                        positioning, error));
        writeSampleCoordinatesFile(
                folder, dir.filePath("ejemplo.csv"), false, true, [](const QString &) {},
                &positioning);
        const QString rows = QString::fromUtf8(fileBytes(dir.filePath("ejemplo.csv")));
        QVERIFY(rows.contains(QRegularExpression("\non.jpg;19;H;345713;6297592;123;.*;570.3\n")));
        QVERIFY(rows.contains("\noff.jpg;19;J;500000;6000000;;"));
        ProcessingOptions options;
        options.useGpxTrack = true;
        options.gpxPath = dir.filePath("t.gpx");
        options.cameraTimeZone = "America/Santiago";
        options.renamePhotos = true;
        runBatch(folder, options);
        const QStringList names = fileNames(folder);
        QCOMPARE(names.size(), 2);
        QCOMPARE(fileBytes(folder + "/off.jpg"), offBytes);
        const QString saved = folder + "/" + names.filter("19H ").value(0);
        const QPair<const char *, QString> expected[]
                = {{"Exif.GPSInfo.GPSLatitudeRef", "S"},
                   {"Exif.GPSInfo.GPSLatitude", "33/1 27/1 0/10000"},
                   {"Exif.GPSInfo.GPSLongitudeRef", "W"},
                   {"Exif.GPSInfo.GPSLongitude", "70/1 39/1 360000/10000"},
                   {"Exif.GPSInfo.GPSAltitude", "57026/100"},
                   {"Exif.GPSInfo.GPSTimeStamp", "17/1 30/1 0/1"},
                   {"Exif.GPSInfo.GPSImgDirection", "12300/100"}};
        for (const auto &[key, value] : expected)
            QCOMPARE(exifText(saved, key), value);
    }
};

QTEST_MAIN(GpxTrackTest)
#include "gpxtracktest.moc"
