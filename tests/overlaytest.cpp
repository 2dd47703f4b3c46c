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

static bool near(const QRect &actual, const QRect &expected)
{
    const int slack = 2;
    return qAbs(actual.left() - expected.left()) <= slack
            && qAbs(actual.right() - expected.right()) <= slack
            && qAbs(actual.top() - expected.top()) <= slack
            && qAbs(actual.bottom() - expected.bottom()) <= slack;
}

// The box outline is white on its edges, black outside and translucent grey
// inside, probed at the middle of each edge.
static void verifyBox(const QImage &image, const QRect &box)
{
    const QPoint mid = box.center();
    const auto white = [&](int x, int y) {
        return qGray(image.pixel(x, y)) > 200;
    };
    const auto black = [&](int x, int y) {
        return image.pixel(x, y) == qRgb(0, 0, 0);
    };
    const auto grey = [&](int x, int y) {
        return qAbs(qGray(image.pixel(x, y)) - 106) < 10;
    };
    QVERIFY(white(box.x(), mid.y()) && black(box.x() - 4, mid.y()) && grey(box.x() + 4, mid.y()));
    const int right = box.x() + box.width();
    QVERIFY(white(right, mid.y()) && black(right + 4, mid.y()) && grey(right - 4, mid.y()));
    QVERIFY(white(mid.x(), box.y()) && black(mid.x(), box.y() - 4));
    const int bottom = box.y() + box.height();
    QVERIFY(white(mid.x(), bottom) && black(mid.x(), bottom + 4));
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
        photo.orientation = 90.0;
        photo.hasOrientation = true;
        return photo;
    }

    QFontMetrics metrics(const QImage &image, int pointSize) const
    {
        QFont font(family);
        font.setPointSize(pointSize);
        return QFontMetrics(font, &image);
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

    void textBlockAndBoxLandInTheirCorner_data()
    {
        QTest::addColumn<QString>("corner");
        QTest::addColumn<QString>("elsewhere");
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
    void textBlockAndBoxLandInTheirCorner()
    {
        QFETCH(QString, corner);
        QFETCH(QString, elsewhere);
        QFETCH(bool, right);
        QFETCH(bool, bottom);
        ProcessingOptions options = textOptions();
        options.dtPosition = corner;
        options.coordsPosition = elsewhere;
        QImage image = blackImage(4000, 3000);
        drawOverlays(image, options, QImage(), family, stamp(), {});

        const QString date = QStringLiteral("05/02/2023");
        const QFontMetrics fm = metrics(image, 60);
        const int advance = fm.horizontalAdvance(date);
        const int blockHeight = fm.height() + 5;
        const int x = right ? 4000 - advance - 25 : 25;
        const int baseline = bottom ? 3000 - 20 + fm.ascent() - blockHeight : fm.ascent() + 25;
        const QRect quadrant(right ? 2000 : 0, bottom ? 1500 : 0, 2000, 1500);
        QVERIFY(near(redInk(image, quadrant), fm.tightBoundingRect(date).translated(x, baseline)));
        verifyBox(image,
                  QRect(right ? 4000 - advance - 35 : 15,
                        bottom ? 3000 - (blockHeight - 5) - 30 : 20, advance + 20,
                        blockHeight + 5));
    }

    void itemsOfOneCornerStackDateFirstUnderOneBox()
    {
        ProcessingOptions options = textOptions();
        options.dtPosition = QStringLiteral("abajo-derecha");
        options.coordsPosition = QStringLiteral("abajo-derecha");
        options.drawOrientation = true;
        options.orientationPosition = QStringLiteral("arriba-izquierda");
        QImage image = blackImage(4000, 3000);
        drawOverlays(image, options, QImage(), family, stamp(), {});

        const QFontMetrics fm = metrics(image, 60);
        const QStringList lines
                = {QStringLiteral("05/02/2023"), QStringLiteral("UTM 19H 345678 6300000")};
        const int step = fm.height() + 5;
        int baseline = 3000 - 20 + fm.ascent() - 2 * step;
        for (const QString &line : lines) {
            const QRect band(2000, baseline - fm.ascent(), 2000, fm.height());
            const int x = 4000 - fm.horizontalAdvance(line) - 25;
            QVERIFY(near(redInk(image, band), fm.tightBoundingRect(line).translated(x, baseline)));
            baseline += step;
        }
        const int widest = fm.horizontalAdvance(lines.last());
        verifyBox(image,
                  QRect(4000 - widest - 35, 3000 - (2 * step - 5) - 30, widest + 20, 2 * step + 5));

        const QString orientation = QStringLiteral("090° E");
        const int advance = fm.horizontalAdvance(orientation);
        QVERIFY(near(redInk(image, QRect(0, 0, 2000, 1500)),
                     fm.tightBoundingRect(orientation).translated(25, fm.ascent() + 25)));
        verifyBox(image, QRect(15, 20, advance + 20, step + 5));
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
        photo.orientation = 123.4567;
        QImage image = blackImage(400, 300);
        drawOverlays(image, options, QImage(), family, photo, log);
        QCOMPARE(lines, QStringList(QStringLiteral("Dibujando rosa con orientación 123.457")));
        QCOMPARE(nonBlack(image), QRect());
        photo.hasOrientation = false;
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
