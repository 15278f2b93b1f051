#pragma once
// Reading a picture file for the page and the printer, whatever its size.
// Qt refuses to decode a picture whose pixels would pass its allocation limit
// (QImageReader::allocationLimit, 128 MB by default); an A4 scan at 600 dpi
// (4,960 × 7,016) is past it. Such a picture is read at half, a quarter or
// an eighth of its size, the first that fits: the steps a JPEG decoder
// scales by while it decodes, so the whole picture is never held. The page
// and the printer draw a picture scaled to its box anyway, so the smaller
// copy costs only resolution (the A4 scan is read at 300 dpi).

#include <QImage>
#include <QString>

// The picture in the file at path; null when it cannot be read (no file, not
// a picture, or too big even at an eighth). autoTransform turns it as the
// file's orientation tag says.
QImage ReadPicture(const QString &path, bool autoTransform = false);
