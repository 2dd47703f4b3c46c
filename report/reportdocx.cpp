#include "report/reportdocx.h"

#include "files/ziparchive.h"
#include "report/openingpages.h"
#include "report/reportmap.h"

#include <QBuffer>
#include <QPainter>
#include <QXmlStreamWriter>

#include <functional>
#include <utility>

static const QString wordNamespace
        = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
static const QString relationshipNamespace
        = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
static const QString packageRelationships
        = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
static const QString drawingNamespace
        = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/main");
static const QString pictureNamespace
        = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/picture");
static const QString inlineNamespace
        = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing");
static const QString imageRelationship = relationshipNamespace + QStringLiteral("/image");
// What Word shows instead of the report's font on a computer without it.
static const char fallbackFont[] = "Arial";

// Word sizes: twentieths of a point for the page, English Metric Units for drawings.
static int twips(double millimetres)
{
    return qRound(millimetres * 1440 / 25.4);
}

static qint64 emu(double millimetres)
{
    return qRound64(millimetres * 36000);
}

// XML 1.0 has no place for control characters other than tab and line ends.
static QString xmlSafe(const QString &text)
{
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        if (c >= QChar(0x20) || c == QLatin1Char('\t') || c == QLatin1Char('\n'))
            safe += c;
    }
    return safe;
}

static QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 88);
    return bytes;
}

// One XML part of the package and the pictures it links to.
class WordPart
{
public:
    WordPart()
        : xml(&bytes)
    {
        xml.writeStartDocument(QStringLiteral("1.0"), true);
    }

    void startRoot(const QString &name)
    {
        xml.writeStartElement(name);
        xml.writeAttribute(QStringLiteral("xmlns:w"), wordNamespace);
        xml.writeAttribute(QStringLiteral("xmlns:r"), relationshipNamespace);
        xml.writeAttribute(QStringLiteral("xmlns:wp"), inlineNamespace);
        xml.writeAttribute(QStringLiteral("xmlns:a"), drawingNamespace);
        xml.writeAttribute(QStringLiteral("xmlns:pic"), pictureNamespace);
    }

    QByteArray finish()
    {
        xml.writeEndDocument();
        return bytes;
    }

    void element(const QString &name, const QList<QPair<QString, QString>> &attributes = {})
    {
        xml.writeEmptyElement(name);
        for (const auto &[key, value] : attributes)
            xml.writeAttribute(key, value);
    }

    void value(const QString &name, const QString &text) { element(name, {{"w:val", text}}); }

