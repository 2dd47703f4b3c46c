#include "stamping/compassrose.h"

#include "geo/numbers.h"
#include "stamping/fontregistry.h"
#include "stamping/stamptext.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

// Sizes shared by every style of one rose, in pixels.
struct RoseGeometry
{
    int size; // the rose image is size x size
    int centre; // same on both axes
    double radius;
    int ringWidth;
};

static int truncated(double value)
{
    return clampToInt(truncToInteger(value));
}

static double radians(double degrees)
{
    return degrees * 0.017453292519943295;
}

// The point at `distance` pixels from the centre along `degrees`, measured
// clockwise from the x axis because screen y grows downward.
static QPointF polarPoint(const RoseGeometry &rose, double distance, double degrees)
{
    return QPointF(rose.centre + distance * std::cos(radians(degrees)),
                   rose.centre + distance * std::sin(radians(degrees)));
}

static void rotateAboutCentre(QPainter &painter, const RoseGeometry &rose, double degrees)
{
    painter.translate(rose.centre, rose.centre);
    painter.rotate(degrees);
    painter.translate(-rose.centre, -rose.centre);
}

static QFont roseFont(const QString &fontPath)
{
    QString family;
    if (!fontPath.isEmpty() && registerFontFile(fontPath, family))
        return stampFont(family);
    return stampFont(QString());
}

static void useFont(QPainter &painter, QFont font, int pointSize, bool bold)
{
    font.setPointSize(pointSize);
    font.setBold(bold);
    painter.setFont(font);
}

