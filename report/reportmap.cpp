#include "report/reportmap.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
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

QVector<QVector<int>> groupNearby(const QVector<QPointF> &points, double metres)
{
    QVector<QVector<int>> groups;
    for (int i = 0; i < points.size(); ++i) {
        const auto near
                = std::find_if(groups.begin(), groups.end(), [&](const QVector<int> &group) {
                      const QPointF apart = points.at(group.first()) - points.at(i);
                      return std::hypot(apart.x(), apart.y()) <= metres;
                  });
        if (near == groups.end())
            groups.append(QVector<int> {i});
        else
            near->append(i);
    }
    return groups;
}

QString numberRanges(QVector<int> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    QStringList parts;
    for (int first = 0; first < numbers.size();) {
        int last = first;
        while (last + 1 < numbers.size() && numbers.at(last + 1) == numbers.at(last) + 1)
            ++last;
        if (last - first >= 2) {
            parts << QStringLiteral("%1–%2").arg(numbers.at(first)).arg(numbers.at(last));
        } else {
            for (int i = first; i <= last; ++i)
                parts << QString::number(numbers.at(i));
        }
        first = last + 1;
    }
    return parts.join(QStringLiteral(", "));
}

static constexpr int labelRings = 30;
static constexpr int labelDirections = 16;

// Centred on `point` first, then on rings ever further out, right of it first.
static QRectF labelCandidate(QPointF point, QSizeF size, int ring, int direction)
{
    QRectF rect(QPointF(), size);
    if (ring == 0) {
        rect.moveCenter(point);
        return rect;
    }
    const double step = 0.75 * size.height();
    const double angle = 2 * pi * direction / labelDirections;
    rect.moveCenter(point
                    + QPointF(std::cos(angle) * (size.width() / 2 + ring * step),
                              -std::sin(angle) * (size.height() / 2 + ring * step)));
    return rect;
}

QVector<QRectF> placeLabels(const QVector<QPointF> &points, const QVector<QSizeF> &sizes,
                            const QRectF &area, const QVector<QRectF> &obstacles,
                            double pointRadius)
{
    QVector<QRectF> placed;
    QVector<QRectF> taken = obstacles;
    const QSizeF pointSize(2 * pointRadius, 2 * pointRadius);
    for (int i = 0; i < points.size(); ++i) {
        QVector<QRectF> blocked = taken;
        for (const QPointF &other : points) {
            const QPointF apart = other - points.at(i);
            if (std::hypot(apart.x(), apart.y()) > pointRadius)
                blocked.append(QRectF(other - QPointF(pointRadius, pointRadius), pointSize));
        }
        const auto isFree = [&](const QRectF &rect) {
            return area.contains(rect)
                    && std::none_of(blocked.cbegin(), blocked.cend(),
                                    [&rect](const QRectF &used) { return used.intersects(rect); });
        };
        QRectF chosen;
        for (int ring = 0; ring <= labelRings && chosen.isNull(); ++ring) {
            for (int direction = 0; direction < (ring == 0 ? 1 : labelDirections); ++direction) {
                const QRectF rect = labelCandidate(points.at(i), sizes.at(i), ring, direction);
                if (isFree(rect)) {
                    chosen = rect;
                    break;
                }
            }
        }
        placed.append(chosen);
        if (!chosen.isNull())
            taken.append(chosen.adjusted(-pointRadius / 2, -pointRadius / 2, pointRadius / 2,
                                         pointRadius / 2));
    }
    return placed;
}

// One grid label: its text and where it goes.
struct GridLabel
{
    QRectF rect;
    QString text;
};

// Eastings along the foot, northings along the left side, each above its line.
static QVector<GridLabel> gridLabels(const MapFrame &frame, double step, double mm,
                                     const QFontMetricsF &metrics)
{
    QVector<GridLabel> labels;
    const auto add = [&](QPointF corner, double value) {
        const QString text = QString::number(qRound64(value));
        labels.append({QRectF(corner,
                              QSizeF(metrics.horizontalAdvance(text) + 0.8 * mm, metrics.height())),
                       text});
    };
    const QRectF &extent = frame.extent;
    for (double e = std::ceil(extent.left() / step) * step; e <= extent.right(); e += step) {
        const QPointF bottom = frame.toPage(e, extent.top());
        add(QPointF(bottom.x() + 0.4 * mm, bottom.y() - 0.5 * mm - metrics.height()), e);
    }
    for (double n = std::ceil(extent.top() / step) * step; n <= extent.bottom(); n += step) {
        const QPointF left = frame.toPage(extent.left(), n);
        add(QPointF(left.x() + 0.4 * mm, left.y() - 0.3 * mm - metrics.height()), n);
    }
    return labels;
}

