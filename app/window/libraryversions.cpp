#include "app/window/libraryversions.h"

#include "geo/crs.h"
#include "metadata/heiffile.h"

#include <QtGlobal>

#include <exiv2/exiv2.hpp>
#include <jconfig.h>
#include <zip.h>

#define RUMBARIO_TEXT(x) #x
#define RUMBARIO_EXPANDED_TEXT(x) RUMBARIO_TEXT(x)

std::vector<LibraryVersion> libraryVersions()
{
    return {
            {QStringLiteral("Qt"), QString::fromLatin1(qVersion())},
            {QStringLiteral("Exiv2"), QString::fromStdString(Exiv2::versionString())},
            {QStringLiteral("libjpeg-turbo"),
             QStringLiteral(RUMBARIO_EXPANDED_TEXT(LIBJPEG_TURBO_VERSION))},
            {QStringLiteral("libzip"), QString::fromLatin1(zip_libzip_version())},
            {QStringLiteral("PROJ"), projVersion()},
            {QStringLiteral("libheif"), libheifVersion()},
    };
}
