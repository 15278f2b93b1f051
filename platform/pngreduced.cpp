#include "platform/pngreduced.h"

#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <csetjmp>
#include <png.h>
#include <vector>

namespace {

// The picture being reduced: one decoded row at a time is added into the
// sums of the band of output rows it falls in; a band is written out when
// its last input row has been added. The last output row and column take
// the input rows and columns that are left over.
struct Reduction
{
    QIODevice *device = nullptr;
    int step = 1;
    qint64 maxPixels = 0;
    ReducedPng::Fault fault = ReducedPng::Fault::NotPng;
    png_uint_32 width = 0, height = 0;
    QImage out;
    std::vector<png_byte> row; // RGBA
    std::vector<quint32> sums; // per output pixel: red, green, blue (times alpha) and alpha
    std::vector<quint32> columns; // input columns of each output column
    png_uint_32 bandStart = 0;

    bool Prepare(png_uint_32 w, png_uint_32 h)
    {
        if (w == 0 || h == 0)
            return false;
        if (qint64(w) * qint64(h) > maxPixels) {
            fault = ReducedPng::Fault::TooManyPixels;
            return false;
        }
        width = w;
        height = h;
        const int outW = int(std::max<png_uint_32>(1, w / png_uint_32(step)));
        const int outH = int(std::max<png_uint_32>(1, h / png_uint_32(step)));
        out = QImage(outW, outH, QImage::Format_ARGB32_Premultiplied);
        if (out.isNull())
            return false;
        row.assign(size_t(w) * 4, 0);
        sums.assign(size_t(outW) * 4, 0);
        columns.assign(size_t(outW), 0);
        for (png_uint_32 x = 0; x < w; ++x)
            ++columns[column(x)];
        return true;
    }
    size_t column(png_uint_32 x) const
    {
        return std::min<size_t>(x / png_uint_32(step), size_t(out.width()) - 1);
    }
    int band(png_uint_32 y) const { return std::min(int(y / png_uint_32(step)), out.height() - 1); }

    void AddRow(png_uint_32 y)
    {
        const png_byte *p = row.data();
        quint32 *s = sums.data();
        quint32 *const last = s + (sums.size() - 4);
        int k = 0; // columns added into s so far
        for (png_uint_32 x = 0; x < width; ++x, p += 4) {
            const quint32 a = p[3];
            s[0] += p[0] * a;
            s[1] += p[1] * a;
            s[2] += p[2] * a;
            s[3] += a;
            if (++k == step && s != last) {
                k = 0;
                s += 4;
            }
        }
        const int oy = band(y);
        if (y + 1 < height && band(y + 1) == oy)
            return;
        const quint32 rows = y + 1 - bandStart;
        auto *line = reinterpret_cast<quint32 *>(out.scanLine(oy));
        for (int ox = 0; ox < out.width(); ++ox) {
            quint32 *s = &sums[size_t(ox) * 4];
            const quint32 n = columns[size_t(ox)] * rows;
            // Rounded alike, so no colour passes its alpha.
            const auto mean = [](quint32 sum, quint32 count) { return (sum + count / 2) / count; };
            line[ox] = mean(s[3], n) << 24 | mean(s[0], 255 * n) << 16 | mean(s[1], 255 * n) << 8
                | mean(s[2], 255 * n);
            std::fill(s, s + 4, 0);
        }
        bandStart = y + 1;
    }

    // Row y of the picture, holding the pixels of one pass of an
    // interlaced PNG: the first pixel of each block is kept.
    void SampleRow(int pass, png_uint_32 y, png_uint_32 cols)
    {
        if (y % png_uint_32(step) != 0 || y / png_uint_32(step) >= png_uint_32(out.height()))
            return;
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(int(y / png_uint_32(step))));
        for (png_uint_32 i = 0; i < cols; ++i) {
            const png_uint_32 x = PNG_COL_FROM_PASS_COL(i, pass);
            if (x % png_uint_32(step) == 0 && x / png_uint_32(step) < png_uint_32(out.width())) {
                const png_byte *p = &row[size_t(i) * 4];
                line[x / png_uint_32(step)] = qPremultiply(qRgba(p[0], p[1], p[2], p[3]));
            }
        }
    }
};

void ReadBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto *r = static_cast<Reduction *>(png_get_io_ptr(png));
    if (r->device->read(reinterpret_cast<char *>(data), qint64(length)) != qint64(length))
        png_error(png, "short read");
}

void Fail(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void Ignore(png_structp, png_const_charp) { }

// An error inside libpng jumps back here, past libpng's frames: only plain
// locals in this frame, everything else lives in the reduction.
bool DecodeRows(png_structp png, png_infop info, Reduction *r)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, r, ReadBytes);
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colour, &interlace, nullptr, nullptr);
    if (!r->Prepare(w, h))
        return false;
    png_set_expand(png); // a palette or grey below 8 bits to 8 bits, a transparent colour to alpha
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(w) * 4)
        return false;
    if (interlace == PNG_INTERLACE_NONE) {
        for (png_uint_32 y = 0; y < h; ++y) {
            png_read_row(png, r->row.data(), nullptr);
            r->AddRow(y);
        }
        return true;
    }
    // Without libpng's interlace handling each pass comes as a picture of
    // its own, empty passes left out.
    for (int pass = 0; pass < 7; ++pass) {
        const png_uint_32 rows = PNG_PASS_ROWS(h, pass), cols = PNG_PASS_COLS(w, pass);
        if (rows == 0 || cols == 0)
            continue;
        for (png_uint_32 j = 0; j < rows; ++j) {
            png_read_row(png, r->row.data(), nullptr);
            r->SampleRow(pass, PNG_ROW_FROM_PASS_ROW(j, pass), cols);
        }
    }
    return true;
}

} // namespace

ReducedPng ReadPngReduced(QIODevice &device, int step, qint64 maxPixels)
{
    ReducedPng result;
    result.fault = ReducedPng::Fault::NotPng;
    if (!PngChunksFitFile(device))
        return result;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
    if (!png)
        return result;
    png_infop info = png_create_info_struct(png);
    Reduction r;
    r.device = &device;
    r.step = std::clamp(step, 1, 16);
    r.maxPixels = maxPixels;
    const bool read = info && DecodeRows(png, info, &r);
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (read) {
        result.image = std::move(r.out);
        result.fault = ReducedPng::Fault::None;
        // An opaque picture kept opaque is drawn without converting it.
        const QImage &img = result.image;
        bool opaque = true;
        for (int y = 0; opaque && y < img.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
            opaque = std::all_of(line, line + img.width(), [](QRgb p) { return qAlpha(p) == 255; });
        }
        if (opaque)
            result.image.reinterpretAsFormat(QImage::Format_RGB32);
    } else {
        result.fault = r.fault;
    }
    return result;
}

bool PngChunksFitFile(QIODevice &device)
{
    const qint64 size = device.size();
    qint64 at = 8; // past the signature
    bool fits = true;
    char head[8];
    while (at + 8 <= size && device.seek(at) && device.read(head, 8) == 8) {
        const qint64 next = at + 12 + qFromBigEndian<quint32>(head);
        if (next > size) {
            fits = std::memcmp(head + 4, "IDAT", 4) == 0;
            break;
        }
        if (std::memcmp(head + 4, "IEND", 4) == 0)
            break;
        at = next;
    }
    device.seek(0);
    return fits;
}
