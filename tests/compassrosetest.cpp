#include "processing/compassrose.h"

#include "processing/fontregistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

static const QString notoSans
        = QStringLiteral("/usr/share/fonts/truetype/noto/NotoSans-Regular.ttf");

// The pixel `distance` pixels from the centre of an s x s rose, towards a
// screen angle in degrees (0 east, -90 north).
static QRgb pixelAt(const QImage &rose, double distance, double degrees)
{
    const double c = rose.width() / 2;
    const double a = degrees * M_PI / 180.0;
    return rose.pixel(qRound(c + distance * std::cos(a)), qRound(c + distance * std::sin(a)));
}

static bool isBlue(QRgb p)
{
    return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60;
}

static bool isOpaqueWhite(QRgb p)
{
    return qAlpha(p) == 255 && qGray(p) > 240;
}

class CompassRoseTest : public QObject
{
    Q_OBJECT

private slots:
    void ringWidthIsScaledByTheRatioTwice_data()
    {
        QTest::addColumn<double>("ratio");
        QTest::addColumn<int>("ringWidth");
        QTest::newRow("0.18 gives the minimum") << 0.18 << 2;
        QTest::newRow("1.0") << 1.0 << 16;
    }
    void ringWidthIsScaledByTheRatioTwice()
    {
        QFETCH(double, ratio);
        QFETCH(int, ringWidth);
        const QImage rose = renderCompassRose(180.0, 540, ratio, QString(), false, 2, Qt::blue);
        // Towards the north-east nothing but disc and ring is drawn.
        QVERIFY(isOpaqueWhite(pixelAt(rose, 270 - ringWidth / 2.0, -45)));
        const QRgb disc = pixelAt(rose, 270 - ringWidth - 3, -45);
        QCOMPARE(qAlpha(disc), 128);
    }

    void arrowFollowsTheOrientationOrTheDialTurns_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("rotate");
        QTest::addColumn<double>("distance"); // fraction of the radius inside the arrow
        QTest::addColumn<double>("direction"); // screen angle the arrow points to
        for (int style = 0; style < 4; ++style) {
            const double distance = style == 3 ? 0.78 : 0.4;
            QTest::addRow("style %d upright", style) << style << false << distance << 0.0;
            QTest::addRow("style %d rotated", style) << style << true << distance << -90.0;
        }
    }
    void arrowFollowsTheOrientationOrTheDialTurns()
    {
        QFETCH(int, style);
        QFETCH(bool, rotate);
        QFETCH(double, distance);
        QFETCH(double, direction);
        const QImage rose = renderCompassRose(90.0, 400, 0.2, QString(), rotate, style, Qt::blue);
        for (int quarter = 0; quarter < 4; ++quarter) {
            const double angle = direction + quarter * 90;
            QCOMPARE(isBlue(pixelAt(rose, distance * 200, angle)), quarter == 0);
        }
    }

    void invalidArrowColourDrawsRed()
    {
        const QImage rose = renderCompassRose(0.0, 400, 0.2, QString(), false, 2, QColor());
        QCOMPARE(pixelAt(rose, 80, -90), qRgb(255, 0, 0));
    }

    void unknownStyleOrNoSizeDrawsNothing()
    {
        for (int style : {4, -1}) {
            const QImage rose = renderCompassRose(0.0, 100, 0.2, QString(), false, style, Qt::blue);
            QCOMPARE(rose.size(), QSize(100, 100));
            for (int y = 0; y < 100; ++y)
                for (int x = 0; x < 100; ++x)
                    QCOMPARE(qAlpha(rose.pixel(x, y)), 0);
        }
        QVERIFY(renderCompassRose(0.0, 0, 0.0, QString(), false, 0, Qt::blue).isNull());
    }

    void fontFileIsRememberedButFailuresAreNot()
    {
        QString family;
        QVERIFY(registerFontFile(notoSans, family));
        QString again;
        QVERIFY(registerFontFile(notoSans, again));
        QCOMPARE(again, family);

        QTemporaryDir dir;
        const QString path = dir.filePath("font.ttf");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a font");
        file.close();
        QVERIFY(!registerFontFile(path, family));
        const QImage fallback = renderCompassRose(0.0, 200, 0.2, path, false, 3, Qt::blue);
        QCOMPARE(fallback, renderCompassRose(0.0, 200, 0.2, QString(), false, 3, Qt::blue));

        QVERIFY(QFile::remove(path) && QFile::copy(notoSans, path));
        QVERIFY(registerFontFile(path, family));
        QCOMPARE(family, again);
    }
};

QTEST_MAIN(CompassRoseTest)
#include "compassrosetest.moc"
