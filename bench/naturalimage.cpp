#include "bench/naturalimage.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

// xorshift32: fast and the same everywhere, unlike the standard distributions.
static std::uint32_t nextRandom(std::uint32_t &state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// One octave of value noise: random heights on a grid of `cell` pixels,
// interpolated linearly, in 1/256 units.
class ValueNoise
{
public:
    ValueNoise(int width, int height, int cell, int amplitude, std::uint32_t &state)
        : cell(cell)
        , columns(width / cell + 2)
        , lattice(static_cast<std::size_t>(columns) * static_cast<std::size_t>(height / cell + 2))
        , line(static_cast<std::size_t>(columns))
        , cellOfX(static_cast<std::size_t>(width))
        , weightOfX(static_cast<std::size_t>(width))
    {
        for (int &value : lattice)
            value = static_cast<int>(nextRandom(state) % (2u * amplitude + 1)) - amplitude;
        for (int x = 0; x < width; ++x) {
            cellOfX[x] = x / cell;
            weightOfX[x] = (x % cell) * 256 / cell;
        }
    }

    // Interpolates the two lattice rows around `y` once per image row.
    void prepareRow(int y)
    {
        const int row = y / cell;
        const int weight = (y % cell) * 256 / cell;
        const int *above = &lattice[static_cast<std::size_t>(row * columns)];
        const int *below = above + columns;
        for (int i = 0; i < columns; ++i)
            line[i] = above[i] * 256 + (below[i] - above[i]) * weight;
    }

    int at(int x) const
    {
        const int i = cellOfX[x];
        return (line[i] * 256 + (line[i + 1] - line[i]) * weightOfX[x]) >> 16;
    }

private:
    int cell;
    int columns;
    std::vector<int> lattice;
    std::vector<int> line;
    std::vector<int> cellOfX;
    std::vector<int> weightOfX;
};

static int channel(int value)
{
    return std::clamp(value, 0, 255);
}

QImage makeNaturalImage(int width, int height, unsigned seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    std::uint32_t state = seed * 2654435761u + 1u;
    const int scale = std::max(1, std::min(width, height) / 64);
    ValueNoise shapes(width, height, 8 * scale, 45, state);
    ValueNoise texture(width, height, std::max(2, scale), 16, state);
    ValueNoise detail(width, height, 3, 10, state);
    const int horizon = height * (35 + static_cast<int>(nextRandom(state) % 30)) / 100;
    for (int y = 0; y < height; ++y) {
        shapes.prepareRow(y);
        texture.prepareRow(y);
        detail.prepareRow(y);
        // Sky brightening towards the horizon above it, darker ground below.
        const bool sky = y < horizon;
        const int depth = sky ? y * 80 / std::max(1, horizon)
                              : (y - horizon) * 60 / std::max(1, height - horizon);
        const int baseRed = sky ? 100 + depth : 120 - depth;
        const int baseGreen = sky ? 140 + depth / 2 : 125 - depth;
        const int baseBlue = sky ? 200 + depth / 4 : 70 - depth / 2;
        auto *pixels = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = static_cast<int>(nextRandom(state) & 15u) - 8;
            const int light = (sky ? shapes.at(x) / 3 : shapes.at(x)) + texture.at(x) + detail.at(x)
                    + grain;
            pixels[x] = qRgb(channel(baseRed + light), channel(baseGreen + light + light / 4),
                             channel(baseBlue + light / 2));
        }
    }
    return image;
}

double meanChannelDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    long long sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int byte = 0; byte < x.width() * 3; ++byte)
            sum += std::abs(x.constScanLine(row)[byte] - y.constScanLine(row)[byte]);
    return double(sum) / (x.width() * x.height() * 3.0);
}
