#include "core/database.h"
#include "core/globals.h"
#include "core/helpers.h"
#include "support/testenv.h"

#include <QDir>
#include <QFileInfo>
#include <memory>

TEST(Helpers, FormatSecondsDropsAtMostTwoLeadingZeroParts)
{
    EXPECT_EQ(FormatSeconds(0), "0:0");
    EXPECT_EQ(FormatSeconds(-5), "0:0");
    EXPECT_EQ(FormatSeconds(5), "0:5");
    EXPECT_EQ(FormatSeconds(59), "0:59");
    EXPECT_EQ(FormatSeconds(60), "1:0");
    EXPECT_EQ(FormatSeconds(65), "1:5");
    EXPECT_EQ(FormatSeconds(3600), "1:0:0");
    EXPECT_EQ(FormatSeconds(3725), "1:2:5");
    EXPECT_EQ(FormatSeconds(90061), "25:1:1");
}

TEST(Helpers, ParseNumberTextReadsAmountsAndPercentages)
{
    EXPECT_DOUBLE_EQ(ParseNumberText(QStringLiteral("1,000%")), 10);
    EXPECT_DOUBLE_EQ(ParseNumberText(QStringLiteral("$5")), 5);
    EXPECT_DOUBLE_EQ(ParseNumberText(QString()), 0);
    EXPECT_DOUBLE_EQ(ParseNumberText(QStringLiteral("50%%")), 0.5);
    EXPECT_DOUBLE_EQ(ParseNumberText(QStringLiteral("￥1,234.50")), 1234.5);
    EXPECT_DOUBLE_EQ(ParseNumberText(QStringLiteral("12.5%")), 0.125);
    EXPECT_DOUBLE_EQ(ParseNumberText(QStringLiteral("abc")), 0);
    EXPECT_DOUBLE_EQ(ParseNumberText(QStringLiteral("5%x")), 5); // "%" not last: plain reading
    EXPECT_DOUBLE_EQ(ParseNumberText(QVariant(2.25)), 2.25);
}

TEST(Helpers, CutTokenSplitsAtFirstOrLastDelimiter)
{
    QString s = "12:30";
    EXPECT_EQ(CutToken(s, ":", true), "12");
    EXPECT_EQ(s, "30");
    s = "a/b/c";
    EXPECT_EQ(CutToken(s, "/", false), "c");
    EXPECT_EQ(s, "a/b");
    s = "abc";
    EXPECT_EQ(CutToken(s, ";", true), "");
    EXPECT_EQ(s, "abc");
    s = "::x";
    EXPECT_EQ(CutToken(s, "::", true), "");
    EXPECT_EQ(s, "x");
    s = "a】★【b】★【c";
    EXPECT_EQ(CutToken(s, "】★【", true), "a");
    EXPECT_EQ(s, "b】★【c");
}

TEST(Helpers, ReplaceBetweenRemovesTagsAndEndsWhenReplacementHoldsStartMark)
{
    QString s = "<td class=\"a\">张三</td><b>x";
    EXPECT_EQ(ReplaceBetween(s, "<", ">", ""), "张三x");
    EXPECT_EQ(s, "张三x");
    s = "ab<cd";
    EXPECT_EQ(ReplaceBetween(s, "<", ">", "[]"), "ab[]");
    // A replacement containing the start mark must not loop forever.
    s = "1<a>2<b>3";
    EXPECT_EQ(ReplaceBetween(s, "<", ">", "<x>"), "1<x>2<x>3");
    s = "no marks";
    EXPECT_EQ(ReplaceBetween(s, "", ">", "y"), "no marks");
    // The end mark is searched from the character after the start mark's first.
    s = "a[[b]]c";
    EXPECT_EQ(ReplaceBetween(s, "[[", "]]", "-"), "a-c");
    // A start mark that forms across the join is replaced as well.
    s = "aab>b";
    EXPECT_EQ(ReplaceBetween(s, "ab", ">", ""), "");
    s = "x<<y>z>w";
    EXPECT_EQ(ReplaceBetween(s, "<", ">", ""), "xz>w");
}

TEST(Helpers, MillimetresAndTwipsRoundHalvesToEven)
{
    EXPECT_EQ(MmToPageTwips(2.5, 1), 2);
    EXPECT_EQ(MmToPageTwips(3.5, 1), 4);
    EXPECT_EQ(MmToPageTwips(-2.5, 1), -2);
    EXPECT_DOUBLE_EQ(PageTwipsToMm(1000, 3), 333.333);
    EXPECT_DOUBLE_EQ(PageTwipsToMm(0.0025, 1), 0.002);
    EXPECT_DOUBLE_EQ(PageTwipsToMm(0.0035, 1), 0.004);
    {
        HookHandle page = InstallPageScaleProvider([] { return 10.0; });
        EXPECT_EQ(MmToPageTwips(12.34), 123);
        EXPECT_DOUBLE_EQ(PageTwipsToMm(1234), 123.4);
    }
    EXPECT_EQ(MmToPageTwips(10), 567); // 1440 / 25.4 twips per mm
}

