#include "app/window/previewrenderer.h"
#include "files/photofile.h"
#include "geo/utm.h"
#include "image/photoloader.h"
#include "metadata/exiv2setup.h"
#include "processing/photoprocessor.h"
#include "stamping/compassrose.h"
#include "stamping/fontregistry.h"
#include "stamping/overlay.h"
#include "stamping/stamptext.h"
#include "tests/support/files.h"
#include "tests/support/testphotos.h"

#include <QtGui>
#include <QtTest>

static const QString notoSans
        = QStringLiteral("/usr/share/fonts/truetype/noto/NotoSans-Regular.ttf");

// Bounds of the pixels in `area` that are not black, or red text ink.
static QRect inkBounds(const QImage &image, const QRect &area, bool redOnly = false)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (redOnly ? qRed(p) - qGreen(p) > 60 : (p & 0xffffff) != 0)
                bounds |= QRect(x, y, 1, 1);
        }
    return bounds;
}

// The rose pixel `distance` from the centre towards a screen angle (0 east, -90 north).
static QRgb rosePixel(const QImage &rose, double distance, double degrees)
{
    const double c = rose.width() / 2, a = degrees * M_PI / 180.0;
    return rose.pixel(qRound(c + distance * std::cos(a)), qRound(c + distance * std::sin(a)));
}

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

class RenderTest : public QObject
{
    Q_OBJECT

    QString family;
    QTemporaryDir work; // photos for the preview

    static PhotoStamp stamp()
    {
        PhotoStamp photo;
        photo.captureTime = QDateTime(QDate(2023, 2, 5), QTime(7, 8, 9));
        photo.utmName = QStringLiteral("19H 345678 6300000");
        photo.position.orientation = 90.0;
        return photo;
    }

    QImage draw(const ProcessingOptions &options, QSize size = {4000, 3000},
                QImage::Format format = QImage::Format_RGB32, const PhotoStamp &photo = stamp())
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::black);
        image = image.convertToFormat(format);
        QImage logo(400, 100, QImage::Format_RGB32);
        logo.fill(Qt::green);
        const QList<QRect> painted = drawOverlays(image, options, logo, family, photo, {});
        // Kept compression reads only the areas said to be painted.
        QImage outside = image.convertToFormat(QImage::Format_RGB32);
        QPainter blackOut(&outside);
        for (const QRect &area : painted)
            blackOut.fillRect(area, Qt::black);
        blackOut.end();
        const QRect stray = inkBounds(outside, outside.rect());
        if (!stray.isEmpty())
            QTest::qFail(qPrintable(QString("ink outside the painted areas at %1,%2")
                                            .arg(stray.x())
                                            .arg(stray.y())),
                         __FILE__, __LINE__);
        return image;
    }

