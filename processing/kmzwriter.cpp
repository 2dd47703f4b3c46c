#include "processing/kmzwriter.h"

#include "processing/stamptext.h"
#include "processing/utmname.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QXmlStreamWriter>

#include <zip.h>

#include <memory>

static constexpr char kmlNamespace[] = "http://www.opengis.net/kml/2.2";
static constexpr char kmlEntry[] = "doc.kml";
static constexpr char arrowEntry[] = "flecha.png";
static constexpr int arrowSide = 64;

// An arrow pointing north (up); Google Earth turns it by IconStyle/heading.
static QByteArray arrowPng()
{
    QImage image(arrowSide, arrowSide, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(32, 4);
    arrow.lineTo(54, 58);
    arrow.lineTo(32, 46);
    arrow.lineTo(10, 58);
    arrow.closeSubpath();
    painter.setPen(QPen(Qt::white, 3));
    painter.setBrush(QColor(220, 30, 30));
    painter.drawPath(arrow);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Numbered, so that no photo name has to be escaped inside a link.
static QString thumbnailEntry(int index)
{
    return QStringLiteral("%1/foto-%2.jpg")
            .arg(QLatin1String(kmzThumbnailFolder))
            .arg(index + 1, 4, 10, QLatin1Char('0'));
}

// HTML shown in the placemark's balloon; the XML writer escapes it once
// more, so names are escaped here for HTML only.
static QString description(const LocationRecord &record, const QString &thumbnail)
{
    QStringList lines;
    if (!thumbnail.isEmpty())
        lines << QStringLiteral("<img src=\"%1\"/>").arg(thumbnail);
    lines << QStringLiteral("<b>%1</b>").arg(record.relativePath.toHtmlEscaped());
    if (record.dateTime.isValid())
        lines << QStringLiteral("Fecha: ") + dateText(record.dateTime, true);
    lines << QStringLiteral("UTM ") + utmName(record.position);
    if (record.position.orientation)
        lines << QStringLiteral("Orientación: ") + orientationText(*record.position.orientation);
    if (record.position.altitude)
        lines << altitudeText(*record.position.altitude);
    return lines.join(QStringLiteral("<br/>"));
}

static QString pointCoordinates(const LocationRecord &record)
{
    QString text = QString::number(record.longitude, 'f', 8) + QLatin1Char(',')
            + QString::number(record.latitude, 'f', 8);
    if (record.position.altitude)
        text += QLatin1Char(',') + QString::number(*record.position.altitude, 'f', 2);
    return text;
}

static void writeArrowStyle(QXmlStreamWriter &xml, double heading)
{
    xml.writeStartElement(QStringLiteral("Style"));
    xml.writeStartElement(QStringLiteral("IconStyle"));
    xml.writeTextElement(QStringLiteral("heading"), QString::number(heading));
    xml.writeStartElement(QStringLiteral("Icon"));
    xml.writeTextElement(QStringLiteral("href"), QLatin1String(arrowEntry));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
}

// Children in the order the KML 2.2 schema gives them.
static void writePlacemark(QXmlStreamWriter &xml, const LocationRecord &record,
                           const QString &thumbnail)
{
    xml.writeStartElement(QStringLiteral("Placemark"));
    xml.writeTextElement(QStringLiteral("name"), record.fileName);
    xml.writeTextElement(QStringLiteral("description"), description(record, thumbnail));
    if (record.dateTime.isValid()) {
        xml.writeStartElement(QStringLiteral("TimeStamp"));
        xml.writeTextElement(QStringLiteral("when"), isoDateTime(record.dateTime));
        xml.writeEndElement();
    }
    if (record.position.orientation)
        writeArrowStyle(xml, *record.position.orientation);
    xml.writeStartElement(QStringLiteral("Point"));
    xml.writeTextElement(QStringLiteral("coordinates"), pointCoordinates(record));
    xml.writeEndElement();
    xml.writeEndElement();
}

static QByteArray kmlDocument(const QString &documentName, const QVector<LocationRecord> &records)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("kml"));
    xml.writeDefaultNamespace(QLatin1String(kmlNamespace));
    xml.writeStartElement(QStringLiteral("Document"));
    xml.writeTextElement(QStringLiteral("name"), documentName);
    for (int i = 0; i < records.size(); ++i) {
        const auto &record = records.at(i);
        writePlacemark(xml, record, record.thumbnail.isEmpty() ? QString() : thumbnailEntry(i));
    }
    xml.writeEndDocument();
    return bytes;
}

