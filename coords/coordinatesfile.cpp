#include "coords/coordinatesfile.h"

#include "coords/coordinatesrow.h"
#include "coords/logquote.h"
#include "files/localdatetime.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstring>

static bool isHeader(const QString &line)
{
    return line.contains(QLatin1String("nombre"), Qt::CaseInsensitive)
            && (line.contains(QLatin1String("easting"), Qt::CaseInsensitive)
                || line.contains(QLatin1String("zona"), Qt::CaseInsensitive));
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

static QString descriptionField(const QStringList &fields)
{
    return fields.mid(descriptionColumn).join(QLatin1Char(';')).trimmed();
}

static QString invalidValue(const char *what, const QString &name, const QString &value)
{
    return QString::fromUtf8(what) + quotedForLog(name) + QStringLiteral(": ")
            + quotedForLog(value);
}

// Parses one data line; returns false when the row is to be skipped.
static bool parseRow(const QString &line, const LogCallback &log, const CrsTransform *crs,
                     QString &name, CoordinateRecord &record)
{
    const QStringList fields = splitCoordinatesRow(line);
    if (fields.size() < 5) {
        log(QStringLiteral("Línea inválida en archivo txt (menos de 5 columnas): ")
            + quotedForLog(line));
        return false;
    }
    name = fields.at(0).trimmed();

    // An empty letter means 'N'; a letter or zone off the UTM grid would put
    // the photo off the globe, in its name and its EXIF alike.
    RowPosition position = readRowPosition(fields);
    if (crs && !fitsChosenSystem(fields, *crs, position, name, log))
        return false;
    if (!position.zoneValid) {
        log(invalidValue("Zona UTM inválida para ", name, fields.at(1).trimmed()));
        return false;
    }
    if (!position.letterValid) {
        log(invalidValue("Letra de zona UTM inválida para ", name, fields.at(2).trimmed()));
        return false;
    }
    if (!position.eastingValid) {
        log(invalidValue("Easting inválido para ", name, fields.at(3).trimmed()));
        return false;
    }
    if (!position.northingValid) {
        log(invalidValue("Northing inválido para ", name, fields.at(4).trimmed()));
        return false;
    }
    record.position.zone = position.zone;
    record.position.letter = position.letter;
    record.position.easting = position.easting;
    record.position.northing = position.northing;

    const QString orientationText = optionalField(fields, 5);
    if (!orientationText.isEmpty()) {
        double orientation = 0.0;
        if (readCoordinateNumber(orientationText, orientation))
            record.position.orientation = orientation;
        else
            log(invalidValue("Orientación inválida para ", name, orientationText));
    }
    const QString dateText = optionalField(fields, 6);
    if (!dateText.isEmpty()) {
        record.dateTime = readLocalDateTime(dateText);
        record.hasDateTime = record.dateTime.isValid();
        if (!record.hasDateTime)
            log(invalidValue("Fecha inválida en archivo txt para ", name, dateText));
    }
    const QString altitudeText = optionalField(fields, 7);
    if (!altitudeText.isEmpty()) {
        double altitude = 0.0;
        if (!readCoordinateNumber(altitudeText, altitude))
            log(invalidValue("Altitud inválida para ", name, altitudeText));
        else if (!isPlausibleAltitude(altitude))
            log(invalidValue("Altitud inválida para ", name, altitudeText)
                + QStringLiteral(" (fuera de -500 … 9000 m)"));
        else
            record.position.altitude = altitude;
    }
    record.description = descriptionField(fields);
    return true;
}

// The data lines of the file: no header, no blank lines. False, logged, when
// the file cannot be read.
static bool readDataLines(const QString &path, const LogCallback &log, QStringList &lines)
{
    QFile file(path);
    // A FIFO or a device would block the batch while it is read.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        log(QStringLiteral("Error al abrir el archivo TXT: ") + path);
        return false;
    }
    lines = coordinatesFileLines(file.readAll(), QStringConverter::Utf8);
    if (!lines.isEmpty() && isHeader(lines.first()))
        lines.removeFirst();
    lines.removeIf([](const QString &line) { return line.trimmed().isEmpty(); });
    return true;
}

CoordinateMap readCoordinatesFile(const QString &path, const LogCallback &log,
                                  const CrsTransform *crs)
{
    CoordinateMap records;
    QStringList lines;
    if (!readDataLines(path, log, lines))
        return records;
    for (const QString &line : std::as_const(lines)) {
        QString name;
        CoordinateRecord record;
        if (parseRow(line, log, crs, name, record))
            records.insert(name, record);
    }
    return records;
}

QMap<QString, QString> readCoordinateDescriptions(const QString &path, const LogCallback &log)
{
    QMap<QString, QString> descriptions;
    QStringList lines;
    if (!readDataLines(path, log, lines))
        return descriptions;
    for (const QString &line : std::as_const(lines)) {
        const QStringList fields = splitCoordinatesRow(line);
        const QString description = descriptionField(fields);
        if (!description.isEmpty())
            descriptions.insert(fields.first().trimmed(), description);
    }
    return descriptions;
}
