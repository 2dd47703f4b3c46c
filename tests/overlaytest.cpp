#include "processing/overlay.h"

#include "processing/fontregistry.h"

#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

static const QString notoSans
        = QStringLiteral("/usr/share/fonts/truetype/noto/NotoSans-Regular.ttf");

static QImage blackImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

// Bounds of the pixels within `area` that `belongs` accepts.
template<typename Test>
static QRect pixelBounds(const QImage &image, const QRect &area, Test belongs)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (belongs(image.pixel(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

static QRect redInk(const QImage &image, const QRect &area)
{
    return pixelBounds(image, area, [](QRgb p) { return qRed(p) - qGreen(p) > 60; });
}

static QRect nonBlack(const QImage &image)
{
    return pixelBounds(image, image.rect(), [](QRgb p) { return (p & 0xffffff) != 0; });
}

// Where `text` leaves ink when drawn alone with its baseline at `origin`.
static QRect inkAlone(const QFont &font, const QString &text, const QPoint &origin)
{
    QImage image
            = blackImage(QFontMetrics(font).horizontalAdvance(text) + 40, 3 * font.pointSize());
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::red);
    const QPoint margin(20, 2 * font.pointSize());
    painter.drawText(margin, text);
    painter.end();
    return redInk(image, image.rect()).translated(origin - margin);
}

// The white outline of a box covers the pixel on each side of its edges;
// beyond is black, inside translucent grey. Probed at the middle of each edge.
static bool hasBox(const QImage &image, const QRect &box)
{
    const auto grey = [&](int x, int y) {
        return qGray(image.pixel(x, y));
    };
    const QPoint mid = box.center();
    const int right = box.x() + box.width(), bottom = box.y() + box.height();
    const QList<int> across
            = {grey(box.x() - 2, mid.y()), grey(box.x() - 1, mid.y()), grey(box.x(), mid.y()),
               grey(box.x() + 1, mid.y()), grey(right - 2, mid.y()),   grey(right - 1, mid.y()),
               grey(right, mid.y()),       grey(right + 1, mid.y()),   grey(mid.x(), box.y() - 2),
               grey(mid.x(), box.y() - 1), grey(mid.x(), box.y()),     grey(mid.x(), bottom),
               grey(mid.x(), bottom + 1)};
    return across == QList<int> {0, 255, 255, 106, 106, 255, 255, 0, 0, 255, 255, 255, 0};
}

// A block of `lines` in a corner: each line's ink where it would be drawn
// alone at its baseline, and one box around them all.
static bool hasBlock(const QImage &image, const QFont &font, bool right, bool bottom,
                     const QStringList &lines)
{
    const QFontMetrics fm(font, &image);
    const int step = fm.height() + 5;
    const int blockHeight = step * static_cast<int>(lines.size());
    int widest = 0;
    int baseline = bottom ? image.height() - 20 + fm.ascent() - blockHeight : fm.ascent() + 25;
    for (const QString &line : lines) {
        const int advance = fm.horizontalAdvance(line);
        widest = qMax(widest, advance);
        const QRect band(right ? image.width() / 2 : 0, baseline - fm.ascent(), image.width() / 2,
                         fm.height());
        const QPoint origin(right ? image.width() - advance - 25 : 25, baseline);
        if (redInk(image, band) != inkAlone(font, line, origin))
            return false;
        baseline += step;
    }
    return hasBox(image,
                  QRect(right ? image.width() - widest - 35 : 15,
                        bottom ? image.height() - (blockHeight - 5) - 30 : 20, widest + 20,
                        blockHeight + 5));
}

class OverlayTest : public QObject
{
    Q_OBJECT

    QString family;

    ProcessingOptions textOptions() const
    {
        ProcessingOptions options;
        options.drawData = true;
        options.bgText = true;
        options.fontSizeRatio = 0.02;
        options.fontColor = Qt::red;
        return options;
    }

    static PhotoStamp stamp()
    {
        PhotoStamp photo;
        photo.captureTime = QDateTime(QDate(2023, 2, 5), QTime(7, 8, 9));
        photo.utmName = QStringLiteral("19H 345678 6300000");
        photo.position.orientation = 90.0;
        return photo;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(registerFontFile(notoSans, family));
        QCOMPARE(family, QStringLiteral("Noto Sans"));
    }

    void itemLandsInItsCorner_data()
    {
        QTest::addColumn<bool>("rose");
        QTest::addColumn<QString>("corner");
        QTest::addColumn<QRect>("bounds");
        QTest::newRow("logo default") << false << QString() << QRect(10, 10, 800, 200);
        QTest::newRow("logo bottom right")
                << false << "abajo-derecha" << QRect(3190, 2790, 800, 200);
        QTest::newRow("logo top right") << false << "arriba-derecha" << QRect(3190, 10, 800, 200);
        QTest::newRow("rose bottom right")
                << true << "abajo-derecha" << QRect(3450, 2450, 540, 540);
        QTest::newRow("rose unknown") << true << "centro" << QRect(3450, 2450, 540, 540);
        QTest::newRow("rose bottom left") << true << "abajo-izquierda" << QRect(10, 2450, 540, 540);
    }
    void itemLandsInItsCorner()
    {
        QFETCH(bool, rose);
        QFETCH(QString, corner);
        QFETCH(QRect, bounds);
        QImage logo(400, 100, QImage::Format_RGB32);
        logo.fill(Qt::green);
        ProcessingOptions options;
        options.logoRatio = rose ? 0.0 : 0.2;
        options.logoPosition = corner;
        options.addCompass = rose;
        options.compassRatio = 0.18;
        options.compassPosition = corner;
        QImage image = blackImage(4000, 3000);
        drawOverlays(image, options, logo, family, stamp(), {});
        QCOMPARE(nonBlack(image), bounds);
    }

    void textBlocksStackDateFirstUnderOneBoxPerCorner_data()
    {
        QTest::addColumn<QString>("corner");
        QTest::addColumn<QString>("opposite");
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("bottom");
        QTest::newRow("top left") << "arriba-izquierda"
                                  << "abajo-derecha" << false << false;
        QTest::newRow("top right") << "arriba-derecha"
                                   << "abajo-izquierda" << true << false;
        QTest::newRow("bottom left") << "abajo-izquierda"
                                     << "arriba-derecha" << false << true;
        QTest::newRow("bottom right") << "abajo-derecha"
                                      << "arriba-izquierda" << true << true;
        QTest::newRow("unknown is top left") << ""
                                             << "abajo-derecha" << false << false;
        QTest::newRow("read by substring") << "x-derecha"
                                           << "abajo-izquierda" << true << false;
    }
    void textBlocksStackDateFirstUnderOneBoxPerCorner()
    {
        QFETCH(QString, corner);
        QFETCH(QString, opposite);
        QFETCH(bool, right);
        QFETCH(bool, bottom);
        ProcessingOptions options = textOptions();
        options.dtPosition = corner;
        options.coordsPosition = corner;
        options.drawOrientation = true;
        options.orientationPosition = opposite;
        QImage image = blackImage(4000, 3000);
        drawOverlays(image, options, QImage(), family, stamp(), {});
        QFont font(family);
        font.setPointSize(60);
        QVERIFY(hasBlock(image, font, right, bottom,
                         {QStringLiteral("05/02/2023"), QStringLiteral("UTM 19H 345678 6300000")}));
        QVERIFY(hasBlock(image, font, !right, !bottom, {QStringLiteral("090° E")}));
    }

    void smallImageStillGetsTenPointText()
    {
        const auto render = [this](double ratio) {
            ProcessingOptions options = textOptions();
            options.fontSizeRatio = ratio;
            QImage image = blackImage(300, 200);
            drawOverlays(image, options, QImage(), family, stamp(), {});
            return image;
        };
        QCOMPARE(render(0.01), render(0.05));
        QVERIFY(render(0.01) != render(0.06));
    }

    void withoutDataOnlyLogoAndRoseAreDrawn()
    {
        ProcessingOptions options = textOptions();
        options.drawData = false;
        options.logoRatio = 0.2;
        options.addCompass = true;
        options.compassRatio = 0.18;
        QImage logo(400, 100, QImage::Format_RGB32);
        logo.fill(Qt::green);
        QImage image = blackImage(4000, 3000);
        drawOverlays(image, options, logo, family, stamp(), {});
        const QRect logoArea(10, 10, 800, 200), roseArea(3450, 2450, 540, 540);
        QCOMPARE(nonBlack(image.copy(logoArea)), QRect(QPoint(), logoArea.size()));
        QCOMPARE(nonBlack(image.copy(roseArea)), QRect(QPoint(), roseArea.size()));
        QPainter painter(&image);
        painter.fillRect(logoArea, Qt::black);
        painter.fillRect(roseArea, Qt::black);
        painter.end();
        QCOMPARE(nonBlack(image), QRect());
    }

    void roseSendsItsLineEvenWhenTooSmallToDraw()
    {
        ProcessingOptions options;
        options.addCompass = true;
        QStringList lines;
        const LogCallback log = [&lines](const QString &line) {
            lines << line;
        };
        PhotoStamp photo = stamp();
        photo.position.orientation = 123.4567;
        QImage image = blackImage(400, 300);
        drawOverlays(image, options, QImage(), family, photo, log);
        QCOMPARE(lines, QStringList(QStringLiteral("Dibujando rosa con orientación 123.457")));
        QCOMPARE(nonBlack(image), QRect());
        photo.position.orientation.reset();
        options.compassRatio = 0.5;
        drawOverlays(image, options, QImage(), family, photo, log);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(nonBlack(image), QRect());
    }

    void paletteImageIsStampedInColour()
    {
        QImage image = blackImage(200, 100).convertToFormat(QImage::Format_Indexed8);
        QImage logo(10, 10, QImage::Format_RGB32);
        logo.fill(Qt::green);
        ProcessingOptions options;
        options.logoRatio = 0.1;
        drawOverlays(image, options, logo, family, stamp(), {});
        QCOMPARE(image.pixel(15, 15), qRgb(0, 255, 0));
    }

    void rendersFromSeveralThreadsAlike()
    {
        // A fresh font path, so that its first registration races too.
        QTemporaryDir dir;
        const QString fontCopy = dir.filePath("font.ttf");
        QVERIFY(QFile::copy(notoSans, fontCopy));
        ProcessingOptions options = textOptions();
        options.fontPath = fontCopy;
        options.addCompass = true;
        options.compassRatio = 0.3;
        options.compassStyle = 3;
        const auto render = [&](int) {
            QImage image = blackImage(800, 600);
            drawOverlays(image, options, QImage(), QString(), stamp(), {});
            return image;
        };
        const QList<QImage> images = QtConcurrent::blockingMapped(QList<int>(16, 0), render);
        const QImage reference = render(0);
        for (const QImage &image : images)
            QCOMPARE(image, reference);
    }
};

QTEST_MAIN(OverlayTest)
#include "overlaytest.moc"
