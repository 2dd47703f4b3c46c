// Measures the live preview in the real window, headless, on one photo of
// 12 MP and one of 100 MP: the time from an option change on the photo shown
// to the new picture in the label, side by side with a plain full-size decode
// of the same photo; the longest stretch the GUI thread stays busy meanwhile;
// and how far the shown picture is from the batch's saved photo scaled to it.
// Usage: previewbench [--rounds N] [--work FOLDER]
#include "app/optionssnapshot.h"
#include "app/window/photorenamergui.h"
#include "app/window/previewrenderer.h"
#include "bench/photogenerator.h"
#include "metadata/exiv2setup.h"
#include "processing/photoprocessor.h"
#include "tests/support/testphotos.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

struct Figures
{
    double decode = 0.0; // s, median
    double refresh = 0.0; // s, median
    double longestBusy = 0.0; // s, over every round
    double guiCpu = 0.0; // s of GUI-thread CPU time per refresh, the most of any round
    double difference = 0.0; // levels per channel
};

static QString generatePhoto(const QString &folder, int width, int height)
{
    QDir().mkpath(folder);
    GeneratedPhoto photo;
    photo.width = width;
    photo.height = height;
    photo.position.orientation = 50.0;
    photo.position.altitude = 812.0;
    photo.captureTime = QDateTime(QDate(2024, 5, 6), QTime(9, 0));
    const QString path = QDir(folder).filePath(QStringLiteral("DSC_0001.jpg"));
    QString error;
    if (!writeGeneratedPhoto(path, photo, error))
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(error));
    return path;
}

static double decodeSeconds(const QString &photo)
{
    QElapsedTimer clock;
    clock.start();
    QImageReader reader(photo);
    reader.setAutoTransform(true);
    if (reader.read().isNull())
        qFatal("cannot decode %s", qPrintable(photo));
    return clock.nsecsElapsed() / 1e9;
}

static double threadCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

static double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The window's GUI thread, watched by a fine timer: a late tick is a stretch
// in which the thread did something else, or in which the system ran other
// programs; the thread's CPU time tells the two apart.
class BusyWatch
{
public:
    BusyWatch()
    {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            longest = std::max(longest, clock.nsecsElapsed() / 1e9);
            clock.restart();
        });
    }
    void start()
    {
        longest = 0.0;
        clock.start();
        timer.start();
    }
    double stop()
    {
        timer.stop();
        return std::max(longest, clock.nsecsElapsed() / 1e9);
    }

private:
    QTimer timer;
    QElapsedTimer clock;
    double longest = 0.0;
};

static Figures measure(const QString &photo, const QString &logo, const QString &batchFolder,
                       int rounds)
{
    PhotoRenamerGUI window;
    window.show();
    window.setProperty("logoPath", logo);
    window.findChild<QCheckBox *>(QStringLiteral("logoCheck"))->setChecked(true);
    auto *renderer = window.findChild<PreviewRenderer *>();
    auto *label = window.findChild<QLabel *>(QStringLiteral("previewLabel"));
    const auto settle = [renderer] {
        while (renderer->isBusy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    window.findChild<QLineEdit *>(QStringLiteral("folderEdit"))->setText(QFileInfo(photo).path());
    settle();

    Figures figures;
    std::vector<double> decode, refresh;
    auto *background = window.findChild<QCheckBox *>(QStringLiteral("bgTextCheck"));
    BusyWatch busy;
    for (int round = 0; round < rounds; ++round) {
        decode.push_back(decodeSeconds(photo));
        QCoreApplication::processEvents();
        busy.start();
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = threadCpuSeconds();
        background->toggle();
        settle();
        refresh.push_back(clock.nsecsElapsed() / 1e9);
        figures.guiCpu = std::max(figures.guiCpu, threadCpuSeconds() - cpuBefore);
        figures.longestBusy = std::max(figures.longestBusy, busy.stop());
    }
    figures.decode = median(decode);
    figures.refresh = median(refresh);

    QDir(batchFolder).removeRecursively();
    QDir().mkpath(batchFolder);
    const QString copy = QDir(batchFolder).filePath(QFileInfo(photo).fileName());
    QFile::copy(photo, copy);
    PhotoProcessor(previewOptions(snapshotOptions(window), QString()))
            .renamePhotosWithUTM(batchFolder, [](const QString &) {}, {});
    const QImage shown = label->pixmap().toImage();
    const QImage saved
            = QImage(copy).scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    figures.difference = meanChannelDifference(shown, saved);
    return figures;
}

static void print(const char *name, const Figures &figures, double target)
{
    std::printf("%s  plain decode %.3f s   new preview %.3f s   ratio %.3f (target <= %.2f)\n"
                "         longest GUI-thread stretch %.1f ms (target <= 50), its CPU time per "
                "refresh at most %.1f ms\n"
                "         mean difference to the batch %.2f levels (target <= 4)\n",
                name, figures.decode, figures.refresh, figures.refresh / figures.decode, target,
                figures.longestBusy * 1000.0, figures.guiCpu * 1000.0, figures.difference);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const auto roundsAt = arguments.indexOf(QStringLiteral("--rounds"));
    const int rounds = std::max(1, roundsAt >= 0 ? arguments.value(roundsAt + 1).toInt() : 5);
    QTemporaryDir temporary;
    const auto workAt = arguments.indexOf(QStringLiteral("--work"));
    const QString work = workAt >= 0 ? arguments.value(workAt + 1) : temporary.path();
    initializeExiv2();

    const QString logo = QDir(work).filePath(QStringLiteral("logo.png"));
    QImage logoImage(400, 100, QImage::Format_ARGB32);
    logoImage.fill(QColor(30, 110, 70, 200));
    logoImage.save(logo);
    const QString batch = QDir(work).filePath(QStringLiteral("batch"));

    std::printf("Window defaults with a logo, window 1280 x 800, %d rounds.\n", rounds);
    const QString photo12 = generatePhoto(QDir(work).filePath(QStringLiteral("12mp")), 4000, 3000);
    print("12 MP ", measure(photo12, logo, batch, rounds), 0.35);
    QFile::remove(photo12);
    const QString photo100
            = generatePhoto(QDir(work).filePath(QStringLiteral("100mp")), 11552, 8664);
    print("100 MP", measure(photo100, logo, batch, rounds), 0.1);
    return 0;
}
