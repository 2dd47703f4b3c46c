#include "processing/losslessstamp.h"

#include <QPoint>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

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

// The stamps seen in the stored picture's coordinates, as premultiplied JFIF
// YCbCr (or gray) values.
struct StampLayer
{
    const std::vector<StampPatch> &patches;
    int orientation;
    int width; // stored picture, pixels
    int height;

    QRgb pixel(int x, int y) const
    {
        const QPoint upright = uprightPixel(orientation, width, height, x, y);
        for (const StampPatch &patch : patches) {
            const QPoint at = upright - patch.origin;
            if (patch.picture.rect().contains(at))
                return reinterpret_cast<const QRgb *>(patch.picture.constScanLine(at.y()))[at.x()];
        }
        return 0;
    }

    // The stamps' premultiplied `component` value and coverage (0 to 1),
    // averaged over the pixels [x0, x1) × [y0, y1) that one sample covers.
    void average(int component, int x0, int y0, int x1, int y1, double &value,
                 double &coverage) const
    {
        static const double weights[3][3]
                = {{0.299, 0.587, 0.114}, {-0.168736, -0.331264, 0.5}, {0.5, -0.418688, -0.081312}};
        const double *weight = weights[component];
        const double offset = component == 0 ? 0.0 : 128.0;
        value = 0.0;
        coverage = 0.0;
        int count = 0;
        for (int y = y0; y < std::min(y1, height); ++y) {
            for (int x = x0; x < std::min(x1, width); ++x) {
                const QRgb rgb = pixel(x, y);
                const double alpha = qAlpha(rgb) / 255.0;
                value += weight[0] * qRed(rgb) + weight[1] * qGreen(rgb) + weight[2] * qBlue(rgb)
                        + offset * alpha;
                coverage += alpha;
                ++count;
            }
        }
        value /= count;
        coverage /= count;
    }
};

// Scaled cosines of the orthonormal 8 × 8 DCT: F(u, v) = Σ c[u][x] c[v][y] s(x, y).
struct DctBasis
{
    double c[8][8];

    DctBasis()
    {
        for (int u = 0; u < 8; ++u)
            for (int x = 0; x < 8; ++x)
                c[u][x] = (u == 0 ? std::sqrt(0.125) : 0.5)
                        * std::cos((2 * x + 1) * u * M_PI / 16.0);
    }
};

static const DctBasis &dctBasis()
{
    static const DctBasis basis;
    return basis;
}

// Samples (level-shifted back to 0..255, not clamped) of one quantised block.
static void decodeBlock(const JCOEF *block, const JQUANT_TBL &table, double samples[8][8])
{
    const auto &c = dctBasis().c;
    double rows[8][8] = {}; // rows[v][x]: horizontal frequencies undone
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
            const double coefficient = double(block[v * 8 + u]) * table.quantval[v * 8 + u];
            if (coefficient != 0.0)
                for (int x = 0; x < 8; ++x)
                    rows[v][x] += c[u][x] * coefficient;
        }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            double sum = 0.0;
            for (int v = 0; v < 8; ++v)
                sum += c[v][y] * rows[v][x];
            samples[y][x] = sum + 128.0;
        }
}

static void encodeBlock(const double samples[8][8], const JQUANT_TBL &table, JCOEF *block)
{
    const auto &c = dctBasis().c;
    double columns[8][8] = {}; // columns[y][u]: horizontal transform of each row
    for (int y = 0; y < 8; ++y)
        for (int u = 0; u < 8; ++u) {
            double sum = 0.0;
            for (int x = 0; x < 8; ++x)
                sum += c[u][x] * (samples[y][x] - 128.0);
            columns[y][u] = sum;
        }
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
            double sum = 0.0;
            for (int y = 0; y < 8; ++y)
                sum += c[v][y] * columns[y][u];
            const double quantised = std::round(sum / table.quantval[v * 8 + u]);
            block[v * 8 + u] = JCOEF(std::clamp(quantised, -2047.0, 2047.0));
        }
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

static void markTouchedCells(const StampPatch &patch, int orientation, const QSize &upright,
                             TouchedCells &cells)
{
    const QImage &picture = patch.picture;
    for (int v = 0; v < picture.height(); ++v) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(v));
        for (int u = 0; u < picture.width(); ++u) {
            if (qAlpha(line[u]) == 0)
                continue;
            const QPoint at = patch.origin + QPoint(u, v);
            const QPoint stored
                    = storedPixel(orientation, upright.width(), upright.height(), at.x(), at.y());
            const size_t cell = size_t(stored.y() / 8) * cells.columns + stored.x() / 8;
            if (!cells.touched[cell]) {
                cells.touched[cell] = true;
                ++cells.count;
            }
        }
    }
}

