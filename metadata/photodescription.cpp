#include "metadata/photodescription.h"

#include "files/atomicfile.h"
#include "metadata/exifmutex.h"
#include "metadata/exiv2compat.h"
#include "metadata/heiffile.h"

#include <QFile>
#include <QMutexLocker>

#include <exception>
#include <string>

static const char xmpKey[] = "Xmp.dc.description";
static const char iptcKey[] = "Iptc.Application2.Caption";
static const char exifKey[] = "Exif.Image.ImageDescription";
// IPTC's own way of saying its texts are UTF-8 (ESC % G).
static const char iptcCharsetKey[] = "Iptc.Envelope.CharacterSet";
static const char iptcUtf8[] = "\x1b%G";
// IPTC IIM caps Caption-Abstract at 2000 bytes.
static constexpr int iptcCaptionBytes = 2000;

template<typename Data, typename Key> static void eraseKey(Data &data, const Key &key)
{
    for (auto it = data.findKey(key); it != data.end(); it = data.findKey(key))
        data.erase(it);
}

// The longest start of `text` whose UTF-8 fits in `bytes`, never cutting a character.
static std::string utf8Within(const QString &text, int bytes)
{
    QString cut = text;
    while (cut.toUtf8().size() > bytes)
        cut.chop(cut.size() > 1 && cut.at(cut.size() - 1).isLowSurrogate() ? 2 : 1);
    return cut.toStdString();
}

void setPhotoDescription(Exiv2::ExifData &exif, Exiv2::IptcData &iptc, Exiv2::XmpData &xmp,
                         const QString &text)
{
    const QString trimmed = text.trimmed();
    eraseKey(xmp, Exiv2::XmpKey(xmpKey));
    eraseKey(iptc, Exiv2::IptcKey(iptcKey));
    eraseKey(exif, Exiv2::ExifKey(exifKey));
    if (trimmed.isEmpty())
        return;
    Exiv2::LangAltValue alternatives;
    alternatives.value_["x-default"] = trimmed.toStdString();
    xmp.add(Exiv2::XmpKey(xmpKey), &alternatives);
    iptc[iptcCharsetKey] = std::string(iptcUtf8);
    iptc[iptcKey] = utf8Within(trimmed, iptcCaptionBytes);
    exif[exifKey] = trimmed.toStdString();
}

static bool readWhole(const QString &path, QByteArray &bytes, QString &reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = QStringLiteral("no se puede leer: ") + file.errorString();
        return false;
    }
    bytes = file.readAll();
    if (bytes.isEmpty()) {
        reason = QStringLiteral("el archivo está vacío");
        return false;
    }
    return true;
}

// Exiv2 reads `bytes` in place and writes into a buffer of its own.
static bool rewriteMetadata(QByteArray &bytes, const QString &text, QString &reason)
{
    QMutexLocker locker(&exifMutex);
    try {
        const Exiv2ImagePtr image = Exiv2::ImageFactory::open(
                reinterpret_cast<const Exiv2::byte *>(bytes.constData()), bytes.size());
        if (!image.get()) {
            reason = QStringLiteral("no es una foto cuyos metadatos se puedan escribir");
            return false;
        }
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        Exiv2::IptcData iptc = image->iptcData();
        Exiv2::XmpData xmp = image->xmpData();
        setPhotoDescription(exif, iptc, xmp, text);
        image->setExifData(exif);
        image->setIptcData(iptc);
        image->setXmpData(xmp);
        image->writeMetadata();
        Exiv2::BasicIo &io = image->io();
        io.open();
        const QByteArray written(reinterpret_cast<const char *>(io.mmap()),
                                 static_cast<qsizetype>(io.size()));
        io.munmap();
        io.close();
        bytes = written;
        return true;
    } catch (const std::exception &exception) {
        reason = QStringLiteral("sus metadatos no se pueden escribir: ")
                + QString::fromUtf8(exception.what());
        return false;
    }
}

bool writePhotoDescription(const QString &path, const QString &text, QString &reason)
{
    QByteArray bytes;
    if (!readWhole(path, bytes, reason))
        return false;
    // Exiv2 writes no HEIF, and the program never rewrites one.
    if (looksLikeHeif(bytes)) {
        reason = QStringLiteral("las fotos HEIF/HEIC solo se leen");
        return false;
    }
    if (!rewriteMetadata(bytes, text, reason))
        return false;
    QString error;
    if (replaceFileAtomically(path, bytes, error))
        return true;
    reason = QStringLiteral("no se pudo escribir: ") + error;
    return false;
}
