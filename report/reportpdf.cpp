#include "report/reportpdf.h"

#include "report/openingpages.h"
#include "report/reportmap.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

static constexpr int pdfResolution = 600; // dots per inch of the painter's device
static constexpr double headingHeight = 9.0; // millimetres above a table or the map
static constexpr double mapNotesHeight = 18.0; // millimetres under the map

static int ceilDiv(qsizetype count, int per)
{
    return int((count + per - 1) / per);
}

// Rows of a table that fit under its heading on one page, its header row apart.
static int tableRowsPerPage(const ReportLayout &layout)
{
    return std::max(1, int((layout.body().height() - headingHeight) / layout.rowHeight) - 1);
}

// Draws the pages in millimetres on a PDF writer, each with its header.
class PdfPages
{
public:
    PdfPages(QPdfWriter &writer, const PhotoReport &report, int pages)
        : writer(writer)
        , report(report)
        , layout(reportLayout(report.settings))
        , unit(pdfResolution / 25.4)
        , pages(pages)
        , logo(readLogo(report.settings.logoPath))
    {
        painter.begin(&writer);
    }

    bool isActive() const { return painter.isActive(); }

    // A cover has neither header nor footer.
    void newPage(bool cover = false)
    {
        if (page > 0)
            writer.newPage();
        ++page;
        if (cover)
            return;
        drawHeader();
        drawFooter();
    }

    QRectF box(double x, double y, double width, double height) const
    {
        return {x * unit, y * unit, width * unit, height * unit};
    }

    QPointF bodyOrigin() const
    {
        return {layout.margins.left(), layout.margins.top() + layout.headerHeight};
    }

    QFont font(double points, bool bold = false) const
    {
        QFont font = reportFont(report.settings.fontPath, points);
        font.setBold(bold);
        return font;
    }

    // A label in a shaded cell beside its value in a white one, as in the
    // captions and the title block.
    void drawLabelledRow(const QRectF &labelCell, const QRectF &valueCell, const QString &label,
                         const QString &value, double points)
    {
        painter.setPen(QPen(QColor(120, 120, 120), 0.15 * unit));
        painter.setBrush(QColor(235, 240, 245));
        painter.drawRect(labelCell);
        painter.setBrush(Qt::white);
        painter.drawRect(valueCell);
        painter.setPen(Qt::black);
        drawFitted(labelCell, label, points, true, Qt::AlignLeft | Qt::AlignVCenter);
        drawFitted(valueCell, value, points, false, Qt::AlignLeft | Qt::AlignVCenter);
    }

    // Shrinks the text down to 5 pt, wrapping it, until it fits its cell.
    void drawFitted(const QRectF &cell, const QString &text, double points, bool bold, int flags)
    {
        QFont fitted = font(points, bold);
        const QRectF inner = cell.adjusted(unit, 0, -unit, 0);
        const int wrapped = flags | Qt::TextWordWrap;
        while (fitted.pointSizeF() > 5) {
            const QFontMetricsF metrics(fitted, &writer);
            if (metrics.boundingRect(inner, wrapped, text).height() <= inner.height()
                && metrics.horizontalAdvance(text.section(QLatin1Char(' '), 0, 0)) <= inner.width())
                break;
            fitted.setPointSizeF(fitted.pointSizeF() - 0.5);
        }
        painter.setFont(fitted);
        painter.save();
        painter.setClipRect(cell);
        painter.drawText(inner, wrapped, text);
        painter.restore();
    }

