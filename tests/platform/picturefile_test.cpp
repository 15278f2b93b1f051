// Reading picture files: a read is kept while the file stays the same and
// read afresh when it changes, also when its modification time was put
// back; the kept reads stay within their bound however many are read;
// pictures of every kind past Qt's decoding limit are read smaller, and
// those past what can be read are refused from their header.

#include "platform/picturefile.h"
#include "support/testenv.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QtEndian>

using namespace Qt::StringLiterals;

class PictureFileTest : public DataDirTest
{ };

namespace {

// A PNG of black (index 0) in the given bit depth, colour type and
// interlacing, written a row at a time by python3; claim > 0 puts before
// the picture data a text chunk claiming that many bytes.
bool WritePng(const QString &path, int w, int h, int depth, int colour, bool interlaced, qint64 claim = 0)
{
    const char *script = R"(import struct, sys, zlib
def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))
w, h, depth, colour, interlace, claim = map(int, sys.argv[2:8])
bits = depth * {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
z = zlib.compressobj(1)
idat = b''
for x0, y0, dx, dy in passes if interlace else [(0, 0, 1, 1)]:
    pw, ph = (w - x0 + dx - 1) // dx, (h - y0 + dy - 1) // dy
    row = bytes(1 + (pw * bits + 7) // 8)
    idat += b''.join(z.compress(row) for _ in range(ph if pw else 0))
out = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, depth, colour, 0, 0, interlace))
if colour == 3:
    out += chunk(b'PLTE', bytes(3 * 16))
if claim:
    out += struct.pack('>I', claim) + b'tEXt' + bytes(100000)
open(sys.argv[1], 'wb').write(out + chunk(b'IDAT', idat + z.flush()) + chunk(b'IEND', b''))
)";
    return RunCommand(u"/usr/bin/python3"_s,
                      {u"-c"_s, QString::fromUtf8(script), path, QString::number(w), QString::number(h),
                       QString::number(depth), QString::number(colour), QString::number(interlaced),
                       QString::number(claim)})
        == 0;
}

// A JPEG dark in its top half; past 16,000 pixels a side, a small one whose
// header claims that size (its data ends long before).
bool WriteJpeg(const QString &path, QSize size, QImage::Format format, bool progressive)
{
    const bool claimOnly = size.width() > 16000;
    QImage img(claimOnly ? QSize(64, 64) : size, format);
    img.fill(QColor(220, 220, 220));
    QPainter(&img).fillRect(0, 0, img.width(), img.height() / 2, QColor(30, 30, 30));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(img))
        return false;
    if (claimOnly) {
        const qsizetype sof = bytes.indexOf(progressive ? "\xFF\xC2" : "\xFF\xC0");
        if (sof < 0)
            return false;
        qToBigEndian<quint16>(quint16(size.height()), bytes.data() + sof + 5);
        qToBigEndian<quint16>(quint16(size.width()), bytes.data() + sof + 7);
    }
    return WriteBytes(path, bytes);
}

// The peak resident memory in MB since the last ResetPeak.
void ResetPeak()
{
    QFile clear(u"/proc/self/clear_refs"_s);
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}
double PeakMb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

} // namespace

// Under Qt's decoding limit of 128 MB: the size and format each picture is
// read at, or why it is refused.
TEST_F(PictureFileTest, PicturesPastTheDecodingLimitAreReadSmallerOrRefused)
{
    using Fault = PictureRead::Fault;
    constexpr QSize kA4(4960, 7016); // a scan at 600 dpi
    const struct
    {
        const char *name;
        std::function<bool(const QString &)> write;
        QSize readAt;
        QImage::Format format;
        Fault fault;
        int mostMb = 0; // the most the read may add to the peak memory; 0: not checked
    } cases[] = {
        // Grey scans: Qt refuses them at any size.
        {"grey.jpg", [&](const QString &f) { return WriteJpeg(f, kA4, QImage::Format_Grayscale8, false); },
         kA4, QImage::Format_Grayscale8, Fault::None},
        {"grey-progressive.jpg",
         [&](const QString &f) { return WriteJpeg(f, kA4, QImage::Format_Grayscale8, true); }, kA4,
         QImage::Format_Grayscale8, Fault::None},
        // Qt reckons these at four bytes a pixel; read row by row, opaque.
        {"grey.png", [&](const QString &f) { return WritePng(f, 4960, 7016, 8, 0, false); },
         {2480, 3508}, QImage::Format_RGB32, Fault::None},
        {"grey16.png", [](const QString &f) { return WritePng(f, 6000, 6000, 16, 0, false); },
         {3000, 3000}, QImage::Format_RGB32, Fault::None},
        {"palette.png", [](const QString &f) { return WritePng(f, 7000, 7000, 4, 3, false); },
         {3500, 3500}, QImage::Format_RGB32, Fault::None},
        {"interlaced.png", [](const QString &f) { return WritePng(f, 8000, 8000, 8, 2, true); },
         {4000, 4000}, QImage::Format_RGB32, Fault::None},
        // Refused from the header: past the pixels decoded whole (a one-bit
        // PNG fits Qt's limit, so it is the header that refuses it), past
        // the pixels of a JPEG, and a progressive JPEG whose whole-picture
        // store passes its bound.
        {"onebit.png", [](const QString &f) { return WritePng(f, 20000, 20000, 1, 0, false); },
         {20000, 20000}, QImage::Format_Invalid, Fault::TooBig},
        {"bomb.jpg",
         [](const QString &f) { return WriteJpeg(f, {45000, 45000}, QImage::Format_RGB32, true); },
         {45000, 45000}, QImage::Format_Invalid, Fault::TooBig, 100},
        {"grey-bomb.jpg",
         [](const QString &f) { return WriteJpeg(f, {24000, 24000}, QImage::Format_Grayscale8, true); },
         {24000, 24000}, QImage::Format_Invalid, Fault::TooBig, 100},
        // A chunk claiming 1.9 GB of a 100 kB file.
        {"claim.png", [](const QString &f) { return WritePng(f, 100, 100, 8, 2, false, 1900000000); },
         {100, 100}, QImage::Format_Invalid, Fault::NotPicture, 100},
    };
    QImageReader::setAllocationLimit(128);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path(QString::fromLatin1(c.name));
        ASSERT_TRUE(c.write(file));
        ResetPeak();
        const double before = PeakMb();
        const PictureRead read = ReadPicture(file);
        if (c.mostMb > 0)
            EXPECT_LT(PeakMb() - before, c.mostMb);
        EXPECT_EQ(read.fault, c.fault);
        if (c.fault == Fault::None) {
            EXPECT_EQ(read.image.size(), c.readAt);
            EXPECT_EQ(read.image.format(), c.format);
            if (c.format == QImage::Format_Grayscale8) // dark above, light below
                EXPECT_TRUE(qGray(read.image.pixel(10, 10)) < 60
                            && qGray(read.image.pixel(10, c.readAt.height() - 10)) > 160);
        } else if (c.fault == Fault::TooBig) {
            EXPECT_EQ(read.fileSize, c.readAt);
        }
        QFile::remove(file);
    }
}