private slots:
    void initTestCase()
    {
        initializeExiv2();
        QVERIFY(registerFontFile(notoSans, family));
        TestPhoto photo = gpsPhoto(1600, 1200);
        QVERIFY(writeTestPhoto(work.filePath("a.jpg"), photo));
        photo.xmp["Xmp.rumbario.stampDate"] = "2024-03-05T10:00:00-03:00";
        QVERIFY(writeTestPhoto(work.filePath("stamped.jpg"), photo));
        photo.xmp.clear();
        photo.orientation = 6;
        QVERIFY(writeTestPhoto(work.filePath("turned.jpg"), photo));
        photo.orientation = 0;
        photo.altitude = 0.0;
        QVERIFY(writeTestPhoto(work.filePath("sea-level.jpg"), photo));
        photo.hasAltitude = false;
        QVERIFY(writeTestPhoto(work.filePath("no-altitude.jpg"), photo));
        QFile csv(work.filePath("coords.csv"));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("Foto;Zona;Letra;Este;Norte;Orientacion;Fecha;Altitud\n"
                  "a.jpg;19;H;345000;6300000;200;2023-01-02T03:04:05;12\n"
                  "no-altitude.jpg;19;H;345000;6300000;200;2023-01-02T03:04:05;\n");
    }

    void logoAndRoseLandInTheirCorner_data()
    {
        QTest::addColumn<bool>("rose");
        QTest::addColumn<QString>("corner");
        QTest::addColumn<QRect>("bounds");
        QTest::newRow("logo, no corner") << false << QString() << QRect(10, 10, 800, 200);
        QTest::newRow("logo bottom right")
                << false << "abajo-derecha" << QRect(3190, 2790, 800, 200);
        QTest::newRow("rose, unknown corner") << true << "centro" << QRect(3450, 2450, 540, 540);
        QTest::newRow("rose bottom left") << true << "abajo-izquierda" << QRect(10, 2450, 540, 540);
    }

    void logoAndRoseLandInTheirCorner()
    {
        QFETCH(bool, rose);
        QFETCH(QString, corner);
        ProcessingOptions options;
        options.logoRatio = rose ? 0.0 : 0.2;
        options.logoPosition = options.compassPosition = corner;
        options.addCompass = rose;
        options.compassRatio = 0.18;
        QImage image = draw(options);
        QTEST(inkBounds(image, image.rect()), "bounds");
    }

    // Date and coordinates share one corner, date first; the orientation goes
    // to the opposite one. Corners are read by their words.
    void textBlocksStackInTheirCorners_data()
    {
        QTest::addColumn<QString>("corner");
        QTest::addColumn<QString>("opposite");
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("bottom");
        QTest::newRow("top left") << "arriba-izquierda" << QString("abajo-derecha") << false
                                  << false;
        QTest::newRow("bottom right")
                << "abajo-derecha" << QString("arriba-izquierda") << true << true;
        QTest::newRow("unknown is top left") << "" << QString("abajo-derecha") << false << false;
        QTest::newRow("read by word") << "x-derecha" << QString("abajo-izquierda") << true << false;
    }

    void textBlocksStackInTheirCorners()
    {
        QFETCH(QString, corner);
        QFETCH(QString, opposite);
        QFETCH(bool, right);
        QFETCH(bool, bottom);
        ProcessingOptions options;
        options.drawData = options.bgText = options.drawOrientation = true;
        options.fontSizeRatio = 0.02;
        options.fontColor = Qt::red;
        options.dtPosition = options.coordsPosition = corner;
        options.orientationPosition = opposite;
        const QImage image = draw(options);
        const QRect quarters[2][2] = {{QRect(0, 0, 2000, 1500), QRect(0, 1500, 2000, 1500)},
                                      {QRect(2000, 0, 2000, 1500), QRect(2000, 1500, 2000, 1500)}};
        const QRect block = inkBounds(image, quarters[right][bottom], true);
        const QRect alone = inkBounds(image, quarters[!right][!bottom], true);
        // 60-point lines: two of them, about as wide as the coordinates line, near the edges.
        QVERIFY2(block.height() > 120 && block.height() < 220 && block.width() > 900
                         && block.width() < 1300,
                 qPrintable(QString("%1x%2").arg(block.width()).arg(block.height())));
        QVERIFY2(alone.height() > 40 && alone.height() < 100 && alone.width() > 200
                         && alone.width() < 500,
                 qPrintable(QString("%1x%2").arg(alone.width()).arg(alone.height())));
        for (const bool opposite : {false, true}) {
            const QRect ink = opposite ? alone : block;
            QVERIFY(right != opposite ? ink.right() > 3955 && ink.right() < 3980
                                      : ink.left() > 20 && ink.left() < 40);
            QVERIFY(bottom != opposite ? ink.bottom() > 2940 && ink.bottom() < 2965
                                       : ink.top() > 40 && ink.top() < 70);
        }
    }

    void textHasTenPointsAtLeastAndOnlyAppearsWhenAsked()
    {
        ProcessingOptions options;
        options.drawData = true;
        options.fontColor = Qt::red;
        options.fontSizeRatio = 0.01;
        const QImage tiny = draw(options, {300, 200});
        options.fontSizeRatio = 0.05;
        QCOMPARE(draw(options, {300, 200}), tiny);
        options.fontSizeRatio = 0.06;
        QVERIFY(draw(options, {300, 200}) != tiny);
        options.drawData = false;
        options.logoRatio = 0.1;
        const QRect logo = inkBounds(draw(options, {300, 200}), QRect(0, 0, 300, 200));
        QVERIFY(logo.topLeft() == QPoint(10, 10) && QRect(10, 10, 30, 8).contains(logo));
        // A palette image is stamped in colour.
        QCOMPARE(draw(options, {200, 100}, QImage::Format_Indexed8).pixel(12, 12), qRgb(0, 255, 0));
    }

    void wrappedLinesFitTheWidthAndKeepEveryWord_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width"); // pixels
        QTest::addColumn<int>("count"); // of lines at least
        QTest::addColumn<QString>("joiner"); // how the lines give the text back
        QTest::newRow("fits") << "Talud norte" << 1000 << 1 << " ";
        QTest::newRow("between words")
                << "Pozo de monitoreo PM-3 con la tapa abierta,\nvista desde el camino" << 150 << 4
                << " ";
        QTest::newRow("a word wider than a line") << QString(40, 'W') << 100 << 5 << "";
        QTest::newRow("blank") << " \n\t " << 100 << 0 << " ";
    }

    void wrappedLinesFitTheWidthAndKeepEveryWord()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFont font(family);
        font.setPixelSize(20);
        const QFontMetrics metrics(font);
        const QStringList lines = wrappedLines(text, metrics, width);
        QFETCH(int, count);
        QVERIFY2(lines.size() >= count, qPrintable(lines.join('|')));
        QFETCH(QString, joiner);
        for (int i = 0; i < lines.size(); ++i) {
            QVERIFY2(metrics.horizontalAdvance(lines.at(i)) <= width, qPrintable(lines.at(i)));
            // Each line is as full as it can be: the next word would not fit.
            const QString next = joiner.isEmpty() ? lines.value(i + 1).left(1)
                                                  : lines.value(i + 1).section(' ', 0, 0);
            QVERIFY(i + 1 == lines.size()
                    || metrics.horizontalAdvance(lines.at(i) + joiner + next) > width);
        }
        QCOMPARE(lines.join(joiner), text.simplified());
    }

    // The description and the extra text join the date's block, wrapped to
    // its width, and only when there is text to draw.
    void descriptionAndExtraTextJoinTheDateBlock_data()
    {
        QTest::addColumn<bool>("drawDescription");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("extraText");
        QTest::addColumn<int>("fewest"); // lines below the date and coordinates
        QTest::addColumn<int>("most");
        const QString longText = QStringLiteral(
                "Talud norte del rajo visto desde el camino de acceso, con el pozo de "
                "monitoreo PM-3 al fondo");
        QTest::newRow("not asked") << false << longText << "" << 0 << 0;
        QTest::newRow("asked, photo without one") << true << ""
                                                  << " " << 0 << 0;
        QTest::newRow("asked, one line") << true << "Talud norte"
                                         << "" << 1 << 1;
        QTest::newRow("long, wrapped") << true << longText << "" << 3 << 6;
        QTest::newRow("both") << true << "Talud norte"
                              << "Proyecto Norte · P-12" << 2 << 2;
    }

    void descriptionAndExtraTextJoinTheDateBlock()
    {
        ProcessingOptions options;
        options.drawData = true;
        options.fontSizeRatio = 0.02;
        options.fontColor = Qt::red;
        options.dtPosition = options.coordsPosition = QStringLiteral("abajo-derecha");
        const QRect quarter(2000, 1500, 2000, 1500);
        const QRect plain = inkBounds(draw(options), quarter, true);
        QFETCH(bool, drawDescription);
        QFETCH(QString, extraText);
        options.drawDescription = drawDescription;
        options.extraText = extraText;
        PhotoStamp photo = stamp();
        QFETCH(QString, description);
        photo.description = description;
        const QRect block = inkBounds(draw(options, {4000, 3000}, QImage::Format_RGB32, photo),
                                      quarter, true);
        QFETCH(int, fewest);
        QFETCH(int, most);
        QFont font(family);
        font.setPointSize(60);
        const QImage canvas(4000, 3000, QImage::Format_RGB32);
        const int lineStep = QFontMetrics(font, &canvas).height() + 5;
        const double extra = double(block.height() - plain.height()) / lineStep;
        QVERIFY2(extra > fewest - 0.3 && extra < most + 0.3, qPrintable(QString::number(extra)));
        QVERIFY(block.width() <= plain.width() + 2);
    }

    void roseArrowFollowsTheOrientationOrTheDialTurns_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("rotate");
        for (int style = 0; style < 4; ++style) {
            QTest::addRow("style %d", style) << style << false;
            QTest::addRow("style %d rotated", style) << style << true;
        }
    }

    void roseArrowFollowsTheOrientationOrTheDialTurns()
    {
        QFETCH(int, style);
        QFETCH(bool, rotate);
        const QImage rose = renderCompassRose(90.0, 400, 0.2, QString(), rotate, style, Qt::blue);
        const auto blue = [](QRgb p) {
            return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60;
        };
        for (int quarter = 0; quarter < 4; ++quarter)
            QCOMPARE(
                    blue(rosePixel(rose, style == 3 ? 156 : 80, (rotate ? -90 : 0) + quarter * 90)),
                    quarter == 0);
        QCOMPARE(
                rosePixel(renderCompassRose(0.0, 400, 0.2, QString(), false, 2, QColor()), 80, -90),
                qRgb(255, 0, 0));
        QVERIFY(renderCompassRose(0.0, 100, 0.2, QString(), false, 4, Qt::blue)
                == renderCompassRose(0.0, 100, 0.2, QString(), false, -1, Qt::red));
    }

    // The dial stands still unless rotation is asked for; then it turns with
    // the orientation. Its north-west part is clear of the arrow.
    void roseDialTurnsOnlyWhenAsked()
    {
        for (const bool rotate : {false, true}) {
            const auto part = [rotate](double orientation) {
                return renderCompassRose(orientation, 400, 0.2, QString(), rotate, 0, Qt::blue)
                        .copy(30, 30, 100, 100);
            };
            QCOMPARE(part(0.0) == part(90.0), !rotate);
        }
    }

    // Qt refuses decoded images above 128 MB unless told otherwise.
    void photosAbove128MegabytesLoad()
    {
        QTemporaryDir dir;
        QImage image(6400, 6000, QImage::Format_RGB32);
        image.fill(QColor(90, 120, 60));
        QVERIFY(image.save(dir.filePath("big.jpg"), "JPEG", 50));
        image = QImage();
        bool turned = false;
        QString reason;
        QCOMPARE(loadPhoto(readPhotoFile(dir.filePath("big.jpg")).bytes(), turned, reason).size(),
                 QSize(6400, 6000));
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
        QTest::addColumn<QString>("note");
        QTest::newRow("EXIF position") << "a.jpg" << true << true << "";
        QTest::newRow("turned by EXIF orientation") << "turned.jpg" << true << true << "";
        QTest::newRow("coordinates-file row") << "a.jpg" << false << true << "";
        QTest::newRow("no row: left as it is")
                << "turned.jpg" << false << false << "Sin fila en el archivo de coordenadas";
        QTest::newRow("stamped earlier: left as it is")
                << "stamped.jpg" << true << false << "Ya estampada";
    }

    void matchesTheBatchScaledDown()
    {
        QFETCH(QString, photo);
        QFETCH(bool, useExif);
        const ProcessingOptions options = stampOptions(useExif, work.filePath("coords.csv"));
        PreviewSource source;
        const PreviewRequest request {work.filePath(photo), options, QSize(400, 400)};
        const QImage preview = renderPreview(request, source);
        QTEST(previewNote(request, source), "note");
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

    // With altitude drawing on, a photo without an altitude shows none, never
    // "Altitud: 0 msnm"; one at sea level shows its 0.
    void unknownAltitudeIsNeverDrawn_data()
    {
        QTest::addColumn<QString>("photo");
        QTest::addColumn<bool>("useExif");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("EXIF without altitude") << "no-altitude.jpg" << true << false;
        QTest::newRow("row without altitude") << "no-altitude.jpg" << false << false;
        QTest::newRow("EXIF at sea level") << "sea-level.jpg" << true << true;
    }

    void unknownAltitudeIsNeverDrawn()
    {
        QFETCH(QString, photo);
        QFETCH(bool, useExif);
        ProcessingOptions options = stampOptions(useExif, work.filePath("coords.csv"));
        options.altitudePosition = QStringLiteral("arriba-derecha"); // a corner of its own
        QImage shown[2];
        for (const bool altitude : {false, true}) {
            options.drawAltitude = altitude;
            PreviewSource source;
            shown[altitude]
                    = renderPreview({work.filePath(photo), options, QSize(800, 600)}, source);
            QVERIFY(!shown[altitude].isNull());
        }
        QTEST(shown[0] != shown[1], "drawn");
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
};

QTEST_MAIN(RenderTest)
#include "rendertest.moc"
