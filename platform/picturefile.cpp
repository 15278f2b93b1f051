#include "platform/picturefile.h"

#include <QCache>
#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QMutex>

namespace {

// The bytes a decoder allocates for a picture of size s in format f (rows
// padded to 32 bits, as QImage keeps them).
qint64 DecodedBytes(QSize s, QImage::Format f)
{
    const int depth = f == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(f).bitsPerPixel();
    return (qint64(s.width()) * depth + 31) / 32 * 4 * s.height();
}

PictureRead Decode(const QString &path)
{
    PictureRead out;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // The sizes here are the file's, before any turn; the decoder scales
    // before it turns.
    out.fileSize = reader.size();
    const qint64 limit = qint64(QImageReader::allocationLimit()) << 20; // 0: none
    if (limit > 0 && out.fileSize.isValid()) {
        const QSize full = out.fileSize;
        const QImage::Format format = reader.imageFormat();
        int step = 1;
        // The decoder's own size at each step rounds up.
        while (step <= 8
               && DecodedBytes(QSize((full.width() + step - 1) / step,
                                     (full.height() + step - 1) / step),
                               format)
                   > limit)
            step *= 2;
        if (step > 8) {
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
