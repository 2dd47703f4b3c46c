#include "metadata/exiv2setup.h"

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
        // Names a JPEG's Extended XMP; Exiv2 0.27 does not know it.
        Exiv2::XmpProperties::registerNs("http://ns.adobe.com/xmp/note/", "xmpNote");
        Exiv2::LogMsg::setHandler(forwardExiv2Message);
    });
}
