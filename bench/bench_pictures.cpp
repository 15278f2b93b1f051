// Reading pictures past Qt's decoding limit (128 MB) as the page and the
// printer read them: the time of the first read of each file (a read is
// kept afterwards), the memory it adds at its peak, the size it was read
// at, or the fault. PNGs of 8,000² in 8 bits a channel (also interlaced)
// and of 6,000² and 8,000² in 16 bits are read row by row at a smaller
// size; a 9,000 × 8,000 PNG and a 20,000² PNG (1.5 MB, the kind that
// decodes to 1.6 GB) are past the pixels decoded whole and refused at once;
// JPEGs (colour 12,000², grey A4 scan, grey 20,000² and colour 10,000²
// progressive) are decoded smaller by libjpeg; a 45,000² progressive JPEG
// of a few hundred bytes is refused from its header, and a PNG whose chunk
// claims 1.9 GB of a 100 kB file as damaged.

#include "platform/picturefile.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdio>

namespace {

// A PNG of nothing but black in 8-bit colour, written without ever
// holding the picture (python3's zlib over one row at a time); interlaced
// in seven passes, or with a text chunk before the picture data claiming
// `claim` bytes of which 100 kB follow.
bool WriteBlackPng(const QString &path, int w, int h, bool interlaced = false, qint64 claim = 0)
{
    const char *script = R"(import struct, sys, zlib
def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))
w, h, interlace, claim = map(int, sys.argv[2:6])
passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
z = zlib.compressobj(9)
idat = b''
for x0, y0, dx, dy in passes if interlace else [(0, 0, 1, 1)]:
    pw, ph = (w - x0 + dx - 1) // dx, (h - y0 + dy - 1) // dy
    row = bytes(1 + 4 * pw)
    idat += b''.join(z.compress(row) for _ in range(ph if pw else 0))
out = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, interlace))
if claim:
    out += struct.pack('>I', claim) + b'tEXt' + bytes(100000)
open(sys.argv[1], 'wb').write(out + chunk(b'IDAT', idat + z.flush()) + chunk(b'IEND', b''))
)";
    return QProcess::execute(QStringLiteral("python3"),
                             {QStringLiteral("-c"), QString::fromUtf8(script), path,
                              QString::number(w), QString::number(h), QString::number(interlaced),
                              QString::number(claim)})
        == 0;
}

// A picture dark above, light below; a progressive JPEG when asked; past
// 16,000 pixels a side, a small JPEG whose header claims that size.
bool WritePicture(const QString &path, int side, QImage::Format format, bool progressive = false)
{
    const bool claimOnly = side > 16000 && progressive && format == QImage::Format_RGB32;
    QImage img(claimOnly ? 64 : side, claimOnly ? 64 : side, format);
    img.fill(QColor(220, 220, 220));
    QPainter(&img).fillRect(0, 0, img.width(), img.height() / 2, QColor(30, 30, 30));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, path.endsWith(QLatin1String(".png")) ? "png" : "jpeg");
    writer.setQuality(80);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(img))
        return false;
    if (claimOnly) {
        const qsizetype sof = bytes.indexOf("\xFF\xC2");
        qToBigEndian<quint16>(quint16(side), bytes.data() + sof + 5);
        qToBigEndian<quint16>(quint16(side), bytes.data() + sof + 7);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The resident memory in MB now, or at its peak since ResetPeak.
double StatusMb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}
void ResetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QImageWriter::supportedImageFormats(); // plug-ins loaded before any timing
    QTemporaryDir dir;
    const struct
    {
        const char *name;
        int side;
        QImage::Format format;
        bool progressive;
    } made[] = {
        {"8000-8bit.png", 8000, QImage::Format_RGB32, false},
        {"6000-16bit.png", 6000, QImage::Format_RGBX64, false},
        {"8000-16bit.png", 8000, QImage::Format_RGBA64, false},
        {"12000.jpg", 12000, QImage::Format_RGB888, false},
        {"grey-a4.jpg", 0, QImage::Format_Grayscale8, false},
        {"grey-20000-p.jpg", 20000, QImage::Format_Grayscale8, true},
        {"10000-p.jpg", 10000, QImage::Format_RGB32, true},
        {"45000-p.jpg", 45000, QImage::Format_RGB32, true},
    };
    QStringList files;
    for (const auto &m : made) {
        files << dir.filePath(QString::fromLatin1(m.name));
        const bool written = m.side > 0
            ? WritePicture(files.last(), m.side, m.format, m.progressive)
            : QImage(4960, 7016, m.format).save(files.last(), nullptr, 80); // an A4 scan at 600 dpi
        if (!written)
            std::printf("%s: not written\n", m.name);
    }
    files << dir.filePath(QStringLiteral("9000x8000.png"));
    WriteBlackPng(files.last(), 9000, 8000);
    files << dir.filePath(QStringLiteral("20000.png"));
    WriteBlackPng(files.last(), 20000, 20000);
    files << dir.filePath(QStringLiteral("8000-interlaced.png"));
    WriteBlackPng(files.last(), 8000, 8000, true);
    files << dir.filePath(QStringLiteral("claim-1.9GB.png"));
    WriteBlackPng(files.last(), 100, 100, false, 1900000000);

    for (const QString &file : std::as_const(files)) {
        ResetPeak();
        const double before = StatusMb("VmRSS:");
        QElapsedTimer t;
        t.start();
        const PictureRead read = ReadPicture(file);
        const qint64 ms = t.elapsed();
        const double peak = StatusMb("VmHWM:") - before;
        const QString what = read.fault == PictureRead::Fault::None
            ? QStringLiteral("read at %1×%2").arg(read.image.width()).arg(read.image.height())
            : PictureFaultText(file, read).isEmpty() ? QStringLiteral("missing")
                                                     : QStringLiteral("refused: ")
                    + PictureFaultText(QFileInfo(file).fileName(), read);
        std::printf("%-20s %7.1f MB file: %6lld ms, peak +%5.0f MB, %s\n",
                    qPrintable(QFileInfo(file).fileName()), QFileInfo(file).size() / 1048576.0, ms,
                    peak, what.toUtf8().constData());
    }
    return 0;
}
