// Pictures in the main window, on paper and in the format list: pictures
// past Qt's decoding limit in a picture box, files that cannot be read, and
// a photo whose orientation tag turns it.

#include "core/formatstore.h"
#include "core/ui/listpreview.h"
#include "designer/commands.h"
#include "designer/popupmenu.h"
#include "designer/printsetup.h"
#include "designer/ui/mainwindow.h"
#include "designer/ui/pagewidget.h"
#include "formatwindowtest.h"
#include "printing/printfixture.h"
#include "printing/printer.h"

#include <QBuffer>
#include <QCheckBox>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>

using namespace dsg;
using namespace Qt::StringLiterals;

namespace {

constexpr int kDark = 30, kLight = 220;

// A picture dark in its top half, light below.
QImage TopDark(QSize size, QImage::Format format)
{
    QImage img(size, format);
    img.fill(QColor(kLight, kLight, kLight));
    QPainter(&img).fillRect(0, 0, size.width(), size.height() / 2, QColor(kDark, kDark, kDark));
    return img;
}

// A JPEG of img with an orientation tag (6: turn a quarter clockwise to show).
bool SaveTaggedJpeg(const QImage &img, const QString &path, quint16 orientation)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!img.save(&buffer, "JPG", 90))
        return false;
    // APP1: "Exif", a big-endian TIFF header, one IFD with the tag 0x0112.
    const QByteArray tiff = QByteArray::fromHex("4d4d002a00000008"
                                                "0001"
                                                "011200030000000100000000"
                                                "00000000");
    QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
    app1[6 + 8 + 2 + 8] = char(orientation >> 8);
    app1[6 + 8 + 2 + 9] = char(orientation & 0xFF);
    const int length = int(app1.size()) + 2;
    app1.prepend(char(length & 0xFF)).prepend(char(length >> 8)).prepend("\xFF\xE1", 2);
    jpeg.insert(2, app1); // after the start-of-image marker
    return WriteBytes(path, jpeg);
}

// True when the picture sampled by gray(fx, fy) (fractions of its width and
// height) shows dark above and light below, over its width.
template<typename Gray>
bool DarkAboveLightBelow(Gray gray)
{
    for (const double fx : {0.2, 0.8})
        if (gray(fx, 0.2) > 90 || gray(fx, 0.8) < 160)
            return false;
    return true;
}

bool DarkAboveIn(const QImage &img, QRectF r)
{
    return DarkAboveLightBelow([&](double fx, double fy) {
        return qGray(img.pixel(int(r.x() + fx * r.width()), int(r.y() + fy * r.height())));
    });
}

class PicturesTest : public FormatWindowTest
{
protected:
    void SetUp() override
    {
        FormatWindowTest::SetUp();
        QImageReader::setAllocationLimit(128); // Qt's default, whatever ran before
    }

    // A picture box at 20, 20 mm, 80 × 60 mm, on a 200 × 200 mm format, and
    // an input box far from it.
    static constexpr double kBoxX = 20, kBoxY = 20, kBoxW = 80, kBoxH = 60;
    void WriteBoxFormat(const QString &fmt)
    {
        WriteFormat(fmt, {{2, u"图片"_s, kBoxX, kBoxY, kBoxW, kBoxH, "1", 9},
                          {0, u"收件人"_s, 120, 150, 40, 6, "1", 9}});
    }

    static DesignControl &Box(MainWindow &w) { return *w.State().GetCtlByIndex(2001); }

    // The user adds the picture file to the box through its menu command.
    void AddPictureFile(MainWindow &w, const QString &file)
    {
        dlg.Queue(file);
        AddPicture(w.State(), Box(w));
        QCoreApplication::processEvents();
    }

    // The box's part of a grab of the page.
    static QRectF BoxOnPage(MainWindow &w)
    {
        return QRectF(w.Page()->ControlWidget(2001)->geometry());
    }

    // The page printed to a PDF and rasterised at 20 dpi; null when it fails.
    QImage PrintedPage(MainWindow &w)
    {
        StatePrintView view(w.State());
        TestUi ui;
        const QString file = path(u"page.pdf"_s);
        QFile::remove(file);
        ui.next = std::make_unique<PdfPrinter>(file);
        // A page is printed whatever the pictures.
        w.State().GetCtlByIndex(1)->text = u"张三"_s;
        print::PrintContext ctx = PrintContextFor(w.State(), view, ui);
        if (!print::PrintRecord(ctx))
            return {};
        const QImage page = RasterPage(file, 1, kDpi);
        QImageReader::setAllocationLimit(128);
        return page;
    }
    // The format list's preview of the format: what it did, and the
    // picture it shows in *shown.
    static FmtPictureShown ListPreview(const QString &fmt, QImage *shown = nullptr)
    {
        QFrame frame;
        frame.resize(300, 400);
        QLabel img(&frame);
        img.resize(300, 400);
        QScrollBar vs;
        const FmtPictureShown r = LoadFmtPicture(&img, fmt, &frame, &vs);
        if (shown)
            *shown = img.pixmap().toImage();
        return r;
    }
    static constexpr int kDpi = 20;
    static QRectF MmRect(double x, double y, double w, double h)
    {
        const double k = kDpi / 25.4;
        return QRectF(x * k, y * k, w * k, h * k);
    }
};

} // namespace

