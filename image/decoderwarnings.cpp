#include "image/decoderwarnings.h"

#include <QLoggingCategory>

#include <cstring>
#include <mutex>

// The category under which Qt's JPEG plugin reports libjpeg's messages.
static constexpr char jpegCategory[] = "qt.gui.imageio.jpeg";

// Both set once, before the first capture, and only read afterwards.
static QtMessageHandler previousHandler = nullptr;
static QLoggingCategory::CategoryFilter previousFilter = nullptr;

// Where the current thread's capture keeps its first warning, if any.
static thread_local QString *activeCapture = nullptr;

static bool isJpegWarning(QtMsgType type, const QMessageLogContext &context)
{
    return type == QtWarningMsg && context.category
            && std::strcmp(context.category, jpegCategory) == 0;
}

static void captureOrPass(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (activeCapture && isJpegWarning(type, context)) {
        if (activeCapture->isEmpty())
            *activeCapture = message;
    } else {
        previousHandler(type, context, message);
    }
}

static void keepJpegWarnings(QLoggingCategory *category)
{
    previousFilter(category);
    if (std::strcmp(category->categoryName(), jpegCategory) == 0)
        category->setEnabled(QtWarningMsg, true);
}

JpegWarningCapture::JpegWarningCapture()
    : outer(activeCapture)
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        previousHandler = qInstallMessageHandler(captureOrPass);
        // The new filter runs on every category as it is installed, so the
        // one it chains to must be known first.
        previousFilter = QLoggingCategory::installFilter(nullptr);
        QLoggingCategory::installFilter(keepJpegWarnings);
    });
    activeCapture = &first;
}

JpegWarningCapture::~JpegWarningCapture()
{
    activeCapture = outer;
}
