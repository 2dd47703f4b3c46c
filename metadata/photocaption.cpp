#include "metadata/photocaption.h"

#include <QStringList>

#include <exiv2/exiv2.hpp>

#include <exception>

bool isCaptionBoilerplate(const QString &text)
{
    static const QStringList cameraTexts {
            QStringLiteral("OLYMPUS DIGITAL CAMERA"),
            QStringLiteral("SONY DSC"),
            QStringLiteral("DIGITAL CAMERA"),
            QStringLiteral("KONICA MINOLTA DIGITAL CAMERA"),
            QStringLiteral("MINOLTA DIGITAL CAMERA"),
            QStringLiteral("SAMSUNG CAMERA PICTURES"),
            QStringLiteral("DCIM"),
            QStringLiteral("DEFAULT"),
    };
    const QString simplified = text.simplified();
    return simplified.isEmpty() || cameraTexts.contains(simplified, Qt::CaseInsensitive);
}

// The default language's text of a language alternative, else its first.
static QString xmpText(const Exiv2::XmpData &xmp, const char *key)
{
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it == xmp.end())
        return {};
    if (const auto *alternatives = dynamic_cast<const Exiv2::LangAltValue *>(&it->value())) {
        const auto &texts = alternatives->value_;
        const auto chosen = texts.count("x-default") ? texts.find("x-default") : texts.begin();
        return chosen == texts.end() ? QString() : QString::fromStdString(chosen->second);
    }
    return QString::fromStdString(it->toString());
}

static QString iptcText(const Exiv2::IptcData &iptc, const char *key)
{
    const auto it = iptc.findKey(Exiv2::IptcKey(key));
    return it == iptc.end() ? QString() : QString::fromStdString(it->toString());
}

// UserComment's text without its character-set prefix.
static QString exifText(const Exiv2::ExifData &exif, const char *key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end())
        return {};
    if (const auto *comment = dynamic_cast<const Exiv2::CommentValue *>(&it->value()))
        return QString::fromStdString(comment->comment()).remove(QChar(0));
    return QString::fromStdString(it->toString()).remove(QChar(0));
}

QString readPhotoCaption(const PhotoMetadata &metadata)
{
    try {
        const QString candidates[] = {
                xmpText(metadata.xmp, "Xmp.dc.description"),
                iptcText(metadata.iptc, "Iptc.Application2.Caption"),
                exifText(metadata.exif, "Exif.Image.ImageDescription"),
                exifText(metadata.exif, "Exif.Photo.UserComment"),
        };
        for (const QString &candidate : candidates) {
            if (!isCaptionBoilerplate(candidate))
                return candidate.trimmed();
        }
    } catch (const std::exception &) {
        // A damaged metadata block is a photo without a caption.
    }
    return {};
}

QString readPhotoCaption(const QString &path)
{
    PhotoMetadata metadata;
    QString error;
    copyMetadata(path, metadata, error);
    return readPhotoCaption(metadata);
}
