#include "metadata/jpegsegments.h"

#include <QtEndian>

static constexpr uchar startOfScan = 0xDA;

qsizetype walkSegments(const QByteArray &jpeg,
                       const std::function<void(uchar, const QByteArray &)> &visit)
{
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && uchar(jpeg[pos]) == 0xFF) {
        const uchar marker = uchar(jpeg[pos + 1]);
        if (marker == startOfScan || marker == 0xD9 || marker == 0xFF)
            break;
        const qsizetype end = pos + 2 + qFromBigEndian<quint16>(jpeg.constData() + pos + 2);
        if (end > jpeg.size())
            break;
        visit(marker, QByteArray::fromRawData(jpeg.constData() + pos, end - pos));
        pos = end;
    }
    return pos;
}

qsizetype scanStart(const QByteArray &jpeg)
{
    const qsizetype pos = walkSegments(jpeg, [](uchar, const QByteArray &) {});
    const bool atScan = pos + 4 <= jpeg.size() && uchar(jpeg[pos]) == 0xFF
            && uchar(jpeg[pos + 1]) == startOfScan;
    return atScan ? pos : -1;
}
