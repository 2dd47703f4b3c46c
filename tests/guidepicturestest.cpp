// The user guide's pictures: every picture docs/guia.md shows is made by the
// screenshots tool from the window as it is, and docs/img holds just those.
#include <QtGui>
#include <QtTest>

static const QDir guideDir(QStringLiteral(GUIDE_DIR));

// The file names of the pictures the guide links, as "![...](img/NAME.png)".
static QStringList linkedPictures()
{
    QFile guide(guideDir.filePath(QStringLiteral("guia.md")));
    if (!guide.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpression link(QStringLiteral(R"(!\[[^\]]*\]\(img/([^)\s]+\.png)\))"));
    QStringList names;
    for (auto match = link.globalMatch(QString::fromUtf8(guide.readAll())); match.hasNext();)
        names << match.next().captured(1);
    names.removeDuplicates();
    names.sort();
    return names;
}

class GuidePicturesTest : public QObject
{
    Q_OBJECT

private slots:
    void toolMakesEveryLinkedPicture()
    {
        const QStringList linked = linkedPictures();
        QVERIFY(!linked.isEmpty());
        QTemporaryDir out;
        QProcess tool;
        tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tool.start(QStringLiteral(SCREENSHOTS_PATH), {out.path()});
        QVERIFY(tool.waitForFinished(240000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);
        for (const QString &name : linked) {
            const QImage picture(QDir(out.path()).filePath(name));
            QVERIFY2(!picture.isNull(), qPrintable(name + QStringLiteral(" is not made")));
            QVERIFY2(picture.width() <= 1280, qPrintable(name));
        }
    }

    void committedPicturesAreTheLinkedOnes()
    {
        const QFileInfoList files = QDir(guideDir.filePath(QStringLiteral("img")))
                                            .entryInfoList(QDir::Files, QDir::Name);
        QStringList names;
        qint64 bytes = 0;
        for (const QFileInfo &file : files) {
            names << file.fileName();
            bytes += file.size();
        }
        QCOMPARE(names, linkedPictures());
        QVERIFY2(bytes < 3 * 1024 * 1024, qPrintable(QString::number(bytes)));
    }
};

QTEST_GUILESS_MAIN(GuidePicturesTest)
#include "guidepicturestest.moc"
