#include "core/database.h"
#include "online/salestables.h"
#include "online/tradegrid.h"
#include "support/testenv.h"

using namespace trade;

TEST_F(DataDirTest, SalesTablesTakeMarketplaceTextAsValues)
{
    GridModel g;
    InitTradeGrid(g);
    const auto add = [&](const QString &order, const QString &item, const QString &after,
                         const QString &status) {
        const qint32 r = g.addRow();
        g.setText(r, OrderNo, order);
        g.setText(r, Item, item);
        g.setText(r, Price, "12.5");
        g.setText(r, AfterSale, after);
        g.setText(r, Buyer, "nick'\"");
        g.setText(r, Status, status);
        g.setText(r, Received, "25");
        g.setText(r, Province, "北京");
        g.setText(r, City, "北京市");
        g.setText(r, District, "朝阳区");
        g.setText(r, Address, "建国路 88号");
        g.setText(r, Postcode, "1000221");
    };
    add("1'; DROP TABLE Sale;--", "裙'", "", "交易成功");
    add("2", "裙'", "退款成功", "交易成功");
    add("3", "鞋", "", "交易关闭");
    ASSERT_TRUE(sales::InputTBRecord(g, "小店"));
    ASSERT_TRUE(sales::InputTBRecord(g, "小店")); // again: rows updated, not added
    const auto sale = db::OpenRecordset("SELECT TBID, Pay, Memo, SID FROM Sale ORDER BY TBID");
    ASSERT_TRUE(sale);
    ASSERT_EQ(sale->size(), 2);
    EXPECT_EQ(sale->value(0, 0).toString(), "1'; DROP TABLE Sale;--");
    EXPECT_EQ(sale->value(0, 1).toDouble(), 25);
    EXPECT_EQ(sale->value(1, 1).toDouble(), 0);
    EXPECT_EQ(sale->value(1, 2).toString(), "退款成功");
    EXPECT_EQ(sale->value(1, 3).toString(), "小店");
    const auto pro = db::OpenRecordset("SELECT Name, Price FROM Pro");
    ASSERT_EQ(pro->size(), 1);
    EXPECT_EQ(pro->value(0, 0).toString(), "裙’");
    const auto cus = db::OpenRecordset("SELECT Nick, Prov, Region, Address, PC FROM Cus");
    ASSERT_EQ(cus->size(), 1);
    EXPECT_EQ(cus->value(0, 0).toString(), "nick'\"");
    EXPECT_EQ(cus->value(0, 1).toString(), "北京");
    EXPECT_EQ(cus->value(0, 2).toString(), "北京市");
    EXPECT_EQ(cus->value(0, 3).toString(), "朝阳区 建国路 88号");
    EXPECT_EQ(cus->value(0, 4).toString(), "100022");
}
