#include "processing/atomicfile.h"
#include "processing/photocollection.h"
#include "tests/batchtestsupport.h"
#include "tests/support/testphotos.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

// Photos, a batch killed or starved of disk in a child process, and the
// promise checked afterwards: every original is still whole, or replaced by
// the complete result.
class BatchFaultTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QMap<QString, QByteArray> originals;

    QString freshBatch(const QString &name)
    {
        const auto folder = dir.filePath(name);
        QDir().mkpath(folder);
        for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
            QFile file(QDir(folder).filePath(it.key()));
            if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size())
                qFatal("cannot write %s", qPrintable(file.fileName()));
        }
        return folder;
    }

    static QStringList runner(const QString &folder, const QStringList &extra = {})
    {
        return QStringList {folder} + extra;
    }

    QStringList runToEnd(const QString &folder, const QStringList &extra = {})
    {
        QProcess process;
        process.start(QStringLiteral(BATCHRUNNER_PATH), runner(folder, extra));
        if (!process.waitForFinished(120000) || process.exitCode() != 0)
            qFatal("batch runner failed");
        return QString::fromUtf8(process.readAllStandardOutput()).split(QChar(0));
    }

private slots:
    void initTestCase()
    {
        for (int i = 0; i < 4; ++i) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(makeNaturalImage(1600, 1200, unsigned(i + 1)).save(&buffer, "JPEG", 90));
            originals[QStringLiteral("foto %1.jpg").arg(i)] = bytes;
        }
    }

    void killedAtAnyMomentLeavesEachPhotoWholeOrFullyReplaced()
    {
        const auto referenceFolder = freshBatch(QStringLiteral("reference"));
        QElapsedTimer clock;
        clock.start();
        runToEnd(referenceFolder, {QStringLiteral("--backup")});
        const qint64 runMilliseconds = qMax<qint64>(clock.elapsed(), 50);
        constexpr int kills = 16;
        int replaced = 0;
        for (int k = 0; k < kills; ++k) {
            const auto folder = freshBatch(QStringLiteral("killed%1").arg(k));
            QProcess process;
            process.start(QStringLiteral(BATCHRUNNER_PATH),
                          runner(folder, {QStringLiteral("--backup")}));
            QVERIFY(process.waitForStarted());
            process.waitForFinished(int(runMilliseconds * k / kills));
            process.kill(); // SIGKILL: nothing of ours runs after it
            process.waitForFinished();
            for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
                const auto now = fileBytes(QDir(folder).filePath(it.key()));
                const auto done = fileBytes(QDir(referenceFolder).filePath(it.key()));
                QVERIFY2(now == it.value() || now == done, qPrintable(it.key()));
                replaced += now == done ? 1 : 0;
            }
            const auto backups = QDir(folder).filePath(QLatin1String(backupFolderName));
            for (const auto &name : fileNames(backups)) {
                if (name.startsWith(QLatin1Char('.')))
                    continue; // a temporary file cut off by the kill: never collected
                const auto photo = name.left(name.indexOf(QLatin1String("_backup"))) + ".jpg";
                QCOMPARE(fileBytes(QDir(backups).filePath(name)), originals.value(photo));
            }
            QCOMPARE(collectPhotos(folder, false).size(), originals.size());
        }
        qInfo("%d of %d photos were fully replaced before their kill", replaced,
              kills * int(originals.size()));
    }

    void fullDiskLeavesEveryOriginalWhole_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("line");
        QTest::newRow("save") << QStringList() << QStringLiteral("Error guardando la imagen: ");
        QTest::newRow("backup") << QStringList {QStringLiteral("--backup")}
                                << QStringLiteral("Error creando backup de ");
    }

    void fullDiskLeavesEveryOriginalWhole()
    {
        QFETCH(QStringList, extra);
        QFETCH(QString, line);
        const auto folder = freshBatch(QStringLiteral("full-") + QTest::currentDataTag());
        const auto smallest = std::min_element(
                originals.cbegin(), originals.cend(),
                [](const QByteArray &a, const QByteArray &b) { return a.size() < b.size(); });
        const auto limit = QString::number(smallest->size() / 2);
        const auto log = runToEnd(folder,
                                  extra + QStringList {QStringLiteral("--file-size-limit"), limit});
        for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
            QCOMPARE(fileBytes(QDir(folder).filePath(it.key())), it.value());
            const auto group = logGroup(log, it.key());
            // A reason line may follow the failure line.
            QVERIFY2(group.join('\n').contains('\n' + line),
                     qPrintable(group.join(QLatin1Char('|'))));
        }
        // Metadata lines belong to a saved photo only.
        QVERIFY(log.filter(QStringLiteral("Intentando escribir EXIF")).isEmpty());
        QVERIFY(log.filter(QStringLiteral("Metadatos escritos")).isEmpty());
    }

    void newNameCopyNeverReplacesAFile()
    {
        const auto source = dir.filePath(QStringLiteral("fuente.jpg"));
        const auto taken = dir.filePath(QStringLiteral("ocupado.jpg"));
        QString error;
        QVERIFY(replaceFileAtomically(source, "nuevo", error));
        QVERIFY(replaceFileAtomically(taken, "antiguo", error));
        QVERIFY(!copyFileToNewName(source, taken, error));
        QCOMPARE(fileBytes(taken), QByteArray("antiguo"));
        QVERIFY(copyFileToNewName(source, dir.filePath(QStringLiteral("libre.jpg")), error));
        QCOMPARE(fileBytes(dir.filePath(QStringLiteral("libre.jpg"))), QByteArray("nuevo"));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("carpeta.jpg"))));
        QVERIFY(!replaceFileAtomically(dir.filePath(QStringLiteral("carpeta.jpg")), "x", error));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("carpeta.jpg"))).isDir());
    }
};

QTEST_GUILESS_MAIN(BatchFaultTest)
#include "batchfaulttest.moc"
