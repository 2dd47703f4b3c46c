// Times readCoordinatesFile on a generated 100 000-row file and, side by
// side, a plain line-by-line read of the same file as the floor it cannot beat.

#include "coords/coordinatesfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

static constexpr int rowCount = 100000;
static constexpr int runs = 7;

static bool writeRows(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QTextStream out(&file);
    out << coordinatesFileHeader << "\n";
    for (int i = 0; i < rowCount; ++i) {
        // Every form of row the reader meets: all columns, empty optional
        // columns and each of the three date forms.
        out << QStringLiteral("IMG_%1.jpg;%2;H;%3.25;%4.5")
                        .arg(i, 6, 10, QLatin1Char('0'))
                        .arg(1 + i % 60)
                        .arg(300000 + i)
                        .arg(6000000 + i);
        switch (i % 4) {
        case 0:
            out << ";" << i % 360 << ";2024-03-05T14:30:00;" << i % 4000 << "\n";
            break;
        case 1:
            out << ";;2024-03-05 14:30:00;\n";
            break;
        case 2:
            out << ";" << i % 360 << ";05/03/2024 14:30:00\n";
            break;
        default:
            out << "\n";
        }
    }
    return true;
}

static double medianMilliseconds(const std::function<void()> &work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1.0e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("coordenadas.csv"));
    if (!dir.isValid() || !writeRows(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }

    int records = 0;
    int problems = 0;
    const double readerMs = medianMilliseconds([&] {
        problems = 0;
        records = readCoordinatesFile(path, [&](const QString &) { ++problems; }).size();
    });
    int lines = 0;
    const double linesMs = medianMilliseconds([&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly | QIODevice::Text);
        QTextStream in(&file);
        QString line;
        lines = 0;
        while (in.readLineInto(&line))
            ++lines;
    });

    std::printf("readCoordinatesFile, %d rows: %d records, %d log lines, median of %d runs "
                "%.1f ms\n",
                rowCount, records, problems, runs, readerMs);
    std::printf("plain line read of the same file (%d lines): %.1f ms\n", lines, linesMs);
    std::printf("reader / plain read: %.1f\n", readerMs / linesMs);
    return records == rowCount && problems == 0 ? 0 : 1;
}
