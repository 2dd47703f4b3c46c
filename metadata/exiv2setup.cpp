#include "metadata/exiv2setup.h"

#include "metadata/extendedxmp.h"
#include "metadata/stampmarker.h"

#include <QDebug>

#include <exiv2/exiv2.hpp>

#include <mutex>

static void forwardExiv2Message(int, const char *message)
{
    qWarning().noquote() << "Exiv2:" << QString::fromUtf8(message).trimmed();
}

void initializeExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::XmpParser::initialize();
        registerStampNamespace();
        registerExtendedXmpNamespace();
        Exiv2::LogMsg::setHandler(forwardExiv2Message);
    });
}
