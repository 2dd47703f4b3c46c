#include "stamping/losslessstamp.h"

#include "image/photoloader.h"
#include "stamping/packedcoefficients.h"

#include <QBuffer>
#include <QImageReader>
#include <QPoint>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <sys/mman.h>

// libjpeg's own error handler ends the process; this one jumps back to the
// caller with the message.
struct JpegErrorTrap
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
};

static void leaveOnError(j_common_ptr info)
{
    auto *trap = reinterpret_cast<JpegErrorTrap *>(info->err);
    (*info->err->format_message)(info, trap->message);
    std::longjmp(trap->jump, 1);
}

// Warnings are counted in `num_warnings`, not printed.
static void stayQuiet(j_common_ptr) { }

// Where a pixel of the stored picture (`width` × `height`) stands once the
// EXIF orientation has turned it upright.
static QPoint uprightPixel(int orientation, int width, int height, int x, int y)
{
    switch (orientation) {
    case 2:
        return {width - 1 - x, y};
    case 3:
        return {width - 1 - x, height - 1 - y};
    case 4:
        return {x, height - 1 - y};
    case 5:
        return {y, x};
    case 6:
        return {height - 1 - y, x};
    case 7:
        return {height - 1 - y, width - 1 - x};
    case 8:
        return {y, width - 1 - x};
    default:
        return {x, y};
    }
}

// Where a pixel of the upright picture (`width` × `height`) is stored.
static QPoint storedPixel(int orientation, int width, int height, int u, int v)
{
    switch (orientation) {
    case 6:
        return {v, width - 1 - u};
    case 7:
        return {height - 1 - v, width - 1 - u};
    case 8:
        return {height - 1 - v, u};
    default: // the others undo themselves
        return uprightPixel(orientation, width, height, u, v);
    }
}

static bool swapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

