#include "coords/coordinatesfile.h"

#include "coords/localdatetime.h"

#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <cmath>
#include <cstring>

static bool isHeader(const QString &line)
{
    return line.contains(QLatin1String("nombre"), Qt::CaseInsensitive)
            && (line.contains(QLatin1String("easting"), Qt::CaseInsensitive)
                || line.contains(QLatin1String("zona"), Qt::CaseInsensitive));
}

// Locale-independent number; "nan" and "inf" count as invalid so that no
// non-number reaches a file name or a stamp.
static bool readNumber(const QString &text, double &value)
{
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return false;
    value = number;
    return true;
}

static std::optional<double> readOptionalNumber(const QString &text)
{
    double value = 0.0;
    return readNumber(text, value) ? std::optional<double>(value) : std::nullopt;
}

static char readLetter(const QString &field)
{
    if (field.isEmpty())
        return 'N';
    const char16_t code = field.at(0).unicode();
    return code < 256 ? static_cast<char>(code) : '\0';
}

// Reads text of a fixed-width form such as "dd/MM/yyyy HH:mm:ss": each of
// y M d H m s stands for one ASCII digit, anything else for itself. Done by
// hand because Qt's format parser costs tens of microseconds a row.
static bool readFixedForm(const QString &text, const char *form, QDate &date, QTime &time)
{
    static const char fieldLetters[] = "yMdHms";
    const int length = static_cast<int>(std::strlen(form));
    if (text.size() != length)
        return false;
    int values[6] = {};
    for (int i = 0; i < length; ++i) {
        const char16_t c = text.at(i).unicode();
        const char *letter = std::strchr(fieldLetters, form[i]);
        if (!letter) {
            if (c != static_cast<char16_t>(form[i]))
                return false;
            continue;
        }
        if (c < u'0' || c > u'9')
            return false;
        int &value = values[letter - fieldLetters];
        value = value * 10 + (c - u'0');
    }
    date = QDate(values[0], values[1], values[2]);
    time = QTime(values[3], values[4], values[5]);
    return date.isValid() && time.isValid();
}

// The date forms a coordinates file may hold, first that reads wins: ISO 8601,
// "yyyy-MM-dd HH:mm:ss", "dd/MM/yyyy HH:mm:ss". Only the clock reading is
// kept (an ISO zone designator is dropped) and taken as local time. ISO text
// is tried as UTC first so that a reading the local zone skips still parses.
static QDateTime readLocalDateTime(const QString &text)
{
    QDateTime iso = QDateTime::fromString(text + QLatin1Char('Z'), Qt::ISODate);
    if (!iso.isValid())
        iso = QDateTime::fromString(text, Qt::ISODate);
    QDate date = iso.date();
    QTime time = iso.time();
    if (!iso.isValid() && !readFixedForm(text, "yyyy-MM-dd HH:mm:ss", date, time)
        && !readFixedForm(text, "dd/MM/yyyy HH:mm:ss", date, time))
        return {};
    return localDateTime(date, time);
}

static QString optionalField(const QStringList &fields, int index)
{
    return fields.size() > index ? fields.at(index).trimmed() : QString();
}

// Parses one data line; returns false when the row is to be skipped.
static bool parseRow(const QString &line, const LogCallback &log, QString &name,
                     CoordinateRecord &record)
{
    const QStringList fields = line.split(QLatin1Char(';'), Qt::KeepEmptyParts);
    if (fields.size() < 5) {
        log(QStringLiteral("Línea inválida en archivo txt (menos de 5 columnas): ") + line);
        return false;
    }
    name = fields.at(0).trimmed();

    const QString zoneText = fields.at(1).trimmed();
    bool ok = false;
    record.position.zone = zoneText.toInt(&ok, 10);
    if (!ok) {
        log(QStringLiteral("Zona UTM inválida para ") + name + QStringLiteral(": ") + zoneText);
        return false;
    }
    record.position.letter = readLetter(fields.at(2).trimmed());

    const QString eastingText = fields.at(3).trimmed();
    if (!readNumber(eastingText, record.position.easting)) {
        log(QStringLiteral("Easting inválido para ") + name + QStringLiteral(": ") + eastingText);
        return false;
    }
    const QString northingText = fields.at(4).trimmed();
    if (!readNumber(northingText, record.position.northing)) {
        log(QStringLiteral("Northing inválido para ") + name + QStringLiteral(": ") + northingText);
        return false;
    }

    const QString orientationText = optionalField(fields, 5);
    if (!orientationText.isEmpty()) {
        record.position.orientation = readOptionalNumber(orientationText);
        if (!record.position.orientation)
            log(QStringLiteral("Orientación inválida para ") + name + QStringLiteral(": ")
                + orientationText);
    }
    const QString dateText = optionalField(fields, 6);
    if (!dateText.isEmpty()) {
        record.dateTime = readLocalDateTime(dateText);
        record.hasDateTime = record.dateTime.isValid();
        if (!record.hasDateTime)
            log(QStringLiteral("Fecha inválida en archivo txt para ") + name + QStringLiteral(": ")
                + dateText);
    }
    const QString altitudeText = optionalField(fields, 7);
    if (!altitudeText.isEmpty()) {
        record.position.altitude = readOptionalNumber(altitudeText);
        if (!record.position.altitude)
            log(QStringLiteral("Altitud inválida para ") + name + QStringLiteral(": ")
                + altitudeText);
    }
    return true;
}

CoordinateMap readCoordinatesFile(const QString &path, const LogCallback &log)
{
    CoordinateMap records;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        log(QStringLiteral("Error al abrir el archivo TXT: ") + path);
        return records;
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    bool firstLine = true;
    QString line;
    while (in.readLineInto(&line)) {
        if (firstLine) {
            firstLine = false;
            if (isHeader(line))
                continue;
        }
        if (line.trimmed().isEmpty())
            continue;
        QString name;
        CoordinateRecord record;
        if (parseRow(line, log, name, record))
            records.insert(name, record);
    }
    return records;
}
