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

// "Style: text" for each paragraph that names its style, in order.
static QStringList styledParagraphs(const QByteArray &part)
{
    QStringList paragraphs;
    QXmlStreamReader xml(part);
    QString style;
    QString text;
    while (!xml.atEnd()) {
        xml.readNext();
        const QString name = xml.qualifiedName().toString();
        if (xml.isStartElement() && name == QLatin1String("w:pStyle"))
            style = xml.attributes().value(QStringLiteral("w:val")).toString();
        else if (xml.isStartElement() && name == QLatin1String("w:t"))
            text += xml.readElementText();
        else if (xml.isEndElement() && name == QLatin1String("w:p")) {
            if (!style.isEmpty())
                paragraphs << style + QStringLiteral(": ") + text;
            style.clear();
            text.clear();
        }
    }
    return paragraphs;
}

// Every field's instruction, simple or complex, trimmed.
static QStringList fieldInstructions(const QByteArray &part)
{
    QStringList instructions;
    QXmlStreamReader xml(part);
    while (!xml.atEnd()) {
        xml.readNext();
        const QString name = xml.qualifiedName().toString();
        if (xml.isStartElement() && name == QLatin1String("w:fldSimple"))
            instructions << xml.attributes().value(QStringLiteral("w:instr")).trimmed().toString();
        else if (xml.isStartElement() && name == QLatin1String("w:instrText"))
            instructions << xml.readElementText().trimmed();
    }
    return instructions;
}

// The value of `attribute` on every element called `element`, in order.
static QStringList attributeValues(const QByteArray &part, const QString &element,
                                   const QString &attribute)
{
    QStringList values;
    QXmlStreamReader xml(part);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.qualifiedName() == element)
            values << xml.attributes().value(attribute).toString();
    }
    return values;
}

class ReportTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString folder;

    // The document's own data, as a consultant fills them in.
    static ReportTitle annexTitle(bool coverAndIndex)
    {
        ReportTitle title;
        if (!coverAndIndex)
            return title;
        title.title = QStringLiteral("Anexo 3 – Registro fotográfico");
        title.code = QStringLiteral("MN-INF-004-AN3");
        title.revision = QStringLiteral("B");
        title.preparedBy = QStringLiteral("Pedro Rojas");
        title.reviewedBy = QStringLiteral("Luis Soto");
        title.approvedBy = QStringLiteral("María Díaz");
        title.company = QStringLiteral("Consultora Andes");
        title.cover = title.photoIndex = true;
        return title;
    }

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
        const QString longText = QStringLiteral("Talud norte & canal ").repeated(5000).trimmed();
        QTest::newRow("100 KB en XMP extendido")
                << Tags {{"Extended.dc.description", longText}} << longText;
    }

    void captionComesFromThePhotosOwnText()
    {
        QFETCH(Tags, tags);
        TestPhoto photo;
        photo.extendedXmpDescription = tags.take("Extended.dc.description");
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
        QTEST(summaryRows(report).first().mid(6, 2), "lastCells");
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
        // title, blocks, summary, map, without position: their list and their block
        QTest::addColumn<int>("pages");
        QTest::addColumn<QSizeF>("pointSize");
        QTest::newRow("2 por página, A4") << 2 << ReportPaper::A4 << 1 + 2 + 4 << QSizeF(595, 842);
        QTest::newRow("4 por página, carta")
                << 4 << ReportPaper::Letter << 1 + 1 + 4 << QSizeF(612, 792);
        QTest::newRow("1 por página") << 1 << ReportPaper::A4 << 1 + 4 + 4 << QSizeF(595, 842);
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
        const QString blocks = text.mid(1, pages - 5).join(' ');
        // The emoji is drawn by a fallback font, whose text PDF readers cannot map back.
        const QString captionUpToEmoji = specialCaption.chopped(2);
        for (const QString &expected :
             {QStringLiteral("Fotografía N° 4"), captionUpToEmoji, QStringLiteral("Quebrada seca"),
              QStringLiteral("19H · E 345713 · N 6297592 · Datum: WGS 84")})
            QVERIFY2(blocks.contains(expected), qPrintable(expected + " / " + blocks));
        QVERIFY(!blocks.contains(QStringLiteral("OLYMPUS")));
        QVERIFY(text.at(pages - 4).contains(QStringLiteral("Tabla resumen")));
        QVERIFY(text.at(pages - 4).contains(QStringLiteral("6297592")));
        const QString map = text.at(pages - 3);
        for (const QString &expected :
             {QStringLiteral("Mapa de ubicación"), QStringLiteral("Ubicación de las fotografías"),
              QStringLiteral("Fotografía con dirección"), QStringLiteral("Fuera de esta zona")})
            QVERIFY2(map.contains(expected), qPrintable(expected + " / " + map));
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
                                "Cuadrícula UTM zona 19 sur, datum WGS 84", "Fuera de esta zona",
                                "Tabla resumen · Coordenadas WGS 84 / UTM (zona de cada foto)"}
                << "PSAD56";
        QTest::newRow("PSAD56 / UTM 19S, c.jpg de la zona 18 incluida")
                << 24879
                << QStringList {"Coordenadas PSAD56 / UTM 19S · E 345896 · N 6297965",
                                "c.jpg 05/03/2024 10:10:00 19H 174817 6293716",
                                "Cuadrícula PSAD56 / UTM 19S;",
                                "Tabla resumen · Coordenadas PSAD56 / UTM 19S"}
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
        QTRY_COMPARE(pdf.pageCount(), 1 + 30 + 2 + 1);
        for (int page : {31, 32}) {
            const QString text = pdf.getAllText(page).text().simplified();
            QVERIFY2(text.contains(QStringLiteral("Página %1 de 34").arg(page + 1))
                             && text.contains(QStringLiteral("N° Archivo Fecha y hora")),
                     qPrintable(text));
        }
        QVERIFY(pdf.getAllText(32).text().contains(QStringLiteral("foto60.jpg")));
    }

    void docxReadsBackWithTablesAndDrawings_data()
    {
        QTest::addColumn<int>("perPage");
        QTest::addColumn<ReportPaper>("paper");
        // title, blocks, summary, map, without position: their list and their block
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("pageWidth"); // twips
        QTest::newRow("2 por página, A4") << 2 << ReportPaper::A4 << 1 + 2 + 4 << "11906";
        QTest::newRow("4 por página, carta") << 4 << ReportPaper::Letter << 1 + 1 + 4 << "12240";
        QTest::newRow("1 por página") << 1 << ReportPaper::A4 << 1 + 4 + 4 << "11906";
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
        QCOMPARE(document.drawings, 4 + 1 + 1); // the photos, the map, the one without position
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

    // A photo without position has its own section: its row says why, and
    // its block shows the picture and caption, numbered after the located.
    void unlocatedPhotosShowPictureCaptionAndWhy_data()
    {
        QTest::addColumn<ReportFormat>("format");
        QTest::newRow("PDF") << ReportFormat::Pdf;
        QTest::newRow("Word") << ReportFormat::Docx;
    }

    void unlocatedPhotosShowPictureCaptionAndWhy()
    {
        QFETCH(ReportFormat, format);
        const ReportSettings chosen = settings(format);
        QStringList log;
        QVERIFY(!writePhotoReport(
                         chosen, [&log](const QString &line) { log << line; }, {}, nullptr)
                         .failed);
        QVERIFY(log.contains("Sin ubicación (Sin posición GPS en la foto), se muestra al final: "
                             "d.jpg"));
        const QString why = QStringLiteral("Sin posición GPS en la foto");
        const QString listRow = QStringLiteral("5 d.jpg 05/03/2024 10:15:00 ") + why
                + QStringLiteral(" Acceso al campamento");
        const QString blockText = QStringLiteral("Fotografía N° 5 Descripción Acceso al "
                                                 "campamento Fecha y hora 05/03/2024 10:15:00 "
                                                 "Ubicación ")
                + why;
        if (format == ReportFormat::Pdf) {
            QPdfDocument pdf;
            QCOMPARE(pdf.load(chosen.pdfPath), QPdfDocument::Error::None);
            const int last = pdf.pageCount() - 1;
            const QString list = pdf.getAllText(last - 1).text().simplified();
            const QString block = pdf.getAllText(last).text().simplified();
            QVERIFY2(list.contains(QStringLiteral("Fotografías sin ubicación"))
                             && list.contains(listRow),
                     qPrintable(list));
            QVERIFY2(block.contains(blockText), qPrintable(block));
            // The picture fills much of the page, which text alone would not.
            const QImage page = pdf.render(last, QSize(210, 297));
            int inked = 0;
            for (int y = 0; y < page.height(); ++y)
                for (int x = 0; x < page.width(); ++x)
                    inked += qAlpha(page.pixel(x, y)) > 0 && qGray(page.pixel(x, y)) < 200;
            QVERIFY2(inked > page.width() * page.height() / 8, qPrintable(QString::number(inked)));
            return;
        }
        const auto parts = unzip(fileBytes(chosen.docxPath));
        QVERIFY(parts.contains("word/media/foto-0005.jpg"));
        QVERIFY(!QImage::fromData(parts["word/media/foto-0005.jpg"]).isNull());
        const WordText document = readWord(parts["word/document.xml"]);
        QVERIFY2(document.cells.join(' ').contains(listRow.section(' ', 1)),
                 qPrintable(document.cells.join(' ')));
        const QStringList paragraphs = styledParagraphs(parts["word/document.xml"]);
        QCOMPARE(paragraphs.last(), "Caption: Fotografía N° 5");
        QVERIFY(document.cells.join(' ').endsWith(blockText.section(' ', 3) + " Archivo d.jpg"));
    }

    // A stamp drawn in another system than the report's is named in the
    // caption, and once in the log; a marker without a system is WGS 84 / UTM.
    void captionNamesTheStampsOtherSystem_data()
    {
        QTest::addColumn<bool>("marked");
        QTest::addColumn<QString>("stampSystem"); // in the marker; empty: none, an older marker
        QTest::addColumn<int>("epsg"); // of the report; 0: WGS 84 / UTM
        QTest::addColumn<QString>("note");
        const QString wgs84 = QStringLiteral(" (Estampa: WGS 84 / UTM 19H)");
        QTest::newRow("WGS 84 bajo PSAD56") << true << "WGS 84 / UTM 19H" << 24879 << wgs84;
        QTest::newRow("marca antigua bajo PSAD56") << true << "" << 24879 << wgs84;
        QTest::newRow("marca antigua, mismo sistema") << true << "" << 0 << "";
        QTest::newRow("PSAD56 bajo PSAD56") << true << "PSAD56 / UTM 19S" << 24879 << "";
        QTest::newRow("sin estampa") << false << "" << 24879 << "";
    }

    void captionNamesTheStampsOtherSystem()
    {
        QFETCH(bool, marked);
        QFETCH(QString, stampSystem);
        TestPhoto photo = gpsPhoto();
        if (marked)
            photo.xmp["Xmp.rumbario.stampDate"] = "2024-03-05T10:00:00-03:00";
        if (!stampSystem.isEmpty())
            photo.xmp["Xmp.rumbario.system"] = stampSystem;
        const QString stamped = dir.filePath(QStringLiteral("estampadas"));
        QDir(stamped).removeRecursively();
        QVERIFY(writeTestPhoto(stamped + "/a.jpg", photo));
        ReportSettings chosen = settings(ReportFormat::Pdf);
        chosen.folder = stamped;
        QFETCH(int, epsg);
        QString problem;
        chosen.crs = epsg ? crsTransform(epsg, problem) : nullptr;
        QStringList log;
        const PhotoReport report = collectReport(
                chosen, [&log](const QString &line) { log << line; }, nullptr);
        QCOMPARE(report.located.size(), 1);
        const QString coordinates
                = captionRows(report.located.first(), chosen.crs.get()).at(2).second;
        QFETCH(QString, note);
        QVERIFY2(note.isEmpty() ? !coordinates.contains("Estampa") : coordinates.endsWith(note),
                 qPrintable(coordinates));
        QCOMPARE(log.filter("otro sistema").size(), note.isEmpty() ? 0 : 1);
    }

    // The summary names its coordinate system and gives each description on
    // one line.
    void summaryNamesItsSystemAndCutsTheDescription_data()
    {
        QTest::addColumn<int>("secondZone");
        QTest::addColumn<int>("epsg"); // 0: WGS 84 / UTM
        QTest::addColumn<QString>("title");
        QTest::newRow("una zona") << 19 << 0 << "Tabla resumen · Coordenadas WGS 84 / UTM 19H";
        QTest::newRow("dos zonas")
                << 18 << 0 << "Tabla resumen · Coordenadas WGS 84 / UTM (zona de cada foto)";
        QTest::newRow("sistema elegido")
                << 19 << 24879 << "Tabla resumen · Coordenadas PSAD56 / UTM 19S";
    }

    void summaryNamesItsSystemAndCutsTheDescription()
    {
        QFETCH(int, secondZone);
        QFETCH(int, epsg);
        PhotoReport report;
        QString problem;
        report.settings.crs = epsg ? crsTransform(epsg, problem) : nullptr;
        const QString longCaption = QStringLiteral(
                "Talud norte del rajo visto desde el camino de acceso, con el pozo PM-3 al fondo");
        for (const int zone : {19, secondZone}) {
            ReportPhoto photo;
            photo.number = int(report.located.size()) + 1;
            photo.record.position = {zone, 'H', 345000.0, 6297000.0, {}, {}};
            photo.caption = photo.number == 1 ? QStringLiteral("Pozo PM-3") : longCaption;
            report.located.append(photo);
        }
        QTEST(summaryTitle(report), "title");
        const auto rows = summaryRows(report);
        QCOMPARE(rows.first().last(), "Pozo PM-3");
        QCOMPARE(rows.last().size(), summaryHeader().size());
        QVERIFY2(rows.last().last().endsWith("…") && rows.last().last().size() <= 48
                         && longCaption.startsWith(rows.last().last().chopped(1)),
                 qPrintable(rows.last().last()));
    }

    // Cover, title block, footer on every page and index, read back from the PDF.
    void pdfCarriesTheTitleBlockFooterAndIndex_data()
    {
        QTest::addColumn<bool>("coverAndIndex");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("footer");
        QTest::newRow("portada, bloque completo e índice")
                << true << 1 + 1 + 1 + 2 + 4 << "Consultora Andes · MN-INF-004-AN3";
        QTest::newRow("solo el bloque de título") << false << 1 + 2 + 4 << "";
    }

    void pdfCarriesTheTitleBlockFooterAndIndex()
    {
        QFETCH(bool, coverAndIndex);
        QFETCH(int, pages);
        QFETCH(QString, footer);
        ReportSettings chosen = settings(ReportFormat::Pdf);
        chosen.title = annexTitle(coverAndIndex);
        QCOMPARE(writePhotoReport(
                         chosen, [](const QString &) {}, {}, nullptr)
                         .written.size(),
                 1);
        QPdfDocument pdf;
        QCOMPARE(pdf.load(chosen.pdfPath), QPdfDocument::Error::None);
        QCOMPARE(pdf.pageCount(), pages);
        QStringList text;
        for (int page = 0; page < pages; ++page)
            text << pdf.getAllText(page).text().simplified();
        const int first = coverAndIndex ? 1 : 0; // the title block's page
        if (coverAndIndex) {
            for (const QString &expected :
                 {chosen.title.title, QStringLiteral("Proyecto: ") + specialProject,
                  QStringLiteral("Consultora Andes"), QStringLiteral("Documento: MN-INF-004-AN3")})
                QVERIFY2(text.first().contains(expected), qPrintable(text.first()));
            QVERIFY(!text.first().contains(QStringLiteral("Página")));
            QVERIFY2(text.at(2).contains(QStringLiteral("Índice de fotografías"))
                             && text.at(2).contains(
                                     QStringLiteral("Fotografía N° 3 Quebrada seca 5")),
                     qPrintable(text.at(2)));
            QVERIFY(text.at(4).contains(QStringLiteral("Fotografía N° 3")));
        }
        const QString block = text.at(first);
        for (const QString &expected :
             {coverAndIndex ? chosen.title.title : QStringLiteral("Registro fotográfico"),
              QStringLiteral("Proyecto ") + specialProject,
              QStringLiteral("Código del documento ") + chosen.title.code,
              QStringLiteral("Revisión ") + chosen.title.revision,
              QStringLiteral("Fecha 06/03/2024"),
              QStringLiteral("Elaborado por ") + (coverAndIndex ? "Pedro Rojas" : "Ana Pérez"),
              QStringLiteral("Revisado por ") + chosen.title.reviewedBy,
              QStringLiteral("Aprobado por ") + chosen.title.approvedBy})
            QVERIFY2(block.contains(expected.simplified()), qPrintable(expected + " / " + block));
        for (int page = first; page < pages; ++page) {
            QVERIFY2(text.at(page).endsWith(
                             QStringLiteral("Página %1 de %2").arg(page + 1).arg(pages))
                             || text.at(page).contains(
                                     QStringLiteral("Página %1 de %2").arg(page + 1).arg(pages)),
                     qPrintable(text.at(page)));
            QVERIFY2(footer.isEmpty() || text.at(page).contains(footer), qPrintable(text.at(page)));
        }
    }

    // Word finds its styles, numbers the captions and builds the table of
    // figures from the SEQ fields; the footer carries Word's page fields.
    void docxHasNamedStylesNumberedCaptionsAndFooter()
    {
        ReportSettings chosen = settings(ReportFormat::Docx);
        chosen.title = annexTitle(true);
        QCOMPARE(writePhotoReport(
                         chosen, [](const QString &) {}, {}, nullptr)
                         .written.size(),
                 1);
        const auto parts = unzip(fileBytes(chosen.docxPath));
        const QByteArray styles = parts["word/styles.xml"];
        const QStringList styleIds = attributeValues(styles, "w:style", "w:styleId");
        for (const char *id : {"Normal", "Title", "Heading1", "Caption", "TablaRegistro"})
            QVERIFY2(styleIds.contains(QLatin1String(id)), id);
        QCOMPARE(attributeValues(styles, "w:style", "w:type").at(styleIds.indexOf("TablaRegistro")),
                 "table");
        QCOMPARE(attributeValues(styles, "w:sz", "w:val").first(), "20"); // 10 pt body text
        const QString family = attributeValues(styles, "w:rFonts", "w:ascii").first();
        QCOMPARE(attributeValues(parts["word/fontTable.xml"], "w:font", "w:name"),
                 QStringList {family});
        QCOMPARE(attributeValues(parts["word/fontTable.xml"], "w:altName", "w:val"),
                 QStringList {"Arial"});

        const QByteArray document = parts["word/document.xml"];
        const QStringList paragraphs = styledParagraphs(document);
        QCOMPARE(paragraphs.filter(QRegularExpression("^Caption: ")),
                 QStringList({"Caption: Fotografía N° 1", "Caption: Fotografía N° 2",
                              "Caption: Fotografía N° 3", "Caption: Fotografía N° 4",
                              "Caption: Fotografía N° 5"}));
        QCOMPARE(paragraphs.filter(QRegularExpression("^Title: ")),
                 QStringList(2, "Title: " + chosen.title.title)); // cover and title block
        QCOMPARE(paragraphs.filter(QRegularExpression("^Heading1: ")),
                 QStringList(
                         {"Heading1: Índice de fotografías",
                          "Heading1: Tabla resumen · Coordenadas WGS 84 / UTM (zona de cada foto)",
                          "Heading1: Mapa de ubicación", "Heading1: Fotografías sin ubicación"}));
        QVERIFY(paragraphs.contains("TableofFigures: Fotografía N° 3: Quebrada seca"));
        const QStringList fields = fieldInstructions(document);
        QCOMPARE(fields.filter("SEQ Fotografía").size(), 5);
        QCOMPARE(fields.first(), QStringLiteral("TOC \\h \\z \\c \"Fotografía\""));
        const WordText body = readWord(document);
        for (const QString &cell : {QStringLiteral("Código del documento"), chosen.title.code,
                                    QStringLiteral("Aprobado por"), chosen.title.approvedBy})
            QVERIFY2(body.cells.contains(cell), qPrintable(cell));

        const QByteArray footer = parts["word/footer1.xml"];
        QVERIFY(readWord(footer).wellFormed);
        QCOMPARE(readWord(footer).cells.first(), "Consultora Andes · MN-INF-004-AN3");
        QCOMPARE(fieldInstructions(footer), QStringList({"PAGE", "NUMPAGES"}));
        QVERIFY(attributeValues(parts["word/_rels/document.xml.rels"], "Relationship", "Target")
                        .contains("footer1.xml"));
        QVERIFY(attributeValues(parts["[Content_Types].xml"], "Override", "PartName")
                        .contains("/word/footer1.xml"));
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

    // Photos a few metres apart share one label, numbered as a range list;
    // the group is measured from its first photo, so a walk does not chain.
    void mapGroupsPhotosAtOneSpot_data()
    {
        QTest::addColumn<QVector<QPointF>>("points"); // metres; photo N° is index + 1
        QTest::addColumn<QStringList>("labels");
        QVector<QPointF> spot;
        for (int i = 0; i < 25; ++i)
            spot.append({500000 + (i % 5) * 0.7, 6000000 + (i / 5) * 0.7});
        QTest::newRow("25 en un punto y otras")
                << spot + QVector<QPointF> {{500060, 6000000}, {500003, 6000003}, {500060, 6000004}}
                << QStringList {"1–25, 27", "26, 28"};
        QTest::newRow("vuelta al mismo punto")
                << QVector<QPointF> {{0, 0}, {1, 0}, {0, 1},   {100, 0}, {0, 0},
                                     {2, 2}, {3, 3}, {0, 100}, {4, 0}}
                << QStringList {"1–3, 5–7, 9", "4", "8"};
        QTest::newRow("recorrido cada 3 m")
                << QVector<QPointF> {{0, 0}, {3, 0}, {6, 0}, {9, 0}, {12, 0}}
                << QStringList {"1, 2", "3, 4", "5"};
        QTest::newRow("justo a 5 m y a más")
                << QVector<QPointF> {{0, 0}, {3, 4}, {3, 4.01}} << QStringList {"1, 2", "3"};
    }

    void mapGroupsPhotosAtOneSpot()
    {
        QFETCH(QVector<QPointF>, points);
        QStringList labels;
        for (const QVector<int> &group : groupNearby(points, mapGroupMetres)) {
            QVector<int> numbers;
            for (int index : group)
                numbers.append(index + 1);
            labels << numberRanges(numbers);
        }
        QTEST(labels, "labels");
    }

    // Every label finds a place inside the map, clear of the others, of the
    // furniture and of the other photos' dots: none hides another.
    void placedLabelsHideNothing_data()
    {
        QTest::addColumn<QVector<QPointF>>("points");
        QTest::addColumn<QSizeF>("size"); // of every label
        QTest::addColumn<QRectF>("area");
        QTest::addColumn<int>("placed");
        QTest::addColumn<bool>("onFirst"); // the first label sits on its photo
        QVector<QPointF> crowd;
        for (int i = 0; i < 30; ++i)
            crowd.append({100 + (i % 6) * 0.5, 100 + (i / 6) * 0.5});
        QTest::newRow("30 fotos casi juntas")
                << crowd << QSizeF(9, 4) << QRectF(0, 0, 200, 200) << 30 << false;
        QTest::newRow("junto al borde") << QVector<QPointF> {{1, 1}, {2, 1}, {1, 2}, {199, 199}}
                                        << QSizeF(14, 4) << QRectF(0, 0, 200, 200) << 4 << false;
        QTest::newRow("sin lugar para la segunda")
                << QVector<QPointF> {{5, 5}, {6, 5}} << QSizeF(9, 9) << QRectF(0, 0, 10, 10) << 1
                << true;
    }

    void placedLabelsHideNothing()
    {
        QFETCH(QVector<QPointF>, points);
        QFETCH(QSizeF, size);
        QFETCH(QRectF, area);
        const QVector<QRectF> obstacles {{95, 90, 20, 5}, {0, 195, 200, 5}};
        const double radius = 1.0;
        const QVector<QRectF> rects = placeLabels(points, QVector<QSizeF>(points.size(), size),
                                                  area, obstacles, radius);
        QCOMPARE(rects.size(), points.size());
        QVERIFY(!rects.first().isNull());
        QFETCH(bool, onFirst);
        QCOMPARE(rects.first().center() == points.first(), onFirst);
        QVector<QRectF> placed;
        for (int i = 0; i < rects.size(); ++i) {
            const QRectF &rect = rects.at(i);
            if (rect.isNull())
                continue;
            QVERIFY(area.contains(rect));
            QCOMPARE(rect.size(), size);
            for (const QRectF &other : placed + obstacles)
                QVERIFY2(!rect.intersects(other), qPrintable(QString::number(i)));
            for (const QPointF &point : points) {
                if (QLineF(point, points.at(i)).length() > radius)
                    QVERIFY(!rect.intersects(
                            QRectF(point - QPointF(radius, radius), QSizeF(2, 2) * radius)));
            }
            placed.append(rect);
        }
        QTEST(int(placed.size()), "placed");
    }

    // Files that are no photo are named as unreadable, with the reason, never
    // as photos without position; a located photo whose picture cannot be
    // decoded is named too. Either fails the report. A folder without any
    // photo to show gets no empty annex.
    void unreadableFilesAreNamedAndFailTheReport_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("said"); // "" for none
        QTest::addColumn<bool>("failed");
        QTest::addColumn<bool>("written");
        const QString left = "Error: No se pudo leer %1, queda fuera del registro: ";
        QTest::newRow("todas legibles")
                << QStringList {"a.jpg", "sin-gps.jpg"} << "" << false << true;
        QTest::newRow("texto con nombre .jpg")
                << QStringList {"a.jpg", "notas.jpg"}
                << left.arg("notas.jpg") + "el archivo no es una imagen de un formato reconocido."
                << true << true;
        QTest::newRow("JPEG cortado")
                << QStringList {"a.jpg", "cortado.jpg"}
                << left.arg("cortado.jpg") + "el archivo JPEG está cortado" << true << true;
        QTest::newRow("imagen dañada de una foto con ubicación")
                << QStringList {"a.jpg", "dañada.jpg"} << "Error: No se pudo leer la foto: " << true
                << true;
        QTest::newRow("carpeta sin fotos")
                << QStringList() << "Error: No hay ninguna foto que mostrar en " << true << false;
        QTest::newRow("solo archivos ilegibles")
                << QStringList {"notas.jpg"} << "Error: No hay ninguna foto que mostrar en " << true
                << false;
    }

    void unreadableFilesAreNamedAndFailTheReport()
    {
        QTemporaryDir photos;
        QVERIFY(QDir().mkpath(photos.path()));
        QFETCH(QStringList, files);
        for (const QString &name : files) {
            const QString path = photos.filePath(name);
            TestPhoto photo = gpsPhoto(400, 300);
            photo.hasGps = !name.startsWith("sin-gps");
            QVERIFY(name.startsWith("notas") ? writeBytes(path, "notas de terreno")
                                             : writeTestPhoto(path, photo));
            const QByteArray whole = fileBytes(path);
            const qsizetype scan = whole.indexOf("\xFF\xDA");
            if (name.startsWith("cortado"))
                QVERIFY(writeBytes(path, whole.left(whole.size() - 200)));
            if (name.startsWith("dañada")) // its scan cut short, yet ended
                QVERIFY(writeBytes(path,
                                   whole.left(scan + (whole.size() - scan) / 2) + "\xFF\xD9"));
        }
        ReportSettings chosen = settings(ReportFormat::Pdf);
        chosen.folder = photos.path();
        chosen.pdfPath = photos.filePath("anexo.pdf");
        QStringList log;
        const ReportOutcome outcome = writePhotoReport(
                chosen, [&log](const QString &line) { log << line; }, {}, nullptr);
        QFETCH(QString, said);
        const QString text = log.join('\n');
        QVERIFY2(said.isEmpty() ? !text.contains("Error") : text.contains(said), qPrintable(text));
        for (const QString &line : log.filter("Sin ubicación"))
            QVERIFY2(line.endsWith("sin-gps.jpg"), qPrintable(line));
        QTEST(outcome.failed, "failed");
        QFETCH(bool, written);
        QCOMPARE(outcome.written, written ? QStringList {chosen.pdfPath} : QStringList());
        QCOMPARE(QFile::exists(chosen.pdfPath), written);
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
