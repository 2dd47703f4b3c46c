#include "report/reportmap.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <map>
#include <utility>

static constexpr double minimumMarginMetres = 100.0;
static constexpr double pi = 3.14159265358979323846;

static bool isSouth(const UtmPosition &position)
{
    return position.letter < 'N';
}

bool MapFrame::contains(const UtmPosition &position) const
{
    return !grid.isEmpty() || (position.zone == zone && isSouth(position) == south);
}

QPointF MapFrame::toPage(double easting, double northing) const
{
    return {area.left() + (easting - extent.left()) * unitsPerMetre,
            area.bottom() - (northing - extent.top()) * unitsPerMetre};
}

static std::pair<int, bool> mostCommonZone(const QVector<UtmPosition> &positions)
{
    std::map<std::pair<int, bool>, int> counts;
    for (const auto &position : positions)
        ++counts[{position.zone, isSouth(position)}];
    std::pair<int, bool> best {positions.first().zone, isSouth(positions.first())};
    for (const auto &[zone, count] : counts) {
        if (count > counts[best])
            best = zone;
    }
    return best;
}

MapFrame mapFrame(const QVector<UtmPosition> &positions, const QRectF &area, const QString &grid)
{
    MapFrame frame;
    frame.area = area;
    frame.grid = grid;
    if (positions.isEmpty() || area.isEmpty())
        return frame;
    std::tie(frame.zone, frame.south) = mostCommonZone(positions);
    double minE = INFINITY, minN = INFINITY, maxE = -INFINITY, maxN = -INFINITY;
    for (const auto &position : positions) {
        if (!frame.contains(position))
            continue;
        minE = std::min(minE, position.easting);
        maxE = std::max(maxE, position.easting);
        minN = std::min(minN, position.northing);
        maxN = std::max(maxN, position.northing);
    }
    const double margin = std::max(minimumMarginMetres, 0.1 * std::max(maxE - minE, maxN - minN));
    double width = maxE - minE + 2 * margin;
    double height = maxN - minN + 2 * margin;
    // Widen the narrower way so that a metre is as long east as north.
    const double aspect = area.width() / area.height();
    if (width / height < aspect)
        width = height * aspect;
    else
        height = width / aspect;
    frame.extent = QRectF((minE + maxE - width) / 2, (minN + maxN - height) / 2, width, height);
    frame.unitsPerMetre = area.width() / width;
    return frame;
}

MapFrame reportMapFrame(const PhotoReport &report, const QRectF &area)
{
    QVector<UtmPosition> positions;
    for (const auto &photo : report.located)
        positions.append(photo.record.position);
    const CrsTransform *crs = report.settings.crs.get();
    return mapFrame(positions, area, crs ? crs->shortName() : QString());
}

QStringList mapNotes(const PhotoReport &report, const MapFrame &frame)
{
    const QString units = QStringLiteral("coordenadas en metros; el norte es el de la cuadrícula.");
    if (!frame.grid.isEmpty())
        return {QStringLiteral("Cuadrícula %1; ").arg(frame.grid) + units};
    QStringList notes {QStringLiteral("Cuadrícula UTM zona %1 %2, datum WGS 84; ")
                               .arg(frame.zone)
                               .arg(frame.south ? QStringLiteral("sur") : QStringLiteral("norte"))
                       + units};
    QStringList outside;
    for (const auto &photo : report.located) {
        const UtmPosition &position = photo.record.position;
        if (!frame.contains(position))
            outside << QStringLiteral("%1 (%2)")
                               .arg(photo.number)
                               .arg(reportCoordinatesText(position, nullptr));
    }
    if (!outside.isEmpty())
        notes << QStringLiteral("Fuera de esta zona, no dibujadas: Fotografía N° ")
                        + outside.join(QStringLiteral("; N° "));
    return notes;
}

// 1, 2 or 5 times a power of ten: four to eight grid lines across.
static double gridStep(double metres)
{
    const double raw = metres / 8;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw)
            return factor * power;
    }
    return 10 * power;
}

static QString metresLabel(double metres)
{
    return metres >= 1000 && std::fmod(metres, 1000) == 0
            ? QStringLiteral("%1 km").arg(metres / 1000)
            : QStringLiteral("%1 m").arg(metres);
}

static void drawGrid(QPainter &painter, const MapFrame &frame, double step, double mm,
                     const QFont &font)
{
    painter.setPen(QPen(QColor(170, 180, 190), 0.2 * mm));
    QFont labelFont = font;
    labelFont.setPointSizeF(6);
    painter.setFont(labelFont);
    const QRectF &extent = frame.extent;
    for (double e = std::ceil(extent.left() / step) * step; e <= extent.right(); e += step) {
        const QPointF bottom = frame.toPage(e, extent.top());
        painter.drawLine(bottom, frame.toPage(e, extent.bottom()));
        painter.drawText(QRectF(bottom.x() + 0.6 * mm, bottom.y() - 4 * mm, 30 * mm, 3.5 * mm),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::number(qRound64(e)));
    }
    for (double n = std::ceil(extent.top() / step) * step; n <= extent.bottom(); n += step) {
        const QPointF left = frame.toPage(extent.left(), n);
        painter.drawLine(left, frame.toPage(extent.right(), n));
        painter.drawText(QRectF(left.x() + 0.6 * mm, left.y() - 3.6 * mm, 30 * mm, 3.5 * mm),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::number(qRound64(n)));
    }
}

