#include "platform/jpegreduced.h"

#include <QIODevice>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
#include <jerror.h>
#include <memory>
#include <vector>

namespace {

constexpr size_t kChunk = 64 * 1024;

// The decoder's state; an error inside libjpeg jumps back past libjpeg's
// frames to DecodeScanlines, so everything with a destructor lives here.
struct Decoding
{
    jpeg_decompress_struct cinfo {};
    jpeg_error_mgr errors {};
    jmp_buf failed;
    jpeg_source_mgr source {};
    QIODevice *device = nullptr;
    std::vector<JOCTET> buffer = std::vector<JOCTET>(kChunk);
    ReducedJpeg result;
    std::vector<JSAMPLE> cmyk; // one row of a CMYK picture before it is made RGB
};

Decoding &Of(j_decompress_ptr cinfo)
{
    return *static_cast<Decoding *>(cinfo->client_data);
}

void InitSource(j_decompress_ptr) { }
void TermSource(j_decompress_ptr) { }

boolean FillInput(j_decompress_ptr cinfo)
{
    Decoding &d = Of(cinfo);
    const qint64 n = d.device->read(reinterpret_cast<char *>(d.buffer.data()), qint64(kChunk));
    if (n <= 0) {
        // A file cut short: the rest reads as an end of picture, as libjpeg's
        // own file source does (what was decoded is shown).
        static const JOCTET end[2] = {0xFF, JPEG_EOI};
        d.source.next_input_byte = end;
        d.source.bytes_in_buffer = 2;
        WARNMS(cinfo, JWRN_JPEG_EOF);
        return TRUE;
    }
    d.source.next_input_byte = d.buffer.data();
    d.source.bytes_in_buffer = size_t(n);
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count)
{
    Decoding &d = Of(cinfo);
    if (count <= 0)
        return;
    if (size_t(count) <= d.source.bytes_in_buffer) {
        d.source.next_input_byte += count;
        d.source.bytes_in_buffer -= size_t(count);
        return;
    }
    const qint64 past = qint64(count) - qint64(d.source.bytes_in_buffer);
    d.source.bytes_in_buffer = 0;
    if (!d.device->seek(d.device->pos() + past))
        d.device->seek(d.device->size());
}

void Fail(j_common_ptr cinfo)
{
    std::longjmp(static_cast<Decoding *>(cinfo->client_data)->failed, 1);
}

// Warnings (damaged data, a file cut short) are not errors: the picture is
// shown as far as it decodes, as Qt's reader shows it.
void Quiet(j_common_ptr, int) { }
void QuietOutput(j_common_ptr) { }

// CMYK as Adobe's programs write it (inverted) into RGB32, as Qt reads it.
void CmykToRgb(const JSAMPLE *in, QRgb *out, JDIMENSION width)
{
    for (JDIMENSION x = 0; x < width; ++x, in += 4) {
        const int k = in[3];
        out[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
    }
}

bool DecodeScanlines(Decoding &d, const JpegStepChooser &chooseStep, qint64 maxBytes)
{
    if (setjmp(d.failed)) {
        if (d.errors.msg_code == JERR_NO_BACKING_STORE || d.errors.msg_code == JERR_OUT_OF_MEMORY)
            d.result.fault = ReducedJpeg::Fault::TooBig;
        return false;
    }
    j_decompress_ptr c = &d.cinfo;
    jpeg_create_decompress(c);
    // Past this, the whole-picture stores would need a backing file, which
    // this libjpeg has not: the decoder stops before allocating them.
    c->mem->max_memory_to_use = long(maxBytes);
    c->src = &d.source;
    jpeg_read_header(c, TRUE);
    d.result.fileSize = QSize(int(c->image_width), int(c->image_height));
    const bool grey = c->num_components == 1;
    const bool cmyk = c->jpeg_color_space == JCS_CMYK || c->jpeg_color_space == JCS_YCCK;
    const QImage::Format format = grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32;
    const int step = chooseStep(d.result.fileSize, format);
    if (step > 8) {
        d.result.fault = ReducedJpeg::Fault::TooBig;
        return false;
    }
    c->scale_num = 1;
    c->scale_denom = unsigned(step);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    const J_COLOR_SPACE rgb32 = JCS_EXT_BGRA; // QRgb's bytes in memory, alpha 0xFF
#else
    const J_COLOR_SPACE rgb32 = JCS_EXT_ARGB;
#endif
    c->out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : rgb32;
    jpeg_start_decompress(c);
    d.result.image = QImage(int(c->output_width), int(c->output_height), format);
    if (d.result.image.isNull()) {
        d.result.fault = ReducedJpeg::Fault::TooBig;
        return false;
    }
    if (cmyk)
        d.cmyk.resize(size_t(c->output_width) * 4);
    while (c->output_scanline < c->output_height) {
        const int y = int(c->output_scanline);
        JSAMPROW row = cmyk ? d.cmyk.data() : d.result.image.scanLine(y);
        if (jpeg_read_scanlines(c, &row, 1) != 1)
            return false;
        if (cmyk)
            CmykToRgb(row, reinterpret_cast<QRgb *>(d.result.image.scanLine(y)), c->output_width);
    }
    return true;
}

} // namespace

ReducedJpeg ReadJpegReduced(QIODevice &device, const JpegStepChooser &chooseStep, qint64 maxBytes)
{
    auto d = std::make_unique<Decoding>();
    d->result.fault = ReducedJpeg::Fault::NotJpeg;
    d->device = &device;
    d->cinfo.client_data = d.get();
    d->cinfo.err = jpeg_std_error(&d->errors);
    d->errors.error_exit = Fail;
    d->errors.emit_message = Quiet;
    d->errors.output_message = QuietOutput;
    d->source.init_source = InitSource;
    d->source.fill_input_buffer = FillInput;
    d->source.skip_input_data = SkipInput;
    d->source.resync_to_restart = jpeg_resync_to_restart;
    d->source.term_source = TermSource;
    const bool read = DecodeScanlines(*d, chooseStep, maxBytes);
    jpeg_destroy_decompress(&d->cinfo);
    if (read)
        d->result.fault = ReducedJpeg::Fault::None;
    else
        d->result.image = QImage();
    return d->result;
}
