#ifndef REPORTMAP_H
#define REPORTMAP_H

#include "report/photoreport.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
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

// Photos closer than this to the first photo of a marker share it.
inline constexpr double mapGroupMetres = 5.0;

// Groups `points` (eastings and northings in metres): each joins the first
// group whose first point lies within `metres`, else starts one. Groups, and
// the indices in each, keep the order of `points`. Joining the first point,
// not any member, keeps a walk of close photos from becoming one marker.
QVector<QVector<int>> groupNearby(const QVector<QPointF> &points, double metres);

// "3–7, 12": the numbers ascending, each run of three or more as a range.
QString numberRanges(QVector<int> numbers);

// A rectangle of `sizes[i]` for the label of each of `points[i]`, in order:
// centred on its point when that is free, else the nearest free place on
// rings around it. Free means inside `area`, clear of `obstacles`, of the
// labels placed before and of the other points (squares of `pointRadius`).
// An empty rectangle where no place is free.
QVector<QRectF> placeLabels(const QVector<QPointF> &points, const QVector<QSizeF> &sizes,
                            const QRectF &area, const QVector<QRectF> &obstacles,
                            double pointRadius);

// Draws the map's title, grid lines with their labels in metres, a dot for
// each photo with an arrow for each known direction, one label per group of
// close photos with their "Fotografía N°" numbers (led by a line to its
// photos when moved off them), a legend, a scale bar and a north arrow into
// `area`. `unitsPerMillimetre` sizes lines and markers; `font` is the
// report's font, scaled by the painter's device.
void drawReportMap(QPainter &painter, const MapFrame &frame, double unitsPerMillimetre,
                   const PhotoReport &report, const QFont &font);

// The frame of the located photos' positions, on the grid of the report's
// coordinate system.
MapFrame reportMapFrame(const PhotoReport &report, const QRectF &area);

#endif // REPORTMAP_H
