#include "platform/picturefile.h"

#include <QImageReader>

namespace {

// The bytes a decoder allocates for a picture of size s in format f (rows
// padded to 32 bits, as QImage keeps them).
qint64 DecodedBytes(QSize s, QImage::Format f)
{
    const int depth = f == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(f).bitsPerPixel();
    return (qint64(s.width()) * depth + 31) / 32 * 4 * s.height();
}

} // namespace

QImage ReadPicture(const QString &path, bool autoTransform)
{
    QImageReader reader(path);
    reader.setAutoTransform(autoTransform);
    const QSize full = reader.size();
    const qint64 limit = qint64(QImageReader::allocationLimit()) << 20; // 0: none
    if (limit > 0 && full.isValid()) {
        const QImage::Format format = reader.imageFormat();
        for (int step = 1; step <= 8; step *= 2) {
            // The decoder's own size at this step rounds up.
            const QSize decoded((full.width() + step - 1) / step, (full.height() + step - 1) / step);
            if (DecodedBytes(decoded, format) <= limit) {
                if (step > 1)
                    reader.setScaledSize(QSize(full.width() / step, full.height() / step));
                break;
            }
        }
    }
    return reader.read();
}