// Pictures past the 128 MB decoding limit show in a picture box on the page
// and on paper (read at a half or a quarter of their size).
TEST_F(PicturesTest, HugePicturesShowInABoxAndOnPaper)
{
    const struct
    {
        const char *name;
        QSize size;
        QImage::Format format;
    } cases[] = {
        {"6000.jpg", {6000, 6000}, QImage::Format_RGB32},
        {"12000.jpg", {12000, 12000}, QImage::Format_RGB888},
        {"8000.png", {8000, 8000}, QImage::Format_RGB32},
        {"16bit.png", {6000, 6000}, QImage::Format_RGBX64}, // a scanner's 16 bits a channel
    };
    QTemporaryDir pictures;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = pictures.filePath(QString::fromLatin1(c.name));
        ASSERT_TRUE(TopDark(c.size, c.format).save(file, nullptr, 80));
        const QString fmt = QString::fromLatin1(c.name).section(u'.', 0, 0);
        WriteBoxFormat(fmt);
        MainWindow w;
        w.show();
        ASSERT_EQ(w.FormatLabel()->text(), fmt);
        AddPictureFile(w, file);
        EXPECT_TRUE(DarkAboveIn(w.Page()->grab().toImage(), BoxOnPage(w)));
        const QImage page = PrintedPage(w);
        ASSERT_FALSE(page.isNull());
        EXPECT_TRUE(DarkAboveIn(page, MmRect(kBoxX, kBoxY, kBoxW, kBoxH)));
        EXPECT_TRUE(MessageBoxes(dlg).isEmpty()) << MessageBoxes(dlg).join(u'\n').toStdString();
        w.close();
        QFile::remove(file);
    }
}

// Pictures that would take seconds to read, or that cannot be read at a
// smaller size, are refused at once as too big, naming their size, not as
// damaged: a valid PNG of 9,000 × 8,000 (made directly, all black) and a
// BMP past the decoding limit.
TEST_F(PicturesTest, PicturesPastWhatCanBeReadAreRefusedAsTooBig)
{
    const char *script = R"(import struct, sys, zlib
def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))
w, h = 9000, 8000
z = zlib.compressobj(1)
row = bytes(1 + 3 * w)
idat = b''.join(z.compress(row) for _ in range(h)) + z.flush()
open(sys.argv[1], 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
                              + chunk(b'IDAT', idat) + chunk(b'IEND', b''))
w, h = 6000, 6000
size = 54 + 3 * w * h
open(sys.argv[2], 'wb').write(b'BM' + struct.pack('<IHHI', size, 0, 0, 54)
                              + struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, 3 * w * h, 2835, 2835, 0, 0)
                              + bytes(3 * w * h))
)";
    const QString png = path(u"9000x8000.png"_s), bmp = path(u"6000x6000.bmp"_s);
    ASSERT_EQ(RunCommand(u"/usr/bin/python3"_s, {u"-c"_s, QString::fromUtf8(script), png, bmp}), 0);
    WriteBoxFormat(u"大图"_s);
    MainWindow w;
    w.show();
    const struct
    {
        QString file;
        const char *size;
    } cases[] = {{png, "9000×8000"}, {bmp, "6000×6000"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.size);
        dlg.Clear();
        AddPictureFile(w, c.file);
        const QStringList told = MessageBoxes(dlg);
        ASSERT_EQ(told.size(), 1) << told.join(u'\n').toStdString();
        EXPECT_TRUE(told.at(0).contains(QString::fromUtf8(c.size))) << told.at(0).toStdString();
        EXPECT_TRUE(told.at(0).contains(u"太大"_s)) << told.at(0).toStdString();
    }
    w.close();
}