    // Runs of `text`, a line break for each '\n'.
    void runs(const QString &text, bool bold, double points)
    {
        const QStringList lines = xmlSafe(text).split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            xml.writeStartElement(QStringLiteral("w:r"));
            xml.writeStartElement(QStringLiteral("w:rPr"));
            if (bold)
                element(QStringLiteral("w:b"));
            value(QStringLiteral("w:sz"), QString::number(qRound(points * 2)));
            xml.writeEndElement();
            if (i > 0)
                element(QStringLiteral("w:br"));
            xml.writeStartElement(QStringLiteral("w:t"));
            xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
            xml.writeCharacters(lines.at(i));
            xml.writeEndElement();
            xml.writeEndElement();
        }
    }

    void paragraph(const QString &text, bool bold = false, double points = 8,
                   bool pageBreak = false, const QString &alignment = {})
    {
        xml.writeStartElement(QStringLiteral("w:p"));
        xml.writeStartElement(QStringLiteral("w:pPr"));
        if (pageBreak)
            element(QStringLiteral("w:pageBreakBefore"));
        element(QStringLiteral("w:spacing"), {{"w:before", "0"}, {"w:after", "0"}});
        if (!alignment.isEmpty())
            value(QStringLiteral("w:jc"), alignment);
        xml.writeEndElement();
        runs(text, bold, points);
        xml.writeEndElement();
    }

    // A paragraph of the named style, which gives its font, size and spacing.
    void styled(const QString &styleId, const QString &text, bool pageBreak = false)
    {
        xml.writeStartElement(QStringLiteral("w:p"));
        startStyledProperties(styleId, pageBreak);
        xml.writeEndElement();
        plainRuns(text);
        xml.writeEndElement();
    }

    // "Fotografía N° 3" as Word numbers figures: a Caption paragraph whose
    // number is a SEQ field, so Word's table of figures and cross-references
    // find it.
    void photoCaption(int number, bool pageBreak)
    {
        xml.writeStartElement(QStringLiteral("w:p"));
        startStyledProperties(QStringLiteral("Caption"), pageBreak);
        xml.writeEndElement();
        const QString title = photoTitle(number);
        const QString digits = QString::number(number);
        plainRuns(title.left(title.size() - digits.size()));
        simpleField(QStringLiteral(" SEQ Fotografía \\* ARABIC "), digits);
        xml.writeEndElement();
    }

    void simpleField(const QString &instruction, const QString &result)
    {
        xml.writeStartElement(QStringLiteral("w:fldSimple"));
        xml.writeAttribute(QStringLiteral("w:instr"), instruction);
        plainRuns(result);
        xml.writeEndElement();
    }

    // One part of a field that may span paragraphs: "begin", "separate", "end".
    void fieldCharacter(const QString &type, bool dirty = false)
    {
        xml.writeStartElement(QStringLiteral("w:r"));
        xml.writeEmptyElement(QStringLiteral("w:fldChar"));
        xml.writeAttribute(QStringLiteral("w:fldCharType"), type);
        if (dirty)
            xml.writeAttribute(QStringLiteral("w:dirty"), QStringLiteral("true"));
        xml.writeEndElement();
    }

    void fieldInstruction(const QString &instruction)
    {
        xml.writeStartElement(QStringLiteral("w:r"));
        xml.writeStartElement(QStringLiteral("w:instrText"));
        xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        xml.writeCharacters(instruction);
        xml.writeEndElement();
        xml.writeEndElement();
    }

    void startStyledProperties(const QString &styleId, bool pageBreak)
    {
        xml.writeStartElement(QStringLiteral("w:pPr"));
        value(QStringLiteral("w:pStyle"), styleId);
        if (pageBreak)
            element(QStringLiteral("w:pageBreakBefore"));
    }

    // Runs in the paragraph's own style.
    void plainRuns(const QString &text)
    {
        xml.writeStartElement(QStringLiteral("w:r"));
        xml.writeStartElement(QStringLiteral("w:t"));
        xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        xml.writeCharacters(xmlSafe(text));
        xml.writeEndElement();
        xml.writeEndElement();
    }

    // A picture `size` millimetres large, in its own centred paragraph.
    void picture(const QString &relationId, const QSizeF &size, int id, const QString &name)
    {
        xml.writeStartElement(QStringLiteral("w:p"));
        xml.writeStartElement(QStringLiteral("w:pPr"));
        element(QStringLiteral("w:spacing"), {{"w:before", "40"}, {"w:after", "40"}});
        value(QStringLiteral("w:jc"), QStringLiteral("center"));
        xml.writeEndElement();
        drawing(relationId, size, id, name);
        xml.writeEndElement();
    }

    void drawing(const QString &relationId, const QSizeF &size, int id, const QString &name)
    {
        const QString cx = QString::number(emu(size.width()));
        const QString cy = QString::number(emu(size.height()));
        xml.writeStartElement(QStringLiteral("w:r"));
        xml.writeStartElement(QStringLiteral("w:drawing"));
        xml.writeStartElement(QStringLiteral("wp:inline"));
        for (const char *distance : {"distT", "distB", "distL", "distR"})
            xml.writeAttribute(QLatin1String(distance), QStringLiteral("0"));
        element(QStringLiteral("wp:extent"), {{"cx", cx}, {"cy", cy}});
        element(QStringLiteral("wp:docPr"), {{"id", QString::number(id)}, {"name", name}});
        xml.writeStartElement(QStringLiteral("wp:cNvGraphicFramePr"));
        element(QStringLiteral("a:graphicFrameLocks"), {{"noChangeAspect", "1"}});
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("a:graphic"));
        xml.writeStartElement(QStringLiteral("a:graphicData"));
        xml.writeAttribute(QStringLiteral("uri"), pictureNamespace);
        xml.writeStartElement(QStringLiteral("pic:pic"));
        xml.writeStartElement(QStringLiteral("pic:nvPicPr"));
        element(QStringLiteral("pic:cNvPr"), {{"id", QString::number(id)}, {"name", name}});
        element(QStringLiteral("pic:cNvPicPr"));
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("pic:blipFill"));
        element(QStringLiteral("a:blip"), {{"r:embed", relationId}});
        xml.writeStartElement(QStringLiteral("a:stretch"));
        element(QStringLiteral("a:fillRect"));
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("pic:spPr"));
        xml.writeStartElement(QStringLiteral("a:xfrm"));
        element(QStringLiteral("a:off"), {{"x", "0"}, {"y", "0"}});
        element(QStringLiteral("a:ext"), {{"cx", cx}, {"cy", cy}});
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("a:prstGeom"));
        xml.writeAttribute(QStringLiteral("prst"), QStringLiteral("rect"));
        element(QStringLiteral("a:avLst"));
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement(); // pic:pic
        xml.writeEndElement(); // a:graphicData
        xml.writeEndElement(); // a:graphic
        xml.writeEndElement(); // wp:inline
        xml.writeEndElement(); // w:drawing
        xml.writeEndElement(); // w:r
    }

    // A bordered table `width` millimetres wide; `header` rows repeat on each page.
    void startTable(const QVector<double> &shares, double width, bool borders = true)
    {
        xml.writeStartElement(QStringLiteral("w:tbl"));
        xml.writeStartElement(QStringLiteral("w:tblPr"));
        value(QStringLiteral("w:tblStyle"),
              borders ? QStringLiteral("TablaRegistro") : QStringLiteral("TableNormal"));
        element(QStringLiteral("w:tblW"),
                {{"w:w", QString::number(twips(width))}, {"w:type", "dxa"}});
        xml.writeStartElement(QStringLiteral("w:tblBorders"));
        for (const char *side :
             {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"})
            element(QLatin1String(side),
                    {{"w:val", borders ? "single" : "nil"},
                     {"w:sz", "4"},
                     {"w:space", "0"},
                     {"w:color", "787878"}});
        xml.writeEndElement();
        element(QStringLiteral("w:tblLayout"), {{"w:type", "fixed"}});
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("w:tblGrid"));
        columnWidths.clear();
        for (double share : shares) {
            columnWidths << twips(width * share);
            element(QStringLiteral("w:gridCol"), {{"w:w", QString::number(columnWidths.last())}});
        }
        xml.writeEndElement();
    }

    void startRow(double heightMillimetres, bool header)
    {
        xml.writeStartElement(QStringLiteral("w:tr"));
        xml.writeStartElement(QStringLiteral("w:trPr"));
        element(QStringLiteral("w:cantSplit"));
        element(QStringLiteral("w:trHeight"),
                {{"w:val", QString::number(twips(heightMillimetres))}, {"w:hRule", "atLeast"}});
        if (header)
            element(QStringLiteral("w:tblHeader"));
        xml.writeEndElement();
    }

    void startCell(int column, const QString &fill = {})
    {
        xml.writeStartElement(QStringLiteral("w:tc"));
        xml.writeStartElement(QStringLiteral("w:tcPr"));
        element(QStringLiteral("w:tcW"),
                {{"w:w", QString::number(columnWidths.value(column))}, {"w:type", "dxa"}});
        if (!fill.isEmpty())
            element(QStringLiteral("w:shd"),
                    {{"w:val", "clear"}, {"w:color", "auto"}, {"w:fill", fill}});
        value(QStringLiteral("w:vAlign"), QStringLiteral("center"));
        xml.writeEndElement();
    }

    void textCell(int column, const QString &text, bool header, const QString &fill = {},
                  double points = 8)
    {
        startCell(column, fill);
        paragraph(text, header, points);
        end();
    }

    void row(const QStringList &cells, bool header)
    {
        startRow(reportRowHeight, header);
        for (int i = 0; i < cells.size(); ++i)
            textCell(i, cells.at(i), header, header ? QStringLiteral("E1E8F0") : QString());
        end();
    }

    void end() { xml.writeEndElement(); }

    QXmlStreamWriter xml;

private:
    QByteArray bytes;
    QVector<int> columnWidths; // twips, of the table being written
};

