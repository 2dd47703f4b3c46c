#include "app/commandline/consoleoutput.h"

#include <cstdio>
#include <mutex>
#include <unistd.h>

// One lock for both streams, so a log line never lands inside a progress line.
static std::mutex outputLock;
static int progressWidth = 0; // characters of the progress line on the terminal

static void eraseProgress()
{
    if (progressWidth == 0)
        return;
    std::fprintf(stderr, "\r%*s\r", progressWidth, "");
    progressWidth = 0;
}

ConsoleOutput::ConsoleOutput(const QString &progressText)
    : progressText(progressText)
{ }

ConsoleOutput::~ConsoleOutput()
{
    const std::lock_guard<std::mutex> hold(outputLock);
    eraseProgress();
}

LogCallback ConsoleOutput::log()
{
    return [this](const QString &line) {
        if (line.startsWith(QLatin1String("Error")))
            ++errors;
        const QByteArray bytes = line.toUtf8() + '\n';
        const std::lock_guard<std::mutex> hold(outputLock);
        eraseProgress();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
    };
}

ProgressCallback ConsoleOutput::progress()
{
    // Not every job accepts an empty callback.
    if (!isatty(STDERR_FILENO))
        return [](int, int) {
        };
    return [this](int done, int total) {
        const QByteArray text
                = progressText.arg(QString::number(done), QString::number(total)).toUtf8();
        const std::lock_guard<std::mutex> hold(outputLock);
        eraseProgress();
        std::fputs(text.constData(), stderr);
        std::fflush(stderr);
        progressWidth = int(QString::fromUtf8(text).size());
    };
}
