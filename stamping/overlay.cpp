#include "stamping/overlay.h"

#include "geo/numbers.h"
#include "stamping/compassrose.h"
#include "stamping/corner.h"
#include "stamping/fontregistry.h"
#include "stamping/stamptext.h"

#include <QMap>
#include <QPainter>
#include <QStringList>

#include <algorithm>

// Palette and one-bit images cannot take a painter, and grey ones would lose
// the stamp's colours: such photos are stamped in full colour.
static void makePaintable(QImage &image)
{
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32);
        break;
    default:
        break;
    }
}

// Where `painter` may have put a pixel while drawing in `area` of the
// canvas: a pixel more on each side for antialiasing.
static QRect paintedArea(const QPainter &painter, const QRect &area)
{
    return painter.transform().mapRect(area).adjusted(-1, -1, 1, 1);
}

static void drawLogo(QPainter &painter, const QSize &canvas, const QImage &logo,
                     const ProcessingOptions &options, QList<QRect> &painted)
{
    if (!(options.logoRatio > 0) || logo.isNull())
        return;
    const long long width = truncToInteger(canvas.width() * options.logoRatio);
    const long long height = logo.height() * width / logo.width();
    if (width <= 0 || height <= 0)
        return;
    // Placement uses the computed size, whatever size the scaling yields.
    const QSize size(clampToInt(width), clampToInt(height));
    const QImage scaled = logo.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const Corner corner = cornerFromName(options.logoPosition, Corner::TopLeft);
    const QPoint at = cornerPlacement(corner, canvas, size);
    painter.drawImage(at, scaled);
    painted << paintedArea(painter, QRect(at, scaled.size()));
}

// The texts of one photo grouped by corner name, in item order within a
// corner; the map visits corners in ordinary string order.
static QMap<QString, QStringList> textBlocks(const ProcessingOptions &options,
                                             const PhotoStamp &photo)
{
    QMap<QString, QStringList> blocks;
    blocks[options.dtPosition] << dateText(photo.captureTime, options.drawTime);
    blocks[options.coordsPosition] << coordinatesText(photo, options.drawGeo, options.useExif);
    const UtmPosition &position = photo.position;
    if (options.drawOrientation && position.orientation)
        blocks[options.orientationPosition] << orientationText(*position.orientation);
    if (options.drawAltitude && position.altitude)
        blocks[options.altitudePosition] << altitudeText(*position.altitude);
    return blocks;
}

// The description and the extra text under the date's block, as wide as its
// widest line.
static void addWrappedLines(QStringList &block, const QFontMetrics &metrics,
                            const ProcessingOptions &options, const PhotoStamp &photo)
{
    int width = 0;
    for (const QString &line : std::as_const(block))
        width = std::max(width, metrics.horizontalAdvance(line));
    if (options.drawDescription)
        block << wrappedLines(photo.description, metrics, width);
    block << wrappedLines(options.extraText, metrics, width);
}

