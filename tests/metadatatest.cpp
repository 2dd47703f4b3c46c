#include "geo/utm.h"
#include "metadata/exifreader.h"
#include "metadata/exifwriter.h"
#include "metadata/exiv2image.h"
#include "metadata/exiv2setup.h"
#include "metadata/photocaption.h"
#include "metadata/photodescription.h"
#include "tests/support/files.h"
#include "tests/support/testphotos.h"

#include <QtTest>

Q_DECLARE_METATYPE(TestPhoto)
using Tags = QMap<QString, QString>;

static QString known(const std::optional<double> &value)
{
    return value ? QString::number(*value) : QStringLiteral("-");
}

// What readGpsFromExif and readCaptureDateTime gave, as one line; "-" for
// an unknown direction or altitude.
static QString readBack(const QString &path)
{
    const auto gps = readGpsFromExif(path);
    QDateTime time(QDate(1999, 1, 1), QTime(1, 1, 1));
    const bool dated = readCaptureDateTime(path, time);
    const QString position = gps ? QStringLiteral("found %1 %2 %3 %4")
                                           .arg(gps->latitude)
                                           .arg(gps->longitude)
                                           .arg(known(gps->direction), known(gps->altitude.metres))
                                 : QStringLiteral("none");
    return position + ' ' + (dated ? time.toString(Qt::ISODate) : QStringLiteral("undated"));
}

// The tags of a row written into EXIF, as "key=value" in Exiv2's order.
static QString rowExif(double latitude, double longitude, double direction, double altitude,
                       const QDateTime &time)
{
    UtmPosition position;
    latLonToUtm(latitude, longitude, position.zone, position.letter, position.easting,
                position.northing);
    if (direction != 0)
        position.orientation = direction;
    if (altitude != 0)
        position.altitude = altitude;
    Exiv2::ExifData exif;
    writeRecordToExif(exif, position, time);
    QStringList tags;
    for (const auto &datum : exif)
        tags << QString::fromStdString(datum.tagName() + "=" + datum.toString());
    return tags.join(' ');
}

// The entropy-coded picture of a JPEG: everything from its first SOS marker
// on, found by walking the marker segments (their contents may hold 0xFFDA).
static QByteArray jpegScanData(const QByteArray &jpeg)
{
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg.at(at)) == 0xFF) {
        if (uchar(jpeg.at(at + 1)) == 0xDA)
            return jpeg.mid(at);
        at += 2 + (uchar(jpeg.at(at + 2)) << 8 | uchar(jpeg.at(at + 3)));
    }
    return {};
}

// The description as XMP, IPTC and EXIF each hold it, "|"-joined; "-" for none.
static QString descriptionTags(const QString &path)
{
    const Exiv2ImagePtr image = openImageFile(path);
    const auto &xmp = image->xmpData();
    const auto &iptc = image->iptcData();
    const auto &exif = image->exifData();
    const auto xmpIt = xmp.findKey(Exiv2::XmpKey("Xmp.dc.description"));
    const auto iptcIt = iptc.findKey(Exiv2::IptcKey("Iptc.Application2.Caption"));
    const auto exifIt = exif.findKey(Exiv2::ExifKey("Exif.Image.ImageDescription"));
    return QStringList {xmpIt == xmp.end() ? "-" : QString::fromStdString(xmpIt->toString(0)),
                        iptcIt == iptc.end() ? "-" : QString::fromStdString(iptcIt->toString()),
                        exifIt == exif.end() ? "-" : QString::fromStdString(exifIt->toString())}
            .join('|');
}

class MetadataTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    int count = 0;

    QString write(const TestPhoto &photo)
    {
        const QString path = dir.filePath(QString("p%1.jpg").arg(++count));
        return writeTestPhoto(path, photo) ? path : QString();
    }

