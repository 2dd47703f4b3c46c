#include "coords/samplefile.h"

#include "coords/coordinatesfile.h"
#include "metadata/exiv2setup.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/testphotos.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(TestPhoto)

static TestPhoto santiagoPhoto()
{
    TestPhoto photo;
    photo.hasGps = true;
    photo.latitude = -33.45;
    photo.longitude = -70.66;
    photo.hasDirection = true;
    photo.direction = 123.9;
    photo.hasAltitude = true;
    photo.altitude = 570.26;
    photo.dateTimeOriginal = QStringLiteral("2024:03:05 14:30:00");
    return photo;
}

class SampleFileTest : public QObject
{
    Q_OBJECT

private:
    QString photoFolder() const { return dir->filePath(QStringLiteral("fotos")); }
    QString target() const { return dir->filePath(QStringLiteral("ejemplo.csv")); }

    void addPhoto(const QString &relativePath, const TestPhoto &photo = {})
    {
        const QString path = QDir(photoFolder()).filePath(relativePath);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(writeTestPhoto(path, photo));
    }

    void addFile(const QString &relativePath)
    {
        const QString path = QDir(photoFolder()).filePath(relativePath);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    QStringList write(bool includeSubdirectories, bool useExif)
    {
        QStringList log;
        writeSampleCoordinatesFile(photoFolder(), target(), includeSubdirectories, useExif,
                                   [&log](const QString &line) { log.append(line); });
        return log;
    }

    QStringList fileLines() const
    {
        QFile file(target());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    }

    // The data rows, each split into its fields.
    QList<QStringList> rows() const
    {
        QList<QStringList> result;
        const QStringList lines = fileLines();
        for (const QString &line : lines.mid(1, lines.size() - 2))
            result.append(line.split(QLatin1Char(';')));
        return result;
    }

    QStringList rowNames() const
    {
        QStringList names;
        for (const QStringList &row : rows())
            names.append(row.first());
        names.sort();
        return names;
    }

    std::unique_ptr<QTemporaryDir> dir;

private slots:
    void initTestCase()
    {
        initializeExiv2();
        // Decimal commas must not reach the file.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir().mkpath(photoFolder()));
    }

    void cleanup() { dir.reset(); }

    void exifValuesFillTheRow_data()
    {
        QTest::addColumn<TestPhoto>("photo");
        QTest::addColumn<QString>("expected");

        const TestPhoto full = santiagoPhoto();
        QTest::newRow("position, direction, altitude, date")
                << full << "19;H;345713;6297592;123;2024-03-05T14:30:00;570.3";
        TestPhoto noDirection = full;
        noDirection.hasDirection = false;
        QTest::newRow("no direction tag")
                << noDirection << "19;H;345713;6297592;0;2024-03-05T14:30:00;570.3";
        TestPhoto noAltitude = full;
        noAltitude.hasAltitude = false;
        QTest::newRow("no altitude tag")
                << noAltitude << "19;H;345713;6297592;123;2024-03-05T14:30:00;0.0";
        TestPhoto belowSea = full;
        belowSea.altitude = -12.34;
        belowSea.direction = 359.99;
        QTest::newRow("below sea level, direction cut not rounded")
                << belowSea << "19;H;345713;6297592;359;2024-03-05T14:30:00;-12.3";
        TestPhoto noGps;
        noGps.dateTimeOriginal = QStringLiteral("2024:03:05 14:30:00");
        QTest::newRow("no GPS: fixed values, EXIF date")
                << noGps << "19;J;500000;6000000;;2024-03-05T14:30:00;";
    }

    void exifValuesFillTheRow()
    {
        QFETCH(TestPhoto, photo);
        QFETCH(QString, expected);
        addPhoto(QStringLiteral("IMG_0001.jpg"), photo);
        const QStringList log = write(false, true);
        QCOMPARE(fileLines().value(1), QStringLiteral("IMG_0001.jpg;") + expected);
        QStringList expectedLog;
        if (!photo.hasGps)
            expectedLog << QStringLiteral("Datos GPS no encontrados en EXIF para IMG_0001.jpg. "
                                          "Usando coordenadas y orientación fijas");
        expectedLog << QStringLiteral("Archivo de ejemplo creado en: ") + target();
        QCOMPARE(log, expectedLog);
    }

    void missingDatesAreTheCurrentTime_data()
    {
        QTest::addColumn<bool>("useExif");
        QTest::addColumn<QString>("position");
        QTest::newRow("EXIF mode, photo without date") << true << "19;H;345713;6297592;123";
        QTest::newRow("EXIF mode off") << false << "19;J;500000;6000000;";
    }

    void missingDatesAreTheCurrentTime()
    {
        QFETCH(bool, useExif);
        QFETCH(QString, position);
        TestPhoto photo = santiagoPhoto();
        photo.dateTimeOriginal.clear();
        addPhoto(QStringLiteral("a.jpg"), photo);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
        const QStringList log = write(false, useExif);
        const QDateTime after = QDateTime::currentDateTime().addSecs(2);

        const QStringList fields = fileLines().value(1).split(QLatin1Char(';'));
        QCOMPARE(fields.size(), 8);
        QCOMPARE(fields.mid(1, 5).join(QLatin1Char(';')), position);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"))
                         .match(fields.at(6))
                         .hasMatch(),
                 qPrintable(fields.at(6)));
        const QDateTime written = QDateTime::fromString(fields.at(6), Qt::ISODate);
        QVERIFY(written >= before && written <= after);
        QCOMPARE(fields.at(7), useExif ? QStringLiteral("570.3") : QString());
        QCOMPARE(log.size(), 1);
    }

