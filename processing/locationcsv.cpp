#include "processing/locationcsv.h"

static constexpr char header[]
        = "archivo;latitud;longitud;altitud;orientacion;fecha;zona;letra;este;norte;epsg";

// Quoted only when the text would otherwise break the row.
static QString field(const QString &text)
{
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

static QString decimal(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

static QString optionalDecimal(bool present, double value)
{
    return present ? decimal(value, 2) : QString();
}

static QString row(const LocationRecord &record)
{
    return QStringList {field(record.fileName),
                        decimal(record.latitude, 8),
                        decimal(record.longitude, 8),
                        optionalDecimal(record.hasAltitude, record.altitude),
                        optionalDecimal(record.hasDirection, record.direction),
                        isoDateTime(record.dateTime),
                        QString::number(record.zone),
                        QString(QLatin1Char(record.letter)),
                        decimal(record.easting, 2),
                        decimal(record.northing, 2),
                        QString::number(utmEpsgCode(record.zone, record.letter))}
            .join(QLatin1Char(';'));
}

QByteArray locationCsv(const QVector<LocationRecord> &records)
{
    QString text = QLatin1String(header) + QLatin1Char('\n');
    for (const auto &record : records)
        text += row(record) + QLatin1Char('\n');
    return text.toUtf8();
}
