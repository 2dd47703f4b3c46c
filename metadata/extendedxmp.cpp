#include "metadata/extendedxmp.h"

#include "metadata/jpegsegments.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

// Signatures with their closing null byte.
static const QByteArray standardSignature("http://ns.adobe.com/xap/1.0/", 29);
static const QByteArray extensionSignature("http://ns.adobe.com/xmp/extension/", 35);
static const char noteKey[] = "Xmp.xmpNote.HasExtendedXMP";
static constexpr int guidLength = 32;
static constexpr qsizetype segmentLimit = 65535; // the length field counts itself
static constexpr qsizetype chunkLimit = 65400; // as the specification's own writers use
static constexpr uchar app1 = 0xE1;

void registerExtendedXmpNamespace()
{
    Exiv2::XmpProperties::registerNs("http://ns.adobe.com/xmp/note/", "xmpNote");
}

// The standard packet must fit one APP1 segment after its signature.
static bool fitsStandard(const Exiv2::XmpData &xmp, std::string &packet)
{
    return Exiv2::XmpParser::encode(packet, xmp, Exiv2::XmpParser::useCompactFormat) == 0
            && qsizetype(packet.size()) <= segmentLimit - 2 - standardSignature.size();
}

// The property a datum belongs to: "Xmp.iptcExt.LocationShown" for each
// field of each of its items.
static std::string propertyOf(const std::string &key)
{
    return key.substr(0, key.find_first_of("[/"));
}

static bool staysStandard(const std::string &property)
{
    return property.rfind("Xmp.rumbario.", 0) == 0 || property.rfind("Xmp.xmpNote.", 0) == 0;
}

// The properties that may move, largest first.
static std::vector<std::string> movableBySize(const Exiv2::XmpData &xmp)
{
    std::map<std::string, size_t> sizes;
    for (const auto &datum : xmp)
        sizes[propertyOf(datum.key())] += datum.key().size() + datum.toString().size();
    std::vector<std::pair<size_t, std::string>> ordered;
    for (const auto &[property, size] : sizes)
        if (!staysStandard(property))
            ordered.emplace_back(size, property);
    std::sort(ordered.begin(), ordered.end(), std::greater<>());
    std::vector<std::string> properties;
    for (const auto &entry : ordered)
        properties.push_back(entry.second);
    return properties;
}

static void moveProperty(const std::string &property, Exiv2::XmpData &from, Exiv2::XmpData &to)
{
    for (auto datum = from.begin(); datum != from.end();) {
        if (propertyOf(datum->key()) == property) {
            to.add(*datum);
            datum = from.erase(datum);
        } else {
            ++datum;
        }
    }
}

static std::string digestOf(const std::string &serialization)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(serialization),
                                    QCryptographicHash::Md5)
            .toHex()
            .toUpper()
            .toStdString();
}

bool splitXmpForJpeg(const Exiv2::XmpData &xmp, JpegXmp &split, QString &error)
{
    split = {};
    // A note read from the photo names an extension that is not carried.
    Exiv2::XmpData standard = xmp;
    const auto staleNote = standard.findKey(Exiv2::XmpKey(noteKey));
    if (staleNote != standard.end())
        standard.erase(staleNote);
    if (standard.empty() || fitsStandard(standard, split.standard))
        return true;
    const std::vector<std::string> movable = movableBySize(standard);
    Exiv2::XmpData extension;
    // A digest's length, so that the packet measured is the packet written.
    standard[noteKey] = std::string(guidLength, '0');
    for (const std::string &property : movable) {
        moveProperty(property, standard, extension);
        if (fitsStandard(standard, split.standard))
            break;
    }
    if (extension.empty() || !fitsStandard(standard, split.standard)
        || Exiv2::XmpParser::encode(split.extension, extension,
                                    Exiv2::XmpParser::useCompactFormat
                                            | Exiv2::XmpParser::omitPacketWrapper)
                != 0) {
        split = {};
        error = QStringLiteral("los datos XMP que deben quedar juntos no caben en un JPEG.");
        return false;
    }
    standard[noteKey] = digestOf(split.extension);
    return fitsStandard(standard, split.standard);
}