// Builds word/document.xml, its header and media from the report.
class DocxBuilder
{
public:
    explicit DocxBuilder(const PhotoReport &report)
        : report(report)
        , layout(reportLayout(report.settings))
    {
        document.startRoot(QStringLiteral("w:document"));
        document.xml.writeStartElement(QStringLiteral("w:body"));
    }

    // Each page but the first starts with the paragraph that breaks before it:
    // a paragraph left over at a page's end would start a blank page.
    void newPage() { pendingBreak = pages++ > 0; }

    void paragraph(const QString &text, bool bold, double points)
    {
        document.paragraph(text, bold, points, std::exchange(pendingBreak, false));
    }

    void heading(const QString &text)
    {
        document.styled(QStringLiteral("Heading1"), text, std::exchange(pendingBreak, false));
    }

    void cover()
    {
        newPage();
        document.styled(QStringLiteral("Title"), annexTitle(report.settings.title));
        const QImage logo = readLogo(report.settings.logoPath);
        if (!logo.isNull())
            document.picture(addMedia(QStringLiteral("logo-portada.png"), encoded(logo, "PNG")),
                             QSizeF(logo.size()).scaled(QSizeF(70, 30), Qt::KeepAspectRatio),
                             nextId++, QStringLiteral("Logo"));
        for (const QString &line : coverLines(report.settings))
            document.styled(QStringLiteral("CoverLine"), line);
    }