    void photosAreChosenByNameAndWalk_data()
    {
        QTest::addColumn<bool>("includeSubdirectories");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("folder only")
                << false << QStringList {"a.jpg", "b.JPG", "c.jpeg", "d.Png", "e.tiff"};
        QTest::newRow("with subfolders")
                << true
                << QStringList {"a.jpg", "b.JPG", "c.jpeg", "d.Png", "e.tiff", "h.jpg", "i.JPEG"};
    }

    void photosAreChosenByNameAndWalk()
    {
        QFETCH(bool, includeSubdirectories);
        QFETCH(QStringList, expected);
        for (const char *name : {"a.jpg", "b.JPG", "c.jpeg", "d.Png", "e.tiff", "f.tif",
                                 "g.jpg.txt", ".oculta.jpg", "sub/h.jpg", "sub/deeper/i.JPEG"})
            addFile(QString::fromLatin1(name));
        const QDir folder(photoFolder());
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("a.jpg")),
                            folder.filePath(QStringLiteral("enlace.jpg"))));
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("sub")),
                            folder.filePath(QStringLiteral("enlace-carpeta.jpg"))));
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("sub")),
                            folder.filePath(QStringLiteral("enlace-sub"))));

        write(includeSubdirectories, false);
        QCOMPARE(rowNames(), expected);
    }

    void sameNamesInSubfoldersGiveOneRowEach()
    {
        TestPhoto north = santiagoPhoto();
        north.latitude = -33.40;
        addPhoto(QStringLiteral("dia1/IMG_0001.jpg"), santiagoPhoto());
        addPhoto(QStringLiteral("dia2/IMG_0001.jpg"), north);
        write(true, true);

        const QList<QStringList> written = rows();
        QCOMPARE(written.size(), 2);
        QCOMPARE(written.at(0).first(), QStringLiteral("IMG_0001.jpg"));
        QCOMPARE(written.at(1).first(), QStringLiteral("IMG_0001.jpg"));
        QVERIFY(written.at(0).at(4) != written.at(1).at(4));

        const CoordinateMap records = readCoordinatesFile(target(), [](const QString &) {});
        QCOMPARE(records.size(), 1);
        QCOMPARE(QString::number(records.first().position.northing, 'f', 0), written.at(1).at(4));
    }

    void placeholderLikeNamesAreWrittenAsTheyAre()
    {
        addPhoto(QStringLiteral("IMG%2.jpg"), santiagoPhoto());
        addPhoto(QStringLiteral("%1%8 100%.jpg"));
        write(false, true);
        QCOMPARE(rowNames(), (QStringList {"%1%8 100%.jpg", "IMG%2.jpg"}));
        for (const QStringList &row : rows())
            QCOMPARE(row.size(), 8);
    }

    void writtenFileIsReadBackByTheCoordinatesReader()
    {
        addPhoto(QStringLiteral("con-gps.jpg"), santiagoPhoto());
        addPhoto(QStringLiteral("sin-gps.png"));
        write(false, true);
        QCOMPARE(fileLines().first(), QString::fromLatin1(coordinatesFileHeader));
        QCOMPARE(fileLines().last(), QString());

        QStringList problems;
        const CoordinateMap records = readCoordinatesFile(
                target(), [&problems](const QString &line) { problems.append(line); });
        QCOMPARE(problems, QStringList());
        QCOMPARE(records.size(), 2);

        const CoordinateRecord withGps = records.value(QStringLiteral("con-gps.jpg"));
        QCOMPARE(withGps.position.zone, 19);
        QCOMPARE(withGps.position.letter, 'H');
        QCOMPARE(withGps.position.easting, 345713.0);
        QCOMPARE(withGps.position.orientation, 123.0);
        QCOMPARE(withGps.position.altitude, 570.3);
        QCOMPARE(withGps.dateTime, QDateTime(QDate(2024, 3, 5), QTime(14, 30)));
        const CoordinateRecord fallback = records.value(QStringLiteral("sin-gps.png"));
        QCOMPARE(fallback.position.letter, 'J');
        QVERIFY(!fallback.position.orientation && !fallback.position.altitude
                && fallback.hasDateTime);
    }

    void emptyFolderGivesTheHeaderAlone()
    {
        const QStringList log = write(true, true);
        QCOMPARE(fileLines(),
                 (QStringList {QString::fromLatin1(coordinatesFileHeader), QString()}));
        QCOMPARE(log, QStringList {QStringLiteral("Archivo de ejemplo creado en: ") + target()});
    }

    void unopenableTargetIsLogged()
    {
        QVERIFY(QDir().mkpath(target()));
        const QStringList log = write(false, false);
        QCOMPARE(log,
                 QStringList {QStringLiteral("Error al crear el archivo de ejemplo: no se pudo "
                                             "abrir el archivo.")});
    }

    void failedWriteIsNotReportedAsCreated()
    {
        for (int i = 0; i < 40; ++i)
            addFile(QStringLiteral("IMG_%1.jpg").arg(i));
        QStringList log;
        {
            const FileSizeLimit limit(1024);
            QVERIFY(limit.isActive());
            log = write(false, false);
        }
        QCOMPARE(log,
                 QStringList {QStringLiteral("Error al crear el archivo de ejemplo: no se pudo "
                                             "escribir el archivo.")});
    }
};

QTEST_GUILESS_MAIN(SampleFileTest)
#include "samplefiletest.moc"
