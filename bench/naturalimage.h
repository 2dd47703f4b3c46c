#ifndef NATURALIMAGE_H
#define NATURALIMAGE_H

#include <QImage>

// An image with natural-looking detail (gradients and noise) that compresses
// like a real photo; deterministic for a given seed.
QImage makeNaturalImage(int width, int height, unsigned seed = 1);

// Mean absolute difference per channel, in levels, of two images of one size.
double meanChannelDifference(const QImage &a, const QImage &b);

#endif // NATURALIMAGE_H