    // The annex title and the title block's table.
    void titleBlock()
    {
        newPage();
        document.styled(QStringLiteral("Title"), annexTitle(report.settings.title),
                        std::exchange(pendingBreak, false));
        document.startTable({0.32, 0.68}, layout.body().width());
        for (const auto &[label, value] : titleBlockRows(report.settings)) {
            document.startRow(7, false);
            document.textCell(0, label, true, QStringLiteral("EBF0F5"), 9);
            document.textCell(1, value, false, QString(), 9);
            document.end();
        }
        document.end();
    }

    // Word's table of figures over the photos' SEQ fields; until Word updates
    // it, it lists the photos' titles and descriptions.
    void photoIndex()
    {
        document.paragraph(QString(), false, 6);
        document.styled(QStringLiteral("Heading1"), QStringLiteral("Índice de fotografías"));
        const auto rows = photoIndexRows(report, 0, 0);
        auto &xml = document.xml;
        for (int i = 0; i < rows.size(); ++i) {
            xml.writeStartElement(QStringLiteral("w:p"));
            document.startStyledProperties(QStringLiteral("TableofFigures"), false);
            xml.writeEndElement();
            if (i == 0) {
                document.fieldCharacter(QStringLiteral("begin"), true);
                document.fieldInstruction(QStringLiteral(" TOC \\h \\z \\c \"Fotografía\" "));
                document.fieldCharacter(QStringLiteral("separate"));
            }
            const QString description = rows.at(i).at(1);
            document.plainRuns(description.isEmpty()
                                       ? rows.at(i).at(0)
                                       : rows.at(i).at(0) + QStringLiteral(": ") + description);
            if (i + 1 == rows.size())
                document.fieldCharacter(QStringLiteral("end"));
            xml.writeEndElement();
        }
    }

    // The block of the `index`th of `photos`; four a page go two by two into
    // a borderless table, one cell each.
    void addBlock(const QVector<ReportPhoto> &photos, int index, const QImage &picture)
    {
        const int perPage = report.settings.photosPerPage;
        const int slot = index % perPage;
        const bool last = index + 1 == photos.size();
        if (slot == 0)
            newPage();
        if (layout.columns == 1) {
            if (slot > 0)
                paragraph(QString(), false, 4);
            block(photos.at(index), picture);
            return;
        }
        if (slot == 0) {
            if (pendingBreak)
                paragraph(QString(), false, 1);
            document.startTable({0.5, 0.5}, layout.body().width(), false);
        }
        if (slot % 2 == 0)
            document.startRow(layout.block.height(), false);
        document.startCell(slot % 2);
        block(photos.at(index), picture);
        document.paragraph(QString(), false, 1);
        document.end(); // w:tc
        // An odd last block leaves its row's second cell empty.
        if (slot % 2 == 0 && last) {
            document.startCell(1);
            document.paragraph(QString(), false, 1);
            document.end();
        }
        if (slot % 2 == 1 || last)
            document.end(); // w:tr
        if (slot + 1 == perPage || last)
            document.end(); // w:tbl
    }

    void block(const ReportPhoto &photo, const QImage &picture)
    {
        // Word's rows grow a little over their height: the picture leaves room.
        const QSizeF box = layout.pictureBox * 0.9;
        document.photoCaption(photo.number, std::exchange(pendingBreak, false));
        if (picture.isNull())
            document.paragraph(QStringLiteral("No se pudo leer la foto"), false, 9, false,
                               QStringLiteral("center"));
        else
            document.picture(addMedia(QStringLiteral("foto-%1.jpg")
                                              .arg(photo.number, 4, 10, QLatin1Char('0')),
                                      encoded(picture, "JPEG")),
                             QSizeF(picture.size()).scaled(box, Qt::KeepAspectRatio), nextId++,
                             photoTitle(photo.number));
        const double width = box.width();
        document.startTable({captionLabelShare, 1 - captionLabelShare}, width);
        const auto rows = captionRows(photo, report.settings.crs.get());
        for (int i = 0; i < rows.size(); ++i) {
            document.startRow(reportRowHeight * (i == 0 ? 2 : 1), false);
            document.textCell(0, rows.at(i).first, true, QStringLiteral("EBF0F5"), 9);
            document.textCell(1, rows.at(i).second, false, QString(), 9);
            document.end();
        }
        document.end();
    }

    void table(const QString &title, const QStringList &header, const QVector<QStringList> &rows,
               const QVector<double> &shares)
    {
        newPage();
        heading(title);
        document.startTable(shares, layout.body().width());
        document.row(header, true);
        for (const auto &cells : rows)
            document.row(cells, false);
        document.end();
    }

