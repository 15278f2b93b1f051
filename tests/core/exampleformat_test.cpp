// The example format stored on the first start.

#include "core/database.h"
#include "core/exampleformat.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "core/formatstore.h"
#include "platform/numtext.h"
#include "support/testenv.h"

#include <QImage>
#include <QImageReader>

using namespace fmtgrid;

namespace {

class ExampleFormatTest : public DataDirTest
{
protected:
    static qint64 CountRows(const QString &where, const QVariantList &params)
    {
        const auto rs
            = db::OpenRecordset(QStringLiteral("SELECT COUNT(*) FROM Fmt WHERE ") + where, params);
        return rs ? rs->value(0, 0).toLongLong() : -1;
    }
};

} // namespace

TEST_F(ExampleFormatTest, StoredOnceWithPictureAndLoadsBack)
{
    const QString name = ExampleFormatName();
    EXPECT_EQ(name, QStringLiteral("通用快递单（示例）"));
    ASSERT_TRUE(StoreExampleFormatIfFirstStart());
    EXPECT_TRUE(dlg.shown().empty());

    // The settings row names it; its options are left as they were.
    EXPECT_EQ(num::Text(db::GetFieldWhere(QStringLiteral("Fmt"), QStringLiteral("Fmt=?"),
                                          {QString()}, QStringLiteral("LBL"))),
              name);
    EXPECT_EQ(num::Text(db::GetFieldWhere(QStringLiteral("Fmt"), QStringLiteral("Fmt=?"),
                                          {QString()}, QStringLiteral("fName"))),
              QString());

    // The picture: a JPEG of the page's proportions at the picture path.
    QImageReader reader(GetBackgroundPicturePath(name));
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const QImage pic = reader.read();
    ASSERT_FALSE(pic.isNull());
    EXPECT_NEAR(double(pic.width()) / pic.height(), 230.0 / 127.0, 0.01);
    // Not blank: the form's lines are drawn.
    int dark = 0;
    for (int x = 0; x < pic.width(); x += 3)
        dark += qGray(pic.pixel(x, pic.height() / 2)) < 160;
    EXPECT_GT(dark, 3);

    // Loads back through the format store.
    FormatHostState host;
    ReadFormatHeader(host, name);
    EXPECT_EQ(host.width, QStringLiteral("230"));
    EXPECT_EQ(host.height, QStringLiteral("127"));
    EXPECT_EQ(host.options[4], 1);
    EXPECT_TRUE(host.setPaper); // wider than A4: printed on its own paper
    GridModel g;
    LoadFormatGrid(host, g, name);
    ASSERT_GE(g.dataRows(), 4);
    QStringList labels;
    int dates = 0, pictures = 0;
    for (qint32 r = g.fixedRows(); r < g.rows(); ++r) {
        labels << g.text(r, ColLBL);
        EXPECT_GT(num::Val(g.text(r, ColID)), 0);
        const double right = num::Val(g.text(r, ColX)) + num::Val(g.text(r, ColW));
        const double bottom = num::Val(g.text(r, ColY)) + num::Val(g.text(r, ColH));
        EXPECT_LE(right, 230);
        EXPECT_LE(bottom, 127);
        if (g.text(r, ColCash) == QStringLiteral("110"))
            ++dates;
        if (g.text(r, ColClas) == QStringLiteral("2"))
            ++pictures;
    }
    EXPECT_TRUE(labels.contains(QStringLiteral("寄件人姓名")));
    EXPECT_TRUE(labels.contains(QStringLiteral("收件人地址")));
    EXPECT_EQ(dates, 1);
    EXPECT_EQ(pictures, 1);

    // A second start stores nothing more.
    const qint64 rows = CountRows(QStringLiteral("Fmt=?"), {name});
    EXPECT_FALSE(StoreExampleFormatIfFirstStart());
    EXPECT_EQ(CountRows(QStringLiteral("Fmt=?"), {name}), rows);
    EXPECT_EQ(CountRows(QStringLiteral("LBL=?"), {HeaderMarker()}), 1);
}

TEST_F(ExampleFormatTest, NothingWhenAnyFormatExists)
{
    ASSERT_TRUE(db::InsertRow(QStringLiteral("Fmt"),
                              {{QStringLiteral("Fmt"), QStringLiteral("用户格式")},
                               {QStringLiteral("LBL"), HeaderMarker()}}));
    EXPECT_FALSE(StoreExampleFormatIfFirstStart());
    EXPECT_EQ(CountRows(QStringLiteral("Fmt=?"), {ExampleFormatName()}), 0);
    EXPECT_FALSE(QFile::exists(GetBackgroundPicturePath(ExampleFormatName())));
}

TEST_F(ExampleFormatTest, NothingWhenTheDatabaseExistedBefore)
{
    // The user deleted every format: a later start must not bring the example back.
    ASSERT_NE(db::Connection(), nullptr);
    db::CloseConnection();
    EXPECT_FALSE(StoreExampleFormatIfFirstStart());
    EXPECT_EQ(CountRows(QStringLiteral("Fmt=?"), {ExampleFormatName()}), 0);
}
