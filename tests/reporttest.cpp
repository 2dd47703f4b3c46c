#include "geo/crs.h"
#include "metadata/exiv2setup.h"
#include "metadata/photocaption.h"
#include "report/photoreport.h"
#include "report/reportfiles.h"
#include "report/reportmap.h"
#include "report/reportpdf.h"
#include "tests/support/files.h"
#include "tests/support/testphotos.h"

#include <QtPdf>
#include <QtTest>

#include <zip.h>

// Every character that XML must escape, accents and an emoji.
static const QString specialCaption = QStringLiteral("Talud & <muro> \"norte\" 'ñandú' 🌵");
static const QString specialProject = QStringLiteral("Mina & <Cerro> \"Alto\" 'Sur'");

static QString fontFile()
{
    return QStringLiteral("/usr/share/fonts/truetype/noto/NotoSans-Regular.ttf");
}

// Five photos: captions in XMP (over IPTC), IPTC and EXIF (camera text then
// UserComment, and ImageDescription), one without position, one without
// direction, one in zone 18; taken in the order e, a, b, c, d.
static bool writeFixture(const QString &folder)
{
    const auto at = [](const char *time, double longitude) {
        TestPhoto photo = gpsPhoto(400, 300);
        photo.dateTimeOriginal = QLatin1String(time);
        photo.longitude = longitude;
        return photo;
    };
    TestPhoto a = at("2024:03:05 10:00:00", -70.66);
    a.xmp["Xmp.dc.description"] = specialCaption;
    a.iptc["Iptc.Application2.Caption"] = QStringLiteral("pierde ante XMP");
    TestPhoto b = at("2024:03:05 10:05:00", -70.655);
    b.hasDirection = false;
    b.iptc["Iptc.Application2.Caption"] = QStringLiteral("Quebrada seca");
    TestPhoto c = at("2024:03:05 10:10:00", -72.5);
    c.extraExif["Exif.Image.ImageDescription"] = QStringLiteral("OLYMPUS DIGITAL CAMERA  ");
    c.extraExif["Exif.Photo.UserComment"] = QStringLiteral("charset=Ascii Pozo de monitoreo");
    TestPhoto d = at("2024:03:05 10:15:00", -70.66);
    d.hasGps = d.hasDirection = d.hasAltitude = false;
    d.extraExif["Exif.Image.ImageDescription"] = QStringLiteral("Acceso al campamento");
    TestPhoto e = at("2024:03:05 09:00:00", -70.665);
    e.direction = 90;
    const QDir dir(folder);
    return writeTestPhoto(dir.filePath("a.jpg"), a) && writeTestPhoto(dir.filePath("b.jpg"), b)
            && writeTestPhoto(dir.filePath("c.jpg"), c) && writeTestPhoto(dir.filePath("d.jpg"), d)
            && writeTestPhoto(dir.filePath("e.jpg"), e);
}

using Tags = QMap<QString, QString>; // Exif./Iptc./Xmp. key -> value

// Every entry of a ZIP archive by name; empty when it cannot be opened.
static QMap<QString, QByteArray> unzip(const QByteArray &archive)
{
    QMap<QString, QByteArray> entries;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(archive.constData(), archive.size(), 0, &error);
    zip_t *zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    for (zip_int64_t i = 0; zip && i < zip_get_num_entries(zip, 0); ++i) {
        zip_stat_t stat;
        zip_file_t *file
                = zip_stat_index(zip, i, 0, &stat) == 0 ? zip_fopen_index(zip, i, 0) : nullptr;
        QByteArray bytes(qsizetype(stat.size), '\0');
        if (file && zip_fread(file, bytes.data(), stat.size) == zip_int64_t(stat.size))
            entries[QString::fromUtf8(stat.name)] = bytes;
        if (file)
            zip_fclose(file);
    }
    if (zip)
        zip_discard(zip);
    else if (source)
        zip_source_free(source);
    zip_error_fini(&error);
    return entries;
}

