#include "metadata/metadatacopy.h"
#include "geo/utm.h"
#include "metadata/exifreader.h"
#include "metadata/exifwriter.h"
#include "metadata/exiv2image.h"
#include "metadata/exiv2setup.h"
#include "tests/support/testphotos.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtTest>

// Every key and value of a block as text, in Exiv2's order.
template<typename Data> static QStringList entries(const Data &data)
{
    QStringList lines;
    for (const auto &datum : data)
        lines << QString::fromStdString(datum.key() + "=" + datum.toString());
    return lines;
}

static QByteArray reencoded(const QString &path, const char *format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(QImage(path));
    return buffer.data();
}

static bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class MetadataCopyTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        initializeExiv2();
        QVERIFY(dir.isValid());
    }

    void reencodedPhotoKeepsEveryTag_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("jpeg") << "jpg";
        QTest::newRow("png") << "png";
        QTest::newRow("tiff") << "tif";
    }

    void reencodedPhotoKeepsEveryTag()
    {
        QFETCH(QString, format);
        TestPhoto photo;
        photo.hasGps = photo.hasDirection = photo.hasAltitude = true;
        photo.latitude = -33.45;
        photo.longitude = -70.66;
        photo.direction = 271.5;
        photo.altitude = -3.25;
        photo.dateTimeOriginal = "2024:03:05 06:07:08";
        photo.orientation = 6;
        photo.extraExif.insert("Exif.Image.Artist", "Pérez");
        photo.iptc.insert("Iptc.Application2.Caption", "Quebrada");
        photo.iptc.insert("Iptc.Application2.City", "Santiago");
        photo.xmp.insert("Xmp.dc.title", "lang=\"x-default\" Muestra de campo");
        photo.xmp.insert("Xmp.dc.source", "terreno");
        const QString source = dir.filePath("source." + format);
        QVERIFY(writeTestPhoto(source, photo));

        PhotoMetadata metadata;
        QString error;
        QCOMPARE(copyMetadata(source, metadata, error), MetadataResult::Done);
        QByteArray bytes = reencoded(source, qPrintable(format));
        QVERIFY(!bytes.isEmpty());
        QCOMPARE(storeMetadata(bytes, metadata, error), MetadataResult::Done);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QString target = dir.filePath("target." + format);
        QVERIFY(writeFile(target, bytes));

        const Exiv2ImagePtr original = openImageFile(source);
        const Exiv2ImagePtr stored = openImageFile(target);
        QVERIFY(!original->iptcData().empty() && !original->xmpData().empty());
        // The image structure tags describe each file's own encoding.
        const auto imageData = [](const QStringList &lines) {
            QStringList kept;
            for (const QString &line : lines) {
                if (line.startsWith("Exif.Photo.") || line.startsWith("Exif.GPSInfo.")
                    || line.startsWith("Exif.Image.Orientation")
                    || line.startsWith("Exif.Image.Artist"))
                    kept << line;
            }
            return kept;
        };
        QCOMPARE(imageData(entries(stored->exifData())), imageData(entries(original->exifData())));
        QCOMPARE(imageData(entries(stored->exifData())).size(), 10);
        QCOMPARE(entries(stored->iptcData()), entries(original->iptcData()));
        QCOMPARE(entries(stored->xmpData()), entries(original->xmpData()));
        QCOMPARE(QImage(target).size(), QSize(photo.width, photo.height));
    }

    void rowStoredIntoJpegReadsBackWithinWrittenPrecision_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("direction");
        QTest::addColumn<double>("altitude");
        QTest::newRow("south west") << -33.4569 << -70.6483 << 45.678 << -12.345;
        QTest::newRow("north east") << 48.8584 << 2.2945 << 359.994 << 4807.81;
        QTest::newRow("near equator") << 0.0003 << -0.0004 << 0.0 << 0.0;
    }

    void rowStoredIntoJpegReadsBackWithinWrittenPrecision()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, direction);
        QFETCH(double, altitude);
        int zone = 0;
        char letter = 0;
        double easting = 0;
        double northing = 0;
        latLonToUtm(latitude, longitude, zone, letter, easting, northing);

        PhotoMetadata metadata;
        writeRecordToExif(metadata.exif, {zone, letter, easting, northing, direction, altitude},
                          QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(QImageWriter(&buffer, "jpg").write(makeNaturalImage(160, 120)));
        QByteArray bytes = buffer.data();
        QString error;
        QCOMPARE(storeMetadata(bytes, metadata, error), MetadataResult::Done);
        const QString path = dir.filePath("row.jpg");
        QVERIFY(writeFile(path, bytes));

        double readLatitude = 0, readLongitude = 0, readDirection = 0, readAltitude = 0;
        QVERIFY(readGpsFromExif(path, readLatitude, readLongitude, readDirection, readAltitude));
        int readZone = 0;
        char readLetter = 0;
        double readEasting = 0, readNorthing = 0;
        latLonToUtm(readLatitude, readLongitude, readZone, readLetter, readEasting, readNorthing);
        // A thousandth of an arc-second is at most 3.1 cm on the ground.
        QCOMPARE(readZone, zone);
        QCOMPARE(readLetter, letter);
        QVERIFY(std::fabs(readEasting - easting) < 0.032);
        QVERIFY(std::fabs(readNorthing - northing) < 0.032);
        QVERIFY(std::fabs(readDirection - direction) <= 0.005);
        QVERIFY(std::fabs(readAltitude - altitude) <= 0.005);
        QDateTime captured;
        QVERIFY(readCaptureDateTime(path, captured));
        QCOMPARE(captured, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
    }

    void storingIntoBytesThatAreNotAnImageFailsAndKeepsThem_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("esto no es una imagen");
        QTest::newRow("jpeg marker only") << QByteArray("\xff\xd8\xff\xe1");
    }

    void storingIntoBytesThatAreNotAnImageFailsAndKeepsThem()
    {
        QFETCH(QByteArray, bytes);
        PhotoMetadata metadata;
        metadata.exif["Exif.Image.Artist"] = std::string("Pérez");
        QByteArray encoded = bytes;
        QString error;
        QCOMPARE(storeMetadata(encoded, metadata, error), MetadataResult::Failed);
        QVERIFY(!error.isEmpty());
        QCOMPARE(encoded, bytes);
    }

    void copyingFromAnUnreadableFileFailsWithEmptyCopies()
    {
        const QString text = dir.filePath("nota.jpg");
        QVERIFY(writeFile(text, "solo texto"));
        for (const QString &path : {text, dir.filePath("falta.jpg")}) {
            PhotoMetadata metadata;
            metadata.exif["Exif.Image.Artist"] = std::string("resto");
            QString error;
            QCOMPARE(copyMetadata(path, metadata, error), MetadataResult::Failed);
            QVERIFY(!error.isEmpty());
            QVERIFY(metadata.exif.empty());
        }
    }
};

QTEST_MAIN(MetadataCopyTest)
#include "metadatacopytest.moc"