// The stamps turned into the stored picture's coordinates (`width` ×
// `height`), once, so that blocks read them row by row.
static std::vector<StampPatch> storedPatches(const std::vector<StampPatch> &patches,
                                             int orientation, int width, int height)
{
    const QSize upright = swapsSides(orientation) ? QSize(height, width) : QSize(width, height);
    std::vector<StampPatch> stored;
    for (const StampPatch &patch : patches) {
        const QRect area = QRect(patch.origin, patch.picture.size()) & QRect(QPoint(), upright);
        if (area.isEmpty())
            continue;
        if (orientation == 1) {
            stored.push_back({area.topLeft(), patch.picture.copy(area.translated(-patch.origin))});
            continue;
        }
        const QPoint first = storedPixel(orientation, upright.width(), upright.height(),
                                         area.left(), area.top());
        const QPoint last = storedPixel(orientation, upright.width(), upright.height(),
                                        area.right(), area.bottom());
        const QRect target(QPoint(std::min(first.x(), last.x()), std::min(first.y(), last.y())),
                           QPoint(std::max(first.x(), last.x()), std::max(first.y(), last.y())));
        QImage turned(target.size(), QImage::Format_ARGB32_Premultiplied);
        for (int y = target.top(); y <= target.bottom(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(turned.scanLine(y - target.top()));
            for (int x = target.left(); x <= target.right(); ++x) {
                const QPoint at = uprightPixel(orientation, width, height, x, y) - patch.origin;
                line[x - target.left()] = reinterpret_cast<const QRgb *>(
                        patch.picture.constScanLine(at.y()))[at.x()];
            }
        }
        stored.push_back({target.topLeft(), turned});
    }
    return stored;
}

// The stamps over one block's samples: each sample's premultiplied red,
// green, blue and its alpha, summed over the pixels it stands for (0 to 255
// a pixel), so that a pixel costs four additions.
struct BlockStamp
{
    int channels[4][8][8] = {}; // red, green, blue, alpha
};

// Adds the pixels of `patch` within the block whose first sample stands at
// pixel `corner`, each sample standing for `scaleX` × `scaleY` pixels.
static void addPatch(const StampPatch &patch, const QPoint &corner, int scaleX, int scaleY,
                     const QRect &block, BlockStamp &sums)
{
    const QRect overlap = block & QRect(patch.origin, patch.picture.size());
    for (int y = overlap.top(); y <= overlap.bottom(); ++y) {
        const auto *line
                = reinterpret_cast<const QRgb *>(patch.picture.constScanLine(y - patch.origin.y()));
        // Sampling factors are 1 or 2 (see unsuitability): a shift, not a division.
        const int row = (y - corner.y()) >> (scaleY - 1);
        for (int x = overlap.left(); x <= overlap.right(); ++x) {
            const QRgb rgb = line[x - patch.origin.x()];
            const int alpha = qAlpha(rgb);
            if (alpha == 0)
                continue;
            const int column = (x - corner.x()) >> (scaleX - 1);
            sums.channels[0][row][column] += qRed(rgb);
            sums.channels[1][row][column] += qGreen(rgb);
            sums.channels[2][row][column] += qBlue(rgb);
            sums.channels[3][row][column] += alpha;
        }
    }
}

// Scaled cosines of the orthonormal 8 × 8 DCT: F(u, v) = Σ c[u][x] c[v][y] s(x, y),
// and the same matrix transposed. The transforms below run along rows of
// eight floats, which the compiler turns into vector code.
struct DctBasis
{
    float c[8][8];
    float transposed[8][8];

    DctBasis()
    {
        for (int u = 0; u < 8; ++u)
            for (int x = 0; x < 8; ++x)
                transposed[x][u] = c[u][x] = float((u == 0 ? std::sqrt(0.125) : 0.5)
                                                   * std::cos((2 * x + 1) * u * M_PI / 16.0));
    }
};

static const DctBasis &dctBasis()
{
    static const DctBasis basis;
    return basis;
}

// out[i][·] = Σ_k left[i][k] · right[k][·].
static void multiply(const float left[8][8], const float right[8][8], float out[8][8])
{
    for (int i = 0; i < 8; ++i) {
        float row[8] = {};
        for (int k = 0; k < 8; ++k)
            for (int j = 0; j < 8; ++j)
                row[j] += left[i][k] * right[k][j];
        std::copy(row, row + 8, out[i]);
    }
}

// A component's quantisation table, with the reciprocals that quantising
// multiplies by: a division per coefficient would cost as much as the rest.
struct BlockTable
{
    float step[DCTSIZE2];
    float reciprocal[DCTSIZE2];
};

static BlockTable blockTable(const JQUANT_TBL &table)
{
    BlockTable made;
    for (int k = 0; k < DCTSIZE2; ++k) {
        made.step[k] = float(table.quantval[k]);
        made.reciprocal[k] = 1.0f / made.step[k];
    }
    return made;
}

// Samples (level-shifted back to 0..255, not clamped) of one quantised block.
static void decodeBlock(const JCOEF *block, const BlockTable &table, float samples[8][8])
{
    const DctBasis &basis = dctBasis();
    float coefficients[8][8];
    float *flat = coefficients[0];
    for (int k = 0; k < DCTSIZE2; ++k)
        flat[k] = float(block[k]) * table.step[k];
    float rows[8][8]; // rows[v][x]: horizontal frequencies undone
    multiply(coefficients, basis.c, rows);
    multiply(basis.transposed, rows, samples);
    flat = samples[0];
    for (int k = 0; k < DCTSIZE2; ++k)
        flat[k] += 128.0f;
}

static void encodeBlock(float samples[8][8], const BlockTable &table, JCOEF *block)
{
    const DctBasis &basis = dctBasis();
    float *flat = samples[0];
    for (int k = 0; k < DCTSIZE2; ++k)
        flat[k] -= 128.0f;
    float columns[8][8]; // columns[y][u]: each row transformed
    multiply(samples, basis.transposed, columns);
    float coefficients[8][8];
    multiply(basis.c, columns, coefficients);
    flat = coefficients[0];
    for (int k = 0; k < DCTSIZE2; ++k) {
        // Halves away from zero, as libjpeg rounds, within the range that
        // baseline Huffman tables code.
        const float quantised = flat[k] * table.reciprocal[k];
        const float rounded = quantised + (quantised < 0.0f ? -0.5f : 0.5f);
        block[k] = JCOEF(int(std::clamp(rounded, -2047.0f, 2047.0f)));
    }
}

// Whether any pixel of `line` from `left` to `right` is stamped, eight bytes
// at a time: most rows of a layer hold no stamp at all.
static bool rowStamped(const QRgb *line, int left, int right)
{
    int x = left;
    for (; x + 1 <= right; x += 2) {
        quint64 pair;
        std::memcpy(&pair, line + x, sizeof pair);
        if (pair != 0)
            return true;
    }
    return x == right && line[x] != 0;
}

// Which 8 × 8 pixel cells of the stored picture a stamp pixel touches.
struct TouchedCells
{
    int columns = 0;
    int rows = 0;
    std::vector<bool> touched;
    int count = 0;

    bool at(int column, int row) const
    {
        return column < columns && row < rows && touched[size_t(row) * columns + column];
    }
};

static void findTouchedCells(const std::vector<StampPatch> &stamps, int width, int height,
                             TouchedCells &cells)
{
    cells.columns = (width + 7) / 8;
    cells.rows = (height + 7) / 8;
    cells.touched.assign(size_t(cells.columns) * cells.rows, false);
    for (const StampPatch &patch : stamps) {
        const int left = patch.origin.x();
        const int end = left + patch.picture.width();
        for (int v = 0; v < patch.picture.height(); ++v) {
            const auto *line = reinterpret_cast<const QRgb *>(patch.picture.constScanLine(v));
            const size_t rowStart = size_t((patch.origin.y() + v) / 8) * cells.columns;
            // A cell at a time: one already touched needs no look.
            for (int x = left; x < end; x = (x / 8 + 1) * 8) {
                const size_t cell = rowStart + x / 8;
                if (cells.touched[cell]
                    || !rowStamped(line, x - left, std::min((x / 8 + 1) * 8, end) - 1 - left))
                    continue;
                cells.touched[cell] = true;
                ++cells.count;
            }
        }
    }
}

// A component's block covers `scaleX` × `scaleY` cells; it is touched when any is.
static bool blockTouched(const TouchedCells &cells, int blockX, int blockY, int scaleX, int scaleY)
{
    for (int row = blockY * scaleY; row < (blockY + 1) * scaleY; ++row)
        for (int column = blockX * scaleX; column < (blockX + 1) * scaleX; ++column)
            if (cells.at(column, row))
                return true;
    return false;
}

// Components sampled alike: each of their samples stands for `scaleX` ×
// `scaleY` pixels of the stored picture, `width` × `height`.
struct ComponentGrid
{
    int scaleX;
    int scaleY;
    int width;
    int height;
};

// One block of a component: its coefficients, its table, and whether it
// holds Y, Cb or Cr.
struct ComponentBlock
{
    JCOEF *coefficients;
    const BlockTable *table;
    int component;
};

// Blends `sums` into `target`, whose samples cover `pixels` of the picture.
// Samples off the picture and samples no stamp covers keep their values.
static void blendBlock(const BlockStamp &sums, const QRect &pixels, const ComponentGrid &grid,
                       const ComponentBlock &target)
{
    // JFIF weights of premultiplied red, green, blue, and of alpha for the
    // chroma offset of 128.
    static const float weights[3][4] = {{0.299f, 0.587f, 0.114f, 0.0f},
                                        {-0.168736f, -0.331264f, 0.5f, 128.0f / 255.0f},
                                        {0.5f, -0.418688f, -0.081312f, 128.0f / 255.0f}};
    const float *weight = weights[target.component];
    float samples[8][8];
    decodeBlock(target.coefficients, *target.table, samples);
    for (int y = 0; y * grid.scaleY < pixels.height(); ++y)
        for (int x = 0; x * grid.scaleX < pixels.width(); ++x) {
            const int alpha = sums.channels[3][y][x];
            if (alpha == 0)
                continue;
            // Pixels of this sample that lie on the picture: 1, 2 or 4.
            static const float reciprocals[5] = {0.0f, 1.0f, 0.5f, 1.0f / 3.0f, 0.25f};
            const float perPixel
                    = reciprocals[std::min(grid.scaleX, pixels.width() - x * grid.scaleX)
                                  * std::min(grid.scaleY, pixels.height() - y * grid.scaleY)];
            const float stamp = weight[0] * float(sums.channels[0][y][x])
                    + weight[1] * float(sums.channels[1][y][x])
                    + weight[2] * float(sums.channels[2][y][x]) + weight[3] * float(alpha);
            const float coverage = float(alpha) * perPixel * (1.0f / 255.0f);
            samples[y][x] = stamp * perPixel
                    + (1.0f - coverage) * std::clamp(samples[y][x], 0.0f, 255.0f);
        }
    encodeBlock(samples, *target.table, target.coefficients);
}

// Why the coefficients of this JPEG cannot be stamped in place; empty when
// they can.
static QString unsuitability(const jpeg_decompress_struct &source)
{
    if (source.err->num_warnings > 0)
        return QStringLiteral("el decodificador avisa de datos dañados");
    if (source.data_precision != 8)
        return QStringLiteral("la foto no tiene 8 bits por muestra");
    const bool gray = source.jpeg_color_space == JCS_GRAYSCALE && source.num_components == 1;
    const bool ycc = source.jpeg_color_space == JCS_YCbCr && source.num_components == 3;
    if (!gray && !ycc)
        return QStringLiteral("la foto no está codificada en YCbCr ni en escala de grises");
    const jpeg_component_info *components = source.comp_info;
    if (ycc) {
        const bool lumaUsual = components[0].h_samp_factor <= 2 && components[0].v_samp_factor <= 2;
        for (int c = 1; c < 3; ++c)
            if (!lumaUsual || components[c].h_samp_factor != 1 || components[c].v_samp_factor != 1)
                return QStringLiteral("el submuestreo de color no es habitual");
    }
    for (int c = 0; c < source.num_components; ++c) {
        const JQUANT_TBL *latched = components[c].quant_table;
        const JQUANT_TBL *last = source.quant_tbl_ptrs[components[c].quant_tbl_no];
        if (!latched || !last
            || !std::equal(latched->quantval, latched->quantval + DCTSIZE2, last->quantval))
            return QStringLiteral("las tablas de cuantificación cambian dentro del archivo");
    }
    return {};
}

// Stamps components `first` to `last`, which are sampled alike: their
// blocks at one place share the stamps' sums. Holds no object with a
// destructor, since a libjpeg error jumps out of it.
static void stampComponents(jpeg_decompress_struct &source, jvirt_barray_ptr *coefficients,
                            int first, int last, const std::vector<StampPatch> &stamps,
                            const TouchedCells &cells)
{
    const jpeg_component_info &info = source.comp_info[first];
    const ComponentGrid grid {source.max_h_samp_factor / info.h_samp_factor,
                              source.max_v_samp_factor / info.v_samp_factor,
                              int(source.image_width), int(source.image_height)};
    BlockTable tables[3];
    for (int c = first; c <= last; ++c)
        tables[c - first] = blockTable(*source.comp_info[c].quant_table);
    for (JDIMENSION blockY = 0; blockY < info.height_in_blocks; ++blockY) {
        JBLOCKARRAY rows[3];
        for (int c = first; c <= last; ++c)
            rows[c - first] = (*source.mem->access_virt_barray)(
                    reinterpret_cast<j_common_ptr>(&source), coefficients[c], blockY, 1, TRUE);
        for (JDIMENSION blockX = 0; blockX < info.width_in_blocks; ++blockX) {
            if (!blockTouched(cells, int(blockX), int(blockY), grid.scaleX, grid.scaleY))
                continue;
            const QPoint corner(int(blockX) * 8 * grid.scaleX, int(blockY) * 8 * grid.scaleY);
            const QRect pixels = QRect(corner, QSize(8 * grid.scaleX, 8 * grid.scaleY))
                    & QRect(0, 0, grid.width, grid.height);
            BlockStamp sums;
            for (const StampPatch &patch : stamps)
                addPatch(patch, corner, grid.scaleX, grid.scaleY, pixels, sums);
            for (int c = first; c <= last; ++c)
                blendBlock(sums, pixels, grid, {rows[c - first][0][blockX], &tables[c - first], c});
        }
    }
}

// The output keeps what a viewer needs to read the stored blocks as before.
static void copyFraming(const jpeg_decompress_struct &source, jpeg_compress_struct &target)
{
    target.restart_interval = source.restart_interval;
    target.write_JFIF_header = source.saw_JFIF_marker;
    if (source.saw_JFIF_marker) {
        target.JFIF_major_version = source.JFIF_major_version;
        target.JFIF_minor_version = source.JFIF_minor_version;
        target.density_unit = source.density_unit;
        target.X_density = source.X_density;
        target.Y_density = source.Y_density;
    }
    target.write_Adobe_marker = source.saw_Adobe_marker;
    if (source.progressive_mode)
        jpeg_simple_progression(&target);
}

// Everything between the error trap's setjmp and its cleanup; holds no
// object with a destructor, since an error jumps out of it.
struct LosslessJob
{
    jpeg_decompress_struct source;
    jpeg_compress_struct target;
    unsigned char *output = nullptr;
    unsigned long outputSize = 0;
};

// What runJob fills; held by the caller, since an error jumps out of runJob.
struct StampWork
{
    std::vector<StampPatch> stamps; // in the stored picture's coordinates
    TouchedCells cells;
    PackedCoefficients coefficients;
};

static bool runJob(LosslessJob &job, const QByteArray &bytes,
                   const std::vector<StampPatch> &patches, const QSize &uprightSize,
                   int orientation, StampWork &work, QString &reason)
{
    jpeg_create_decompress(&job.source);
    jpeg_create_compress(&job.target);
    work.coefficients.takeOver(reinterpret_cast<j_common_ptr>(&job.source));
    work.coefficients.takeOver(reinterpret_cast<j_common_ptr>(&job.target));
    jpeg_mem_src(&job.source, reinterpret_cast<const unsigned char *>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&job.source, TRUE);
    jvirt_barray_ptr *coefficients = jpeg_read_coefficients(&job.source);
    reason = unsuitability(job.source);
    if (!reason.isEmpty())
        return false;
    const int width = int(job.source.image_width);
    const int height = int(job.source.image_height);
    const QSize upright = swapsSides(orientation) ? QSize(height, width) : QSize(width, height);
    if (uprightSize != upright) {
        reason = QStringLiteral("las marcas no tienen el tamaño de la foto");
        return false;
    }
    work.stamps = storedPatches(patches, orientation, width, height);
    findTouchedCells(work.stamps, width, height, work.cells);
    if (work.cells.count * 2 > work.cells.columns * work.cells.rows) {
        reason = QStringLiteral("las marcas cubren más de la mitad de la foto");
        return false;
    }
    stampComponents(job.source, coefficients, 0, 0, work.stamps, work.cells);
    if (job.source.num_components == 3)
        stampComponents(job.source, coefficients, 1, 2, work.stamps, work.cells);
    jpeg_mem_dest(&job.target, &job.output, &job.outputSize);
    jpeg_copy_critical_parameters(&job.source, &job.target);
    copyFraming(job.source, job.target);
    jpeg_write_coefficients(&job.target, coefficients);
    jpeg_finish_compress(&job.target);
    jpeg_finish_decompress(&job.source);
    return true;
}

// Runs the job with libjpeg's errors trapped: false after an error, with its
// message in the trap.
static bool runTrapped(LosslessJob &job, JpegErrorTrap &trap, const QByteArray &bytes,
                       const std::vector<StampPatch> &patches, const QSize &uprightSize,
                       int orientation, StampWork &work, QString &reason)
{
    if (setjmp(trap.jump) != 0)
        return false;
    return runJob(job, bytes, patches, uprightSize, orientation, work, reason);
}

bool stampJpegLosslessly(const QByteArray &source, const std::vector<StampPatch> &stamps,
                         const QSize &uprightSize, int orientation, QByteArray &stamped,
                         QString &reason)
{
    StampWork work;
    JpegErrorTrap trap;
    LosslessJob job {};
    job.source.err = jpeg_std_error(&trap.manager);
    job.target.err = &trap.manager;
    trap.manager.error_exit = leaveOnError;
    trap.manager.output_message = stayQuiet;
    // Written straight into a buffer the size of the source and some: the
    // blocks are the same but for the stamps, the Huffman tables may differ.
    // libjpeg moves to a buffer of its own only if this one is too small.
    QByteArray buffer(source.size() + source.size() / 4 + 65536, Qt::Uninitialized);
    const auto *given = reinterpret_cast<unsigned char *>(buffer.data());
    job.output = reinterpret_cast<unsigned char *>(buffer.data());
    job.outputSize = static_cast<unsigned long>(buffer.size());
    const bool done = runTrapped(job, trap, source, stamps, uprightSize, orientation, work, reason);
    if (trap.message[0] != '\0')
        reason = QStringLiteral("el decodificador no puede leerla (%1)")
                         .arg(QString::fromLocal8Bit(trap.message));
    jpeg_destroy_compress(&job.target);
    jpeg_destroy_decompress(&job.source);
    if (done && job.output == given) {
        buffer.truncate(int(job.outputSize));
        stamped = std::move(buffer);
    } else if (done) {
        stamped = QByteArray(reinterpret_cast<const char *>(job.output), int(job.outputSize));
    }
    if (job.output != given)
        std::free(job.output);
    return done;
}

// The bounding box of the stamped pixels of `layer` within `area`.
static QRect stampedBox(const QImage &layer, const QRect &area)
{
    int left = area.right() + 1;
    int right = area.left() - 1;
    int top = -1;
    int bottom = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(layer.constScanLine(y));
        if (!rowStamped(line, area.left(), area.right()))
            continue;
        for (int x = area.left(); x <= area.right(); ++x)
            if (qAlpha(line[x]) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        top = top < 0 ? y : top;
        bottom = y;
    }
    return top < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

std::vector<StampPatch> stampPatches(const QImage &layer, const QList<QRect> &painted)
{
    const QImage argb = layer.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int halfWidth = argb.width() / 2;
    const int halfHeight = argb.height() / 2;
    std::vector<StampPatch> patches;
    for (const QRect &quarter :
         {QRect(0, 0, halfWidth, halfHeight),
          QRect(halfWidth, 0, argb.width() - halfWidth, halfHeight),
          QRect(0, halfHeight, halfWidth, argb.height() - halfHeight),
          QRect(halfWidth, halfHeight, argb.width() - halfWidth, argb.height() - halfHeight)}) {
        // Only where something was painted: the rest of the layer was never
        // touched, and reading it would cost more than the stamps.
        QRect searched;
        for (const QRect &area : painted)
            searched |= area & quarter;
        const QRect box = searched.isEmpty() ? QRect() : stampedBox(argb, searched);
        if (!box.isEmpty())
            patches.push_back({box.topLeft(), argb.copy(box)});
    }
    return patches;
}

int exifOrientation(QImageIOHandler::Transformations transformation)
{
    switch (int(transformation)) {
    case QImageIOHandler::TransformationMirror:
        return 2;
    case QImageIOHandler::TransformationRotate180:
        return 3;
    case QImageIOHandler::TransformationFlip:
        return 4;
    case QImageIOHandler::TransformationFlipAndRotate90:
        return 5;
    case QImageIOHandler::TransformationRotate90:
        return 6;
    case QImageIOHandler::TransformationMirrorAndRotate90:
        return 7;
    case QImageIOHandler::TransformationRotate270:
        return 8;
    default:
        return 1;
    }
}

struct LayerMapping
{
    void *address;
    size_t bytes;
};

static void unmapLayer(void *mapping)
{
    const auto *layer = static_cast<LayerMapping *>(mapping);
    munmap(layer->address, layer->bytes);
    delete layer;
}

// A transparent picture whose memory the kernel hands out zeroed and only
// where it is painted on. Shared memory gets its page on the painter's
// first touch; private memory would first lend the zero page to the
// painter's read and then copy it on its write, which costs a second fault
// and a flush of every processor's address cache, page by page.
static QImage transparentLayer(const QSize &size)
{
    const size_t bytes = size_t(size.width()) * size_t(size.height()) * 4;
    void *pixels = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (pixels == MAP_FAILED)
        return {};
    return QImage(static_cast<uchar *>(pixels), size.width(), size.height(), size.width() * 4,
                  QImage::Format_ARGB32_Premultiplied, unmapLayer,
                  new LayerMapping {pixels, bytes});
}

// Text is sized in points, so the layer takes the resolution the decoded
// photo would have: the same stamps on a photo of another resolution have
// other pixel sizes.
static void takeResolution(const QByteArray &jpeg, QImage &layer)
{
    const QSize resolution = jpegDotsPerMeter(jpeg);
    if (!resolution.isValid())
        return;
    layer.setDotsPerMeterX(resolution.width());
    layer.setDotsPerMeterY(resolution.height());
}

bool stampKeepingCompression(const QByteArray &original,
                             const std::function<QList<QRect>(QImage &)> &draw,
                             KeptCompression &kept)
{
    QBuffer buffer;
    buffer.setData(original);
    QImageReader reader(&buffer);
    if (reader.format() != "jpeg") {
        kept.reason = QStringLiteral("la foto no es JPEG");
        return false;
    }
    if (!jpegIsComplete(original)) {
        kept.reason = QStringLiteral("el archivo JPEG está cortado");
        return false;
    }
    kept.orientation = exifOrientation(reader.transformation());
    const QSize upright = swapsSides(kept.orientation) ? reader.size().transposed() : reader.size();
    QImage layer = transparentLayer(upright);
    if (layer.isNull()) {
        kept.reason = QStringLiteral("no hay memoria para las marcas");
        return false;
    }
    takeResolution(original, layer);
    const QList<QRect> painted = draw(layer);
    kept.patches = stampPatches(layer, painted);
    layer = QImage();
    return stampJpegLosslessly(original, kept.patches, upright, kept.orientation, kept.jpeg,
                               kept.reason);
}
