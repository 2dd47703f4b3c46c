#include "exports/locationcsv.h"

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

// A spreadsheet takes a cell that begins with one of "=+-@" for a formula,
// and would run a photo named "=cmd|…" for whoever opens the file: such a
// text goes in behind an apostrophe, which shows it as text.
static QString textField(const QString &text)
{
    const bool formula = !text.isEmpty() && QStringLiteral("=+-@").contains(text.front());
    return field(formula ? QLatin1Char('\'') + text : text);
}

static QString decimal(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

static QString optionalDecimal(const std::optional<double> &value)
{
    return value ? decimal(*value, 2) : QString();
}

static QString row(const LocationRecord &record)
{
    return QStringList {textField(record.fileName),
                        decimal(record.latitude, 8),
                        decimal(record.longitude, 8),
                        optionalDecimal(record.position.altitude),
                        optionalDecimal(record.position.orientation),
                        textField(isoDateTime(record.dateTime)),
                        QString::number(record.position.zone),
                        QString(QLatin1Char(record.position.letter)),
                        decimal(record.position.easting, 2),
                        decimal(record.position.northing, 2),
                        QString::number(record.epsg ? record.epsg
                                                    : utmEpsgCode(record.position.zone,
                                                                  record.position.letter))}
            .join(QLatin1Char(';'));
}

QByteArray locationCsv(const QVector<LocationRecord> &records)
{
    QString text = QLatin1String(header) + QLatin1Char('\n');
    for (const auto &record : records)
        text += row(record) + QLatin1Char('\n');
    return text.toUtf8();
}
