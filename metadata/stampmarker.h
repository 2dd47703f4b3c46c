#ifndef STAMPMARKER_H
#define STAMPMARKER_H

#include <QDateTime>
#include <QString>

#include <exiv2/exiv2.hpp>

#include <optional>

// The mark a run leaves in the XMP of every photo it saves, in a namespace of
// the program's own ("Xmp.rumbario."), so a later run knows the photo is
// already stamped and a restore knows which backup holds its original.
struct StampMarker
{
    QDateTime stampedAt; // when the run that saved the photo started
    QString originalName; // the photo's file name before that run
    // The backup's path relative to the photo's own folder ("Backup/a_backup.jpg");
    // empty when the run made no backup.
    QString backup;
    // The coordinate system of the stamped position ("WGS 84 / UTM 19H",
    // "PSAD56 / UTM 19S"); empty in the markers of runs before it was kept,
    // which stamped WGS 84 / UTM.
    QString system;
};

inline constexpr char stampNamespaceUri[] = "http://ns.rumbario.org/estampa/1.0/";
inline constexpr char stampNamespacePrefix[] = "rumbario";

// Makes the namespace known to Exiv2; called once by initializeExiv2.
void registerStampNamespace();

void writeStampMarker(Exiv2::XmpData &xmp, const StampMarker &marker);
// None when the XMP holds no marker or one without its date.
std::optional<StampMarker> readStampMarker(const Exiv2::XmpData &xmp);
// Under exifMutex: the marker of the photo at `path`; none when the photo has
// none or cannot be read.
std::optional<StampMarker> readStampMarkerFromFile(const QString &path);

#endif // STAMPMARKER_H
