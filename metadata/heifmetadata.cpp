#include "metadata/heifmetadata.h"

#include "metadata/heiffile.h"

#include <QColorSpace>
#include <QtEndian>

#include <libheif/heif.h>

#include <exception>
#include <string>
#include <vector>

static QByteArray metadataBlock(heif_image_handle *handle, heif_item_id id)
{
    QByteArray block(qsizetype(heif_image_handle_get_metadata_size(handle, id)), Qt::Uninitialized);
    const heif_error read = heif_image_handle_get_metadata(handle, id, block.data());
    return read.code == heif_error_Ok ? block : QByteArray();
}

// libheif hands the EXIF block over with a 4-byte big-endian offset in
// front: the TIFF header starts that many bytes after it (after "Exif\0\0"
// in some files).
static bool parseExif(const QByteArray &block, Exiv2::ExifData &exif)
{
    constexpr qsizetype offsetBytes = 4;
    if (block.size() < offsetBytes)
        return false;
    const quint32 offset = qFromBigEndian<quint32>(block.constData());
    if (offset > quint32(block.size() - offsetBytes))
        return false;
    const qsizetype start = offsetBytes + qsizetype(offset);
    Exiv2::ExifParser::decode(exif,
                              reinterpret_cast<const Exiv2::byte *>(block.constData()) + start,
                              uint32_t(block.size() - start));
    return true;
}

static bool isXmpBlock(heif_image_handle *handle, heif_item_id id)
{
    return std::string(heif_image_handle_get_metadata_type(handle, id)) == "mime"
            && std::string(heif_image_handle_get_metadata_content_type(handle, id))
            == "application/rdf+xml";
}

static void parseXmp(const QByteArray &block, PhotoMetadata &metadata)
{
    // Exiv2 leaves the data empty when the packet does not parse.
    if (Exiv2::XmpParser::decode(metadata.xmp, block.toStdString()) != 0) {
        metadata.xmp.clear();
        metadata.xmpUnreadable = true;
    }
}

// A colour description by code points ("nclx", ITU-T H.273): Display P3, as
// phones write it, becomes the ICC profile a JPEG carries. sRGB, which
// viewers assume, stays untagged, as do systems not met in photos.
static std::string profileFromCodePoints(heif_image_handle *handle)
{
    heif_color_profile_nclx *nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok)
        return {};
    const heif_color_primaries primaries = nclx->color_primaries;
    const heif_transfer_characteristics transfer = nclx->transfer_characteristics;
    heif_nclx_color_profile_free(nclx);
    const bool displayP3 = primaries == heif_color_primaries_SMPTE_EG_432_1
            && transfer == heif_transfer_characteristic_IEC_61966_2_1;
    return displayP3 ? QColorSpace(QColorSpace::DisplayP3).iccProfile().toStdString()
                     : std::string();
}

// The primary image's own ICC profile ("prof" or "rICC"), or one made from
// its code points.
static std::string colourProfile(heif_image_handle *handle)
{
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_nclx)
        return profileFromCodePoints(handle);
    if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC)
        return {};
    std::string profile(heif_image_handle_get_raw_color_profile_size(handle), '\0');
    return heif_image_handle_get_raw_color_profile(handle, profile.data()).code == heif_error_Ok
            ? profile
            : std::string();
}

MetadataResult readHeifMetadata(const QByteArray &bytes, PhotoMetadata &metadata, QString &error)
{
    metadata.clear();
    const HeifFile file(bytes);
    heif_image_handle *handle = file.primary();
    if (!handle) {
        error = file.error();
        return MetadataResult::Failed;
    }
    metadata.iccProfile = colourProfile(handle);
    std::vector<heif_item_id> ids(
            size_t(heif_image_handle_get_number_of_metadata_blocks(handle, nullptr)));
    heif_image_handle_get_list_of_metadata_block_IDs(handle, nullptr, ids.data(), int(ids.size()));
    try {
        for (const heif_item_id id : ids) {
            const std::string type = heif_image_handle_get_metadata_type(handle, id);
            if (type == "Exif" && !parseExif(metadataBlock(handle, id), metadata.exif)) {
                error = QStringLiteral("el bloque EXIF del archivo HEIF está dañado.");
                metadata.clear();
                return MetadataResult::Failed;
            }
            if (isXmpBlock(handle, id))
                parseXmp(metadataBlock(handle, id), metadata);
        }
    } catch (const std::exception &exception) {
        metadata.clear();
        error = QString::fromUtf8(exception.what());
        return MetadataResult::Failed;
    }
    return MetadataResult::Done;
}
