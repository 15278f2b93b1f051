#pragma once
// Reading a PNG at a smaller size without ever holding it whole: its rows
// are decoded one at a time (any bit depth and colour type; 16-bit
// channels are taken to 8 bits, a palette or grey to colour) and averaged
// over blocks of step × step pixels. Qt's own PNG reader holds the whole
// picture at its full size for every kind but non-interlaced 8-bit colour,
// so a 16-bit scan past its decoding limit cannot be read by it at all.
// An interlaced PNG sends its rows in seven passes over the whole picture:
// of it, the first pixel of each block is kept (they all come in the first
// five passes), not the block's mean.

#include <QImage>

class QIODevice;

struct ReducedPng
{
    enum class Fault {
        None,
        NotPng, // no PNG, or damaged past reading
        TooManyPixels, // more than the reader was allowed
    };
    // RGB32 when every pixel is opaque, else premultiplied ARGB32; null
    // unless fault is None.
    QImage image;
    Fault fault = Fault::None;
};

// The PNG in `device` at 1/step of its size (each side rounded down, at
// least one pixel; step from 1 to 16), refused when it has more than
// maxPixels pixels, before any row is decoded, and as damaged when a chunk
// does not fit (PngChunksFitFile). The device is read from its start.
ReducedPng ReadPngReduced(QIODevice &device, int step, qint64 maxPixels);

// False when a chunk of the PNG in `device` (a file or buffer, read from its
// start) claims more bytes than follow it, but for a last picture-data
// chunk cut short (read as far as it goes): libpng allocates an ancillary
// chunk whole before reading it. The device is left at its start.
bool PngChunksFitFile(QIODevice &device);
