#include "core/database.h"
#include "core/settings.h"
#include "support/testenv.h"

TEST(WindowPos, TextIsZeroWhenWindowIsAsWideAsTheScreen)
{
    EXPECT_EQ(WindowPosText(1200, 900, 9600, 7200, 19200), "1200;900;9600;7200");
    EXPECT_EQ(WindowPosText(-60, -60, 19200, 14400, 19200), "0;0;0;0");
}

TEST(WindowPos, PlanFollowsScreenAndSizeRules)
{
    auto plan = [](const char *s) { return PlanWindowPos(QString::fromUtf8(s), 19200, 14400); };
    WindowPlacement p = plan("0;0;0;0");
    EXPECT_FALSE(p.move);
    EXPECT_FALSE(p.resize);

    p = plan("-9000;500;6000;4000");
    EXPECT_FALSE(p.move);
    EXPECT_TRUE(p.resize);
    EXPECT_EQ(p.width, 6000);
    EXPECT_EQ(p.height, 4000);

    p = plan("20000;500;6000;4000");
    EXPECT_FALSE(p.move);
    EXPECT_TRUE(p.resize);

    p = plan("100;100;0;0");
    EXPECT_TRUE(p.move);
    EXPECT_EQ(p.left, 100);
    EXPECT_EQ(p.top, 100);
    EXPECT_FALSE(p.resize);

    p = plan("100;200");
    EXPECT_FALSE(p.move || p.resize);
    p = plan("");
    EXPECT_FALSE(p.move || p.resize);

    p = plan("100.5;abc;7000.5;3000;extra");
    EXPECT_TRUE(p.move);
    EXPECT_EQ(p.left, 100);
    EXPECT_EQ(p.top, 0);
    EXPECT_EQ(p.width, 7000);
    // Sums near the 32-bit limit do not wrap around.
    p = plan("2147483647;0;2147483647;100");
    EXPECT_FALSE(p.move);
}

using WindowPosStore = DataDirTest;

TEST_F(WindowPosStore, SavingReplacesEveryRowOfTheKey)
{
    ASSERT_TRUE(
        db::ExecuteSQL("INSERT INTO 参数(Var,Con) VALUES('窗口参数：格式模板列表','1;1;1;1')"));
    ASSERT_TRUE(
        db::ExecuteSQL("INSERT INTO 参数(Var,Con) VALUES('窗口参数：格式模板列表','2;2;2;2')"));
    EXPECT_TRUE(SaveWindowPosText("格式模板列表", "1200;900;9600;7200"));
    const auto rs = db::OpenRecordset("SELECT Con FROM 参数 WHERE Var='窗口参数：格式模板列表'");
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->size(), 1);
    EXPECT_EQ(rs->value(0, 0).toString(), "1200;900;9600;7200");
    EXPECT_EQ(ReadParam("窗口参数：格式模板列表"), "1200;900;9600;7200");
}

TEST_F(WindowPosStore, ParamsAndRegistrySettingsFollowTheirRules)
{
    EXPECT_EQ(ReadParam("StrBarCodeStand"), "");
    EXPECT_TRUE(SaveParam("StrBarCodeStand", "1"));
    EXPECT_TRUE(SaveParam("StrBarCodeStand", "0"));
    EXPECT_EQ(db::OpenRecordset("SELECT * FROM 参数 WHERE Var='StrBarCodeStand'")->size(), 1);
    EXPECT_EQ(ReadParam("StrBarCodeStand"), "0");

    EXPECT_EQ(GetRegSetting("PQT_V", "Para", "CrlfChr", "//"), "//");
    EXPECT_TRUE(SaveRegSetting("PQT_V", "Validate", "Printer", "打印机 A/B\\C"));
    EXPECT_EQ(GetRegSetting("PQT_V", "Validate", "Printer", ""), "打印机 A/B\\C");
    EXPECT_TRUE(SaveRegSetting("PQT_V", "OrchardPrint", "T(0)", "3"));
    EXPECT_EQ(GetRegSetting("PQT_V", "OrchardPrint", "T(0)"), "3");
    EXPECT_TRUE(SaveRegSetting("PQT_V", "Para", "CrlfChr", ""));
    EXPECT_EQ(GetRegSetting("PQT_V", "Para", "CrlfChr", "//"), "//");
}