static QPen roseLinePen(const QColor &colour, int width)
{
    return QPen(QBrush(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

// Style 0: the eight point names around the dial, each centred on its point.
static void drawPointNames(QPainter &painter, const RoseGeometry &rose, const QFont &font)
{
    static const char *const names[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    for (int i = 0; i < 8; ++i) {
        const QString name = QString::fromLatin1(names[i]);
        const bool cardinal = name.size() == 1;
        useFont(painter, font,
                cardinal ? std::max(12, truncated(rose.radius * 0.25))
                         : std::max(10, truncated(rose.radius * 0.18)),
                cardinal);
        const QFontMetrics metrics = painter.fontMetrics();
        const QPointF at = polarPoint(rose, 0.85 * rose.radius, i * 45 - 90);
        const int width = metrics.horizontalAdvance(name);
        const int height = metrics.height();
        painter.drawText(QRectF(at.x() - width / 2.0, at.y() - height / 2.0, width, height),
                         Qt::AlignCenter, name);
    }
}

// Style 1: a tick every 5 degrees, longer every 10 and longest every 90.
static void drawTicks(QPainter &painter, const RoseGeometry &rose)
{
    painter.setPen(roseLinePen(Qt::white, std::max(1, truncated(rose.size * 0.01))));
    for (int degrees = 0; degrees < 360; degrees += 5) {
        const double length = degrees % 90 == 0 ? 0.2 * rose.radius
                : degrees % 10 == 0             ? 0.1 * rose.radius
                                                : 0.05 * rose.radius;
        painter.drawLine(polarPoint(rose, rose.radius - length, degrees),
                         polarPoint(rose, rose.radius, degrees));
    }
}

// Styles 1 and 3: N, S, E, W with their baselines placed around a circle of
// `fraction` times the radius.
static void drawCardinalLetters(QPainter &painter, const RoseGeometry &rose, const QFont &font,
                                int pointSize, double fraction)
{
    useFont(painter, font, pointSize, true);
    painter.setPen(Qt::white);
    const QFontMetrics metrics = painter.fontMetrics();
    const int halfAscent = metrics.ascent() / 2;
    const int c = rose.centre;
    const double offset = fraction * rose.radius;
    auto halfAdvance = [&](const QString &letter) {
        return metrics.horizontalAdvance(letter) / 2;
    };
    const QString n = QStringLiteral("N"), s = QStringLiteral("S"), e = QStringLiteral("E"),
                  w = QStringLiteral("W");
    painter.drawText(QPoint(c - halfAdvance(n), truncated(c - offset + halfAscent)), n);
    painter.drawText(QPoint(c - halfAdvance(s), truncated(c + offset + halfAscent)), s);
    painter.drawText(QPoint(truncated(c + offset - halfAdvance(e)), c + halfAscent), e);
    painter.drawText(QPoint(truncated(c - offset - halfAdvance(w)), c + halfAscent), w);
}

// Style 2: N, S, E, W just inside the ring.
static void drawRimLetters(QPainter &painter, const RoseGeometry &rose, const QFont &font)
{
    useFont(painter, font, std::max(12, truncated(rose.radius * 0.3)), true);
    painter.setPen(Qt::white);
    const QFontMetrics metrics = painter.fontMetrics();
    const int h = metrics.height();
    const int a = metrics.ascent();
    const int s = rose.size;
    const int c = rose.centre;
    const int rw = rose.ringWidth;
    const int pad = std::max(2, truncated(rose.radius * 0.08));
    const int inner = pad + rw / 2 + rw;
    auto advance = [&](const QString &letter) {
        return metrics.horizontalAdvance(letter);
    };
    const QString n = QStringLiteral("N"), south = QStringLiteral("S"), e = QStringLiteral("E"),
                  w = QStringLiteral("W");
    painter.drawText(QPoint(c - advance(n) / 2, inner + a), n);
    painter.drawText(QPoint(c - advance(south) / 2, s - pad - h - rw / 2 - rw + a), south);
    painter.drawText(QPoint(s - pad - rw / 2 - rw - advance(e), c - h / 2 + a), e);
    painter.drawText(QPoint(inner, c - h / 2 + a), w);
}

static void drawDial(QPainter &painter, const RoseGeometry &rose, const QFont &font,
                     double orientation, bool rotateCompass, int style)
{
    painter.save();
    if (rotateCompass)
        rotateAboutCentre(painter, rose, -orientation);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(211, 211, 211, 128));
    painter.drawEllipse(0, 0, rose.size, rose.size);
    const int rw = rose.ringWidth;
    painter.setPen(roseLinePen(Qt::white, rw));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(rw / 2, rw / 2, rose.size - rw, rose.size - rw);
    switch (style) {
    case 0:
        painter.setPen(Qt::white);
        drawPointNames(painter, rose, font);
        break;
    case 1:
        drawTicks(painter, rose);
        drawCardinalLetters(painter, rose, font, std::max(12, truncated(rose.radius * 0.3)), 0.65);
        break;
    case 2:
        drawRimLetters(painter, rose, font);
        break;
    default:
        drawCardinalLetters(painter, rose, font, std::max(12, truncated(rose.radius * 0.28)), 0.7);
        break;
    }
    painter.restore();
}

// Styles 0 and 1: a triangle through the centre, white on its left half and
// in the arrow colour on its right half.
static void drawTwoToneArrow(QPainter &painter, const RoseGeometry &rose, double degrees,
                             const QColor &colour)
{
    painter.save();
    rotateAboutCentre(painter, rose, degrees);
    const double c = rose.centre;
    const double l = 0.8 * rose.radius;
    const QPointF tip(c, c - 0.6 * l);
    const QPointF leftBase(c - 0.5 * l, c + 0.4 * l);
    const QPointF rightBase(c + 0.5 * l, c + 0.4 * l);
    const QPointF baseCentre(c, c + 0.4 * l);
    painter.setPen(roseLinePen(colour, std::max(1, truncated(rose.size * 0.015))));
    const auto drawHalf = [&](const QPointF &corner, const QColor &fill) {
        QPainterPath half(tip);
        half.lineTo(corner);
        half.lineTo(baseCentre);
        half.closeSubpath();
        painter.setBrush(fill);
        painter.drawPath(half);
    };
    drawHalf(leftBase, Qt::white);
    drawHalf(rightBase, colour);
    painter.restore();
}

// Styles 2 and 3: a filled triangle pointing along `degrees` (screen angle),
// its tip and base centre at signed distances from the centre.
static void drawPointer(QPainter &painter, const RoseGeometry &rose, double degrees,
                        double tipDistance, double baseDistance, double halfWidth,
                        const QColor &colour)
{
    painter.save();
    const QPointF tip = polarPoint(rose, tipDistance, degrees);
    const QPointF base = polarPoint(rose, baseDistance, degrees);
    const QPointF across(halfWidth * std::cos(radians(degrees + 90)),
                         halfWidth * std::sin(radians(degrees + 90)));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(QPolygonF({base + across, tip, base - across}));
    painter.restore();
}

static void drawArrow(QPainter &painter, const RoseGeometry &rose, double orientation,
                      bool rotateCompass, int style, const QColor &colour)
{
    const double screenAngle = rotateCompass ? -90.0 : orientation - 90.0;
    if (style == 0 || style == 1) {
        drawTwoToneArrow(painter, rose, rotateCompass ? 0.0 : orientation, colour);
    } else if (style == 2) {
        const double reach = 0.95 * rose.radius;
        drawPointer(painter, rose, screenAngle, reach, -0.1 * reach, 0.25 * reach * 0.5, colour);
    } else {
        const double headLength = 0.25 * rose.radius;
        drawPointer(painter, rose, screenAngle, 0.9 * rose.radius, 0.65 * rose.radius,
                    (2.0 / std::sqrt(3.0)) * headLength * 0.5, colour);
    }
}

static void drawCentreText(QPainter &painter, const RoseGeometry &rose, const QFont &font,
                           double orientation)
{
    useFont(painter, font, std::max(12, truncated(rose.radius * 0.22)), true);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, rose.size, rose.size), Qt::AlignCenter,
                     roseCentreText(orientation));
}

QImage renderCompassRose(double orientation, int size, double compassRatio, const QString &fontPath,
                         bool rotateCompass, int compassStyle, const QColor &arrowColor)
{
    if (size <= 0)
        return QImage();
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    if (compassStyle < 0 || compassStyle > 3)
        return image;

    const RoseGeometry rose {size, size / 2, size * 0.5,
                             std::max(2, truncated(size * 0.03 * compassRatio))};
    // A profile that names no colour must not give an invisible arrow.
    const QColor colour = arrowColor.isValid() ? arrowColor : QColor(Qt::red);
    const QFont font = roseFont(fontPath);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawDial(painter, rose, font, orientation, rotateCompass, compassStyle);
    drawArrow(painter, rose, orientation, rotateCompass, compassStyle, colour);
    if (compassStyle == 3)
        drawCentreText(painter, rose, font, orientation);
    painter.end();
    return image;
}
