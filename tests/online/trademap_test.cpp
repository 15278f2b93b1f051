#include "core/database.h"
#include "online/tradegrid.h"
#include "online/trademap.h"
#include "support/gridcontrols.h"
#include "support/testenv.h"

namespace {

using namespace trade;

// A trade row: order, item, quantity, status, recipient, address.
void addTrade(GridModel &g, const QString &order, const QString &item, const QString &qty,
              const QString &status, const QString &recipient, const QString &address)
{
    const qint32 r = g.addRow();
    g.setText(r, OrderNo, order);
    g.setText(r, Item, item);
    g.setText(r, Price, "9.5");
    g.setText(r, Quantity, qty);
    g.setText(r, Status, status);
    g.setText(r, Received, "19");
    g.setText(r, Recipient, recipient);
    g.setText(r, Address, address);
}

class TradeMapTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        InitTradeGrid(trades);
        addTrade(trades, "1", "裙", "1", "交易成功", "张三", "建国路");
        addTrade(trades, "1_1", "帽", "2", "交易成功", "张三", "建国路");
        addTrade(trades, "2", "鞋", "1", "交易关闭", "张三", "建国路");
        addTrade(trades, "3", "袜", "3", "等待发货", "李四", "长安街");
        addTrade(trades, "4", "包", "4", "交易成功", "张三", "建国路");
        addTrade(trades, "5", "伞", "1", "交易成功", "", "");
        addTrade(trades, "6", "扇", "1", "交易成功", "", "");
    }
    GridModel trades, sample;
};

} // namespace

TEST_F(TradeMapTest, SampleLeavesOutClosedTradesAndMergesByRecipientAndAddress)
{
    tmap::FillSampleGrid(trades, sample, false);
    EXPECT_EQ(sample.dataRows(), 6);
    EXPECT_EQ(sample.text(0, 1), "A");
    EXPECT_EQ(sample.text(1, 1), "订单编号");
    EXPECT_EQ(sample.text(2, 0), "1");
    EXPECT_EQ(sample.text(4, 1), "3");

    tmap::FillSampleGrid(trades, sample, true);
    ASSERT_EQ(sample.dataRows(), 3);
    EXPECT_EQ(sample.text(2, OrderNo - 1), "1\r\n1_1\r\n4");
    EXPECT_EQ(sample.text(2, Item - 1), "裙\r\n帽\r\n包");
    EXPECT_EQ(sample.text(2, Quantity - 1), "7");
    EXPECT_EQ(sample.text(2, Price - 1), "9.5");
    EXPECT_EQ(sample.text(2, Received - 1), "19");
    EXPECT_EQ(sample.text(4, OrderNo - 1), "5\r\n6"); // empty recipient and address
}

TEST_F(TradeMapTest, MapIsKeptPerFormatByControlId)
{
    GridControls page;
    page.Add(0, "收件人", 501);
    page.Add(0, "地址", 502);
    page.Add(1, "已付", 503);
    GridModel map;
    tmap::ListFormatBoxes(map, page);
    ASSERT_EQ(map.dataRows(), 3);
    EXPECT_EQ(map.text(3, tmap::MapIndex), "1001");
    EXPECT_EQ(map.text(2, tmap::MapCaption), "地址");
    map.setText(1, tmap::MapText, "L");
    map.setText(3, tmap::MapText, " \"√\" ");
    ASSERT_TRUE(tmap::SaveTBMap(map, page.name));
    ASSERT_TRUE(tmap::SaveTBMap(map, page.name)); // replaces, no second copy
    const auto rs = db::OpenRecordset("SELECT ID, Fmt FROM 淘宝映射 ORDER BY ID");
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->size(), 2);
    EXPECT_EQ(rs->value(0, 0).toLongLong(), 501);
    EXPECT_EQ(rs->value(1, 1).toString(), "测试格式_淘宝导入");

    GridModel again;
    tmap::ListFormatBoxes(again, page);
    ASSERT_TRUE(tmap::LoadTBMap(again, page.name));
    EXPECT_EQ(again.text(1, tmap::MapText), "L");
    EXPECT_EQ(again.text(2, tmap::MapText), "");
    const imp::ColumnMaps maps = tmap::ReadColumnMap(again, page);
    EXPECT_EQ(maps.text, QStringList({"L", ""}));
    EXPECT_EQ(maps.check, QStringList({"\"√\""}));
}

TEST_F(TradeMapTest, ImportFillsDataGridFromTheChosenRows)
{
    tmap::FillSampleGrid(trades, sample, true);
    GridControls page;
    page.Add(0, "单号");
    page.Add(0, "地址");
    page.Add(0, "其他");
    page.Add(2, "图");
    imp::ColumnMaps maps;
    maps.text = {"A,\"地址：\",R", "L,\"//\",C", "“//”,ZZZ,C+0"};
    maps.picture = {""};
    GridModel data; // shaped as the main window's DataGrid
    data.setCols(1);
    data.setRows(2);
    data.setFixedRows(2);
    data.setFixedCols(1);
    const auto range = tmap::ImportRange(sample, 3, 1);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 2);
    EXPECT_EQ(range->last, 4);
    tmap::InputMSF(data, sample, 2, 3, maps, page, "//");
    ASSERT_EQ(data.dataRows(), 2);
    ASSERT_EQ(data.cols(), 5);
    EXPECT_EQ(data.text(0, 1), "1");
    EXPECT_EQ(data.text(1, 2), "地址");
    // Line breaks of merged cells become the marker; a part naming no column adds nothing.
    EXPECT_EQ(data.text(2, 1), "1//1_1//4地址：建国路");
    EXPECT_EQ(data.text(2, 2), "张三//裙//帽//包");
    EXPECT_EQ(data.text(2, 3), "裙//帽//包");
    EXPECT_EQ(data.text(3, 1), "3地址：长安街");
    EXPECT_EQ(data.text(3, 4), "");

    const auto wide = tmap::ImportRange(sample, 1, 999);
    EXPECT_EQ(wide->last, sample.rows() - 1);
    GridModel empty;
    tmap::FillSampleGrid(GridModel(), empty, false);
    EXPECT_FALSE(tmap::ImportRange(empty, 1, 1));
}