static void drawGridLines(QPainter &painter, const MapFrame &frame, double step, double mm)
{
    painter.setPen(QPen(QColor(170, 180, 190), 0.2 * mm));
    const QRectF &extent = frame.extent;
    for (double e = std::ceil(extent.left() / step) * step; e <= extent.right(); e += step)
        painter.drawLine(frame.toPage(e, extent.top()), frame.toPage(e, extent.bottom()));
    for (double n = std::ceil(extent.top() / step) * step; n <= extent.bottom(); n += step)
        painter.drawLine(frame.toPage(extent.left(), n), frame.toPage(extent.right(), n));
}

// Dark on a light ground, to stay legible printed in grey. A label that
// would run into the map's furniture or an earlier label is left out.
static QVector<QRectF> drawGridLabels(QPainter &painter, const QVector<GridLabel> &labels,
                                      const QVector<QRectF> &furniture, const QFont &font)
{
    QVector<QRectF> drawn;
    painter.setFont(font);
    for (const GridLabel &label : labels) {
        const auto hits = [&label](const QRectF &rect) {
            return rect.intersects(label.rect);
        };
        if (std::any_of(furniture.cbegin(), furniture.cend(), hits)
            || std::any_of(drawn.cbegin(), drawn.cend(), hits))
            continue;
        painter.fillRect(label.rect, QColor(255, 255, 255, 200));
        painter.setPen(QColor(45, 45, 45));
        painter.drawText(label.rect, Qt::AlignCenter, label.text);
        drawn.append(label.rect);
    }
    return drawn;
}

static const QColor directionColour(200, 40, 30);
static const QColor markerColour(20, 60, 140);

// A line from the marker the way the photo faced, degrees clockwise from north.
static void drawDirection(QPainter &painter, QPointF centre, double degrees, double mm,
                          double length = 8.0)
{
    const double radians = degrees * pi / 180;
    const QPointF unit(std::sin(radians), -std::cos(radians));
    const QPointF normal(-unit.y(), unit.x());
    const QPointF tip = centre + unit * length * mm;
    painter.setPen(QPen(directionColour, 0.5 * mm));
    painter.drawLine(centre, tip - unit * mm);
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip - unit * 2 * mm + normal * 1.1 * mm);
    head.lineTo(tip - unit * 2 * mm - normal * 1.1 * mm);
    head.closeSubpath();
    painter.fillPath(head, directionColour);
}

static constexpr double dotRadius = 0.9; // millimetres
static constexpr double pointClearance = 1.3; // millimetres kept free around a dot

static void drawDot(QPainter &painter, QPointF centre, double mm)
{
    painter.setPen(QPen(Qt::white, 0.25 * mm));
    painter.setBrush(markerColour);
    painter.drawEllipse(centre, dotRadius * mm, dotRadius * mm);
}

static QFont labelFont(const QFont &font)
{
    QFont bold = font;
    bold.setPointSizeF(6.5);
    bold.setBold(true);
    return bold;
}

// The photos of one label: where they stand on the page and their numbers.
struct MarkerGroup
{
    QVector<QPointF> points; // the first is where the label belongs
    QVector<int> numbers;
};

static QVector<MarkerGroup> markerGroups(const MapFrame &frame, const PhotoReport &report)
{
    QVector<QPointF> ground;
    QVector<const ReportPhoto *> shown;
    for (const auto &photo : report.located) {
        const UtmPosition &position = photo.record.position;
        if (frame.contains(position)) {
            ground.append(QPointF(position.easting, position.northing));
            shown.append(&photo);
        }
    }
    QVector<MarkerGroup> groups;
    for (const QVector<int> &members : groupNearby(ground, mapGroupMetres)) {
        MarkerGroup group;
        for (int index : members) {
            const UtmPosition &position = shown.at(index)->record.position;
            group.points.append(frame.toPage(position.easting, position.northing));
            group.numbers.append(shown.at(index)->number);
        }
        groups.append(group);
    }
    return groups;
}

