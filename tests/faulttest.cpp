#include "processing/folderlock.h"
#include "tests/support/files.h"
#include "tests/support/testphotos.h"

#include <QtGui>
#include <QtTest>

// A batch killed or starved of disk in a child process; afterwards every
// original is whole, or replaced by the complete result, and so are backups.
class FaultTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QMap<QString, QByteArray> originals;

    QString freshBatch(const QString &name)
    {
        for (auto it = originals.cbegin(); it != originals.cend(); ++it)
            if (!writeBytes(dir.filePath(name + "/" + it.key()), it.value()))
                qFatal("cannot write %s", qPrintable(it.key()));
        return dir.filePath(name);
    }

    static QStringList runToEnd(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral(BATCHRUNNER_PATH), arguments);
        if (!process.waitForFinished(120000) || process.exitCode() != 0)
            qFatal("batch runner failed");
        return QString::fromUtf8(process.readAllStandardOutput()).split(QChar(0));
    }

    // A kill between creating a lock and writing its owner leaves a lock
    // that is taken over once a few seconds old: make those a minute old.
    static void ageOwnerlessLocks()
    {
        const QDir runtime(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
        for (const QFileInfo &lock : runtime.entryInfoList({"rumbario-*.lock"})) {
            QFile file(lock.filePath());
            if (!fileBytes(lock.filePath()).contains('\n') && file.open(QIODevice::ReadWrite))
                file.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                 QFileDevice::FileModificationTime);
        }
    }

private slots:
    void initTestCase()
    {
        for (int i = 0; i < 4; ++i) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(makeNaturalImage(1600, 1200, unsigned(i + 1)).save(&buffer, "JPEG", 90));
            originals[QStringLiteral("foto %1.jpg").arg(i)] = buffer.data();
        }
    }

    void killedAtAnyMomentLeavesEachPhotoWholeOrReplaced()
    {
        const QString reference = freshBatch("reference");
        QElapsedTimer clock;
        clock.start();
        runToEnd({reference, "--backup"});
        const qint64 runMilliseconds = qMax<qint64>(clock.elapsed(), 50);
        constexpr int kills = 16;
        for (int k = 0; k < kills; ++k) {
            const QString folder = freshBatch(QStringLiteral("killed%1").arg(k));
            QProcess process;
            process.start(QStringLiteral(BATCHRUNNER_PATH), {folder, "--backup"});
            QVERIFY(process.waitForStarted());
            process.waitForFinished(int(runMilliseconds * k / kills));
            process.kill(); // nothing of ours runs after SIGKILL
            process.waitForFinished();
            ageOwnerlessLocks();
            QVERIFY(FolderLock(folder).tryLock().isEmpty()); // the dead run's lock is taken over
            for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
                const QByteArray now = fileBytes(folder + "/" + it.key());
                QVERIFY2(now == it.value() || now == fileBytes(reference + "/" + it.key()),
                         qPrintable(it.key()));
            }
            for (const QString &name : fileNames(folder + "/Backup")) {
                if (!name.startsWith('.')) // a temporary file cut off by the kill
                    QCOMPARE(fileBytes(folder + "/Backup/" + name),
                             originals.value(name.left(name.indexOf("_backup")) + ".jpg"));
            }
            // A kill between the two steps of a link-and-unlink rename may leave
            // the photo under both names; any name holds a whole photo.
            for (const QString &name : fileNames(folder).filter(".jpg")) {
                const QByteArray bytes = fileBytes(folder + "/" + name);
                QVERIFY2(originals.values().contains(bytes)
                                 || bytes == fileBytes(reference + "/" + name),
                         qPrintable(name));
            }
        }
    }

    void fullDiskLeavesEveryOriginalWhole_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("line");
        QTest::newRow("save") << QStringList() << "Error guardando la imagen: ";
        QTest::newRow("backup") << QStringList {"--backup"} << "Error creando backup de ";
    }

    void fullDiskLeavesEveryOriginalWhole()
    {
        QFETCH(QStringList, extra);
        QFETCH(QString, line);
        const QString folder = freshBatch(QStringLiteral("full-") + QTest::currentDataTag());
        qsizetype smallest = originals.first().size();
        for (const QByteArray &bytes : originals)
            smallest = qMin(smallest, bytes.size());
        const QStringList log = runToEnd(
                QStringList {folder, "--file-size-limit", QString::number(smallest / 2)} + extra);
        for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
            QCOMPARE(fileBytes(folder + "/" + it.key()), it.value());
            QStringList group = logGroup(log, it.key());
            if (group.last().startsWith(QStringLiteral("Motivo: ")))
                group.removeLast();
            QVERIFY2(group.size() > 1 && group.last().startsWith(line),
                     qPrintable(group.join('|')));
        }
        // Metadata lines belong to a saved photo only.
        QVERIFY(log.filter("Intentando escribir EXIF").isEmpty()
                && log.filter("Metadatos escritos").isEmpty());
    }
};

QTEST_GUILESS_MAIN(FaultTest)
#include "faulttest.moc"
