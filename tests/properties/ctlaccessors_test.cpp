#include "core/controlrow.h"
#include "core/formatgrid.h"
#include "core/globals.h"
#include "core/settings.h"
#include "properties/controlset.h"
#include "properties/ctlaccessors.h"
#include "support/testenv.h"

#include <QMap>

using fmtgrid::ColCash;
using fmtgrid::ColClas;
using fmtgrid::ColDir;
using fmtgrid::ColID;
using fmtgrid::ColRCtl;
using fmtgrid::ColSumID;
using fmtgrid::ColSumID1;
using fmtgrid::kColumnCount;
using fmtgrid::LayoutFormatGrid;

namespace {

// Design controls as a map from index to Tag.
class FakeControls : public ControlSet
{
public:
    QMap<qint32, QString> tags;
    std::optional<QString> ControlTag(qint32 index) const override
    {
        const auto it = tags.constFind(index);
        return it == tags.constEnd() ? std::nullopt : std::optional<QString>(it.value());
    }
};

class AccessorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LayoutFormatGrid(grid);
        hooks.push_back(InstallFormatGridModel(&grid));
        hooks.push_back(InstallControlSet(&controls));
        hooks.push_back(InstallCtlCountProvider([this](int cls) {
            qint32 n = 0;
            for (qint32 i : controls.tags.keys())
                if (i / 1000 == cls)
                    ++n;
            return n;
        }));
    }
    void TearDown() override { hooks.clear(); }
    std::vector<HookHandle> hooks;
    qint32 addRow(const QString &id, int cls, const QString &cash = QString(),
                  const QString &rctl = QString(), const QString &sum = QString(),
                  const QString &sum1 = QString(), const QString &dir = QString())
    {
        QStringList t;
        for (int c = 0; c < kColumnCount; ++c)
            t << QString();
        t[ColID] = id;
        t[ColClas] = QString::number(cls);
        t[ColCash] = cash;
        t[ColRCtl] = rctl;
        t[ColSumID] = sum;
        t[ColSumID1] = sum1;
        t[ColDir] = dir;
        return grid.addRow(t);
    }

    GridModel grid;
    FakeControls controls;
};

} // namespace

TEST_F(AccessorTest, ReadsTheRowOfTheControlsTag)
{
    const qint32 r = addRow(QStringLiteral("57"), 0, QStringLiteral("2.5"), QStringLiteral("12"),
                            QStringLiteral("-13"), QStringLiteral("3.5"), QStringLiteral("下方"));
    controls.tags[1] = QString::number(r);
    EXPECT_EQ(GetCtlID(1), 57);
    EXPECT_EQ(GetCtlCash(1), 2); // halves to even
    EXPECT_EQ(GetCtlRCtl(1), 12);
    EXPECT_EQ(GetCtlSumID(1), -13);
    EXPECT_EQ(GetCtlSumID1(1), 4);
    EXPECT_EQ(GetCtlDir(1), 3);
    // A temporary ID reads back whole.
    const qint64 t = NewTempCtlID(grid);
    grid.setText(r, ColID, QString::number(t));
    EXPECT_EQ(GetCtlID(1), qint32(t));
}

TEST_F(AccessorTest, UnreadableRowsGiveZeroOrNone)
{
    controls.tags[2] = QStringLiteral("0");
    controls.tags[3] = QStringLiteral("99");
    EXPECT_EQ(GetCtlCash(2), 0);
    EXPECT_EQ(GetCtlSumID(3), 0);
    EXPECT_EQ(GetCtlDir(3), 0);
    EXPECT_FALSE(GetCtlID(2).has_value());
    EXPECT_FALSE(GetCtlID(7).has_value()); // no such control
}

TEST_F(AccessorTest, FindsControlsByRowAndId)
{
    const qint32 r1 = addRow(QStringLiteral("10"), 0);
    const qint32 r2 = addRow(QStringLiteral("10"), 2); // the same ID again, lower
    const qint32 r3 = addRow(QStringLiteral("11"), 5);
    const qint32 r4 = addRow(QStringLiteral("12"), 3);
    controls.tags[1] = QString::number(r2); // an input box on another row
    controls.tags[2] = QString::number(r1);
    controls.tags[2001] = QString::number(r2);
    controls.tags[3001] = QString::number(r4);
    EXPECT_EQ(FindCtlByRow(r1), 2);
    EXPECT_EQ(FindCtlByRow(r2), 2001); // class from column 17
    EXPECT_FALSE(FindCtlByRow(r3).has_value()); // class 5 has no controls
    EXPECT_EQ(GetCtlIndexByRow(r4), 3001);
    EXPECT_EQ(FindCtlByID(10), 2); // the upper row
    EXPECT_EQ(GetCtlIndexByID(12), 3001);
    EXPECT_EQ(GetCtlIndexByID(13), 0);
    EXPECT_EQ(GetCtlIndexByID(0), 0);
    EXPECT_EQ(GetCtlIndexByID(-3), 0);
}

TEST_F(AccessorTest, ControlsWithoutARowBelongToNoRow)
{
    addRow(QStringLiteral("10"), 0);
    controls.tags[1] = QStringLiteral("0"); // loaded, not captured yet
    controls.tags[2] = QStringLiteral("9");
    EXPECT_FALSE(FindCtlByRow(0).has_value());
    EXPECT_FALSE(GetCtlIndexByRow(1).has_value());
    EXPECT_FALSE(FindCtlByRow(9).has_value()); // past the last row
}

TEST(AccessorCodes, PackAlignAndDirNames)
{
    EXPECT_DOUBLE_EQ(fmtgrid::PackAlign(3.5, 2), 2003.5);
    EXPECT_DOUBLE_EQ(fmtgrid::PackAlign(-3.5, 1), -1003.5);
    EXPECT_DOUBLE_EQ(fmtgrid::PackAlign(0, 1), 1000);
    EXPECT_DOUBLE_EQ(fmtgrid::PackAlign(-2.5, 2), -2002.5);
    EXPECT_EQ(DirNameToCode(QString()), 0);
    EXPECT_EQ(DirNameToCode(QStringLiteral("右边")), 2);
    EXPECT_EQ(DirCodeToName(4), QString());
    EXPECT_EQ(DirCodeToName(0), QStringLiteral("上方"));
}

class CustomDateTest : public DataDirTest
{
};

TEST_F(CustomDateTest, KeyIsTheWordThenTheCode)
{
    EXPECT_EQ(CustomDateFormatKey(119), QStringLiteral("自定义类型119"));
    ASSERT_TRUE(SaveParam(QStringLiteral("119自定义类型"), QStringLiteral("yyyy")));
    EXPECT_EQ(ReadCustomDateFormat(119), QStringLiteral("yyyy")); // the older key still reads
    ASSERT_TRUE(SaveCustomDateFormat(119, QStringLiteral("yyyy年m月")));
    EXPECT_EQ(ReadParam(QStringLiteral("自定义类型119")), QStringLiteral("yyyy年m月"));
    EXPECT_EQ(ReadCustomDateFormat(119), QStringLiteral("yyyy年m月"));
}
