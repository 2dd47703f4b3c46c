// Runs one batch in place, in EXIF mode, and prints its log: the fault tests
// kill it or limit its file sizes. Usage: batchrunner FOLDER [--backup]
// [--file-size-limit BYTES]. Each log line is followed by a NUL byte.
#include "metadata/exiv2setup.h"
#include "processing/photoprocessor.h"

#include <QGuiApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const auto arguments = app.arguments();
    if (arguments.size() < 2)
        return 2;
    ProcessingOptions options;
    options.useExif = true;
    options.makeBackup = arguments.contains(QStringLiteral("--backup"));
    const auto limitAt = arguments.indexOf(QStringLiteral("--file-size-limit"));
    if (limitAt > 0) {
        // Writes past the limit then fail with EFBIG instead of killing us.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t bytes = arguments.value(limitAt + 1).toULongLong();
        const rlimit limit = {bytes, bytes};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 2;
    }
    initializeExiv2();
    PhotoProcessor processor(options);
    processor.renamePhotosWithUTM(arguments.at(1),
                                  [](const QString &line) {
                                      // Lines may hold line breaks: each ends with a NUL instead.
                                      std::fputs(line.toUtf8().constData(), stdout);
                                      std::fputc('\0', stdout);
                                      std::fflush(stdout);
                                  },
                                  {});
    return 0;
}