// What a Word part holds: the text of each table cell, of each paragraph
// outside tables, the drawings, page breaks, header rows and w:pgSz.
struct WordText
{
    QStringList cells;
    QStringList paragraphs;
    int drawings = 0;
    int pageBreaks = 0;
    int repeatedRows = 0;
    QXmlStreamAttributes pageSize;
    bool wellFormed = false;
};

static WordText readWord(const QByteArray &part)
{
    WordText word;
    QXmlStreamReader xml(part);
    int tableDepth = 0;
    QString text;
    while (!xml.atEnd()) {
        xml.readNext();
        const QString name = xml.qualifiedName().toString();
        if (xml.isStartElement()) {
            tableDepth += name == QLatin1String("w:tbl");
            word.drawings += name == QLatin1String("w:drawing");
            word.pageBreaks += name == QLatin1String("w:pageBreakBefore");
            word.repeatedRows += name == QLatin1String("w:tblHeader");
            if (name == QLatin1String("w:pgSz"))
                word.pageSize = xml.attributes();
            if (name == QLatin1String("w:t"))
                text += xml.readElementText();
            if (name == QLatin1String("w:br"))
                text += QLatin1Char('\n');
        } else if (xml.isEndElement()) {
            tableDepth -= name == QLatin1String("w:tbl");
            if (name == QLatin1String("w:tc"))
                word.cells << std::exchange(text, QString());
            if (name == QLatin1String("w:p") && tableDepth == 0 && !text.isEmpty())
                word.paragraphs << std::exchange(text, QString());
        }
    }
    word.wellFormed = !xml.hasError();
    return word;
}

class ReportTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString folder;

    ReportSettings settings(ReportFormat format) const
    {
        ReportSettings chosen;
        chosen.folder = folder;
        chosen.project = specialProject;
        chosen.client = QStringLiteral("Minera Ñuble");
        chosen.author = QStringLiteral("Ana Pérez");
        chosen.date = QDate(2024, 3, 6);
        chosen.fontPath = fontFile();
        chosen.format = format;
        chosen.pdfPath = dir.filePath(QStringLiteral("informe.pdf"));
        chosen.docxPath = dir.filePath(QStringLiteral("informe.docx"));
        return chosen;
    }

