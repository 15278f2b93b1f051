// Reading picture files: a read is kept while the file stays the same and
// read afresh when it changes, also when its modification time was put
// back; the kept reads stay within their bound however many are read.

#include "platform/picturefile.h"
#include "support/testenv.h"

#include <QFile>
#include <QImageReader>

using namespace Qt::StringLiterals;

class PictureFileTest : public DataDirTest
{ };

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
