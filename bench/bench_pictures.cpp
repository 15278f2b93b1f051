// Reading pictures past Qt's decoding limit (128 MB) as the page and the
// printer read them: the time of the first read of each file (a read is
// kept afterwards), the size it was read at, or the fault. PNGs of 8,000²
// in 8 bits a channel and of 6,000² and 8,000² in 16 bits are read row by
// row at a smaller size; a 9,000 × 8,000 PNG and a 20,000² PNG (1.5 MB, the
// kind that decodes to 1.6 GB) are past the pixels decoded whole and
// refused at once; a 12,000² JPEG is decoded at a quarter by its decoder.

#include "platform/picturefile.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// A PNG of nothing but black in 8-bit colour, written without ever
// holding the picture (python3's zlib over one row at a time).
bool WriteBlackPng(const QString &path, int w, int h)
{
    const char *script = R"(import struct, sys, zlib
def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))
w, h = int(sys.argv[2]), int(sys.argv[3])
z = zlib.compressobj(9)
row = bytes(1 + 4 * w)
idat = b''.join(z.compress(row) for _ in range(h)) + z.flush()
open(sys.argv[1], 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
                              + chunk(b'IDAT', idat) + chunk(b'IEND', b''))
)";
    return QProcess::execute(QStringLiteral("python3"),
                             {QStringLiteral("-c"), QString::fromUtf8(script), path,
                              QString::number(w), QString::number(h)})
        == 0;
}

bool WritePicture(const QString &path, int side, QImage::Format format)
{
    QImage img(side, side, format);
    img.fill(QColor(220, 220, 220));
    QPainter(&img).fillRect(0, 0, side, side / 2, QColor(30, 30, 30));
    return img.save(path, nullptr, 80);
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
    } made[] = {
        {"8000-8bit.png", 8000, QImage::Format_RGB32},
        {"6000-16bit.png", 6000, QImage::Format_RGBX64},
        {"8000-16bit.png", 8000, QImage::Format_RGBA64},
        {"12000.jpg", 12000, QImage::Format_RGB888},
    };
    QStringList files;
    for (const auto &m : made) {
        files << dir.filePath(QString::fromLatin1(m.name));
        if (!WritePicture(files.last(), m.side, m.format))
            std::printf("%s: not written\n", m.name);
    }
    files << dir.filePath(QStringLiteral("9000x8000.png"));
    WriteBlackPng(files.last(), 9000, 8000);
    files << dir.filePath(QStringLiteral("20000.png"));
    WriteBlackPng(files.last(), 20000, 20000);

    for (const QString &file : std::as_const(files)) {
        QElapsedTimer t;
        t.start();
        const PictureRead read = ReadPicture(file);
        const qint64 ms = t.elapsed();
        const QString what = read.fault == PictureRead::Fault::None
            ? QStringLiteral("read at %1×%2").arg(read.image.width()).arg(read.image.height())
            : PictureFaultText(file, read).isEmpty() ? QStringLiteral("missing")
                                                     : QStringLiteral("refused: ")
                    + PictureFaultText(QFileInfo(file).fileName(), read);
        std::printf("%-16s %7.1f MB file: %6lld ms, %s\n", qPrintable(QFileInfo(file).fileName()),
                    QFileInfo(file).size() / 1048576.0, ms, what.toUtf8().constData());
    }
    return 0;
}
