#ifndef CONSOLEOUTPUT_H
#define CONSOLEOUTPUT_H

#include "coords/callbacks.h"

#include <QString>

#include <atomic>

// The command line's view of a job: its log lines on standard output and, only
// when standard error is a terminal, one progress line there that each report
// rewrites. Both callbacks may be called from any thread.
class ConsoleOutput
{
public:
    // `progressText` takes the done and total counts as %1 and %2.
    explicit ConsoleOutput(const QString &progressText);
    ~ConsoleOutput();

    LogCallback log();
    ProgressCallback progress();

    // Lines that began with "Error", the jobs' way of reporting a failure.
    int errorLines() const { return errors; }

private:
    QString progressText;
    std::atomic<int> errors {0};
};

#endif // CONSOLEOUTPUT_H
