#include "metadata/extendedxmp.h"

#include <QtEndian>

#include <vector>

static const QByteArray extensionSignature("http://ns.adobe.com/xmp/extension/", 35);
static constexpr int guidBytes = 32;
// GUID, full length and offset, each chunk's header after the signature.
static constexpr int chunkHeaderBytes = guidBytes + 4 + 4;
static constexpr uchar app1Marker = 0xE1;
static constexpr uchar startOfScanMarker = 0xDA;

// The payloads of the APP1 segments before the first scan, where metadata
// lives; data read from the file is never trusted past its end.
static std::vector<QByteArray> app1Payloads(const QByteArray &jpeg)
{
    std::vector<QByteArray> payloads;
    const auto byte = [&jpeg](qsizetype at) {
        return uchar(jpeg.at(at));
    };
    if (jpeg.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return payloads;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && byte(at) == 0xFF) {
        const uchar marker = byte(at + 1);
        if (marker == startOfScanMarker)
            break;
        const int length = qFromBigEndian<quint16>(jpeg.constData() + at + 2);
        if (length < 2 || at + 2 + length > jpeg.size())
            break;
        if (marker == app1Marker)
            payloads.push_back(jpeg.mid(at + 4, length - 2));
        at += 2 + length;
    }
    return payloads;
}

QByteArray extendedXmpPacket(const QByteArray &jpeg, const QByteArray &guid)
{
    QByteArray packet;
    qint64 covered = 0;
    for (const QByteArray &payload : app1Payloads(jpeg)) {
        if (!payload.startsWith(extensionSignature)
            || payload.size() < extensionSignature.size() + chunkHeaderBytes
            || payload.mid(extensionSignature.size(), guidBytes) != guid)
            continue;
        const char *header = payload.constData() + extensionSignature.size() + guidBytes;
        const quint32 fullLength = qFromBigEndian<quint32>(header);
        const quint32 offset = qFromBigEndian<quint32>(header + 4);
        const QByteArray chunk = payload.mid(extensionSignature.size() + chunkHeaderBytes);
        // The whole packet lies in the file, so a length beyond it is a lie.
        if (fullLength > quint64(jpeg.size()) || quint64(offset) + chunk.size() > fullLength
            || (!packet.isEmpty() && packet.size() != qsizetype(fullLength)))
            return {};
        if (packet.isEmpty())
            packet = QByteArray(qsizetype(fullLength), '\0');
        packet.replace(qsizetype(offset), chunk.size(), chunk);
        covered += chunk.size();
    }
    // Each chunk once: the packet is whole when the chunks add up to it.
    return covered == packet.size() ? packet : QByteArray();
}