static bool isApp1With(uchar marker, const QByteArray &segment, const QByteArray &signature)
{
    return marker == app1 && segment.mid(4, signature.size()) == signature;
}

static QByteArray extensionSegments(const JpegXmp &split)
{
    const QByteArray whole = QByteArray::fromStdString(split.extension);
    const QByteArray guid = QByteArray::fromStdString(digestOf(split.extension));
    QByteArray segments;
    for (qsizetype offset = 0; offset < whole.size(); offset += chunkLimit) {
        const QByteArray chunk = whole.mid(offset, chunkLimit);
        QByteArray numbers(12, '\0');
        qToBigEndian(quint16(2 + extensionSignature.size() + guidLength + 8 + chunk.size()),
                     numbers.data());
        qToBigEndian(quint32(whole.size()), numbers.data() + 4);
        qToBigEndian(quint32(offset), numbers.data() + 8);
        segments += QByteArray("\xFF\xE1", 2) + numbers.left(2) + extensionSignature + guid
                + numbers.mid(4) + chunk;
    }
    return segments;
}

QByteArray withExtensionSegments(const QByteArray &jpeg, const JpegXmp &split)
{
    const QByteArray added = split.extension.empty() ? QByteArray() : extensionSegments(split);
    bool heldExtension = false;
    walkSegments(jpeg, [&](uchar marker, const QByteArray &segment) {
        heldExtension = heldExtension || isApp1With(marker, segment, extensionSignature);
    });
    // Most packets fit their one segment: then the photo is not copied again.
    if (added.isEmpty() && !heldExtension)
        return jpeg;
    QByteArray result = jpeg.left(2);
    result.reserve(jpeg.size() + added.size());
    bool placed = added.isEmpty();
    const qsizetype end = walkSegments(jpeg, [&](uchar marker, const QByteArray &segment) {
        if (isApp1With(marker, segment, extensionSignature))
            return;
        result += segment;
        if (!placed && isApp1With(marker, segment, standardSignature)) {
            result += added;
            placed = true;
        }
    });
    if (!placed)
        result += added;
    result.append(jpeg.constData() + end, jpeg.size() - end);
    return result;
}

bool joinExtendedXmp(const QByteArray &jpeg, Exiv2::XmpData &xmp)
{
    const auto note = xmp.findKey(Exiv2::XmpKey(noteKey));
    if (note == xmp.end())
        return true;
    const QByteArray guid = QByteArray::fromStdString(note->toString());
    const qsizetype header = 4 + extensionSignature.size() + guidLength + 8;
    QByteArray whole;
    std::map<quint32, qsizetype> chunks; // offset -> size, each counted once
    walkSegments(jpeg, [&](uchar marker, const QByteArray &segment) {
        if (!isApp1With(marker, segment, extensionSignature) || segment.size() < header
            || segment.mid(4 + extensionSignature.size(), guidLength) != guid)
            return;
        const char *numbers = segment.constData() + header - 8;
        const quint32 length = qFromBigEndian<quint32>(numbers);
        const quint32 offset = qFromBigEndian<quint32>(numbers + 4);
        const qsizetype size = segment.size() - header;
        if (length > quint32(jpeg.size()) || qint64(offset) + size > qint64(length))
            return;
        if (whole.isEmpty())
            whole = QByteArray(qsizetype(length), '\0');
        if (whole.size() != qsizetype(length))
            return;
        whole.replace(offset, size, segment.constData() + header, size);
        chunks[offset] = size;
    });
    qsizetype covered = 0;
    for (const auto &chunk : chunks)
        covered += chunk.second;
    Exiv2::XmpData extension;
    if (whole.isEmpty() || covered != whole.size()
        || digestOf(whole.toStdString()) != guid.toStdString()
        || Exiv2::XmpParser::decode(extension, whole.toStdString()) != 0)
        return false;
    xmp.erase(note);
    for (const auto &datum : extension)
        xmp.add(datum);
    return true;
}
