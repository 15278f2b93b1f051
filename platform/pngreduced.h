#pragma once
// Reading a PNG at a smaller size without ever holding it whole: its rows
// are decoded one at a time (any bit depth and colour type; 16-bit
// channels are taken to 8 bits, a palette or grey to colour) and averaged
// over blocks of step × step pixels. Qt's own PNG reader holds the whole
// picture at its full size for every kind but non-interlaced 8-bit colour,
// so a 16-bit scan past its decoding limit cannot be read by it at all.
// An interlaced PNG sends its rows in seven passes over the whole picture,
// so it is not read this way.

#include <QImage>

class QIODevice;

struct ReducedPng
{
    enum class Fault {
        None,
        NotPng, // no PNG, or damaged past reading
        Interlaced, // cannot be read a row at a time
        TooManyPixels, // more than the reader was allowed
    };
    QImage image; // premultiplied ARGB32; null unless fault is None
    Fault fault = Fault::None;
};

// The PNG in `device` at 1/step of its size (each side rounded down, at
// least one pixel; step from 1 to 16), refused when it has more than
// maxPixels pixels, before any row is decoded.
ReducedPng ReadPngReduced(QIODevice &device, int step, qint64 maxPixels);