private slots:
    void initTestCase()
    {
        initializeExiv2();
        qputenv("TZ", "Europe/Madrid"); // a zone with a skipped spring hour
        tzset();
    }

    void readsPositionAndCaptureTime_data()
    {
        QTest::addColumn<TestPhoto>("photo");
        QTest::addColumn<QString>("read");
        TestPhoto base;
        base.hasGps = true;
        base.latitude = 33.45;
        base.longitude = 70.5;
        base.dateTimeOriginal = "2024:03:05 06:07:08";
        base.imageDateTime = "2020:01:01 00:00:00";
        const auto row = [&](const char *name, const QString &read,
                             const std::function<void(TestPhoto &)> &change) {
            TestPhoto photo = base;
            change(photo);
            QTest::newRow(name) << photo << read;
        };
        const QString position = "found 33.45 70.5 - - ";
        row("plain: no direction, no altitude", position + "2024-03-05T06:07:08",
            [](TestPhoto &) {});
        row("lower case", "found -33.45 -70.5 - - 2024-03-05T06:07:08",
            [](TestPhoto &p) { p.latitudeRef = "s", p.longitudeRef = "w"; });
        row("no references: no position", "none 2024-03-05T06:07:08", [](TestPhoto &p) {
            p.latitudeRef = p.longitudeRef = "-";
            p.hasDirection = p.hasAltitude = true;
        });
        row("direction 0 is north", "found 33.45 70.5 0 - 2024-03-05T06:07:08", [](TestPhoto &p) {
            p.extraExif = {{"Exif.GPSInfo.GPSImgDirection", "0/1"}};
        });
        row("altitude reference 0", "found 33.45 70.5 - 12.5 2024-03-05T06:07:08",
            [](TestPhoto &p) {
                p.extraExif = {{"Exif.GPSInfo.GPSAltitude", "125/10"},
                               {"Exif.GPSInfo.GPSAltitudeRef", "0"}};
            });
        const auto altitudeRow = [&](const char *name, const char *altitude, const char *ref,
                                     const QString &read) {
            row(name, "found 33.45 70.5 - " + read + " 2024-03-05T06:07:08", [=](TestPhoto &p) {
                p.extraExif = {{"Exif.GPSInfo.GPSAltitude", altitude},
                               {"Exif.GPSInfo.GPSAltitudeRef", ref}};
            });
        };
        altitudeRow("highest summit and more", "9000/1", "0", "9000");
        altitudeRow("above any summit: none", "900001/100", "0", "-");
        altitudeRow("Dead Sea shore", "500/1", "1", "-500");
        altitudeRow("below any shore: none", "501/1", "1", "-");
        row("beyond the pole", "none 2024-03-05T06:07:08", [](TestPhoto &p) {
            p.extraExif = {{"Exif.GPSInfo.GPSLatitude", "95/1 0/1 0/1"}};
        });
        row("own offset", position + "2024-03-05T06:07:08-03:00", [](TestPhoto &p) {
            p.extraExif = {{"Exif.Photo.OffsetTimeOriginal", "-03:00"}};
        });
        row("damaged offset: local", position + "2024-03-05T06:07:08", [](TestPhoto &p) {
            p.extraExif = {{"Exif.Photo.OffsetTimeOriginal", "-3"}};
        });
        row("all-zero original: image time", position + "2020-01-01T00:00:00",
            [](TestPhoto &p) { p.dateTimeOriginal = "0000:00:00 00:00:00"; });
        row("skipped spring hour moves past the gap", position + "2023-03-26T03:30:00",
            [](TestPhoto &p) { p.dateTimeOriginal = "2023:03:26 02:30:00"; });
    }

    void readsPositionAndCaptureTime()
    {
        QFETCH(TestPhoto, photo);
        QTEST(readBack(write(photo)), "read");
    }

    void rowsBecomeExifTags_data()
    {
        QTest::addColumn<QString>("tags");
        QTest::addColumn<QString>("expected");
        const QDateTime time(QDate(2024, 5, 17), QTime(10, 20, 30));
        const QString dates = " DateTimeOriginal=2024:05:17 10:20:30 DateTimeDigitized=2024:05:17 "
                              "10:20:30 DateTime=2024:05:17 10:20:30 GPSVersionID=2 3 0 0 "
                              "GPSDateStamp=2024:05:17 GPSTimeStamp=8/1 20/1 30/1";
        QTest::newRow("south west") << rowExif(-33.500000001, -70.660000001, 0, 0, time)
                                    << "GPSLatitudeRef=S GPSLatitude=33/1 30/1 0/1000 "
                                       "GPSLongitudeRef=W GPSLongitude=70/1 39/1 36000/1000"
                        + dates;
        QTest::newRow("seconds not carried") << rowExif(33.4499999997, 10.1234, 0, 0, time)
                                             << "GPSLatitudeRef=N GPSLatitude=33/1 26/1 60000/1000 "
                                                "GPSLongitudeRef=E GPSLongitude=10/1 7/1 24240/1000"
                        + dates;
        QTest::newRow("direction and altitude")
                << rowExif(45.123456, 7.654321, 45.678, -12.345, time)
                << "GPSLatitudeRef=N GPSLatitude=45/1 7/1 24442/1000 GPSLongitudeRef=E "
                   "GPSLongitude=7/1 39/1 15556/1000 GPSImgDirection=4568/100 GPSImgDirectionRef=T "
                   "GPSAltitude=1235/100 GPSAltitudeRef=1"
                        + dates;
        const QString position = "GPSLatitudeRef=N GPSLatitude=10/1 0/1 0/1000 GPSLongitudeRef=E "
                                 "GPSLongitude=10/1 0/1 0/1000 ";
        QTest::newRow("negative bearing wraps")
                << rowExif(10.000000001, 10.000000001, -90, 2500.5, time)
                << position
                        + "GPSImgDirection=27000/100 GPSImgDirectionRef=T GPSAltitude=250050/100 "
                          "GPSAltitudeRef=0"
                        + dates;
        qputenv("TZ", "UTC+3"); // three hours west: the GPS stamp is in the next year
        tzset();
        const QString newYear = rowExif(10.000000001, 10.000000001, 0, 0,
                                        QDateTime(QDate(2023, 12, 31), QTime(23, 30)));
        qputenv("TZ", "Europe/Madrid");
        tzset();
        const QString stamps = "DateTimeOriginal=2023:12:31 23:30:00 DateTimeDigitized=2023:12:31 "
                               "23:30:00 DateTime=2023:12:31 23:30:00 GPSVersionID=2 3 0 0 "
                               "GPSDateStamp=2024:01:01 GPSTimeStamp=2/1 30/1 0/1";
        QTest::newRow("GPS time in UTC") << newYear << position + stamps;
    }

    void rowsBecomeExifTags()
    {
        QFETCH(QString, tags);
        QTEST(tags, "expected");
    }

    // A description goes into the photo's three caption tags and nowhere
    // else: the picture's bytes stay as they were; a photo it cannot write
    // stays whole.
    void descriptionIsWrittenBesideThePicture_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<Tags>("before");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("tags"); // XMP|IPTC|EXIF afterwards
        const QString accents = QStringLiteral("Talud norte; muro de contención (ñandú) ✓");
        QTest::newRow("new caption")
                << "jpg" << Tags {} << accents << true << QStringList(3, accents).join('|');
        QTest::newRow("replaces every earlier one")
                << "jpg"
                << Tags {{"Xmp.dc.description", "viejo"},
                         {"Iptc.Application2.Caption", "viejo"},
                         {"Exif.Image.ImageDescription", "OLYMPUS DIGITAL CAMERA"}}
                << QStringLiteral("  Pozo 3  ") << true << "Pozo 3|Pozo 3|Pozo 3";
        QTest::newRow("empty removes it")
                << "jpg"
                << Tags {{"Xmp.dc.description", "viejo"}, {"Iptc.Application2.Caption", "viejo"}}
                << QString() << true << "-|-|-";
        QTest::newRow("PNG") << "png" << Tags {} << QStringLiteral("Estanque") << true
                             << "Estanque|Estanque|Estanque";
        QTest::newRow("not a photo") << "txt" << Tags {} << QStringLiteral("x") << false << "";
    }

    void descriptionIsWrittenBesideThePicture()
    {
        QFETCH(QString, suffix);
        QFETCH(Tags, before);
        QFETCH(QString, text);
        const QString path = dir.filePath(QStringLiteral("d%1.%2").arg(++count).arg(suffix));
        TestPhoto photo = gpsPhoto();
        for (auto tag = before.cbegin(); tag != before.cend(); ++tag)
            (tag.key().startsWith("Xmp")            ? photo.xmp
                     : tag.key().startsWith("Iptc") ? photo.iptc
                                                    : photo.extraExif)[tag.key()]
                    = tag.value();
        QVERIFY(suffix == "txt" ? writeBytes(path, "no soy una foto")
                                : writeTestPhoto(path, photo));
        const QByteArray original = fileBytes(path);
        QString reason;
        QTEST(writePhotoDescription(path, text, reason), "written");
        const QByteArray after = fileBytes(path);
        if (suffix == "txt") {
            QVERIFY(!reason.isEmpty());
            QCOMPARE(after, original);
            return;
        }
        QVERIFY2(reason.isEmpty(), qPrintable(reason));
        QTEST(descriptionTags(path), "tags");
        QCOMPARE(readPhotoCaption(path), text.trimmed());
        QCOMPARE(readBack(path), QStringLiteral("found -33.45 -70.66 45 550 2024-03-05T14:30:00"));
        if (suffix == "jpg") {
            QVERIFY(!jpegScanData(original).isEmpty());
            QCOMPARE(jpegScanData(after), jpegScanData(original));
        } else {
            QCOMPARE(QImage::fromData(after).convertToFormat(QImage::Format_RGB32),
                     QImage::fromData(original).convertToFormat(QImage::Format_RGB32));
        }
    }

    void heifPhotoIsRefusedAndLeftWhole()
    {
        if (!canWriteTestHeif())
            QSKIP("heif-enc is not installed");
        const QString path = dir.filePath(QStringLiteral("foto.heic"));
        QVERIFY(writeTestHeif(path, gpsPhoto()));
        const QByteArray original = fileBytes(path);
        QString reason;
        QVERIFY(!writePhotoDescription(path, QStringLiteral("x"), reason));
        QVERIFY2(reason.contains(QStringLiteral("HEIF")), qPrintable(reason));
        QCOMPARE(fileBytes(path), original);
    }
};

QTEST_GUILESS_MAIN(MetadataTest)
#include "metadatatest.moc"