    void map()
    {
        newPage();
        heading(QStringLiteral("Mapa de ubicación"));
        const QSizeF size(layout.body().width(), layout.body().height() - 30);
        const double pixelsPerMillimetre = reportPictureDpi / 25.4;
        QImage image((size * pixelsPerMillimetre).toSize(), QImage::Format_RGB32);
        image.setDotsPerMeterX(qRound(pixelsPerMillimetre * 1000));
        image.setDotsPerMeterY(qRound(pixelsPerMillimetre * 1000));
        image.fill(Qt::white);
        const MapFrame frame = reportMapFrame(report, QRectF(QPointF(), image.size()));
        {
            QPainter painter(&image);
            drawReportMap(painter, frame, pixelsPerMillimetre, report,
                          reportFont(report.settings.fontPath, 7));
        }
        document.picture(addMedia(QStringLiteral("mapa.png"), encoded(image, "PNG")), size,
                         nextId++, QStringLiteral("Mapa de ubicación"));
        for (const QString &note : mapNotes(report, frame))
            document.paragraph(note, false, 7.5);
    }

    QVector<ZipEntry> package()
    {
        document.paragraph(QString(), false, 1);
        sectionProperties();
        document.end(); // w:body
        QVector<ZipEntry> entries {
                {QStringLiteral("[Content_Types].xml"), contentTypes()},
                {QStringLiteral("_rels/.rels"), packageRels()},
                {QStringLiteral("word/document.xml"), document.finish()},
                {QStringLiteral("word/styles.xml"), styles()},
                {QStringLiteral("word/header1.xml"), header()},
                {QStringLiteral("word/footer1.xml"), footer()},
                {QStringLiteral("word/fontTable.xml"), fontTable()},
        };
        entries << ZipEntry {QStringLiteral("word/_rels/document.xml.rels"),
                             relationships(documentRelations)}
                << ZipEntry {QStringLiteral("word/_rels/header1.xml.rels"),
                             relationships(headerRelations)};
        return entries + media;
    }

    WordPart document;
    const PhotoReport &report;
    const ReportLayout layout;

private:
    struct Relation
    {
        QString id;
        QString type;
        QString target;
    };

    QString addMedia(const QString &name, const QByteArray &bytes,
                     QVector<Relation> *relations = nullptr)
    {
        auto &list = relations ? *relations : documentRelations;
        const QString id = QStringLiteral("rId%1").arg(list.size() + 1);
        list.append({id, imageRelationship, QStringLiteral("media/") + name});
        media.append({QStringLiteral("word/media/") + name, bytes, false});
        return id;
    }

    void sectionProperties()
    {
        const QString headerId = QStringLiteral("rId%1").arg(documentRelations.size() + 1);
        documentRelations.append({headerId, relationshipNamespace + QStringLiteral("/header"),
                                  QStringLiteral("header1.xml")});
        const QString footerId = QStringLiteral("rId%1").arg(documentRelations.size() + 1);
        documentRelations.append({footerId, relationshipNamespace + QStringLiteral("/footer"),
                                  QStringLiteral("footer1.xml")});
        for (const char *part : {"styles", "fontTable"})
            documentRelations.append(
                    {QStringLiteral("rId%1").arg(documentRelations.size() + 1),
                     relationshipNamespace + QLatin1Char('/') + QLatin1String(part),
                     QLatin1String(part) + QStringLiteral(".xml")});
        auto &xml = document.xml;
        xml.writeStartElement(QStringLiteral("w:sectPr"));
        document.element(QStringLiteral("w:headerReference"),
                         {{"w:type", "default"}, {"r:id", headerId}});
        document.element(QStringLiteral("w:footerReference"),
                         {{"w:type", "default"}, {"r:id", footerId}});
        document.element(QStringLiteral("w:pgSz"),
                         {{"w:w", QString::number(twips(layout.page.width()))},
                          {"w:h", QString::number(twips(layout.page.height()))}});
        const QMarginsF &margins = layout.margins;
        document.element(
                QStringLiteral("w:pgMar"),
                {{"w:top", QString::number(twips(margins.top() + layout.headerHeight))},
                 {"w:right", QString::number(twips(margins.right()))},
                 {"w:bottom", QString::number(twips(margins.bottom() + layout.footerHeight))},
                 {"w:left", QString::number(twips(margins.left()))},
                 {"w:header", QString::number(twips(margins.top()))},
                 {"w:footer", QString::number(twips(margins.bottom()))},
                 {"w:gutter", "0"}});
        xml.writeEndElement();
    }

