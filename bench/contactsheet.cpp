// Renders one generated photo with every compass style, corner and rotation
// mode into a single contact sheet PNG, for reviewing the stamps by eye.
// Usage: contactsheet <output.png>

#include "stamping/overlay.h"

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QStringList>

#include <cstdio>

static const int tileWidth = 600; // pixels
static const int tileHeight = 450; // pixels
static const int labelHeight = 28; // pixels

// A sky-over-ground gradient with a few shapes, so texts and the translucent
// rose are seen over both light and dark parts.
static QImage generatedPhoto()
{
    QImage photo(tileWidth, tileHeight, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient sky(0, 0, 0, tileHeight);
    sky.setColorAt(0.0, QColor(90, 150, 220));
    sky.setColorAt(0.55, QColor(225, 235, 245));
    sky.setColorAt(0.56, QColor(110, 130, 60));
    sky.setColorAt(1.0, QColor(40, 55, 25));
    painter.fillRect(photo.rect(), sky);
    painter.setBrush(QColor(60, 60, 70));
    painter.setPen(Qt::NoPen);
    painter.drawPolygon(QPolygon({QPoint(120, 250), QPoint(260, 90), QPoint(420, 250)}));
    painter.setBrush(QColor(250, 250, 250));
    painter.drawEllipse(QPoint(480, 80), 30, 30);
    return photo;
}

static QImage generatedLogo()
{
    QImage logo(400, 100, QImage::Format_ARGB32_Premultiplied);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(200, 40, 40));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(logo.rect(), 20, 20);
    painter.setPen(Qt::white);
    QFont font;
    font.setPixelSize(60);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(logo.rect(), Qt::AlignCenter, QStringLiteral("LOGO"));
    return logo;
}

static QString mirrored(const QString &corner, bool horizontally)
{
    QString name = corner;
    if (horizontally)
        return name.contains(QLatin1String("derecha"))
                ? name.replace(QLatin1String("derecha"), QLatin1String("izquierda"))
                : name.replace(QLatin1String("izquierda"), QLatin1String("derecha"));
    return name.startsWith(QLatin1String("abajo"))
            ? name.replace(QLatin1String("abajo"), QLatin1String("arriba"))
            : name.replace(QLatin1String("arriba"), QLatin1String("abajo"));
}

// The rose sits in `corner`, the logo beside it and the texts above or below.
static QImage tile(const QImage &photo, const QImage &logo, int style, const QString &corner,
                   bool rotate)
{
    ProcessingOptions options;
    options.drawData = true;
    options.drawTime = true;
    options.drawOrientation = true;
    options.drawAltitude = true;
    options.bgText = true;
    options.fontSizeRatio = 0.025;
    options.fontColor = Qt::black;
    options.logoRatio = 0.2;
    options.logoPosition = mirrored(corner, true);
    options.dtPosition = options.coordsPosition = options.orientationPosition
            = options.altitudePosition = mirrored(corner, false);
    options.addCompass = true;
    options.compassRatio = 0.4;
    options.compassPosition = corner;
    options.compassStyle = style;
    options.rotateCompass = rotate;
    options.compassArrowColor = QColor(220, 0, 0);

    PhotoStamp stamp;
    stamp.captureTime = QDateTime(QDate(2024, 3, 9), QTime(16, 5, 7));
    stamp.utmName = QStringLiteral("19H 345678 6300000");
    stamp.position.orientation = 60.0;
    stamp.position.altitude = 523.4;

    QImage image = photo;
    drawOverlays(image, options, logo, QString(), stamp, {});
    return image;
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: contactsheet <output.png>\n");
        return 2;
    }
    const QStringList corners
            = {QStringLiteral("arriba-izquierda"), QStringLiteral("arriba-derecha"),
               QStringLiteral("abajo-izquierda"), QStringLiteral("abajo-derecha")};
    const QImage photo = generatedPhoto();
    const QImage logo = generatedLogo();
    const int columns = corners.size() * 2;
    QImage sheet(columns * tileWidth, 4 * (tileHeight + labelHeight), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    QFont labelFont;
    labelFont.setPixelSize(18);
    painter.setFont(labelFont);
    for (int style = 0; style < 4; ++style) {
        for (int column = 0; column < columns; ++column) {
            const QString &corner = corners.at(column / 2);
            const bool rotate = column % 2 == 1;
            const QPoint at(column * tileWidth, style * (tileHeight + labelHeight));
            painter.drawText(
                    QRect(at, QSize(tileWidth, labelHeight)), Qt::AlignCenter,
                    QStringLiteral("estilo %1, %2, %3")
                            .arg(style)
                            .arg(corner,
                                 rotate ? QStringLiteral("rotada") : QStringLiteral("fija")));
            painter.drawImage(at + QPoint(0, labelHeight),
                              tile(photo, logo, style, corner, rotate));
        }
    }
    painter.end();
    if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %d x %d\n", argv[1], sheet.width(), sheet.height());
    return 0;
}
