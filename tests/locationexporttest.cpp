#include "exports/locationexport.h"
#include "coords/coordinatesfile.h"
#include "exports/locationcsv.h"
#include "files/photocollection.h"
#include "metadata/exifreader.h"
#include "metadata/exiv2setup.h"
#include "tests/support/files.h"
#include "tests/support/testphotos.h"

#include <QtGui>
#include <QtTest>

#include <zip.h>

// Every character that XML must escape, and an accent.
static const QString specialName = QStringLiteral("Plaza & <Armas> \"ñ\" 'x'.jpg");

enum class Run { BatchInPlaceFromExif, BatchToOutputFromRows, FolderExport };
Q_DECLARE_METATYPE(Run)

static QByteArray zipEntry(zip_t *archive, const char *name)
{
    zip_stat_t stat;
    zip_file_t *file
            = zip_stat(archive, name, 0, &stat) == 0 ? zip_fopen(archive, name, 0) : nullptr;
    if (!file)
        return {};
    QByteArray bytes(qsizetype(stat.size), '\0');
    zip_fread(file, bytes.data(), stat.size);
    zip_fclose(file);
    return bytes;
}

// Each Placemark's texts by element name; under "" the Document's name and
// the namespace of the root. Empty when the document is not well-formed.
static QHash<QString, QHash<QString, QString>> readKml(const QByteArray &kml)
{
    const QStringList texts = {"name", "description", "coordinates", "heading", "when"};
    QHash<QString, QHash<QString, QString>> placemarks;
    QHash<QString, QString> current;
    QXmlStreamReader xml(kml);
    while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
        const QString name = xml.name().toString();
        if (xml.isEndElement() && name == QLatin1String("Placemark")) {
            const QString placemark = current.value("name");
            placemarks[placemark] = std::exchange(current, {});
        } else if (xml.isStartElement() && name == QLatin1String("kml"))
            current["ns"] = xml.namespaceUri().toString();
        else if (xml.isStartElement() && name == QLatin1String("Placemark")
                 && !placemarks.contains(""))
            placemarks[""] = std::exchange(current, {});
        else if (xml.isStartElement() && texts.contains(name))
            current[name] = xml.readElementText();
    }
    return xml.hasError() ? decltype(placemarks)() : placemarks;
}

class LocationExportTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString folder;
    QString coordinatesFile;

    void writePhotos()
    {
        TestPhoto madrid;
        madrid.hasGps = true;
        madrid.latitude = 40.4168;
        madrid.longitude = -3.7038;
        madrid.dateTimeOriginal = "2024:01:10 09:15:00";
        madrid.extraExif = {{"Exif.Photo.OffsetTimeOriginal", "+01:00"}};
        // The receiver's instant, as a track run writes it: three hours
        // ahead of the camera's zone-less reading, and four seconds.
        TestPhoto santiago = gpsPhoto(1000, 700);
        santiago.extraExif = {{"Exif.GPSInfo.GPSDateStamp", "2024:03:05"},
                              {"Exif.GPSInfo.GPSTimeStamp", "17/1 30/1 4/1"}};
        QVERIFY(writeTestPhoto(QDir(folder).filePath(specialName), santiago));
        QVERIFY(writeTestPhoto(QDir(folder).filePath("sub/norte.jpg"), madrid));
        QVERIFY(writeTestPhoto(QDir(folder).filePath("sin gps.jpg")));
        QVERIFY(writeBytes(coordinatesFile,
                           QByteArray(coordinatesFileHeader) + '\n' + specialName.toUtf8()
                                   + ";19;H;345713;6297592;45;2024-03-05 14:30:00;550\n"
                                     "norte.jpg;30;T;440290;4474257;;;\n"));
    }

    // Bytes and modification time of every photo.
    QHash<QString, QPair<QByteArray, QDateTime>> photoStates() const
    {
        QHash<QString, QPair<QByteArray, QDateTime>> states;
        for (const auto &path : collectPhotos(folder, true))
            states[path] = {fileBytes(path), QFileInfo(path).lastModified()};
        return states;
    }