    QByteArray header()
    {
        WordPart part;
        part.startRoot(QStringLiteral("w:hdr"));
        const QImage logo = readLogo(report.settings.logoPath);
        const double width = layout.body().width();
        part.startTable({0.7, 0.3}, width, false);
        part.startRow(layout.headerHeight - 4, false);
        part.textCell(0, headerText(report.settings), false);
        part.startCell(1);
        if (!logo.isNull()) {
            const QImage small = logo.height() > 200
                    ? logo.scaledToHeight(200, Qt::SmoothTransformation)
                    : logo;
            const QString id
                    = addMedia(QStringLiteral("logo.png"), encoded(small, "PNG"), &headerRelations);
            part.xml.writeStartElement(QStringLiteral("w:p"));
            part.xml.writeStartElement(QStringLiteral("w:pPr"));
            part.value(QStringLiteral("w:jc"), QStringLiteral("right"));
            part.end();
            part.drawing(id, QSizeF(small.size()).scaled(QSizeF(35, 9), Qt::KeepAspectRatio), 1,
                         QStringLiteral("Logo"));
            part.end();
        } else {
            part.paragraph(QString(), false, 2); // a cell holds a paragraph at least
        }
        part.end(); // w:tc
        part.end(); // w:tr
        part.end(); // w:tbl
        part.paragraph(QString(), false, 2);
        part.end();
        return part.finish();
    }

    // Company and document code at the left, "Página N de M" at the right.
    QByteArray footer() const
    {
        WordPart part;
        part.startRoot(QStringLiteral("w:ftr"));
        part.startTable({0.7, 0.3}, layout.body().width(), false);
        part.startRow(layout.footerHeight - 3, false);
        part.textCell(0, footerText(report.settings.title), false);
        part.startCell(1);
        pageNumber(part);
        part.end(); // w:tc
        part.end(); // w:tr
        part.end(); // w:tbl
        part.paragraph(QString(), false, 1);
        part.end();
        return part.finish();
    }

    // The report's font, and the one Word puts in its place on a computer
    // without it.
    QByteArray fontTable() const
    {
        WordPart part;
        part.startRoot(QStringLiteral("w:fonts"));
        auto &xml = part.xml;
        xml.writeStartElement(QStringLiteral("w:font"));
        xml.writeAttribute(QStringLiteral("w:name"), fontFamily());
        part.value(QStringLiteral("w:altName"), QLatin1String(fallbackFont));
        part.value(QStringLiteral("w:family"), QStringLiteral("swiss"));
        part.value(QStringLiteral("w:pitch"), QStringLiteral("variable"));
        part.end();
        part.end();
        return part.finish();
    }

    QString fontFamily() const { return reportFont(report.settings.fontPath, 10).family(); }

    // "Página N de M" with Word's own page fields.
    static void pageNumber(WordPart &part)
    {
        auto &xml = part.xml;
        xml.writeStartElement(QStringLiteral("w:p"));
        xml.writeStartElement(QStringLiteral("w:pPr"));
        part.value(QStringLiteral("w:jc"), QStringLiteral("right"));
        part.end();
        const QStringList pieces = pageNumberText(1, 1).split(QLatin1Char('1'));
        const char *fields[] = {" PAGE ", " NUMPAGES "};
        for (int i = 0; i < pieces.size(); ++i) {
            part.runs(pieces.at(i), false, 8);
            if (i < 2) {
                xml.writeStartElement(QStringLiteral("w:fldSimple"));
                xml.writeAttribute(QStringLiteral("w:instr"), QLatin1String(fields[i]));
                part.runs(QStringLiteral("1"), false, 8);
                part.end();
            }
        }
        part.end();
    }

    static QByteArray relationships(const QVector<Relation> &relations)
    {
        QByteArray bytes;
        QXmlStreamWriter xml(&bytes);
        xml.writeStartDocument(QStringLiteral("1.0"), true);
        xml.writeStartElement(QStringLiteral("Relationships"));
        xml.writeDefaultNamespace(packageRelationships);
        for (const auto &relation : relations) {
            xml.writeEmptyElement(QStringLiteral("Relationship"));
            xml.writeAttribute(QStringLiteral("Id"), relation.id);
            xml.writeAttribute(QStringLiteral("Type"), relation.type);
            xml.writeAttribute(QStringLiteral("Target"), relation.target);
        }
        xml.writeEndDocument();
        return bytes;
    }

    static QByteArray packageRels()
    {
        return relationships(
                {{QStringLiteral("rId1"), relationshipNamespace + QStringLiteral("/officeDocument"),
                  QStringLiteral("word/document.xml")}});
    }

