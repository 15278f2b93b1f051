#pragma once
// Reading a JPEG of any colour space (colour, grey, CMYK) at a half, a
// quarter or an eighth of its size with libjpeg, which scales as it
// decodes, so the whole picture is never held. Qt's own reader refuses a
// grey JPEG past its decoding limit even when asked for a smaller size.
//
// A baseline JPEG is decoded a band of rows at a time. A progressive one
// (or one whose colours come in separate scans) keeps every coefficient of
// the whole picture until its last scan, two bytes a pixel and colour
// channel whatever the size it is read at: that store is bounded, and a
// picture that would pass the bound is refused before it is allocated.

#include <QImage>
#include <QSize>
#include <functional>

class QIODevice;

struct ReducedJpeg
{
    enum class Fault {
        None,
        NotJpeg, // no JPEG, or damaged past reading
        TooBig, // past the memory bound, or no step small enough
    };
    QImage image; // Grayscale8 for a grey JPEG, RGB32 otherwise; null unless fault is None
    Fault fault = Fault::None;
    QSize fileSize; // the size the header gives, when it was read
};

// The step (1, 2, 4 or 8; more refuses the picture) for a JPEG of the
// header's size decoded into the given format.
using JpegStepChooser = std::function<int(QSize fileSize, QImage::Format format)>;

// The JPEG in `device` at 1/step of its size (each side rounded up), the
// step chosen once the header is read; refused as too big when decoding
// would hold more than maxBytes.
ReducedJpeg ReadJpegReduced(QIODevice &device, const JpegStepChooser &chooseStep, qint64 maxBytes);