static QSizeF labelSize(const QString &text, const QFontMetricsF &metrics, double mm)
{
    const double height = std::max(metrics.height() + 0.6 * mm, 4.0 * mm);
    return {std::max(metrics.horizontalAdvance(text) + 1.6 * mm, height), height};
}

// Places every group's label; the groups whose labels find no free place
// join the placed group nearest to each on the page, and all are placed
// again, until every label has a place. Each round leaves fewer groups.
static QVector<QRectF> placeGroupLabels(QVector<MarkerGroup> &groups, const QRectF &area,
                                        const QVector<QRectF> &obstacles,
                                        const QFontMetricsF &metrics, double mm)
{
    for (;;) {
        QVector<QPointF> anchors;
        QVector<QSizeF> sizes;
        for (const MarkerGroup &group : std::as_const(groups)) {
            anchors.append(group.points.first());
            sizes.append(labelSize(numberRanges(group.numbers), metrics, mm));
        }
        QVector<QRectF> rects = placeLabels(anchors, sizes, area, obstacles, pointClearance * mm);
        QVector<int> placed;
        for (int i = 0; i < rects.size(); ++i) {
            if (!rects.at(i).isNull())
                placed.append(i);
        }
        if (placed.size() == groups.size())
            return rects;
        if (placed.isEmpty()) {
            if (groups.size() == 1) { // alone and still no room: on its photo
                rects.first() = QRectF(QPointF(), sizes.first());
                rects.first().moveCenter(anchors.first());
                return rects;
            }
            placed = {0};
        }
        QVector<MarkerGroup> kept;
        for (int i : std::as_const(placed))
            kept.append(groups.at(i));
        for (int lost = 0; lost < groups.size(); ++lost) {
            if (placed.contains(lost))
                continue;
            int nearest = 0;
            for (int k = 1; k < placed.size(); ++k) {
                const QPointF apart = anchors.at(placed.at(k)) - anchors.at(lost);
                const QPointF best = anchors.at(placed.at(nearest)) - anchors.at(lost);
                if (std::hypot(apart.x(), apart.y()) < std::hypot(best.x(), best.y()))
                    nearest = k;
            }
            kept[nearest].points += groups.at(lost).points;
            kept[nearest].numbers += groups.at(lost).numbers;
        }
        groups = kept;
    }
}

static QPointF nearestOnRect(QPointF point, const QRectF &rect)
{
    return {std::clamp(point.x(), rect.left(), rect.right()),
            std::clamp(point.y(), rect.top(), rect.bottom())};
}

static void drawLabels(QPainter &painter, const QVector<MarkerGroup> &groups,
                       const QVector<QRectF> &rects, double mm, const QFont &font)
{
    painter.setPen(QPen(markerColour, 0.2 * mm));
    for (int i = 0; i < groups.size(); ++i) {
        for (const QPointF &point : groups.at(i).points) {
            if (!rects.at(i).contains(point))
                painter.drawLine(point, nearestOnRect(point, rects.at(i)));
        }
    }
    painter.setFont(font);
    for (int i = 0; i < groups.size(); ++i) {
        painter.setPen(QPen(markerColour, 0.35 * mm));
        painter.setBrush(Qt::white);
        painter.drawRoundedRect(rects.at(i), rects.at(i).height() / 2, rects.at(i).height() / 2);
        painter.drawText(rects.at(i), Qt::AlignCenter, numberRanges(groups.at(i).numbers));
    }
}

static const QString mapTitle = QStringLiteral("Ubicación de las fotografías");
static const QString withDirection = QStringLiteral("Fotografía con dirección");
static const QString withoutDirection = QStringLiteral("Fotografía sin dirección");

// Where the title, north arrow, legend and scale bar go: the title on top in
// the middle, the north arrow at the top right, the legend with the scale
// bar above it at the bottom right, clear of the eastings' band at the foot
// and of the northings on the left.
struct MapFurniture
{
    QRectF title;
    QRectF northArrow;
    QRectF legend;
    QRectF scaleBar;
    QVector<QRectF> all() const { return {title, northArrow, legend, scaleBar}; }
};

