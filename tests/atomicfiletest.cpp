#include "processing/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <atomic>

class AtomicFileTest : public QObject
{
    Q_OBJECT

private:
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void moveNeverReplacesAnExistingFile()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("a.jpg"));
        const QString taken = dir.filePath(QStringLiteral("b.jpg"));
        writeFile(source, "source");
        writeFile(taken, "taken");
        QString error;
        QVERIFY(!moveFileToNewName(source, taken, error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readFile(taken), QByteArray("taken"));
        QCOMPARE(readFile(source), QByteArray("source"));
    }

    void atomicCopyReplacesALinkNotWhatItPointsAt()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("a.jpg"));
        const QString original = dir.filePath(QStringLiteral("original.jpg"));
        const QString link = dir.filePath(QStringLiteral("out.jpg"));
        writeFile(source, "source");
        writeFile(original, "original");
        QVERIFY(QFile::link(original, link));
        QString error;
        QVERIFY2(copyFileAtomically(source, link, error), qPrintable(error));
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(readFile(link), QByteArray("source"));
        QCOMPARE(readFile(original), QByteArray("original"));
    }

    // QSaveFile gives a new file the default permissions and a replaced one
    // those of the file it replaces: a private photo must stay private.
    void atomicCopyKeepsTheSourcePermissions_data()
    {
        QTest::addColumn<bool>("replacing");
        QTest::newRow("new file") << false;
        QTest::newRow("replacing a readable file") << true;
    }

    void atomicCopyKeepsTheSourcePermissions()
    {
        QFETCH(bool, replacing);
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("a.jpg"));
        const QString copy = dir.filePath(QStringLiteral("b.jpg"));
        writeFile(source, "private");
        QVERIFY(QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner));
        if (replacing)
            writeFile(copy, "old");
        QString error;
        QVERIFY(copyFileAtomically(source, copy, error));
        QCOMPARE(readFile(copy), QByteArray("private"));
        QCOMPARE(QFileInfo(copy).permissions(), QFileInfo(source).permissions());
    }

    // Photos of one batch rename in parallel towards the same free name:
    // exactly one may win, and every other file must stay where it was.
    void racingMovesToOneNameLoseNoFile()
    {
        QTemporaryDir dir;
        constexpr int files = 16;
        for (int round = 0; round < 20; ++round) {
            const QString target = dir.filePath(QStringLiteral("target-%1.jpg").arg(round));
            QList<int> indexes;
            for (int i = 0; i < files; ++i) {
                writeFile(dir.filePath(QStringLiteral("%1-%2.jpg").arg(round).arg(i)),
                          QByteArray::number(i));
                indexes << i;
            }
            std::atomic<int> winners {0};
            QtConcurrent::blockingMap(indexes, [&](int i) {
                QString error;
                if (moveFileToNewName(dir.filePath(QStringLiteral("%1-%2.jpg").arg(round).arg(i)),
                                      target, error))
                    ++winners;
            });
            QCOMPARE(winners.load(), 1);
            const int winner = readFile(target).toInt();
            for (int i = 0; i < files; ++i) {
                const QString path = dir.filePath(QStringLiteral("%1-%2.jpg").arg(round).arg(i));
                QCOMPARE(QFile::exists(path), i != winner);
            }
        }
    }
};

QTEST_GUILESS_MAIN(AtomicFileTest)
#include "atomicfiletest.moc"
