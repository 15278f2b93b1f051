#include "platform/picturefile.h"

#include "platform/pngreduced.h"

#include <QCache>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMutex>

namespace {

// The most pixels of a picture that is decoded whole, even when it is kept
// at a smaller size: 8,000 × 8,000, about a second to read. An A4 scan at
// 600 dpi has 35 million. A JPEG is decoded at its smaller size, so its
// time goes with its file's length, not its pixels: it has no such ceiling.
constexpr qint64 kMostPixelsDecodedWhole = 8000LL * 8000;

// The bytes a decoder allocates for a picture of size s in format f (rows
// padded to 32 bits, as QImage keeps them).
qint64 DecodedBytes(QSize s, QImage::Format f)
{
    const int depth = f == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(f).bitsPerPixel();
    return (qint64(s.width()) * depth + 31) / 32 * 4 * s.height();
}

// The first of the steps 1, 2, 4 and 8 at which a picture of size full
// decodes within limit bytes in format f (the decoder's own size at each
// step rounds up); 16 when none does.
int ReductionStep(QSize full, QImage::Format f, qint64 limit)
{
    int step = 1;
    while (step <= 8
           && DecodedBytes(QSize((full.width() + step - 1) / step, (full.height() + step - 1) / step), f)
               > limit)
        step *= 2;
    return step;
}

PictureRead Decode(const QString &path)
{
    PictureRead out;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // The sizes here are the file's, before any turn; the decoder scales
    // before it turns.
    out.fileSize = reader.size();
    const bool jpeg = reader.format() == "jpeg";
    if (out.fileSize.isValid() && !jpeg
        && qint64(out.fileSize.width()) * out.fileSize.height() > kMostPixelsDecodedWhole) {
        out.fault = PictureRead::Fault::TooBig;
        return out;
    }
    const qint64 limit = qint64(QImageReader::allocationLimit()) << 20; // 0: none
    if (limit > 0 && out.fileSize.isValid()) {
        const QSize full = out.fileSize;
        const int step = ReductionStep(full, reader.imageFormat(), limit);
        if (step > 1 && reader.format() == "png") {
            // Qt holds most kinds of PNG whole: read it row by row at the
            // step where 8-bit colour fits.
            QFile file(path);
            ReducedPng png {{}, ReducedPng::Fault::NotPng};
            if (file.open(QIODevice::ReadOnly))
                png = ReadPngReduced(file,
                                     ReductionStep(full, QImage::Format_ARGB32_Premultiplied, limit),
                                     kMostPixelsDecodedWhole);
            out.image = png.image;
            if (png.fault != ReducedPng::Fault::None)
                out.fault = png.fault == ReducedPng::Fault::NotPng ? PictureRead::Fault::NotPicture
                                                                  : PictureRead::Fault::TooBig;
            return out;
        }
        // Past the limit even at an eighth, or of a kind whose decoder
        // cannot make it smaller as it reads (it would be refused as
        // damaged once decoded whole).
        if (step > 8 || (step > 1 && !jpeg && !reader.supportsOption(QImageIOHandler::ScaledSize))) {
            out.fault = PictureRead::Fault::TooBig;
            return out;
        }
        if (step > 1)
            reader.setScaledSize(QSize(full.width() / step, full.height() / step));
    }
    out.image = reader.read();
    if (out.image.isNull())
        out.fault = PictureRead::Fault::NotPicture;
    return out;
}

// A kept read and the file it came from.
struct Kept
{
    qint64 bytes;
    int limitMb; // the decoding limit it was read under
    QDateTime modified;
    QDateTime changed;
    PictureRead read;
};

// Kept reads bounded by their pixels in KB: two pictures at Qt's default
// decoding limit, or several reduced scans. A picture still shown shares
// its pixels with the kept one, so keeping it costs nothing more.
constexpr int kKeptKb = 256 * 1024;

QMutex g_keptLock;
QCache<QString, Kept> &KeptReads()
{
    static QCache<QString, Kept> kept(kKeptKb);
    return kept;
}

} // namespace

PictureRead ReadPicture(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        PictureRead missing;
        missing.fault = PictureRead::Fault::Missing;
        return missing;
    }
    const QString key = info.absoluteFilePath();
    const qint64 bytes = info.size();
    const QDateTime modified = info.lastModified(), changed = info.metadataChangeTime();
    const int limitMb = QImageReader::allocationLimit();
    {
        QMutexLocker lock(&g_keptLock);
        if (const Kept *k = KeptReads().object(key);
            k && k->bytes == bytes && k->limitMb == limitMb && k->modified == modified
            && k->changed == changed)
            return k->read;
    }
    // Decoded outside the lock: another picture may be read meanwhile.
    PictureRead read = Decode(path);
    QMutexLocker lock(&g_keptLock);
    KeptReads().insert(key, new Kept {bytes, limitMb, modified, changed, read},
                       int(qMax<qint64>(1, read.image.sizeInBytes() >> 10)));
    return read;
}

QString PictureFaultText(const QString &path, const PictureRead &read)
{
    switch (read.fault) {
    case PictureRead::Fault::NotPicture:
        return QStringLiteral("图片文件“%1”无法读取（不是图片或已损坏），不能显示和打印！").arg(path);
    case PictureRead::Fault::TooBig:
        return QStringLiteral("图片文件“%1”太大（%2×%3像素），无法读取，不能显示和打印！")
            .arg(path)
            .arg(read.fileSize.width())
            .arg(read.fileSize.height());
    default:
        return {};
    }
}