TEST_F(PictureFileTest, AReadIsKeptUntilTheFileChanges)
{
    const QString file = path(u"logo.png"_s);
    QImage wide(40, 20, QImage::Format_RGB32);
    wide.fill(Qt::red);
    ASSERT_TRUE(wide.save(file));
    const PictureRead first = ReadPicture(file);
    ASSERT_EQ(first.image.size(), QSize(40, 20));
    EXPECT_EQ(ReadPicture(file).image.cacheKey(), first.image.cacheKey());

    ASSERT_TRUE(wide.transformed(QTransform().rotate(90)).save(file));
    EXPECT_EQ(ReadPicture(file).image.size(), QSize(20, 40));

    // Read under another decoding limit, a picture is read again.
    QImageReader::setAllocationLimit(64);
    EXPECT_NE(ReadPicture(file).image.cacheKey(), first.image.cacheKey());
    QImageReader::setAllocationLimit(128);
}

TEST_F(PictureFileTest, AFileReplacedUnderItsOldModificationTimeIsReadAfresh)
{
    // A restored copy (cp -p) of the same size carries the old file's
    // modification time; only its change time tells it apart.
    const QString file = path(u"back.bmp"_s);
    const QDateTime old(QDate(2020, 5, 1), QTime(9, 0));
    const auto writeUnderOldTime = [&](Qt::GlobalColor colour) {
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(colour);
        QFile f(file);
        return picture.save(file, "BMP") && f.open(QIODevice::ReadWrite)
            && f.setFileTime(old, QFileDevice::FileModificationTime);
    };
    ASSERT_TRUE(writeUnderOldTime(Qt::red));
    const qint64 bytes = QFileInfo(file).size();
    const QDateTime firstChange = QFileInfo(file).metadataChangeTime();
    EXPECT_EQ(ReadPicture(file).image.pixel(0, 0), QColor(Qt::red).rgb());
    // The change time moves with the system clock's tick.
    do
        ASSERT_TRUE(writeUnderOldTime(Qt::blue));
    while (QFileInfo(file).metadataChangeTime() == firstChange);
    ASSERT_EQ(QFileInfo(file).size(), bytes);
    ASSERT_EQ(QFileInfo(file).lastModified(), old);
    EXPECT_EQ(ReadPicture(file).image.pixel(0, 0), QColor(Qt::blue).rgb());
}

TEST_F(PictureFileTest, KeptReadsStayWithinTheirBound)
{
    // Twelve formats' backgrounds of 4,000 x 3,000 (48 MB each decoded)
    // read in turn and let go, as the format list and the page do.
    QImage scan(4000, 3000, QImage::Format_RGB32);
    scan.fill(Qt::white);
    const QString first = path(u"scan0.png"_s);
    ASSERT_TRUE(scan.save(first));
    scan = QImage();
    const qint64 before = HeapHeldBytes();
    for (int i = 0; i < 12; ++i) {
        const QString file = path(u"scan%1.png"_s.arg(i));
        ASSERT_TRUE(i == 0 || QFile::copy(first, file));
        EXPECT_EQ(ReadPicture(file).image.size(), QSize(4000, 3000)) << i;
    }
    // What the kept reads may hold, 256 MB, and little besides.
    const qint64 held = HeapHeldBytes() - before;
    EXPECT_LE(held, (256 + 16) << 20) << "held " << (held >> 20) << " MB";
}
