#include "stamping/corner.h"

Corner cornerFromName(const QString &name, Corner fallback)
{
    if (name == QLatin1String("arriba-izquierda"))
        return Corner::TopLeft;
    if (name == QLatin1String("arriba-derecha"))
        return Corner::TopRight;
    if (name == QLatin1String("abajo-izquierda"))
        return Corner::BottomLeft;
    if (name == QLatin1String("abajo-derecha"))
        return Corner::BottomRight;
    return fallback;
}

QPoint cornerPlacement(Corner corner, const QSize &canvas, const QSize &item)
{
    const int margin = 10;
    const bool right = corner == Corner::TopRight || corner == Corner::BottomRight;
    const bool bottom = corner == Corner::BottomLeft || corner == Corner::BottomRight;
    return QPoint(right ? canvas.width() - item.width() - margin : margin,
                  bottom ? canvas.height() - item.height() - margin : margin);
}
