#include "app/previewrenderer.h"
#include "metadata/exiv2setup.h"
#include "processing/photoprocessor.h"
#include "tests/support/windowfixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// Stamps of the window's defaults, which cover much of a small photo.
static ProcessingOptions stampOptions(bool useExif, const QString &csvPath)
{
    ProcessingOptions options;
    options.useExif = useExif;
    options.csvPath = csvPath;
    options.fontSizeRatio = 0.03;
    options.fontColor = QColor(Qt::white);
    options.dtPosition = options.coordsPosition = options.orientationPosition
            = options.altitudePosition = QStringLiteral("abajo-derecha");
    options.compassRatio = 0.3;
    options.compassPosition = QStringLiteral("arriba-izquierda");
    options.compassArrowColor = QColor(Qt::red);
    options.addCompass = options.drawOrientation = options.drawTime = options.drawData
            = options.bgText = options.drawAltitude = true;
    options.jpegQuality = 95;
    return options;
}

class PreviewRendererTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        initializeExiv2();
        TestPhoto photo = gpsPhoto(1600, 1200);
        QVERIFY(writeTestPhoto(work.filePath("a.jpg"), photo));
        photo.orientation = 6;
        QVERIFY(writeTestPhoto(work.filePath("turned.jpg"), photo));
        QFile csv(work.filePath("coords.csv"));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("Foto;Zona;Letra;Este;Norte;Orientacion;Fecha;Altitud\n"
                  "a.jpg;19;H;345000;6300000;200;2023-01-02T03:04:05;12\n");
    }

    void decodesAtTheSmallestScaleThatFillsTheLabel_data()
    {
        QTest::addColumn<QSize>("label");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("a quarter just fits") << QSize(400, 300) << QSize(400, 300);
        QTest::newRow("one pixel larger takes a half") << QSize(401, 301) << QSize(800, 600);
        QTest::newRow("an eighth") << QSize(150, 500) << QSize(200, 150);
        QTest::newRow("larger label, whole photo") << QSize(2000, 2000) << QSize(1600, 1200);
    }

    void decodesAtTheSmallestScaleThatFillsTheLabel()
    {
        QFETCH(QSize, label);
        PreviewSource source;
        const PreviewRequest request {work.filePath("a.jpg"), stampOptions(true, {}), label};
        QTEST(renderPreview(request, source).size(), "shown");
    }

    void matchesTheBatchScaledDown_data()
    {
        QTest::addColumn<QString>("photo");
        QTest::addColumn<bool>("useExif");
        QTest::addColumn<bool>("stamped");
        QTest::newRow("EXIF position") << "a.jpg" << true << true;
        QTest::newRow("turned by EXIF orientation") << "turned.jpg" << true << true;
        QTest::newRow("coordinates-file row") << "a.jpg" << false << true;
        QTest::newRow("no row: left as it is") << "turned.jpg" << false << false;
    }

    void matchesTheBatchScaledDown()
    {
        QFETCH(QString, photo);
        QFETCH(bool, useExif);
        const ProcessingOptions options = stampOptions(useExif, work.filePath("coords.csv"));
        PreviewSource source;
        const QImage preview
                = renderPreview({work.filePath(photo), options, QSize(400, 400)}, source);
        QCOMPARE(preview.width() * preview.height(), 400 * 300);

        QTemporaryDir batch;
        QVERIFY(QFile::copy(work.filePath(photo), batch.filePath(photo)));
        PhotoProcessor(options).renamePhotosWithUTM(batch.path(), [](const QString &) {}, {});
        const QImage saved
                = QImage(batch.filePath(photo))
                          .scaled(preview.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY(meanChannelDifference(preview, saved) <= 4.0);
        QTEST(preview != source.photo.picture, "stamped");
    }

    void burstRendersTheFirstAndTheLast()
    {
        PreviewRenderer renderer;
        QSignalSpy rendered(&renderer, &PreviewRenderer::rendered);
        PreviewRequest request {work.filePath("a.jpg"), stampOptions(true, {}), QSize(400, 300)};
        for (const double ratio : {0.02, 0.03, 0.04, 0.05}) {
            request.options.fontSizeRatio = ratio;
            renderer.render(request);
        }
        QTRY_VERIFY(!renderer.isBusy());
        QCOMPARE(rendered.size(), 2);
        PreviewSource fresh;
        QCOMPARE(rendered.at(1).at(1).value<QImage>(), renderPreview(request, fresh));
    }

private:
    QTemporaryDir work;
};

QTEST_MAIN(PreviewRendererTest)
#include "previewrenderertest.moc"