// A picture file that cannot be read is told once: not again when the page
// is painted, printed, the list shows the format or the format is opened
// again. Chosen for a box by the user, it is told at every choice and the
// box keeps its picture.
TEST_F(PicturesTest, APictureThatCannotBeReadIsToldOnce)
{
    // Not a picture; a JPEG whose header claims 65,000² pixels.
    const QString junk = path(u"坏图.jpg"_s);
    ASSERT_TRUE(WriteBytes(junk, "not a picture at all"));
    QByteArray big = [] {
        QByteArray b;
        QBuffer buffer(&b);
        buffer.open(QIODevice::WriteOnly);
        TopDark({16, 16}, QImage::Format_RGB32).save(&buffer, "JPG");
        return b;
    }();
    const qsizetype sof = big.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    big.replace(sof + 5, 4, QByteArray::fromHex("fde8fde8"));
    const QString huge = path(u"巨图.jpg"_s);
    ASSERT_TRUE(WriteBytes(huge, big));

    const QString fmt = u"坏底图"_s;
    WriteBoxFormat(u"另一个"_s);
    WriteBoxFormat(fmt);
    ASSERT_TRUE(WriteBytes(GetBackgroundPicturePath(fmt), "damaged"));
    MainWindow w;
    w.show();
    ASSERT_EQ(w.FormatLabel()->text(), fmt);
    ASSERT_EQ(MessageBoxes(dlg).size(), 1);
    EXPECT_TRUE(MessageBoxes(dlg).at(0).contains(GetBackgroundPicturePath(fmt)));
    w.Option(4)->setChecked(true);
    ASSERT_TRUE(ToggleTick(w.State(), Tick::DiTuPrint));
    w.Page()->grab();
    ASSERT_FALSE(PrintedPage(w).isNull()) << MessageBoxes(dlg).join(u'\n').toStdString();

    // The box: a file chosen for it that cannot be read is told each time
    // it is chosen and leaves the box's picture; given otherwise, it is told
    // once, whatever is done with it afterwards.
    const QString good = path(u"好图.jpg"_s);
    ASSERT_TRUE(TopDark({16, 16}, QImage::Format_RGB32).save(good));
    AddPictureFile(w, good);
    AddPictureFile(w, junk);
    AddPictureFile(w, huge);
    AddPictureFile(w, junk);
    EXPECT_EQ(Box(w).linkItem, good);
    EXPECT_FALSE(Box(w).picture.isNull());
    w.State().SetControlValue(Box(w), huge);
    w.Page()->grab();
    ASSERT_FALSE(PrintedPage(w).isNull());
    w.State().SelectFormat(u"另一个"_s, false);
    w.State().SelectFormat(fmt, false);
    QCoreApplication::processEvents();
    const QStringList told = MessageBoxes(dlg);
    ASSERT_EQ(told.size(), 4) << told.join(u'\n').toStdString();
    EXPECT_TRUE(told.at(1).contains(junk));
    EXPECT_TRUE(told.at(2).contains(u"65000×65000"_s));
    EXPECT_EQ(told.at(3), told.at(1));

    // The list says why in place of the picture, not in a message box.
    const FmtPictureShown shown = ListPreview(fmt);
    EXPECT_FALSE(shown.shown);
    EXPECT_EQ(shown.fault, told.at(0));
    EXPECT_EQ(MessageBoxes(dlg).size(), 4);
    w.close();
}

// A photo whose orientation tag says to turn it stands the same way up on
// the page, on paper and in the format list, as a background and in a box.
TEST_F(PicturesTest, TheOrientationTagTurnsThePictureEverywhere)
{
    // Stored on its side: dark on the left; shown turned a quarter clockwise,
    // dark at the top.
    QImage stored(400, 200, QImage::Format_RGB32);
    stored.fill(QColor(kLight, kLight, kLight));
    QPainter(&stored).fillRect(0, 0, 200, 200, QColor(kDark, kDark, kDark));
    const QString fmt = u"手机照片"_s;
    WriteFormat(fmt, {{2, u"图片"_s, 20, 140, 50, 50, "1", 9},
                      {0, u"收件人"_s, 120, 150, 40, 6, "1", 9}});
    ASSERT_TRUE(SaveTaggedJpeg(stored, GetBackgroundPicturePath(fmt), 6));
    const QString photo = path(u"photo.jpg"_s);
    ASSERT_TRUE(SaveTaggedJpeg(stored, photo, 6));

    MainWindow w;
    w.show();
    ASSERT_EQ(w.FormatLabel()->text(), fmt);
    AddPictureFile(w, photo);
    w.Option(4)->setChecked(true);
    ASSERT_TRUE(ToggleTick(w.State(), Tick::DiTuPrint));

    // The right half of the page shows the background only (the box is on
    // the left): dark above, light below once turned; light all over if not.
    const QImage shot = w.Page()->grab().toImage();
    EXPECT_TRUE(DarkAboveIn(shot, QRectF(shot.width() / 2.0, 0, shot.width() / 2.0, shot.height())))
        << "page background";
    EXPECT_TRUE(DarkAboveIn(shot, BoxOnPage(w))) << "page box";

    const QImage paper = PrintedPage(w);
    ASSERT_FALSE(paper.isNull());
    EXPECT_TRUE(DarkAboveIn(paper, MmRect(100, 0, 100, 200))) << "paper background";
    EXPECT_TRUE(DarkAboveIn(paper, MmRect(20, 140, 50, 50))) << "paper box";

    QImage listed;
    ASSERT_TRUE(ListPreview(fmt, &listed).shown);
    EXPECT_TRUE(DarkAboveIn(listed, listed.rect())) << "list";
    EXPECT_TRUE(MessageBoxes(dlg).isEmpty());
    w.close();
}