    static QByteArray contentTypes()
    {
        QByteArray bytes;
        QXmlStreamWriter xml(&bytes);
        xml.writeStartDocument(QStringLiteral("1.0"), true);
        xml.writeStartElement(QStringLiteral("Types"));
        xml.writeDefaultNamespace(
                QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types"));
        const QString office = QStringLiteral("application/vnd.openxmlformats-");
        for (const auto &[extension, type] :
             QList<QPair<QString, QString>> {{"rels", office + "package.relationships+xml"},
                                             {"xml", "application/xml"},
                                             {"jpg", "image/jpeg"},
                                             {"png", "image/png"}}) {
            xml.writeEmptyElement(QStringLiteral("Default"));
            xml.writeAttribute(QStringLiteral("Extension"), extension);
            xml.writeAttribute(QStringLiteral("ContentType"), type);
        }
        const QString word = office + QStringLiteral("officedocument.wordprocessingml.");
        for (const auto &[part, type] :
             QList<QPair<QString, QString>> {{"/word/document.xml", word + "document.main+xml"},
                                             {"/word/styles.xml", word + "styles+xml"},
                                             {"/word/header1.xml", word + "header+xml"},
                                             {"/word/footer1.xml", word + "footer+xml"},
                                             {"/word/fontTable.xml", word + "fontTable+xml"}}) {
            xml.writeEmptyElement(QStringLiteral("Override"));
            xml.writeAttribute(QStringLiteral("PartName"), part);
            xml.writeAttribute(QStringLiteral("ContentType"), type);
        }
        xml.writeEndDocument();
        return bytes;
    }

    // Named styles Word users expect: body text at 10 pt in the report's
    // font (Arial where it is missing), Title, Heading 1 (the navigation
    // pane's entries), Caption (numbered figures), the table of figures' entries
    // and the tables' own style.
    QByteArray styles() const
    {
        WordPart part;
        part.startRoot(QStringLiteral("w:styles"));
        auto &xml = part.xml;
        const QString family = fontFamily();
        xml.writeStartElement(QStringLiteral("w:docDefaults"));
        xml.writeStartElement(QStringLiteral("w:rPrDefault"));
        xml.writeStartElement(QStringLiteral("w:rPr"));
        part.element(QStringLiteral("w:rFonts"),
                     {{"w:ascii", family},
                      {"w:hAnsi", family},
                      {"w:cs", family},
                      {"w:eastAsia", family}});
        part.value(QStringLiteral("w:sz"), QStringLiteral("20"));
        part.value(QStringLiteral("w:lang"), QStringLiteral("es-ES"));
        part.end();
        part.end();
        xml.writeStartElement(QStringLiteral("w:pPrDefault"));
        xml.writeStartElement(QStringLiteral("w:pPr"));
        part.element(QStringLiteral("w:spacing"),
                     {{"w:after", "0"}, {"w:line", "240"}, {"w:lineRule", "auto"}});
        part.end();
        part.end();
        part.end();
        paragraphStyle(part, "Normal", "Normal", {}, true);
        paragraphStyle(
                part, "Title", "Title",
                [&part] {
                    part.element(QStringLiteral("w:spacing"),
                                 {{"w:before", "240"}, {"w:after", "240"}});
                },
                false, 36, true);
        paragraphStyle(
                part, "Heading1", "heading 1",
                [&part] {
                    part.element(QStringLiteral("w:keepNext"));
                    part.element(QStringLiteral("w:spacing"),
                                 {{"w:before", "120"}, {"w:after", "120"}});
                    part.value(QStringLiteral("w:outlineLvl"), QStringLiteral("0"));
                },
                false, 26, true);
        paragraphStyle(
                part, "Caption", "caption",
                [&part] {
                    part.element(QStringLiteral("w:keepNext"));
                    part.element(QStringLiteral("w:spacing"),
                                 {{"w:before", "60"}, {"w:after", "60"}});
                },
                false, 20, true);
        paragraphStyle(part, "TableofFigures", "table of figures", [&part] {
            part.element(QStringLiteral("w:spacing"), {{"w:after", "40"}});
        });
        paragraphStyle(
                part, "CoverLine", "Portada",
                [&part] {
                    part.value(QStringLiteral("w:jc"), QStringLiteral("center"));
                    part.element(QStringLiteral("w:spacing"), {{"w:after", "120"}});
                },
                false, 28);
        tableStyle(part);
        part.end();
        return part.finish();
    }

    // A paragraph style based on Normal; sizes in half points, 0 keeps Normal's.
    static void paragraphStyle(WordPart &part, const char *id, const char *name,
                               const std::function<void()> &paragraphProperties = {},
                               bool isDefault = false, int halfPoints = 0, bool bold = false)
    {
        auto &xml = part.xml;
        xml.writeStartElement(QStringLiteral("w:style"));
        xml.writeAttribute(QStringLiteral("w:type"), QStringLiteral("paragraph"));
        if (isDefault)
            xml.writeAttribute(QStringLiteral("w:default"), QStringLiteral("1"));
        xml.writeAttribute(QStringLiteral("w:styleId"), QLatin1String(id));
        part.value(QStringLiteral("w:name"), QLatin1String(name));
        if (!isDefault) {
            part.value(QStringLiteral("w:basedOn"), QStringLiteral("Normal"));
            part.value(QStringLiteral("w:next"), QStringLiteral("Normal"));
            part.element(QStringLiteral("w:qFormat"));
        }
        if (paragraphProperties) {
            xml.writeStartElement(QStringLiteral("w:pPr"));
            paragraphProperties();
            part.end();
        }
        if (halfPoints > 0 || bold) {
            xml.writeStartElement(QStringLiteral("w:rPr"));
            if (bold)
                part.element(QStringLiteral("w:b"));
            if (halfPoints > 0)
                part.value(QStringLiteral("w:sz"), QString::number(halfPoints));
            part.end();
        }
        part.end();
    }

    // Thin grey borders and a little room in each cell; Word offers it under
    // its own name in the table styles.
    static void tableStyle(WordPart &part)
    {
        auto &xml = part.xml;
        xml.writeStartElement(QStringLiteral("w:style"));
        xml.writeAttribute(QStringLiteral("w:type"), QStringLiteral("table"));
        xml.writeAttribute(QStringLiteral("w:default"), QStringLiteral("1"));
        xml.writeAttribute(QStringLiteral("w:styleId"), QStringLiteral("TableNormal"));
        part.value(QStringLiteral("w:name"), QStringLiteral("Normal Table"));
        part.end();
        xml.writeStartElement(QStringLiteral("w:style"));
        xml.writeAttribute(QStringLiteral("w:type"), QStringLiteral("table"));
        xml.writeAttribute(QStringLiteral("w:styleId"), QStringLiteral("TablaRegistro"));
        part.value(QStringLiteral("w:name"), QStringLiteral("Tabla del registro"));
        part.value(QStringLiteral("w:basedOn"), QStringLiteral("TableNormal"));
        part.element(QStringLiteral("w:qFormat"));
        xml.writeStartElement(QStringLiteral("w:tblPr"));
        xml.writeStartElement(QStringLiteral("w:tblBorders"));
        for (const char *side :
             {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"})
            part.element(
                    QLatin1String(side),
                    {{"w:val", "single"}, {"w:sz", "4"}, {"w:space", "0"}, {"w:color", "787878"}});
        part.end();
        xml.writeStartElement(QStringLiteral("w:tblCellMar"));
        for (const char *side : {"w:left", "w:right"})
            part.element(QLatin1String(side), {{"w:w", "57"}, {"w:type", "dxa"}});
        part.end();
        part.end(); // w:tblPr
        part.end(); // w:style
    }

    QVector<Relation> documentRelations;
    QVector<Relation> headerRelations;
    QVector<ZipEntry> media;
    int nextId = 10; // drawing ids; the header's logo has its own
    int pages = 0;
    bool pendingBreak = false; // the next paragraph starts a page
};

bool buildReportDocx(const PhotoReport &report, ReportRun &run, QByteArray &docx, QString &error)
{
    DocxBuilder builder(report);
    const ReportSettings &settings = report.settings;
    const qsizetype count = report.located.size();
    if (settings.title.cover)
        builder.cover();
    builder.titleBlock();
    if (settings.title.photoIndex && count + report.unlocated.size() > 0)
        builder.photoIndex();
    const bool complete = forEachPicture(run, report.located, builder.layout.pictureBox,
                                         [&builder, &report](int index, const QImage &picture) {
                                             builder.addBlock(report.located, index, picture);
                                         });
    if (!complete)
        return false;
    if (settings.includeSummary && count > 0)
        builder.table(summaryTitle(report), summaryHeader(), summaryRows(report),
                      summaryColumnShares());
    if (settings.includeMap && count > 0)
        builder.map();
    if (!report.unlocated.isEmpty()) {
        builder.table(QStringLiteral("Fotografías sin ubicación"), unlocatedHeader(),
                      unlocatedRows(report), unlocatedColumnShares());
        if (!forEachPicture(run, report.unlocated, builder.layout.pictureBox,
                            [&builder, &report](int index, const QImage &picture) {
                                builder.addBlock(report.unlocated, index, picture);
                            }))
            return false;
    }
    if (count == 0 && report.unlocated.isEmpty())
        builder.document.paragraph(QStringLiteral("No hay fotografías en la carpeta."), true, 11);
    return buildZip(builder.package(), docx, error);
}