    void drawHeading(const QString &text, double y)
    {
        const QPointF origin = bodyOrigin();
        painter.setPen(Qt::black);
        painter.setFont(font(11, true));
        painter.drawText(box(origin.x(), y, layout.body().width(), headingHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
    }

    // One table row from `y` (millimetres) across the body; returns the next y.
    double drawRow(const QStringList &cells, const QVector<double> &shares, double y, double height,
                   bool header)
    {
        double x = bodyOrigin().x();
        const double width = layout.body().width();
        for (int i = 0; i < cells.size(); ++i) {
            const QRectF cell = box(x, y, width * shares.at(i), height);
            painter.setPen(QPen(QColor(120, 120, 120), 0.15 * unit));
            painter.setBrush(header ? QColor(225, 232, 240) : QColor(Qt::white));
            painter.drawRect(cell);
            painter.setPen(Qt::black);
            drawFitted(cell, cells.at(i), 7, header, Qt::AlignLeft | Qt::AlignVCenter);
            x += width * shares.at(i);
        }
        return y + height;
    }

    void drawTablePages(const QString &heading, const QStringList &header,
                        const QVector<QStringList> &rows, const QVector<double> &shares)
    {
        const int perPage = tableRowsPerPage(layout);
        for (int first = 0; first < rows.size(); first += perPage) {
            newPage();
            double y = bodyOrigin().y();
            drawHeading(heading, y);
            y = drawRow(header, shares, y + headingHeight, layout.rowHeight, true);
            for (int i = first; i < std::min<qsizetype>(rows.size(), first + perPage); ++i)
                y = drawRow(rows.at(i), shares, y, layout.rowHeight, false);
        }
    }

    void drawBlock(const ReportPhoto &photo, const QImage &picture, int slot)
    {
        const int column = slot % layout.columns;
        const int row = slot / layout.columns;
        const double x = bodyOrigin().x() + column * (layout.block.width() + 4.0);
        double y = bodyOrigin().y() + row * (layout.block.height() + 4.0);
        const double width = layout.block.width();
        painter.setPen(Qt::black);
        painter.setFont(font(9.5, true));
        painter.drawText(box(x, y, width, layout.rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         photoTitle(photo.number));
        y += layout.rowHeight;
        drawPicture(picture, QRectF(x, y, width, layout.pictureBox.height()));
        y += layout.pictureBox.height() + 2.0;
        const auto rows = captionRows(photo, report.settings.crs.get());
        for (int i = 0; i < rows.size(); ++i) {
            // The description, first, takes two rows.
            const double height = layout.rowHeight * (i == 0 ? 2 : 1);
            const QRectF labelCell = box(x, y, width * captionLabelShare, height);
            const QRectF valueCell = box(x + width * captionLabelShare, y,
                                         width * (1 - captionLabelShare), height);
            drawLabelledRow(labelCell, valueCell, rows.at(i).first, rows.at(i).second, 7.5);
            y += height;
        }
    }

    void drawMapPage()
    {
        newPage();
        const QPointF origin = bodyOrigin();
        drawHeading(QStringLiteral("Mapa de ubicación"), origin.y());
        const QSizeF body = layout.body();
        const QRectF area = box(origin.x(), origin.y() + headingHeight, body.width(),
                                body.height() - headingHeight - mapNotesHeight);
        const MapFrame frame = reportMapFrame(report, area);
        drawReportMap(painter, frame, unit, report, font(7));
        painter.setPen(Qt::black);
        drawFitted(box(origin.x(), origin.y() + body.height() - mapNotesHeight + 1, body.width(),
                       mapNotesHeight - 1),
                   mapNotes(report, frame).join(QLatin1Char('\n')), 7.5, false,
                   Qt::AlignLeft | Qt::AlignTop);
    }

    // The annex title, the project's lines and the logo, large, alone on a page.
    void drawCover()
    {
        newPage(true);
        const double left = layout.margins.left();
        const double width = layout.body().width();
        double y = layout.page.height() * 0.28;
        if (!logo.isNull()) {
            const QSizeF size = QSizeF(logo.size()).scaled(QSizeF(70, 30), Qt::KeepAspectRatio);
            painter.drawImage(box(left + (width - size.width()) / 2, y - size.height() - 10,
                                  size.width(), size.height()),
                              logo);
        }
        painter.setPen(Qt::black);
        drawFitted(box(left, y, width, 24), annexTitle(report.settings.title), 24, true,
                   Qt::AlignCenter);
        y += 34;
        for (const QString &line : coverLines(report.settings)) {
            drawFitted(box(left, y, width, 8), line, 12, false, Qt::AlignCenter);
            y += 8;
        }
    }

    // The annex title and the title block's table.
    void drawTitleBlock()
    {
        newPage();
        const QPointF origin = bodyOrigin();
        painter.setPen(Qt::black);
        drawFitted(box(origin.x(), origin.y() + 4, layout.body().width(), 14),
                   annexTitle(report.settings.title), 18, true, Qt::AlignLeft | Qt::AlignVCenter);
        double y = origin.y() + 24;
        for (const auto &[label, value] : titleBlockRows(report.settings)) {
            const QRectF labelCell = box(origin.x(), y, layout.body().width() * 0.32, 8);
            const QRectF valueCell = box(origin.x() + layout.body().width() * 0.32, y,
                                         layout.body().width() * 0.68, 8);
            drawLabelledRow(labelCell, valueCell, label, value, 9);
            y += 8;
        }
    }

    int currentPage() const { return page; }

    void drawMessage(const QString &text)
    {
        newPage();
        drawHeading(text, bodyOrigin().y());
    }

    bool end() { return painter.end(); }

    const ReportLayout &pageLayout() const { return layout; }

private:
    // Scaled to fit `area` (millimetres), centred.
    void drawPicture(const QImage &picture, const QRectF &area)
    {
        if (picture.isNull()) {
            painter.setPen(QPen(QColor(150, 150, 150), 0.2 * unit));
            painter.setBrush(QColor(235, 235, 235));
            painter.drawRect(box(area.x(), area.y(), area.width(), area.height()));
            drawFitted(box(area.x(), area.y(), area.width(), area.height()),
                       QStringLiteral("No se pudo leer la foto"), 9, false, Qt::AlignCenter);
            return;
        }
        const QSizeF size = QSizeF(picture.size()).scaled(area.size(), Qt::KeepAspectRatio);
        const QPointF corner = area.center() - QPointF(size.width() / 2, size.height() / 2);
        painter.drawImage(box(corner.x(), corner.y(), size.width(), size.height()), picture);
    }

    void drawHeader()
    {
        const double left = layout.margins.left();
        const double top = layout.margins.top();
        const double width = layout.body().width();
        const double height = layout.headerHeight - 3;
        painter.setPen(Qt::black);
        double textWidth = width;
        if (!logo.isNull()) {
            const QSizeF logoSize
                    = QSizeF(logo.size()).scaled(QSizeF(35, height), Qt::KeepAspectRatio);
            painter.drawImage(
                    box(left + width - logoSize.width(), top, logoSize.width(), logoSize.height()),
                    logo);
            textWidth -= logoSize.width() + 4;
        }
        drawFitted(box(left, top, textWidth, height), headerText(report.settings), 8, false,
                   Qt::AlignLeft | Qt::AlignVCenter);
        drawRule(top + height + 1);
    }

    // Company and document code at the left, "Página N de M" at the right.
    void drawFooter()
    {
        const double left = layout.margins.left();
        const double width = layout.body().width();
        const double top = layout.page.height() - layout.margins.bottom() - layout.footerHeight;
        drawRule(top + 1);
        const QRectF band = box(left, top + 2, width, layout.footerHeight - 2);
        painter.setPen(Qt::black);
        painter.setFont(font(8));
        painter.drawText(band, Qt::AlignRight | Qt::AlignVCenter, pageNumberText(page, pages));
        drawFitted(box(left, top + 2, width - 35, layout.footerHeight - 2),
                   footerText(report.settings.title), 8, false, Qt::AlignLeft | Qt::AlignVCenter);
    }

    void drawRule(double y)
    {
        const double left = layout.margins.left();
        const double width = layout.body().width();
        painter.setPen(QPen(QColor(60, 60, 60), 0.3 * unit));
        painter.drawLine(box(left, y, width, 0).topLeft(), box(left, y, width, 0).topRight());
    }

    QPdfWriter &writer;
    const PhotoReport &report;
    ReportLayout layout;
    double unit; // device units per millimetre
    int page = 0;
    int pages = 0;
    QImage logo;
    QPainter painter;
};

// Cover, title block and index, before the first photo block.
static int frontPages(const PhotoReport &report)
{
    const ReportTitle &title = report.settings.title;
    const qsizetype photos = report.located.size() + report.unlocated.size();
    const int indexPages = title.photoIndex && photos > 0
            ? ceilDiv(photos, tableRowsPerPage(reportLayout(report.settings)))
            : 0;
    return (title.cover ? 1 : 0) + 1 + indexPages;
}

// Pages of the report: front pages, blocks, summary, map, photos without
// position (their table, then their blocks).
static int pageCount(const PhotoReport &report)
{
    const ReportSettings &settings = report.settings;
    const ReportLayout layout = reportLayout(settings);
    const int tableRows = tableRowsPerPage(layout);
    const qsizetype located = report.located.size();
    const int pages = frontPages(report) + ceilDiv(located, settings.photosPerPage)
            + (settings.includeSummary ? ceilDiv(located, tableRows) : 0)
            + (settings.includeMap && located > 0 ? 1 : 0)
            + ceilDiv(report.unlocated.size(), tableRows)
            + ceilDiv(report.unlocated.size(), settings.photosPerPage);
    // An empty folder gets a page that says so.
    return pages + (located == 0 && report.unlocated.isEmpty() ? 1 : 0);
}

bool buildReportPdf(const PhotoReport &report, ReportRun &run, QByteArray &pdf, QString &error)
{
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
    writer.setResolution(pdfResolution);
    writer.setCreator(QStringLiteral("Rumbario"));
    writer.setTitle(annexTitle(report.settings.title) + QLatin1Char(' ') + report.settings.project);
    writer.setPageSize(QPageSize(report.settings.paper == ReportPaper::Letter ? QPageSize::Letter
                                                                              : QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    PdfPages pages(writer, report, pageCount(report));
    if (!pages.isActive()) {
        error = QStringLiteral("no se pudo dibujar el PDF");
        return false;
    }
    const ReportSettings &settings = report.settings;
    if (settings.title.cover)
        pages.drawCover();
    pages.drawTitleBlock();
    const int total = pageCount(report);
    if (settings.title.photoIndex && total > frontPages(report))
        pages.drawTablePages(
                QStringLiteral("Índice de fotografías"), photoIndexHeader(),
                photoIndexRows(report, frontPages(report) + 1,
                               total - ceilDiv(report.unlocated.size(), settings.photosPerPage)
                                       + 1),
                photoIndexColumnShares());
    const auto drawBlocks = [&](const QVector<ReportPhoto> &photos) {
        return forEachPicture(run, photos, pages.pageLayout().pictureBox,
                              [&](int index, const QImage &picture) {
                                  const int slot = index % settings.photosPerPage;
                                  if (slot == 0)
                                      pages.newPage();
                                  pages.drawBlock(photos.at(index), picture, slot);
                              });
    };
    if (!drawBlocks(report.located)) {
        pages.end();
        return false;
    }
    if (settings.includeSummary && !report.located.isEmpty())
        pages.drawTablePages(summaryTitle(report), summaryHeader(), summaryRows(report),
                             summaryColumnShares());
    if (settings.includeMap && !report.located.isEmpty())
        pages.drawMapPage();
    if (!report.unlocated.isEmpty()) {
        pages.drawTablePages(QStringLiteral("Fotografías sin ubicación"), unlocatedHeader(),
                             unlocatedRows(report), unlocatedColumnShares());
        if (!drawBlocks(report.unlocated)) {
            pages.end();
            return false;
        }
    }
    if (report.located.isEmpty() && report.unlocated.isEmpty())
        pages.drawMessage(QStringLiteral("No hay fotografías en la carpeta."));
    if (!pages.end()) {
        error = QStringLiteral("no se pudo terminar el PDF");
        return false;
    }
    return true;
}
