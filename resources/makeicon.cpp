// Paints the application icon, a compass rose on a dark disc, and writes it
// as icon.ico (compiled into the program) and as rumbario-<size>.png for the
// desktop's icon theme.
//
// Usage: rumbario-makeicon <output folder> <size in pixels>...

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRadialGradient>
#include <QtMath>

#include <cmath>
#include <cstdio>

// The size the compiled-in icon is stored at; the window scales it down.
static const int icoSizePixels = 128;

static QPointF polar(double radius, double bearingDegrees)
{
    const double radians = qDegreesToRadians(bearingDegrees);
    return QPointF(radius * std::sin(radians), -radius * std::cos(radians));
}

// One point of the star, split along its axis into a lit and a shaded half.
static void paintRosePoint(QPainter &painter, double bearingDegrees, double length, double waist,
                           const QColor &lit, const QColor &shaded)
{
    const QPointF tip = polar(length, bearingDegrees);
    const QPointF left = polar(waist, bearingDegrees - 45.0);
    const QPointF right = polar(waist, bearingDegrees + 45.0);
    QPainterPath litHalf;
    litHalf.moveTo(0.0, 0.0);
    litHalf.lineTo(tip);
    litHalf.lineTo(right);
    litHalf.closeSubpath();
    QPainterPath shadedHalf;
    shadedHalf.moveTo(0.0, 0.0);
    shadedHalf.lineTo(tip);
    shadedHalf.lineTo(left);
    shadedHalf.closeSubpath();
    painter.fillPath(litHalf, lit);
    painter.fillPath(shadedHalf, shaded);
}

// Drawn in a square of side 2 centred on the origin, north up.
static void paintRose(QPainter &painter)
{
    QRadialGradient sea(QPointF(-0.3, -0.3), 1.4);
    sea.setColorAt(0.0, QColor(38, 104, 140));
    sea.setColorAt(1.0, QColor(14, 42, 66));
    painter.setPen(QPen(QColor(222, 200, 150), 0.06));
    painter.setBrush(sea);
    painter.drawEllipse(QPointF(0.0, 0.0), 0.95, 0.95);

    painter.setPen(QPen(QColor(222, 200, 150, 180), 0.035));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(0.0, 0.0), 0.58, 0.58);
    painter.setPen(Qt::NoPen);

    const QColor sandLit(236, 220, 180);
    const QColor sandShaded(176, 150, 104);
    for (double bearing = 45.0; bearing < 360.0; bearing += 90.0)
        paintRosePoint(painter, bearing, 0.62, 0.14, sandLit, sandShaded);

    const QColor whiteLit(250, 250, 246);
    const QColor whiteShaded(170, 178, 186);
    for (double bearing = 90.0; bearing < 360.0; bearing += 90.0)
        paintRosePoint(painter, bearing, 0.86, 0.2, whiteLit, whiteShaded);
    paintRosePoint(painter, 0.0, 0.86, 0.2, QColor(232, 56, 44), QColor(150, 24, 20));

    painter.setBrush(QColor(222, 200, 150));
    painter.drawEllipse(QPointF(0.0, 0.0), 0.07, 0.07);
}

static QImage iconImage(int sizePixels)
{
    QImage image(sizePixels, sizePixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(sizePixels / 2.0, sizePixels / 2.0);
    painter.scale(sizePixels / 2.0, sizePixels / 2.0);
    paintRose(painter);
    return image;
}

static bool writeImage(const QImage &image, const QString &path, const char *format)
{
    QImageWriter writer(path, format);
    if (writer.write(image))
        return true;
    std::fprintf(stderr, "Cannot write %s: %s\n", qPrintable(path),
                 qPrintable(writer.errorString()));
    return false;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "Usage: rumbario-makeicon <output folder> <size>...\n");
        return 2;
    }
    const QDir output(arguments.at(1));
    if (!output.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "Cannot create %s\n", qPrintable(output.path()));
        return 1;
    }

    bool written = writeImage(iconImage(icoSizePixels), output.filePath(QStringLiteral("icon.ico")),
                              "ico");
    for (int i = 2; i < arguments.size(); ++i) {
        bool isNumber = false;
        const int size = arguments.at(i).toInt(&isNumber);
        if (!isNumber || size < 1) {
            std::fprintf(stderr, "Not a size: %s\n", qPrintable(arguments.at(i)));
            return 2;
        }
        const QString name = QStringLiteral("rumbario-%1.png").arg(size);
        written = writeImage(iconImage(size), output.filePath(name), "png") && written;
    }
    return written ? 0 : 1;
}
