#include "processing/processingoptions.h"

#include <QTest>

class ProcessingOptionsTest : public QObject
{
    Q_OBJECT

private slots:
    // A record nobody filled must not switch anything on: coordinates-file
    // mode, nothing drawn, renamed, backed up or redirected, quality 90.
    void defaultRecordSwitchesNothingOn()
    {
        const ProcessingOptions options;
        QCOMPARE(options.jpegQuality, 90);
        QCOMPARE(options.compassStyle, 0);
        const bool flags[] = {options.useExif,        options.renamePhotos,
                              options.usePrefix,      options.includeSubdirectories,
                              options.addCompass,     options.drawOrientation,
                              options.drawTime,       options.drawData,
                              options.drawGeo,        options.bgText,
                              options.embedCsvInExif, options.makeBackup,
                              options.rotateCompass,  options.useOutputFolder,
                              options.drawAltitude};
        for (bool flag : flags)
            QVERIFY(!flag);
        for (double ratio : {options.fontSizeRatio, options.logoRatio, options.compassRatio})
            QCOMPARE(ratio, 0.0);
        for (const QString &text :
             {options.logoPath, options.fontPath, options.csvPath, options.logoPosition,
              options.dtPosition, options.coordsPosition, options.orientationPosition,
              options.prefix, options.compassPosition, options.outputFolder,
              options.altitudePosition})
            QVERIFY(text.isEmpty());
        QVERIFY(!options.fontColor.isValid());
        QVERIFY(!options.compassArrowColor.isValid());
    }

    void copyIsIndependentOfTheOriginal()
    {
        ProcessingOptions original;
        original.prefix = QStringLiteral("obra-");
        original.fontColor = Qt::yellow;
        const ProcessingOptions copy = original;
        original.prefix = QStringLiteral("otra-");
        original.fontColor = Qt::red;
        QCOMPARE(copy.prefix, QStringLiteral("obra-"));
        QCOMPARE(copy.fontColor, QColor(Qt::yellow));
    }
};

QTEST_GUILESS_MAIN(ProcessingOptionsTest)
#include "processingoptionstest.moc"
