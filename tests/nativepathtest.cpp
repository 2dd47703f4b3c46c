#include "metadata/nativepath.h"
#include "metadata/exifreader.h"
#include "metadata/exiv2setup.h"
#include "tests/support/testphotos.h"

#include <QtTest>

class NativePathTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initializeExiv2(); }

    void windowsPathsGetBackslashesAndTheLongPathPrefix_data()
    {
        QTest::addColumn<QString>("absolutePath");
        QTest::addColumn<QString>("native");
        // What Qt makes of "fotos/a.jpg" with C:\trabajo as working folder.
        QTest::newRow("relative") << "C:/trabajo/fotos/a.jpg"
                                  << "\\\\?\\C:\\trabajo\\fotos\\a.jpg";
        QTest::newRow("drive") << "C:/x/y.jpg"
                               << "\\\\?\\C:\\x\\y.jpg";
        QTest::newRow("network") << "//servidor/compartido/a.jpg"
                                 << "\\\\servidor\\compartido\\a.jpg";
        QTest::newRow("network, native") << "\\\\servidor\\compartido\\a.jpg"
                                         << "\\\\servidor\\compartido\\a.jpg";
        QTest::newRow("prefixed") << "//?/C:/a.jpg"
                                  << "\\\\?\\C:\\a.jpg";
        QTest::newRow("prefixed, native") << "\\\\?\\C:\\a.jpg"
                                          << "\\\\?\\C:\\a.jpg";
        QTest::newRow("one leading backslash") << "\\x.jpg"
                                               << "\\\\?\\\\x.jpg";
    }

    void windowsPathsGetBackslashesAndTheLongPathPrefix()
    {
        QFETCH(QString, absolutePath);
        QTEST(windowsNativePath(absolutePath), "native");
    }

#ifndef Q_OS_WIN
    void relativePathsBecomeAbsolute()
    {
        QTemporaryDir dir;
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const std::string native = qPathToNativeStdString("fotos/a.jpg");
        QVERIFY(QDir::setCurrent(saved));
        QCOMPARE(QByteArray::fromStdString(native), QFile::encodeName(dir.path() + "/fotos/a.jpg"));
    }
#endif

    void exiv2OpensUnusualNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("spaces") << "foto de campo 1.jpg";
        QTest::newRow("accents") << "Ñandú/cañón águila.jpg";
        QTest::newRow("percent") << "100%25 %s %n.jpg";
    }

    void exiv2OpensUnusualNames()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QFileInfo(name).path()));
        TestPhoto photo;
        photo.hasGps = true;
        photo.latitude = -12.5;
        photo.longitude = 77.25;
        const QString path = dir.filePath(name);
        QVERIFY(writeTestPhoto(path, photo));
        double latitude = 0, longitude = 0, direction = 0, altitude = 0;
        QVERIFY(readGpsFromExif(path, latitude, longitude, direction, altitude));
        QCOMPARE(latitude, -12.5);
    }

    void emptyPathGivesEmptyTextAndAWarning()
    {
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^qPathToNativeStdString: No se pudo obtener la "
                                                "ruta absoluta para:"));
        QVERIFY(qPathToNativeStdString(QString()).empty());
    }
};

QTEST_GUILESS_MAIN(NativePathTest)
#include "nativepathtest.moc"