static void drawBlockBox(QPainter &painter, const QRect &box)
{
    painter.save();
    painter.setPen(QPen(QBrush(Qt::white), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(QColor(211, 211, 211, 128));
    painter.drawRoundedRect(box, 6.0, 6.0, Qt::AbsoluteSize);
    painter.restore();
}

// Corners of text blocks are read by substring, so any text without "derecha"
// or "abajo" is top left.
static void drawTextBlock(QPainter &painter, const QSize &canvas, const QString &corner,
                          const QStringList &lines, bool withBox, QList<QRect> &painted)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineStep = metrics.height() + 5;
    const int blockHeight = lineStep * static_cast<int>(lines.size());
    const bool right = corner.contains(QLatin1String("derecha"));
    const bool bottom = corner.contains(QLatin1String("abajo"));
    if (withBox) {
        int widest = 0;
        for (const QString &line : lines)
            widest = std::max(widest, metrics.horizontalAdvance(line));
        const int x = right ? canvas.width() - widest - 35 : 15;
        const int y = bottom ? canvas.height() - (blockHeight - 5) - 30 : 20;
        const QRect box(x, y, widest + 20, blockHeight + 5);
        drawBlockBox(painter, box);
        painted << paintedArea(painter, box.adjusted(-2, -2, 2, 2));
    }
    int baseline = bottom ? canvas.height() - 20 + metrics.ascent() - blockHeight
                          : metrics.ascent() + 25;
    for (const QString &line : lines) {
        const int x = right ? canvas.width() - metrics.horizontalAdvance(line) - 25 : 25;
        painter.drawText(QPoint(x, baseline), line);
        // Glyphs may reach past their advance and the font's ascent and
        // descent: a whole line step of room on every side.
        const QRect ink(x, baseline - metrics.ascent(), metrics.horizontalAdvance(line),
                        metrics.height());
        painted << paintedArea(painter, ink.adjusted(-lineStep, -lineStep, lineStep, lineStep));
        baseline += lineStep;
    }
}

static void drawTexts(QPainter &painter, const QSize &canvas, const ProcessingOptions &options,
                      const QString &fontFamily, const PhotoStamp &photo, QList<QRect> &painted)
{
    QFont font = stampFont(fontFamily);
    font.setPointSize(
            std::max(10, clampToInt(truncToInteger(canvas.height() * options.fontSizeRatio))));
    painter.setFont(font);
    painter.setPen(options.fontColor);
    QMap<QString, QStringList> blocks = textBlocks(options, photo);
    addWrappedLines(blocks[options.dtPosition], painter.fontMetrics(), options, photo);
    for (auto block = blocks.constBegin(); block != blocks.constEnd(); ++block)
        drawTextBlock(painter, canvas, block.key(), block.value(), options.bgText, painted);
}

static void drawRose(QPainter &painter, const QSize &canvas, const ProcessingOptions &options,
                     double orientation, const LogCallback &log, QList<QRect> &painted)
{
    if (log)
        log(QStringLiteral("Dibujando rosa con orientación ") + QString::number(orientation));
    const int size = clampToInt(
            truncToInteger(std::min(canvas.width(), canvas.height()) * options.compassRatio));
    const QImage rose = renderCompassRose(orientation, size, options.compassRatio, options.fontPath,
                                          options.rotateCompass, options.compassStyle,
                                          options.compassArrowColor);
    if (rose.isNull())
        return;
    const Corner corner = cornerFromName(options.compassPosition, Corner::BottomRight);
    const QPoint at = cornerPlacement(corner, canvas, rose.size());
    painter.drawImage(at, rose);
    painted << paintedArea(painter, QRect(at, rose.size()));
}

QList<QRect> drawOverlays(QImage &image, const ProcessingOptions &options, const QImage &logo,
                          const QString &fontFamily, const PhotoStamp &photo,
                          const LogCallback &log)
{
    return drawReducedOverlays(image, image.size(), options, logo, fontFamily, photo, log);
}

QList<QRect> drawReducedOverlays(QImage &image, const QSize &photoSize,
                                 const ProcessingOptions &options, const QImage &logo,
                                 const QString &fontFamily, const PhotoStamp &photo,
                                 const LogCallback &log)
{
    QList<QRect> painted;
    if (image.isNull() || photoSize.isEmpty())
        return painted;
    makePaintable(image);
    QPainter painter;
    if (!painter.begin(&image))
        return painted;
    painter.setRenderHint(QPainter::Antialiasing);
    // Margins, gaps and the smallest font size are pixels and points of the
    // photo, not ratios: laid out for the photo, then shrunk as a whole.
    const QSize canvas = photoSize;
    if (canvas != image.size()) {
        painter.scale(double(image.width()) / canvas.width(),
                      double(image.height()) / canvas.height());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    drawLogo(painter, canvas, logo, options, painted);
    if (options.drawData)
        drawTexts(painter, canvas, options, fontFamily, photo, painted);
    if (options.addCompass && photo.position.orientation)
        drawRose(painter, canvas, options, *photo.position.orientation, log, painted);
    painter.end();
    return painted;
}