private slots:
    void initTestCase() { initializeExiv2(); }

    void init()
    {
        static int count = 0;
        folder = dir.filePath(QStringLiteral("fotos%1").arg(++count));
        coordinatesFile = folder + QStringLiteral(".txt");
        QVERIFY(QDir().mkpath(folder));
        writePhotos();
    }

    // "norte.jpg" has GPS without direction or altitude, and a capture time
    // with its own offset; the other photo has all three, its time no zone,
    // and the GPS receiver's instant.
    void filesDescribeTheLocatedPhotos_data()
    {
        QTest::addColumn<Run>("run");
        QTest::newRow("batch in place, EXIF") << Run::BatchInPlaceFromExif;
        QTest::newRow("batch to output folder, coordinates file") << Run::BatchToOutputFromRows;
        QTest::newRow("folder export") << Run::FolderExport;
    }

    void filesDescribeTheLocatedPhotos()
    {
        QFETCH(Run, run);
        const auto isNorth = [](const QString &name) {
            return name == QLatin1String("norte.jpg");
        };
        // A folder export reads the receiver's instant; a batch the camera's.
        const auto timeOf = [&](const QString &name) {
            if (isNorth(name))
                return QStringLiteral("2024-01-10T09:15:00+01:00");
            return run == Run::FolderExport ? QStringLiteral("2024-03-05T14:30:04-03:00")
                                            : QStringLiteral("2024-03-05T14:30:00");
        };
        ProcessingOptions options;
        options.includeSubdirectories = true;
        options.exportLocations = true;
        options.useExif = run == Run::BatchInPlaceFromExif;
        QDir out(folder);
        if (run == Run::BatchToOutputFromRows) {
            options.csvPath = coordinatesFile;
            options.embedCsvInExif = true;
            options.useOutputFolder = true;
            options.outputFolder = dir.filePath(QStringLiteral("salida"));
            QVERIFY(QDir().mkpath(options.outputFolder));
            out.setPath(options.outputFolder);
        }
        const auto before = photoStates();
        if (run == Run::FolderExport)
            exportFolderLocations(folder, true, [](const QString &) {}, {});
        else
            runBatch(folder, options);

        // GeoJSON against the EXIF of the photos its paths name.
        const auto json
                = QJsonDocument::fromJson(fileBytes(out.filePath(geoJsonFileName))).object();
        QList<QJsonArray> positions;
        QHash<QString, QJsonArray> positionOf;
        for (const auto &feature : json.value("features").toArray()) {
            const auto properties = feature.toObject().value("properties").toObject();
            const auto path = out.filePath(properties.value("ruta").toString());
            QCOMPARE(QFileInfo(path).fileName(), properties.value("archivo").toString());
            const auto gps = readGpsFromExif(path);
            QVERIFY(gps);
            positions << feature.toObject()
                                 .value("geometry")
                                 .toObject()
                                 .value("coordinates")
                                 .toArray();
            QVERIFY(qAbs(positions.last().at(0).toDouble() - gps->longitude) < 1e-5);
            QVERIFY(qAbs(positions.last().at(1).toDouble() - gps->latitude) < 1e-5);
            const QString name = properties.value("archivo").toString();
            positionOf[name] = positions.last();
            QCOMPARE(positions.last().size(), isNorth(name) ? 2 : 3);
            QCOMPARE(properties.value("orientacion").isNull(), isNorth(name));
            QCOMPARE(properties.value("altitud").isNull(), isNorth(name));
            QCOMPARE(properties.value("fecha").toString(), timeOf(name));
        }
        QCOMPARE(positions.size(), 2);

        // CSV rows in the same order, with '.' decimals and the zone's EPSG code.
        const auto csv = QString::fromUtf8(fileBytes(out.filePath(csvFileName)))
                                 .split('\n', Qt::SkipEmptyParts);
        QCOMPARE(csv.size(), 3);
        for (int row = 1; row < 3; ++row) {
            const auto fields = csv.at(row).split(';');
            const auto field = [&fields](int fromEnd) {
                return fields.at(fields.size() - fromEnd).toDouble();
            };
            QVERIFY(qAbs(field(10) - positions.at(row - 1).at(1).toDouble()) < 1e-7);
            QVERIFY(qAbs(field(9) - positions.at(row - 1).at(0).toDouble()) < 1e-7);
            QCOMPARE(field(1), (field(10) < 0 ? 32700 : 32600) + field(5));
            const QString name = fields.at(0);
            QCOMPARE(fields.at(3).isEmpty() && fields.at(4).isEmpty(), isNorth(name));
            QCOMPARE(fields.at(5), timeOf(name));
        }

        // KMZ: doc.kml first, valid KML 2.2, thumbnails inside the archive.
        zip_t *archive = zip_open(QFile::encodeName(out.filePath(kmzFileName)).constData(),
                                  ZIP_RDONLY, nullptr);
        QVERIFY(archive);
        QCOMPARE(QString::fromUtf8(zip_get_name(archive, 0, 0)), QStringLiteral("doc.kml"));
        const auto placemarks = readKml(zipEntry(archive, "doc.kml"));
        QCOMPARE(placemarks.value("").value("ns"),
                 QStringLiteral("http://www.opengis.net/kml/2.2"));
        QCOMPARE(placemarks.size(), 3);
        for (auto it = positionOf.cbegin(); it != positionOf.cend(); ++it) {
            const auto point = placemarks.value(it.key()).value("coordinates").split(',');
            QCOMPARE(point.size(), isNorth(it.key()) ? 2 : 3);
            QCOMPARE(placemarks.value(it.key()).value("heading"),
                     isNorth(it.key()) ? QString() : QStringLiteral("45"));
            QCOMPARE(placemarks.value(it.key()).value("when"), timeOf(it.key()));
            QVERIFY(qAbs(point.at(0).toDouble() - it->at(0).toDouble()) < 1e-7);
            QVERIFY(qAbs(point.at(1).toDouble() - it->at(1).toDouble()) < 1e-7);
            const auto src = QRegularExpression("src=\"([^\"]+)\"")
                                     .match(placemarks.value(it.key()).value("description"))
                                     .captured(1);
            const auto thumbnail = QImage::fromData(zipEntry(archive, src.toUtf8().constData()));
            QVERIFY(!thumbnail.isNull() && qMax(thumbnail.width(), thumbnail.height()) <= 640);
        }
        zip_close(archive);
        if (run == Run::FolderExport)
            QVERIFY(photoStates() == before);
    }

    // Names a spreadsheet would run as formulas go in as text; numbers as they are.
    // Times with and without their offset cannot be set against each other:
    // then the camera's clock readings decide; the true instant only when
    // every time has its offset. Unknown times first, ties by path.
    void photosAreOrderedByClockUnlessEveryOffsetIsKnown_data()
    {
        QTest::addColumn<QStringList>("times"); // of a.jpg, b.jpg, c.jpg; "-": unknown
        QTest::addColumn<QString>("order");
        QTest::newRow("one without offset: by clock reading")
                << QStringList {"09:55+05:00", "09:35", "10:05-04:00"} << "b a c";
        QTest::newRow("every offset known: by instant")
                << QStringList {"09:55-03:00", "09:35-01:00", "09:05-04:00"} << "b a c";
        QTest::newRow("unknown first, same reading by path")
                << QStringList {"10:00", "-", "10:00-03:00"} << "b a c";
    }

    void photosAreOrderedByClockUnlessEveryOffsetIsKnown()
    {
        QFETCH(QStringList, times);
        QVector<LocationRecord> records;
        for (int i = 0; i < times.size(); ++i) {
            LocationRecord record;
            record.relativePath = QString(QChar('a' + i)) + ".jpg";
            if (times.at(i) != "-")
                record.dateTime = QDateTime::fromString("2024-03-05T" + times.at(i), Qt::ISODate);
            records.append(record);
        }
        sortByCapture(records);
        QStringList order;
        for (const LocationRecord &record : records)
            order << record.relativePath.left(1);
        QTEST(order.join(' '), "order");
    }

    void csvNamesNeverStartAFormula()
    {
        LocationRecord record;
        record.latitude = -33.45;
        record.position = {19, 'H', 345713.0, 6297592.0, -45.0, -3.5};
        const QPair<QString, QString> rows[]
                = {{"=cmd|' /C calc'!A0.jpg", "'=cmd|' /C calc'!A0.jpg"},
                   {"+56 9.jpg", "'+56 9.jpg"},
                   {"-1.jpg", "'-1.jpg"},
                   {"@SUM(A1).jpg", "'@SUM(A1).jpg"},
                   {"=1;2.jpg", "\"'=1;2.jpg\""},
                   {"a=b.jpg", "a=b.jpg"}};
        for (const auto &[name, cell] : rows) {
            record.fileName = name;
            QCOMPARE(QString::fromUtf8(locationCsv({record})).section('\n', 1, 1),
                     cell
                             + ";-33.45000000;0.00000000;-3.50;-45.00;;19;H;345713.00;6297592.00;"
                               "32719");
        }
    }
};

QTEST_MAIN(LocationExportTest)
#include "locationexporttest.moc"
