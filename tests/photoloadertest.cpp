#include "processing/photoloader.h"

#include "metadata/exiv2setup.h"
#include "tests/support/testphotos.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

static QByteArray encodeJpeg(const QImage &image, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

class PhotoLoaderTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void initTestCase() { initializeExiv2(); }

    void jpegCutAnywhereIsIncomplete_data()
    {
        QTest::addColumn<bool>("progressive");
        QTest::newRow("baseline") << false;
        QTest::newRow("progressive") << true;
    }

    void jpegCutAnywhereIsIncomplete()
    {
        QFETCH(bool, progressive);
        const auto whole = encodeJpeg(makeNaturalImage(320, 240), progressive);
        QVERIFY(jpegIsComplete(whole));
        QVERIFY(jpegIsComplete(whole + QByteArray(100, '\0')));
        for (qsizetype length = 0; length < whole.size(); length += 37)
            QVERIFY2(!jpegIsComplete(whole.left(length)), qPrintable(QString::number(length)));
        QVERIFY(!jpegIsComplete(whole.left(whole.size() - 1)));
    }

    void photoLoadsUpright_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("turned");
        QTest::newRow("no tag") << 0 << QSize(60, 40) << false;
        QTest::newRow("normal") << 1 << QSize(60, 40) << false;
        QTest::newRow("upside down") << 3 << QSize(60, 40) << true;
        QTest::newRow("quarter turn right") << 6 << QSize(40, 60) << true;
        QTest::newRow("quarter turn left") << 8 << QSize(40, 60) << true;
    }

    void photoLoadsUpright()
    {
        QFETCH(int, orientation);
        QFETCH(QSize, size);
        QFETCH(bool, turned);
        TestPhoto photo;
        photo.width = 60;
        photo.height = 40;
        photo.orientation = orientation;
        const auto path = dir.filePath(QStringLiteral("girada%1.jpg").arg(orientation));
        QVERIFY(writeTestPhoto(path, photo));
        bool wasTurned = !turned;
        QString reason;
        const auto image = loadPhoto(path, wasTurned, reason);
        QCOMPARE(image.size(), size);
        QCOMPARE(wasTurned, turned);
    }

    // Qt refuses decoded images above 128 MB unless told otherwise.
    void photoOf200MegapixelsLoads()
    {
        QImage image(16384, 12288, QImage::Format_RGB32);
        QVERIFY(!image.isNull());
        image.fill(QColor(90, 120, 60));
        const auto path = dir.filePath(QStringLiteral("enorme.jpg"));
        QVERIFY(image.save(path, "JPEG", 50));
        image = QImage();
        bool turned = false;
        QString reason;
        const auto loaded = loadPhoto(path, turned, reason);
        QCOMPARE(loaded.size(), QSize(16384, 12288));
    }
};

QTEST_GUILESS_MAIN(PhotoLoaderTest)
#include "photoloadertest.moc"
