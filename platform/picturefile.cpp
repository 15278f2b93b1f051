#include "platform/picturefile.h"

#include "platform/jpegreduced.h"
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
// 600 dpi has 35 million.
constexpr qint64 kMostPixelsDecodedWhole = 8000LL * 8000;
// A JPEG is decoded at its smaller size, so its time goes mostly with its
// file's length; its pixels still cost time (a few hundred bytes may claim
// 45,000²): an A0 scan at 600 dpi (19,866 × 28,087) is within this.
constexpr qint64 kMostJpegPixels = 25000LL * 25000;
// What a JPEG's decoder may hold: a progressive one keeps two bytes a pixel
// and channel, whatever its smaller size (a grey 20,000² holds 800 MB, a
// colour 10,000² 300 MB, or 600 MB unsubsampled).
constexpr qint64 kMostJpegBytes = 1LL << 30;

// The bytes a decoder allocates for a picture of size s in format f (rows
// padded to 32 bits, as QImage keeps them).
// A reader that failed on a damaged file may say any number as its format.
int Depth(QImage::Format f)
{
    return f <= QImage::Format_Invalid || f >= QImage::NImageFormats
        ? 32
        : QImage::toPixelFormat(f).bitsPerPixel();
}
qint64 DecodedBytes(QSize s, QImage::Format f)
{
    return (qint64(s.width()) * Depth(f) + 31) / 32 * 4 * s.height();
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

// img turned and mirrored as an orientation tag says (the order Qt's own
// reader applies them in).
QImage Oriented(QImage img, QImageIOHandler::Transformations t)
{
    if (t == QImageIOHandler::TransformationRotate270)
        return img.transformed(QTransform().rotate(270));
    img = img.mirrored(t & QImageIOHandler::TransformationMirror,
                       t & QImageIOHandler::TransformationFlip);
    return t & QImageIOHandler::TransformationRotate90 ? img.transformed(QTransform().rotate(90))
                                                      : img;
}

PictureRead Decode(const QString &path)
{
    PictureRead out;
    // A PNG chunk claiming more than the file holds would be allocated whole
    // (by Qt's reader already while it reads the size) before its bytes are
    // found missing.
    if (QFile file(path); file.open(QIODevice::ReadOnly) && file.peek(8) == "\x89PNG\r\n\x1a\n"
        && !PngChunksFitFile(file)) {
        out.fault = PictureRead::Fault::NotPicture;
        return out;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // The sizes here are the file's, before any turn; the decoder scales
    // before it turns.
    out.fileSize = reader.size();
    const bool jpeg = reader.format() == "jpeg", png = reader.format() == "png";
    if (out.fileSize.isValid()
        && qint64(out.fileSize.width()) * out.fileSize.height()
            > (jpeg ? kMostJpegPixels : kMostPixelsDecodedWhole)) {
        out.fault = PictureRead::Fault::TooBig;
        return out;
    }
    const qint64 limit = qint64(QImageReader::allocationLimit()) << 20; // 0: none
    const auto stepFor = [limit](QSize full, QImage::Format f) {
        return limit > 0 ? ReductionStep(full, f, limit) : 1;
    };
    QFile file(path);
    if (jpeg) {
        // Read by libjpeg, which makes any colour space smaller as it
        // decodes; Qt's reader refuses a grey one past the limit.
        const QImageIOHandler::Transformations turn = reader.transformation();
        ReducedJpeg read;
        read.fault = ReducedJpeg::Fault::NotJpeg;
        if (file.open(QIODevice::ReadOnly))
            read = ReadJpegReduced(file, stepFor, kMostJpegBytes);
        if (read.fileSize.isValid())
            out.fileSize = read.fileSize;
        if (read.fault != ReducedJpeg::Fault::None)
            out.fault = read.fault == ReducedJpeg::Fault::TooBig ? PictureRead::Fault::TooBig
                                                                 : PictureRead::Fault::NotPicture;
        else
            out.image = Oriented(read.image, turn);
        return out;
    }
    // Qt reckons its limit at four bytes a pixel for any PNG below 16 bits a
    // channel, and holds most kinds whole: past the limit so reckoned, the
    // PNG is read row by row at the step where 8-bit colour fits.
    const auto qtHolds = [&reader] {
        const QImage::Format f = reader.imageFormat();
        return Depth(f) > 32 ? f : QImage::Format_ARGB32;
    };
    if (png && out.fileSize.isValid() && stepFor(out.fileSize, qtHolds()) > 1) {
        ReducedPng read;
        read.fault = ReducedPng::Fault::NotPng;
        if (file.open(QIODevice::ReadOnly))
            read = ReadPngReduced(file, stepFor(out.fileSize, QImage::Format_ARGB32),
                                  kMostPixelsDecodedWhole);
        out.image = read.image;
        if (read.fault != ReducedPng::Fault::None)
            out.fault = read.fault == ReducedPng::Fault::TooManyPixels
                ? PictureRead::Fault::TooBig
                : PictureRead::Fault::NotPicture;
        return out;
    }
    if (out.fileSize.isValid()) {
        const int step = stepFor(out.fileSize, reader.imageFormat());
        // Past the limit even at an eighth, or of a kind whose decoder
        // cannot make it smaller as it reads (it would be refused as
        // damaged once decoded whole).
        if (step > 8 || (step > 1 && !reader.supportsOption(QImageIOHandler::ScaledSize))) {
            out.fault = PictureRead::Fault::TooBig;
            return out;
        }
        if (step > 1)
            reader.setScaledSize(QSize(out.fileSize.width() / step, out.fileSize.height() / step));
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
