#include "metadata/stampmarker.h"

#include "metadata/exifmutex.h"
#include "metadata/exiv2compat.h"
#include "metadata/exiv2image.h"

#include <QMutexLocker>

#include <exception>
#include <string>

static const char stampDateKey[] = "Xmp.rumbario.stampDate";
static const char originalNameKey[] = "Xmp.rumbario.originalName";
static const char backupKey[] = "Xmp.rumbario.backup";
static const char systemKey[] = "Xmp.rumbario.system";

void registerStampNamespace()
{
    Exiv2::XmpProperties::registerNs(stampNamespaceUri, stampNamespacePrefix);
}

void writeStampMarker(Exiv2::XmpData &xmp, const StampMarker &marker)
{
    // With its offset from UTC, so the date reads the same in any time zone.
    const QDateTime date = marker.stampedAt.toOffsetFromUtc(marker.stampedAt.offsetFromUtc());
    xmp[stampDateKey] = date.toString(Qt::ISODate).toStdString();
    xmp[originalNameKey] = marker.originalName.toStdString();
    const Exiv2::XmpKey backup(backupKey);
    const auto old = xmp.findKey(backup);
    if (old != xmp.end())
        xmp.erase(old);
    if (!marker.backup.isEmpty())
        xmp[backupKey] = marker.backup.toStdString();
    if (!marker.system.isEmpty())
        xmp[systemKey] = marker.system.toStdString();
}

static QString textOf(const Exiv2::XmpData &xmp, const char *key)
{
    const auto datum = xmp.findKey(Exiv2::XmpKey(key));
    return datum == xmp.end() ? QString() : QString::fromStdString(datum->toString());
}

std::optional<StampMarker> readStampMarker(const Exiv2::XmpData &xmp)
{
    StampMarker marker;
    marker.stampedAt = QDateTime::fromString(textOf(xmp, stampDateKey), Qt::ISODate);
    if (!marker.stampedAt.isValid())
        return std::nullopt;
    marker.originalName = textOf(xmp, originalNameKey);
    marker.backup = textOf(xmp, backupKey);
    marker.system = textOf(xmp, systemKey);
    return marker;
}

// A photo that cannot be read carries no marker the program could trust.
std::optional<StampMarker> readStampMarkerFromFile(const QString &path)
{
    QMutexLocker locker(&exifMutex);
    try {
        const Exiv2ImagePtr image = openImageFile(path);
        if (!image.get())
            return std::nullopt;
        return readStampMarker(image->xmpData());
    } catch (const std::exception &) {
        return std::nullopt;
    }
}
