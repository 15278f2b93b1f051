// The records services on the main window's state: lost-focus processing
// with a sum target not saved yet, DataGrid rows shown with the line-break
// marker, the record scroll bar and the history of a printed page.

#include "core/database.h"
#include "core/formatgrid.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/settings.h"
#include "designer/mainstate.h"
#include "designer/recordservices.h"
#include "platform/numtext.h"
#include "support/testenv.h"
#include "testformat.h"

using namespace dsg;
using namespace Qt::StringLiterals;

namespace {

const QString kFmt = u"韵达"_s;

class RecordServicesTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        TheStartupRecord = StartupRecord();
        testfmt::WriteHeader(kFmt, 200, 100, 15360);
        testfmt::WriteRow(kFmt, {0, u"单价"_s, 20, 10, 40, 6, "1", 9});
        testfmt::WriteRow(kFmt, {0, u"运费"_s, 20, 30, 40, 6, "1", 9, 0});
        testfmt::WriteRow(kFmt, {1, u"到付"_s, 100, 10, 4, 4, "2"});
        testfmt::SetLastFormat(kFmt);
        state.SetScreenWidthTwips(15360);
        state.SetFrameSize(15000, 6000);
        state.Load();
    }
    MainState state;
};

} // namespace

TEST_F(RecordServicesTest, LostFocusSumsIntoAnUnsavedBoxAndWhitensItsChain)
{
    int cls = 0;
    DesignControl *total = state.AddControl(cls);
    ASSERT_TRUE(total);
    GridModel &g = state.FormatGrid();
    const qint64 totalId = qint64(num::Val(g.text(total->Row(), fmtgrid::ColID)));
    ASSERT_TRUE(fmtgrid::IsTempId(totalId));
    g.setText(total->Row(), fmtgrid::ColCash, u"104"_s);
    const QString ref = num::Str(fmtgrid::EncodeSumRef(totalId, false));
    g.setText(state.GetCtlByIndex(1)->Row(), fmtgrid::ColSumID, ref);
    g.setText(state.GetCtlByIndex(2)->Row(), fmtgrid::ColSumID1, ref);
    state.GetCtlByIndex(1)->text = u"12"_s;
    state.GetCtlByIndex(2)->text = u"0.5"_s;
    total->backColor = 0xAAAAFF; // the link highlight

    TT_LostFocus(state, 1);
    EXPECT_EQ(total->text, u"￥12.50"_s);
    EXPECT_EQ(total->backColor, 0xFFFFFF);
    // An empty box runs nothing.
    state.GetCtlByIndex(1)->text.clear();
    TT_LostFocus(state, 1);
    EXPECT_EQ(total->text, u"￥12.50"_s);
}

TEST_F(RecordServicesTest, DataGridRowsSteppedAndPrintedIntoHistory)
{
    LineBreakMarker = u"//"_s;
    GridModel &data = state.DataGrid();
    data.setCols(3);
    data.setRows(2);
    data.setFixedRows(2);
    data.setFixedCols(1);
    data.setText(0, 1, u"1"_s);
    data.setText(0, 2, u"1001"_s);
    data.addRow({u"1"_s, u"上海//浦东"_s, u"√"_s});
    data.addRow({u"2"_s, u"北京"_s, u""_s});
    state.SetupRecordScroll();
    EXPECT_EQ(state.RecordScroll(), (rec::RecordScroll {1, 2}));
    EXPECT_EQ(state.RecordCountText(), u"2"_s);
    EXPECT_EQ(state.RecordShownText(), u"1"_s);
    EXPECT_EQ(state.GetCtlByIndex(1)->text, u"上海\r\n浦东"_s);
    EXPECT_EQ(state.GetCtlByIndex(1001)->value, 1);
    ASSERT_TRUE(SaveHistoryRecord(state));

    state.HS_Change(2);
    EXPECT_EQ(state.RecordShownText(), u"2"_s);
    EXPECT_EQ(state.GetCtlByIndex(1)->text, u"北京"_s);
    EXPECT_EQ(state.GetCtlByIndex(1001)->value, 0);
    ASSERT_TRUE(SaveHistoryRecord(state));

    auto rs = db::OpenRecordset(u"SELECT ID, Con FROM 历史 WHERE Fmt=? ORDER BY ID, CID"_s, {kFmt});
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->size(), 3);
    EXPECT_EQ(num::Text(rs->value(0, 1)), u"上海\r\n浦东"_s);
    EXPECT_EQ(num::Text(rs->value(2, 0)), u"2"_s);
}
