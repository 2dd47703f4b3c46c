#include "exports/kmzwriter.h"

#include "files/ziparchive.h"
#include "geo/positionname.h"
#include "stamping/stamptext.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QXmlStreamWriter>

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

bool buildKmz(const QString &documentName, const QVector<LocationRecord> &records,
              QByteArray &archive, QString &error)
{
    QVector<ZipEntry> entries {{QLatin1String(kmlEntry), kmlDocument(documentName, records), true},
                               {QLatin1String(arrowEntry), arrowPng(), false}};
    for (int i = 0; i < records.size(); ++i) {
        const auto &thumbnail = records.at(i).thumbnail;
        if (!thumbnail.isEmpty())
            entries.append({thumbnailEntry(i), thumbnail, false});
    }
    return buildZip(entries, archive, error);
}
