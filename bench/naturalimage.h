#ifndef NATURALIMAGE_H
#define NATURALIMAGE_H

#include <QImage>

// An image with natural-looking detail (gradients and noise) that compresses
// like a real photo; deterministic for a given seed.
QImage makeNaturalImage(int width, int height, unsigned seed = 1);

#endif // NATURALIMAGE_H