private slots:
    void initTestCase()
    {
        initializeExiv2();
        QVERIFY(dir.isValid());
        folder = dir.filePath(QStringLiteral("fotos"));
        QVERIFY(writeFixture(folder));
    }

    // The record both formats are written from: order, numbers and captions
    // from the right place.
    void recordHoldsEachPhotoInCaptureOrder_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("captionsFile"); // the coordinates file's column is read
        QTest::newRow("primera, sin descripción") << 0 << "e.jpg"
                                                  << "" << false;
        QTest::newRow("sin descripción propia: la del archivo") << 0 << "e.jpg"
                                                                << "Campamento; vista sur" << true;
        QTest::newRow("XMP antes que IPTC") << 1 << "a.jpg" << specialCaption << false;
        QTest::newRow("la propia antes que la del archivo")
                << 1 << "a.jpg" << specialCaption << true;
        QTest::newRow("IPTC") << 2 << "b.jpg"
                              << "Quebrada seca" << false;
        QTest::newRow("texto de cámara, luego UserComment") << 3 << "c.jpg"
                                                            << "Pozo de monitoreo" << false;
    }

    void recordHoldsEachPhotoInCaptureOrder()
    {
        QFETCH(int, index);
        QFETCH(bool, captionsFile);
        ReportSettings chosen = settings(ReportFormat::Pdf);
        if (captionsFile) {
            chosen.captionsFile = dir.filePath(QStringLiteral("coordenadas.csv"));
            QVERIFY(writeBytes(chosen.captionsFile,
                               "nombre_de_la_foto.jpg;zona;letra;easting;northing;orientacion;"
                               "fecha_hora;altitud;descripcion\n"
                               "a.jpg;19;H;1;2;;;;no gana\n"
                               "e.jpg;19;H;1;2;;;;Campamento; vista sur\n"));
        }
        const PhotoReport report = collectReport(
                chosen, [](const QString &) {}, nullptr);
        QCOMPARE(report.located.size(), 4);
        const ReportPhoto &photo = report.located.at(index);
        QCOMPARE(photo.number, index + 1);
        QTEST(photo.record.fileName, "file");
        QTEST(photo.caption, "caption");
        QCOMPARE(report.unlocated.size(), 1);
        QCOMPARE(report.unlocated.first().caption, QStringLiteral("Acceso al campamento"));
    }

    // Which text of the photo's metadata becomes its caption.
    void captionComesFromThePhotosOwnText_data()
    {
        QTest::addColumn<Tags>("tags");
        QTest::addColumn<QString>("caption");
        QTest::newRow("XMP en otro idioma")
                << Tags {{"Xmp.dc.description", "lang=\"es-CL\" Bocatoma"}} << "Bocatoma";
        QTest::newRow("descripción en blanco, comentario Unicode")
                << Tags {{"Exif.Image.ImageDescription", "   "},
                         {"Exif.Photo.UserComment", "charset=Unicode Cañón"}}
                << "Cañón";
        QTest::newRow("IPTC en blanco") << Tags {{"Iptc.Application2.Caption", " "},
                                                 {"Exif.Image.ImageDescription", "Dren"}}
                                        << "Dren";
        QTest::newRow("solo texto de cámara")
                << Tags {{"Exif.Image.ImageDescription", "SONY DSC"}} << "";
    }

    void captionComesFromThePhotosOwnText()
    {
        QFETCH(Tags, tags);
        TestPhoto photo;
        for (auto it = tags.cbegin(); it != tags.cend(); ++it) {
            auto &place = it.key().startsWith("Exif") ? photo.extraExif
                    : it.key().startsWith("Iptc")     ? photo.iptc
                                                      : photo.xmp;
            place[it.key()] = it.value();
        }
        const QString path = dir.filePath(QStringLiteral("leyenda.jpg"));
        QVERIFY(writeTestPhoto(path, photo));
        QTEST(readPhotoCaption(path), "caption");
    }

    // An unknown direction or altitude has no caption row and a dash in the
    // summary, never a number.
    void unknownValuesShowNoNumber_data()
    {
        QTest::addColumn<std::optional<double>>("direction");
        QTest::addColumn<std::optional<double>>("altitude");
        QTest::addColumn<QStringList>("lastCells");
        QTest::newRow("ambas") << std::optional(0.0) << std::optional(0.0)
                               << QStringList {"0 msnm", "000° N"};
        QTest::newRow("sin orientación")
                << std::optional<double>() << std::optional(550.0) << QStringList {"550 msnm", "—"};
        QTest::newRow("sin altitud")
                << std::optional(90.0) << std::optional<double>() << QStringList {"—", "090° E"};
    }

    void unknownValuesShowNoNumber()
    {
        QFETCH(std::optional<double>, direction);
        QFETCH(std::optional<double>, altitude);
        PhotoReport report;
        ReportPhoto photo;
        photo.number = 1;
        photo.located = true;
        photo.record.position = {19, 'H', 345713, 6297592, direction, altitude};
        report.located = {photo};
        QTEST(summaryRows(report).first().mid(6), "lastCells");
        QStringList labels;
        for (const auto &row : captionRows(photo, nullptr))
            labels << row.first;
        QCOMPARE(labels.contains(QStringLiteral("Orientación")), direction.has_value());
        QCOMPARE(labels.contains(QStringLiteral("Altitud")), altitude.has_value());
    }

    void pdfReadsBackWithEveryPageAndText_data()
    {
        QTest::addColumn<int>("perPage");
        QTest::addColumn<ReportPaper>("paper");
        QTest::addColumn<int>("pages"); // blocks, summary, map, without position
        QTest::addColumn<QSizeF>("pointSize");
        QTest::newRow("2 por página, A4") << 2 << ReportPaper::A4 << 2 + 3 << QSizeF(595, 842);
        QTest::newRow("4 por página, carta")
                << 4 << ReportPaper::Letter << 1 + 3 << QSizeF(612, 792);
        QTest::newRow("1 por página") << 1 << ReportPaper::A4 << 4 + 3 << QSizeF(595, 842);
    }

    void pdfReadsBackWithEveryPageAndText()
    {
        QFETCH(int, perPage);
        QFETCH(ReportPaper, paper);
        QFETCH(int, pages);
        ReportSettings chosen = settings(ReportFormat::Pdf);
        chosen.photosPerPage = perPage;
        chosen.paper = paper;
        const ReportOutcome outcome = writePhotoReport(
                chosen, [](const QString &) {}, {}, nullptr);
        QCOMPARE(outcome.written, QStringList {chosen.pdfPath});
        QPdfDocument pdf;
        QCOMPARE(pdf.load(chosen.pdfPath), QPdfDocument::Error::None);
        QCOMPARE(pdf.pageCount(), pages);
        QFETCH(QSizeF, pointSize);
        QCOMPARE(pdf.pagePointSize(0).toSize(), pointSize.toSize());
        QStringList text;
        for (int page = 0; page < pages; ++page)
            text << pdf.getAllText(page).text().simplified();
        QVERIFY2(text.first().contains(specialProject), qPrintable(text.first()));
        QVERIFY(text.last().contains(QStringLiteral("Página %1 de %1").arg(pages)));
        const QString blocks = text.mid(0, pages - 3).join(' ');
        // The emoji is drawn by a fallback font, whose text PDF readers cannot map back.
        const QString captionUpToEmoji = specialCaption.chopped(2);
        for (const QString &expected :
             {QStringLiteral("Fotografía N° 4"), captionUpToEmoji, QStringLiteral("Quebrada seca"),
              QStringLiteral("19H · E 345713 · N 6297592 · Datum: WGS 84")})
            QVERIFY2(blocks.contains(expected), qPrintable(expected + " / " + blocks));
        QVERIFY(!blocks.contains(QStringLiteral("OLYMPUS")));
        QVERIFY(text.at(pages - 3).contains(QStringLiteral("Tabla resumen")));
        QVERIFY(text.at(pages - 3).contains(QStringLiteral("6297592")));
        QVERIFY(text.at(pages - 2).contains(QStringLiteral("Mapa de ubicación")));
        QVERIFY(text.at(pages - 2).contains(QStringLiteral("Fuera de esta zona")));
        QVERIFY(text.last().contains(QStringLiteral("Fotografías sin ubicación")));
        QVERIFY(text.last().contains(QStringLiteral("Acceso al campamento")));
    }

    // Captions, summary and map in the chosen system, the whole project on its
    // grid; the default keeps WGS 84 / UTM by each photo's zone.
    void pdfTextIsInTheChosenSystem_data()
    {
        QTest::addColumn<int>("epsg"); // 0: the default
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("absent");
        QTest::newRow("WGS 84 / UTM")
                << 0
                << QStringList {"Coordenadas UTM 19H · E 345713 · N 6297592 · Datum: WGS 84",
                                "Cuadrícula UTM zona 19 sur, datum WGS 84", "Fuera de esta zona"}
                << "PSAD56";
        QTest::newRow("PSAD56 / UTM 19S, c.jpg de la zona 18 incluida")
                << 24879
                << QStringList {"Coordenadas PSAD56 / UTM 19S · E 345896 · N 6297965",
                                "c.jpg 05/03/2024 10:10:00 19H 174817 6293716",
                                "Cuadrícula PSAD56 / UTM 19S;"}
                << "Fuera de esta zona";
    }

    void pdfTextIsInTheChosenSystem()
    {
        QFETCH(int, epsg);
        ReportSettings chosen = settings(ReportFormat::Pdf);
        QString problem;
        if (epsg)
            QVERIFY2(chosen.crs = crsTransform(epsg, problem), qPrintable(problem));
        QStringList log;
        QCOMPARE(writePhotoReport(
                         chosen, [&log](const QString &line) { log << line; }, {}, nullptr)
                         .written,
                 QStringList {chosen.pdfPath});
        QPdfDocument pdf;
        QCOMPARE(pdf.load(chosen.pdfPath), QPdfDocument::Error::None);
        QString text;
        for (int page = 0; page < pdf.pageCount(); ++page)
            text += pdf.getAllText(page).text().simplified() + QLatin1Char(' ');
        QFETCH(QStringList, expected);
        for (const QString &part : expected)
            QVERIFY2(text.contains(part), qPrintable(part + " / " + text));
        QFETCH(QString, absent);
        QVERIFY2(!text.contains(absent), qPrintable(text));
        QCOMPARE(log.filter(QStringLiteral("Transformación: ")).size(), epsg ? 1 : 0);
    }

    // 60 photos, 2 a page: the summary runs over two pages, its header row
    // on each, and every page counts all of them.
    void longSummaryRepeatsItsHeaderOnEachPage()
    {
        PhotoReport report;
        report.settings = settings(ReportFormat::Pdf);
        for (int number = 1; number <= 60; ++number) {
            ReportPhoto photo;
            photo.number = number;
            photo.located = true;
            photo.path = QStringLiteral("/nada/foto%1.jpg").arg(number);
            photo.record.relativePath = QStringLiteral("foto%1.jpg").arg(number);
            photo.record.position = {19, 'H', 345000.0 + number, 6297000.0, {}, {}};
            report.located.append(photo);
        }
        ReportRun run;
        QByteArray bytes;
        QString error;
        QVERIFY(buildReportPdf(report, run, bytes, error));
        QCOMPARE(run.unreadable.size(), 60);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QPdfDocument pdf;
        pdf.load(&buffer);
        QTRY_COMPARE(pdf.pageCount(), 30 + 2 + 1);
        for (int page : {30, 31}) {
            const QString text = pdf.getAllText(page).text().simplified();
            QVERIFY2(text.contains(QStringLiteral("Página %1 de 33").arg(page + 1))
                             && text.contains(QStringLiteral("N° Archivo Fecha y hora")),
                     qPrintable(text));
        }
        QVERIFY(pdf.getAllText(31).text().contains(QStringLiteral("foto60.jpg")));
    }

    void docxReadsBackWithTablesAndDrawings_data()
    {
        QTest::addColumn<int>("perPage");
        QTest::addColumn<ReportPaper>("paper");
        QTest::addColumn<int>("pages"); // blocks, summary, map, without position
        QTest::addColumn<QString>("pageWidth"); // twips
        QTest::newRow("2 por página, A4") << 2 << ReportPaper::A4 << 2 + 3 << "11906";
        QTest::newRow("4 por página, carta") << 4 << ReportPaper::Letter << 1 + 3 << "12240";
        QTest::newRow("1 por página") << 1 << ReportPaper::A4 << 4 + 3 << "11906";
    }

    void docxReadsBackWithTablesAndDrawings()
    {
        QFETCH(int, pages);
        ReportSettings chosen = settings(ReportFormat::Docx);
        QFETCH(int, perPage);
        chosen.photosPerPage = perPage;
        QFETCH(ReportPaper, paper);
        chosen.paper = paper;
        const ReportOutcome outcome = writePhotoReport(
                chosen, [](const QString &) {}, {}, nullptr);
        QCOMPARE(outcome.written, QStringList {chosen.docxPath});
        const auto parts = unzip(fileBytes(chosen.docxPath));
        for (const char *part :
             {"[Content_Types].xml", "_rels/.rels", "word/document.xml", "word/styles.xml",
              "word/_rels/document.xml.rels", "word/header1.xml", "word/media/foto-0004.jpg",
              "word/media/mapa.png"})
            QVERIFY2(parts.contains(QLatin1String(part)), part);
        const WordText document = readWord(parts["word/document.xml"]);
        QVERIFY(document.wellFormed);
        QCOMPARE(document.drawings, 4 + 1); // the photos and the map
        QTEST(document.pageSize.value(QStringLiteral("w:w")).toString(), "pageWidth");
        QCOMPARE(document.pageBreaks, pages - 1);
        QCOMPARE(document.repeatedRows, 2); // the summary's and the list's header rows
        for (const QString &cell :
             {specialCaption, QStringLiteral("Pozo de monitoreo"), QStringLiteral("Orientación"),
              QStringLiteral("090° E"), QStringLiteral("6297592"), QStringLiteral("d.jpg")})
            QVERIFY2(document.cells.contains(cell), qPrintable(cell));
        QVERIFY((document.paragraphs + document.cells)
                        .join(QLatin1Char('\n'))
                        .contains(QStringLiteral("Fotografía N° 3")));
        const WordText header = readWord(parts["word/header1.xml"]);
        QVERIFY(header.wellFormed);
        QVERIFY2(header.cells.first().startsWith(QStringLiteral("Registro fotográfico · Proyecto: ")
                                                 + specialProject),
                 qPrintable(header.cells.first()));
    }

    // The grid point a photo stands on, in the page rectangle (0, 0, 100, 100).
    void mapProjectsKnownPoints_data()
    {
        QTest::addColumn<QVector<QPointF>>("points"); // easting, northing in metres
        QTest::addColumn<QVector<QPointF>>("onPage");
        QTest::addColumn<double>("frameMetres");
        // 1 000 m apart, a margin of 100 m each way: 1 200 m over 100 units.
        QTest::newRow("dos puntos")
                << QVector<QPointF> {{500000, 6000000}, {501000, 6001000}}
                << QVector<QPointF> {{100.0 / 12, 1100.0 / 12}, {1100.0 / 12, 100.0 / 12}}
                << 1200.0;
        QTest::newRow("una foto: marco de 200 m")
                << QVector<QPointF> {{345713, 6297592}} << QVector<QPointF> {{50, 50}} << 200.0;
        QTest::newRow("otra zona no cuenta")
                << QVector<QPointF> {{500000, 6000000}, {501000, 6001000}, {200000, 6000000}}
                << QVector<QPointF> {{100.0 / 12, 1100.0 / 12}, {1100.0 / 12, 100.0 / 12}}
                << 1200.0;
    }

    void mapProjectsKnownPoints()
    {
        QFETCH(QVector<QPointF>, points);
        QFETCH(QVector<QPointF>, onPage);
        QVector<UtmPosition> positions;
        for (const QPointF &point : points)
            positions.append({19, 'H', point.x(), point.y(), {}, {}});
        if (positions.size() == 3)
            positions.last().zone = 18;
        const MapFrame frame = mapFrame(positions, QRectF(0, 0, 100, 100));
        QTEST(frame.extent.width(), "frameMetres");
        for (int i = 0; i < onPage.size(); ++i) {
            const QPointF page = frame.toPage(positions.at(i).easting, positions.at(i).northing);
            QVERIFY2(qAbs(page.x() - onPage.at(i).x()) < 1e-9
                             && qAbs(page.y() - onPage.at(i).y()) < 1e-9,
                     qPrintable(QStringLiteral("%1, %2").arg(page.x()).arg(page.y())));
        }
    }

    // A stop after the first picture, in either format: the folder is as it was.
    void stoppedReportLeavesNoFile_data()
    {
        QTest::addColumn<ReportFormat>("format");
        QTest::newRow("PDF") << ReportFormat::Pdf;
        QTest::newRow("Word") << ReportFormat::Docx;
        QTest::newRow("ambos") << ReportFormat::Both;
    }

    void stoppedReportLeavesNoFile()
    {
        QFETCH(ReportFormat, format);
        ReportSettings chosen = settings(format);
        chosen.pdfPath = QDir(folder).filePath(QStringLiteral("parado.pdf"));
        chosen.docxPath = QDir(folder).filePath(QStringLiteral("parado.docx"));
        const QStringList before = fileNames(folder);
        std::atomic<bool> stop {false};
        const ReportOutcome outcome = writePhotoReport(
                chosen, [](const QString &) {}, [&stop](int done, int) { stop = done > 0; }, &stop);
        QVERIFY(outcome.stopped);
        QVERIFY(outcome.written.isEmpty());
        QCOMPARE(fileNames(folder), before);
    }
};

QTEST_MAIN(ReportTest)
#include "reporttest.moc"
