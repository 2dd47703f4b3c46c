#ifndef REPORTMAP_H
#define REPORTMAP_H

#include "report/photoreport.h"

#include <QPointF>
#include <QRectF>
#include <QStringList>
#include <QVector>

class QPainter;

// The location map of the photo report, drawn by the program on the UTM grid
// of one zone, or on the grid of the chosen coordinate system: no tiles, no
// network.

// The part of one UTM zone (or of the chosen system's grid) that fills a
// rectangle of the page.
struct MapFrame
{
    int zone = 0;
    bool south = false;
    QString grid; // the chosen system's short name; empty: WGS 84 / UTM `zone`
    QRectF extent; // eastings (x) and northings (y) in metres, y growing north
    QRectF area; // where it is drawn, in device units, y growing down
    double unitsPerMetre = 0.0;

    bool contains(const UtmPosition &position) const;
    // Where a grid point falls in `area`.
    QPointF toPage(double easting, double northing) const;
};

// The frame of the zone (and hemisphere) most positions are in, the earliest
// photo's on a tie. It fits those positions with a margin of a tenth of their
// larger spread, at least 100 m each way (so a single photo gets a 200 m
// frame), widened to the area's shape and centred on them. An empty list
// gives an empty frame. With a chosen system's `grid` every position is on
// it, whatever its zone.
MapFrame mapFrame(const QVector<UtmPosition> &positions, const QRectF &area,
                  const QString &grid = QString());

// The lines under the map: the grid's zone and datum, then the photos left
// out because they lie in another zone.
QStringList mapNotes(const PhotoReport &report, const MapFrame &frame);

// Draws grid lines with their labels in metres, a marker numbered as its
// "Fotografía N°" with an arrow for each known direction, a scale bar and a
// north arrow into `area`. `unitsPerMillimetre` sizes lines and markers;
// `font` is the report's font, scaled by the painter's device.
void drawReportMap(QPainter &painter, const MapFrame &frame, double unitsPerMillimetre,
                   const PhotoReport &report, const QFont &font);

// The frame of the located photos' positions, on the grid of the report's
// coordinate system.
MapFrame reportMapFrame(const PhotoReport &report, const QRectF &area);

#endif // REPORTMAP_H
