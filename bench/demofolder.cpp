#include "bench/demofolder.h"

#include "bench/photogenerator.h"
#include "coords/coordinatesfile.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <cmath>

static constexpr int demoPhotoCount = 8;

static GeneratedPhoto demoPhoto(int index)
{
    GeneratedPhoto photo;
    photo.width = 1600;
    photo.height = 1200;
    photo.seed = unsigned(index + 1);
    // A walk along a ridge east of Santiago.
    photo.position.easting = 352410.0 + index * 143.0;
    photo.position.northing = 6298760.0 + index * 97.0;
    photo.position.orientation = std::fmod(35.0 + index * 47.0, 360.0);
    photo.position.altitude = 820.0 + index * 12.5;
    photo.captureTime = QDateTime(QDate(2024, 3, 5), QTime(9, 15).addSecs(index * 600));
    return photo;
}

static QString rowOf(const QString &name, const GeneratedPhoto &photo)
{
    const UtmPosition &position = photo.position;
    return QStringLiteral("%1;%2;%3;%4;%5;%6;%7;%8")
            .arg(name, QString::number(position.zone), QString(QLatin1Char(position.letter)),
                 QString::number(position.easting, 'f', 1),
                 QString::number(position.northing, 'f', 1),
                 QString::number(position.orientation.value_or(0.0), 'f', 1),
                 photo.captureTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                 QString::number(position.altitude.value_or(0.0), 'f', 1));
}

static bool writeLogo(const QString &path)
{
    QImage logo(400, 160, QImage::Format_ARGB32_Premultiplied);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 10));
    painter.setBrush(QColor(30, 110, 70));
    painter.drawEllipse(QRect(10, 10, 140, 140));
    painter.setBrush(QColor(220, 60, 40));
    painter.drawPolygon(
            QPolygon({QPoint(80, 25), QPoint(110, 80), QPoint(80, 135), QPoint(50, 80)}));
    painter.setBrush(QColor(30, 110, 70));
    painter.drawRoundedRect(QRect(170, 45, 220, 70), 20, 20);
    painter.end();
    return logo.save(path);
}

bool writeDemoFolder(const QString &folder, QString &error)
{
    const QDir demo(folder);
    if (!demo.mkpath(QStringLiteral("fotos"))) {
        error = QStringLiteral("Cannot create ") + demo.filePath(QStringLiteral("fotos"));
        return false;
    }
    QStringList rows = {QString::fromLatin1(coordinatesFileHeader)};
    for (int i = 0; i < demoPhotoCount; ++i) {
        const auto name = QStringLiteral("IMG_%1.jpg").arg(i + 1, 4, 10, QLatin1Char('0'));
        const auto photo = demoPhoto(i);
        if (!writeGeneratedPhoto(demo.filePath(QStringLiteral("fotos/") + name), photo, error)) {
            error = QStringLiteral("Cannot write ") + name + QStringLiteral(": ") + error;
            return false;
        }
        rows << rowOf(name, photo);
    }
    QFile coordinates(demo.filePath(QStringLiteral("coordenadas.txt")));
    if (!coordinates.open(QIODevice::WriteOnly | QIODevice::Text)
        || coordinates.write((rows.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) < 0
        || !coordinates.flush() || !writeLogo(demo.filePath(QStringLiteral("logo.png")))) {
        error = QStringLiteral("Cannot write the coordinates file or the logo");
        return false;
    }
    return true;
}
