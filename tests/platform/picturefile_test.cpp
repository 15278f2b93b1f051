// Reading picture files: a read is kept while the file stays the same and
// read afresh when it changes.

#include "platform/picturefile.h"
#include "support/testenv.h"

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