struct ZipDiscard
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
struct SourceFree
{
    void operator()(zip_source_t *source) const { zip_source_free(source); }
};
using ZipArchive = std::unique_ptr<zip_t, ZipDiscard>;
using ZipSource = std::unique_ptr<zip_source_t, SourceFree>;

// Adds `bytes` without copying them: they must live until the archive is
// closed. JPEG and PNG data are stored as they are, since they do not shrink.
static bool addEntry(zip_t *archive, const QString &name, const QByteArray &bytes, bool compress)
{
    zip_source_t *source
            = zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
    if (!source)
        return false;
    const zip_int64_t index
            = zip_file_add(archive, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    return compress || zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0) == 0;
}

static bool addEntries(zip_t *archive, const QByteArray &kml, const QByteArray &arrow,
                       const QVector<LocationRecord> &records)
{
    if (!addEntry(archive, QLatin1String(kmlEntry), kml, true)
        || !addEntry(archive, QLatin1String(arrowEntry), arrow, false))
        return false;
    for (int i = 0; i < records.size(); ++i) {
        const auto &thumbnail = records.at(i).thumbnail;
        if (!thumbnail.isEmpty() && !addEntry(archive, thumbnailEntry(i), thumbnail, false))
            return false;
    }
    return true;
}

static bool readSource(zip_source_t *source, QByteArray &bytes)
{
    if (zip_source_open(source) < 0)
        return false;
    bool read = zip_source_seek(source, 0, SEEK_END) == 0;
    const zip_int64_t size = read ? zip_source_tell(source) : -1;
    read = size >= 0 && zip_source_seek(source, 0, SEEK_SET) == 0;
    if (read) {
        bytes.resize(qsizetype(size));
        read = zip_source_read(source, bytes.data(), zip_uint64_t(size)) == size;
    }
    zip_source_close(source);
    return read;
}

static QString zipErrorText(zip_error_t *zipError)
{
    return QString::fromLocal8Bit(zip_error_strerror(zipError));
}

bool buildKmz(const QString &documentName, const QVector<LocationRecord> &records,
              QByteArray &archive, QString &error)
{
    const QByteArray kml = kmlDocument(documentName, records);
    const QByteArray arrow = arrowPng();
    zip_error_t zipError;
    zip_error_init(&zipError);
    // The archive is built in memory so that it reaches the disk through
    // the same complete-or-nothing write as every other file.
    ZipSource buffer(zip_source_buffer_create(nullptr, 0, 0, &zipError));
    ZipArchive zip(buffer ? zip_open_from_source(buffer.get(), ZIP_CREATE | ZIP_TRUNCATE, &zipError)
                          : nullptr);
    if (!zip) {
        error = zipErrorText(&zipError);
        zip_error_fini(&zipError);
        return false;
    }
    // The open archive now owns one reference; this keeps the buffer for
    // reading after the close.
    zip_source_keep(buffer.get());
    const bool added = addEntries(zip.get(), kml, arrow, records);
    if (!added || zip_close(zip.get()) < 0) {
        error = zipErrorText(zip_get_error(zip.get()));
        return false;
    }
    zip.release();
    if (!readSource(buffer.get(), archive)) {
        error = zipErrorText(zip_source_error(buffer.get()));
        return false;
    }
    return true;
}