TEST(Helpers, SmallPredicatesAndKeyFilter)
{
    EXPECT_EQ(BoolToMark(-1), "√");
    EXPECT_EQ(BoolToMark(2), "√");
    EXPECT_EQ(BoolToMark(true), "√");
    EXPECT_EQ(BoolToMark(false), "");
    EXPECT_EQ(BoolToMark(0), "");
    EXPECT_EQ(BoolToMark(QVariant()), "");
    EXPECT_EQ(BoolToMark(QString()), "");
    EXPECT_EQ(BoolToMark(QStringLiteral("True")), "√");
    EXPECT_TRUE(IsNotEmpty(" "));
    EXPECT_FALSE(IsNotEmpty(""));
    for (int k : {int('0'), int('9'), int('.'), 8}) {
        int key = k;
        NumericKeyFilter(key);
        EXPECT_EQ(key, k);
    }
    for (int k : {int('-'), 13, int('a'), int(',')}) {
        int key = k;
        NumericKeyFilter(key);
        EXPECT_EQ(key, 0);
    }
}

TEST(Helpers, ControlIndexRangeFollowsTheCounters)
{
    EXPECT_EQ(FirstCtlID(2), 2001);
    EXPECT_EQ(LastCtlID(2), 2000);
    HookHandle counts = InstallCtlCountProvider([](int c) { return c == 0 ? 40000 : 0; });
    EXPECT_EQ(LastCtlID(0), 40000); // more than 16 bits hold
    EXPECT_EQ(LastCtlID(3), 3000);
}

TEST(Helpers, HooksGoWithTheirOwnersInAnyOrder)
{
    auto first = std::make_unique<HookHandle>(InstallCtlCountProvider([](int) { return 1; }));
    auto second = std::make_unique<HookHandle>(InstallCtlCountProvider([](int) { return 2; }));
    EXPECT_EQ(LastCtlID(0), 2);
    // The older owner goes first: the newer one stays in use.
    first.reset();
    EXPECT_EQ(LastCtlID(0), 2);
    second->Reset();
    EXPECT_EQ(LastCtlID(0), 0);
    second.reset();
    EXPECT_EQ(LastCtlID(0), 0);
}

using HelpersData = DataDirTest;

TEST_F(HelpersData, EnsureAppSubDirMakesFoldersButNotOverFiles)
{
    EXPECT_FALSE(EnsureAppSubDir("   "));
    EXPECT_TRUE(EnsureAppSubDir(" Temp "));
    EXPECT_TRUE(QFileInfo(path("Temp")).isDir());
    EXPECT_TRUE(EnsureAppSubDir("Temp"));
    ASSERT_TRUE(WriteBytes(path("Pics"), "x"));
    EXPECT_FALSE(EnsureAppSubDir("Pics"));
    EXPECT_EQ(ReadBytes(path("Pics")), "x");
}

TEST_F(HelpersData, FileDialogStartsWithTheLastChosenName)
{
    dlg.Queue(QStringLiteral("/tmp/a.wlq"));
    EXPECT_EQ(FileDialog("格式文件(*.wlq)|*.wlq", true, "默认.wlq"), "/tmp/a.wlq");
    EXPECT_EQ(dlg.shown().back().kind, "save");
    EXPECT_EQ(dlg.shown().back().preset, "默认.wlq");
    dlg.Queue(QString()); // cancelled
    EXPECT_EQ(PickPictureFile(), "");
    EXPECT_EQ(dlg.shown().back().kind, "open");
    EXPECT_EQ(dlg.shown().back().text, QString::fromUtf8(kPictureFilter));
    EXPECT_EQ(dlg.shown().back().preset, "/tmp/a.wlq");
}

TEST_F(HelpersData, HistoryValuesAreDistinctAndSorted)
{
    for (const char *v : {"b", "a", "b", "c"})
        ASSERT_TRUE(db::ExecuteSQL("INSERT INTO 历史(Fmt,ID,CID,Con) VALUES('f',1,7,?)",
                                   {QString::fromUtf8(v)}));
    ASSERT_TRUE(db::ExecuteSQL("INSERT INTO 历史(Fmt,ID,CID,Con) VALUES('f',1,8,'z')"));
    EXPECT_EQ(HistoryValues(7), (QStringList {"a", "b", "c"}));
    EXPECT_TRUE(HistoryValues(9).isEmpty());
}