static void findTouchedCells(const StampLayer &stamps, const QSize &upright, TouchedCells &cells)
{
    cells.columns = (stamps.width + 7) / 8;
    cells.rows = (stamps.height + 7) / 8;
    cells.touched.assign(size_t(cells.columns) * cells.rows, false);
    for (const StampPatch &patch : stamps.patches)
        markTouchedCells(patch, stamps.orientation, upright, cells);
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

// Blends the stamps into one block of `component`, whose block (blockX,
// blockY) covers samples that each stand for `scaleX` × `scaleY` pixels.
// Samples off the picture and samples no stamp covers keep their values.
static void stampBlock(JCOEF *block, const JQUANT_TBL &table, const StampLayer &stamps,
                       int component, int blockX, int blockY, int scaleX, int scaleY)
{
    double samples[8][8];
    decodeBlock(block, table, samples);
    for (int y = 0; y < 8; ++y) {
        const int pixelY = (blockY * 8 + y) * scaleY;
        if (pixelY >= stamps.height)
            break;
        for (int x = 0; x < 8; ++x) {
            const int pixelX = (blockX * 8 + x) * scaleX;
            if (pixelX >= stamps.width)
                break;
            double value = 0.0;
            double coverage = 0.0;
            stamps.average(component, pixelX, pixelY, pixelX + scaleX, pixelY + scaleY, value,
                           coverage);
            if (coverage > 0.0)
                samples[y][x] = value + (1.0 - coverage) * std::clamp(samples[y][x], 0.0, 255.0);
        }
    }
    encodeBlock(samples, table, block);
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

static void stampComponent(jpeg_decompress_struct &source, jvirt_barray_ptr coefficients,
                           int component, const StampLayer &stamps, const TouchedCells &cells)
{
    const jpeg_component_info &info = source.comp_info[component];
    const int scaleX = source.max_h_samp_factor / info.h_samp_factor;
    const int scaleY = source.max_v_samp_factor / info.v_samp_factor;
    for (JDIMENSION blockY = 0; blockY < info.height_in_blocks; ++blockY) {
        JBLOCKARRAY row = (*source.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&source),
                                                            coefficients, blockY, 1, TRUE);
        for (JDIMENSION blockX = 0; blockX < info.width_in_blocks; ++blockX)
            if (blockTouched(cells, int(blockX), int(blockY), scaleX, scaleY))
                stampBlock(row[0][blockX], *info.quant_table, stamps, component, int(blockX),
                           int(blockY), scaleX, scaleY);
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

static bool runJob(LosslessJob &job, const QByteArray &bytes,
                   const std::vector<StampPatch> &patches, const QSize &uprightSize,
                   int orientation, TouchedCells &cells, QString &reason)
{
    jpeg_create_decompress(&job.source);
    jpeg_create_compress(&job.target);
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
    const StampLayer stamps {patches, orientation, width, height};
    findTouchedCells(stamps, upright, cells);
    if (cells.count * 2 > cells.columns * cells.rows) {
        reason = QStringLiteral("las marcas cubren más de la mitad de la foto");
        return false;
    }
    for (int component = 0; component < job.source.num_components; ++component)
        stampComponent(job.source, coefficients[component], component, stamps, cells);
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
                       int orientation, TouchedCells &cells, QString &reason)
{
    if (setjmp(trap.jump) != 0)
        return false;
    return runJob(job, bytes, patches, uprightSize, orientation, cells, reason);
}

bool stampJpegLosslessly(const QByteArray &source, const std::vector<StampPatch> &stamps,
                         const QSize &uprightSize, int orientation, QByteArray &stamped,
                         QString &reason)
{
    TouchedCells cells;
    JpegErrorTrap trap;
    LosslessJob job {};
    job.source.err = jpeg_std_error(&trap.manager);
    job.target.err = &trap.manager;
    trap.manager.error_exit = leaveOnError;
    trap.manager.output_message = stayQuiet;
    const bool done
            = runTrapped(job, trap, source, stamps, uprightSize, orientation, cells, reason);
    if (trap.message[0] != '\0')
        reason = QStringLiteral("el decodificador no puede leerla (%1)")
                         .arg(QString::fromLocal8Bit(trap.message));
    jpeg_destroy_compress(&job.target);
    jpeg_destroy_decompress(&job.source);
    if (done)
        stamped = QByteArray(reinterpret_cast<const char *>(job.output), int(job.outputSize));
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
        bool stamped = false;
        for (int x = area.left(); x <= area.right(); ++x)
            if (qAlpha(line[x]) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                stamped = true;
            }
        if (stamped) {
            top = top < 0 ? y : top;
            bottom = y;
        }
    }
    return top < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

std::vector<StampPatch> stampPatches(const QImage &layer)
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
        const QRect box = stampedBox(argb, quarter);
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
