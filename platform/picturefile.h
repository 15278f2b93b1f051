#pragma once
// Reading a picture file: the one rule for the page, the printer, picture
// boxes and the format list, so all of them show a picture the same way up
// and at the same size.
//
// The picture is turned as the file's orientation tag says (a phone photo
// of a waybill stands upright). Qt refuses to decode a picture whose pixels
// would pass its allocation limit (QImageReader::allocationLimit, 128 MB by
// default; for a PNG below 16 bits a channel it reckons four bytes a pixel
// whatever the kind); an A4 scan at 600 dpi (4,960 × 7,016) or a 6,000²
// photo is past it. Such a picture is read at half, a quarter or an eighth
// of its size, the first that fits. A JPEG of any colour space is read by
// libjpeg, which scales while it decodes (platform/jpegreduced.h); a PNG of
// any kind (16 bits a channel included, which Qt would hold whole) is
// decoded row by row into the smaller copy (platform/pngreduced.h). Both
// still cost time with the pixels, so a picture is refused at once from its
// header as too big past 8,000 × 8,000 pixels (a 1.5 MB PNG may decode to
// 20,000²), a JPEG past 25,000 × 25,000 (541 bytes may claim 45,000²), as
// is a progressive JPEG whose decoder would hold more than 1 GB, and one of
// a kind whose decoder cannot make it smaller (BMP, GIF, ...) past the
// limit. A PNG chunk claiming more bytes than the file holds is refused as
// damaged before any reader allocates it. The page and the printer draw a
// picture scaled to its box anyway, so the smaller copy costs only
// resolution (the A4 scan is read at 300 dpi).
//
// Every read is kept for the rest of the run under the file's path, size
// and times, so a picture read again (a format reopened, a record printed
// again, the list's rows passed over) costs nothing; a changed file is read
// afresh. The kept pictures are bounded in total (the oldest go first).

#include <QImage>
#include <QSize>
#include <QString>

struct PictureRead
{
    enum class Fault {
        None,
        Missing, // no file at the path
        NotPicture, // not a picture Qt can decode, or damaged past reading
        TooBig, // too many pixels to decode in time, or past the decoding
                // limit at every size it can be read at
    };
    QImage image; // null unless fault is None
    Fault fault = Fault::None;
    QSize fileSize; // the size the file gives, when it gives one
};

// The picture in the file at path (see above). Thread-safe.
PictureRead ReadPicture(const QString &path);

// What to tell the user about a picture file that is there but was not
// read (fault NotPicture or TooBig); empty otherwise.
QString PictureFaultText(const QString &path, const PictureRead &read);
