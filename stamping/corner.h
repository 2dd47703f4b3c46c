#ifndef CORNER_H
#define CORNER_H

#include <QPoint>
#include <QSize>
#include <QString>

// The four corners a logo or compass rose can sit in, named in options as
// "arriba-izquierda", "arriba-derecha", "abajo-izquierda", "abajo-derecha".
enum class Corner { TopLeft, TopRight, BottomLeft, BottomRight };

// The corner a whole name stands for; any other text gives `fallback`.
Corner cornerFromName(const QString &name, Corner fallback);

// Top-left point (pixels) of an item placed in `corner` of the canvas,
// 10 pixels from both edges.
QPoint cornerPlacement(Corner corner, const QSize &canvas, const QSize &item);

#endif // CORNER_H