static MapFurniture mapFurniture(const MapFrame &frame, double scaleLength, double mm,
                                 const QFontMetricsF &titleMetrics,
                                 const QFontMetricsF &textMetrics)
{
    const QRectF &area = frame.area;
    MapFurniture furniture;
    furniture.title
            = QRectF(0, area.top() + 2 * mm, titleMetrics.horizontalAdvance(mapTitle) + 4 * mm,
                     titleMetrics.height() + 1.5 * mm);
    furniture.title.moveLeft(area.center().x() - furniture.title.width() / 2);
    furniture.northArrow = QRectF(area.right() - 13 * mm, area.top() + 5 * mm, 8 * mm, 16 * mm);
    const double rowHeight = std::max(textMetrics.height(), 3.5 * mm);
    const double legendWidth = std::max(textMetrics.horizontalAdvance(withDirection),
                                        textMetrics.horizontalAdvance(withoutDirection))
            + 12 * mm;
    furniture.legend = QRectF(area.right() - 3 * mm - legendWidth,
                              area.bottom() - 6.5 * mm - 2 * rowHeight - 2 * mm, legendWidth,
                              2 * rowHeight + 2 * mm);
    const double scaleWidth = scaleLength + 6 * mm;
    furniture.scaleBar = QRectF(area.right() - 3 * mm - scaleWidth,
                                furniture.legend.top() - 1.5 * mm - 9 * mm, scaleWidth, 9 * mm);
    return furniture;
}

static void drawTitle(QPainter &painter, const QRectF &box, const QFont &font)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 230));
    painter.drawRect(box);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignCenter, mapTitle);
}

static void drawLegend(QPainter &painter, const QRectF &box, double mm, const QFont &font)
{
    painter.setPen(QPen(QColor(120, 120, 120), 0.2 * mm));
    painter.setBrush(QColor(255, 255, 255, 230));
    painter.drawRect(box);
    const double rowHeight = (box.height() - 2 * mm) / 2;
    painter.setFont(font);
    for (int row = 0; row < 2; ++row) {
        const double middle = box.top() + mm + (row + 0.5) * rowHeight;
        const QPointF dot(box.left() + 3 * mm, middle);
        if (row == 0)
            drawDirection(painter, dot, 90, mm, 6.0);
        drawDot(painter, dot, mm);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(box.left() + 10 * mm, middle - rowHeight / 2, box.width() - 11 * mm,
                                rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         row == 0 ? withDirection : withoutDirection);
    }
}

static void drawScaleBar(QPainter &painter, const QRectF &box, double length, double metres,
                         double mm, const QFont &font)
{
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
    painter.drawText(QRectF(x, box.top(), length, 4 * mm), Qt::AlignCenter, metresLabel(metres));
}

static void drawNorthArrow(QPainter &painter, const QRectF &box, double mm, const QFont &font)
{
    const QPointF top(box.center().x(), box.top() + mm);
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
        QFont gridFont = font;
        gridFont.setPointSizeF(6);
        QFont titleFont = font;
        titleFont.setPointSizeF(9);
        titleFont.setBold(true);
        QFont textFont = font;
        textFont.setPointSizeF(6.5);
        const QFont numbersFont = labelFont(font);
        QPaintDevice *device = painter.device();
        const MapFurniture furniture
                = mapFurniture(frame, step * frame.unitsPerMetre, mm,
                               QFontMetricsF(titleFont, device), QFontMetricsF(textFont, device));
        drawGridLines(painter, frame, step, mm);
        QVector<QRectF> obstacles = furniture.all();
        obstacles += drawGridLabels(painter,
                                    gridLabels(frame, step, mm, QFontMetricsF(gridFont, device)),
                                    furniture.all(), gridFont);
        for (const auto &photo : report.located) {
            const UtmPosition &position = photo.record.position;
            if (frame.contains(position) && position.orientation)
                drawDirection(painter, frame.toPage(position.easting, position.northing),
                              *position.orientation, mm);
        }
        QVector<MarkerGroup> groups = markerGroups(frame, report);
        for (const MarkerGroup &group : std::as_const(groups)) {
            for (const QPointF &point : group.points)
                drawDot(painter, point, mm);
        }
        const QVector<QRectF> rects = placeGroupLabels(groups, frame.area, obstacles,
                                                       QFontMetricsF(numbersFont, device), mm);
        drawLabels(painter, groups, rects, mm, numbersFont);
        drawTitle(painter, furniture.title, titleFont);
        drawLegend(painter, furniture.legend, mm, textFont);
        drawScaleBar(painter, furniture.scaleBar, step * frame.unitsPerMetre, step, mm, font);
        drawNorthArrow(painter, furniture.northArrow, mm, font);
    }
    painter.setClipping(false);
    painter.setPen(QPen(Qt::black, 0.3 * mm));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.area);
    painter.restore();
}