// A line from the marker the way the photo faced, degrees clockwise from north.
static void drawDirection(QPainter &painter, QPointF centre, double degrees, double mm)
{
    const double radians = degrees * pi / 180;
    const QPointF unit(std::sin(radians), -std::cos(radians));
    const QPointF normal(-unit.y(), unit.x());
    const QPointF tip = centre + unit * 8 * mm;
    painter.setPen(QPen(QColor(200, 40, 30), 0.5 * mm));
    painter.drawLine(centre, tip - unit * mm);
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip - unit * 2 * mm + normal * 1.1 * mm);
    head.lineTo(tip - unit * 2 * mm - normal * 1.1 * mm);
    head.closeSubpath();
    painter.fillPath(head, QColor(200, 40, 30));
}

static void drawMarker(QPainter &painter, QPointF centre, int number, double mm, const QFont &font)
{
    const double radius = 2.4 * mm;
    painter.setPen(QPen(QColor(20, 60, 140), 0.4 * mm));
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, radius, radius);
    QFont numberFont = font;
    numberFont.setPointSizeF(number > 99 ? 5 : 6.5);
    numberFont.setBold(true);
    painter.setFont(numberFont);
    painter.setPen(QColor(20, 60, 140));
    painter.drawText(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
                     Qt::AlignCenter, QString::number(number));
}

static void drawScaleBar(QPainter &painter, const MapFrame &frame, double step, double mm,
                         const QFont &font)
{
    const double length = step * frame.unitsPerMetre;
    const QRectF box(frame.area.left() + 4 * mm, frame.area.bottom() - 14 * mm, length + 6 * mm,
                     9 * mm);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 230));
    painter.drawRect(box);
    const double y = box.bottom() - 3 * mm;
    const double x = box.left() + 3 * mm;
    painter.setBrush(Qt::black);
    painter.drawRect(QRectF(x, y, length / 2, 1.2 * mm));
    painter.setPen(QPen(Qt::black, 0.25 * mm));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(x + length / 2, y, length / 2, 1.2 * mm));
    QFont labelFont = font;
    labelFont.setPointSizeF(6.5);
    painter.setFont(labelFont);
    painter.drawText(QRectF(x, box.top(), length, 4 * mm), Qt::AlignCenter, metresLabel(step));
}

static void drawNorthArrow(QPainter &painter, const MapFrame &frame, double mm, const QFont &font)
{
    const QPointF top(frame.area.right() - 9 * mm, frame.area.top() + 6 * mm);
    QPainterPath arrow;
    arrow.moveTo(top);
    arrow.lineTo(top + QPointF(3 * mm, 9 * mm));
    arrow.lineTo(top + QPointF(0, 7 * mm));
    arrow.lineTo(top + QPointF(-3 * mm, 9 * mm));
    arrow.closeSubpath();
    painter.setPen(QPen(Qt::white, 0.4 * mm));
    painter.setBrush(Qt::black);
    painter.drawPath(arrow);
    QFont letterFont = font;
    letterFont.setPointSizeF(9);
    letterFont.setBold(true);
    painter.setFont(letterFont);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(top.x() - 4 * mm, top.y() + 9.5 * mm, 8 * mm, 5 * mm), Qt::AlignCenter,
                     QStringLiteral("N"));
}

void drawReportMap(QPainter &painter, const MapFrame &frame, double unitsPerMillimetre,
                   const PhotoReport &report, const QFont &font)
{
    const double mm = unitsPerMillimetre;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(frame.area, QColor(250, 250, 245));
    painter.setClipRect(frame.area);
    if (frame.unitsPerMetre > 0) {
        const double step = gridStep(frame.extent.width());
        drawGrid(painter, frame, step, mm, font);
        for (const auto &photo : report.located) {
            const UtmPosition &position = photo.record.position;
            if (frame.contains(position) && position.orientation)
                drawDirection(painter, frame.toPage(position.easting, position.northing),
                              *position.orientation, mm);
        }
        for (const auto &photo : report.located) {
            const UtmPosition &position = photo.record.position;
            if (frame.contains(position))
                drawMarker(painter, frame.toPage(position.easting, position.northing), photo.number,
                           mm, font);
        }
        drawScaleBar(painter, frame, step, mm, font);
        drawNorthArrow(painter, frame, mm, font);
    }
    painter.setClipping(false);
    painter.setPen(QPen(Qt::black, 0.3 * mm));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.area);
    painter.restore();
}
