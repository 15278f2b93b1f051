// Conversion of input-box texts by data-type code, with a fixed clock.

#include "core/settings.h"
#include "records/inputboxes.h"
#include "records/valueconversion.h"
#include "support/testenv.h"

#include <gtest/gtest.h>
#include <map>

using namespace Qt::StringLiterals;

namespace {

struct Case
{
    qint32 code;
    QString in, out;
};

// Fixes "now" at 2024-05-06 14:03:09 for the test's lifetime.
class FixedClock
{
public:
    explicit FixedClock(QDateTime now = QDateTime(QDate(2024, 5, 6), QTime(14, 3, 9)))
    {
        conv::SetClock([now] { return now; });
    }
    ~FixedClock() { conv::SetClock({}); }
};

class Boxes : public InputBoxes
{
public:
    struct Box
    {
        qint32 code;
        QString text;
        int border = -1; // -1: never set
    };
    std::vector<Box> boxes;

    int InputBoxCount() const override { return int(boxes.size()); }
    qint32 BoxCode(int i) const override { return boxes.at(i - 1).code; }
    QString BoxText(int i) const override { return boxes.at(i - 1).text; }
    void SetBoxText(int i, const QString &t) override { boxes.at(i - 1).text = t; }
    void SetBoxBorder(int i, int s) override { boxes.at(i - 1).border = s; }
};

void ExpectConversions(std::initializer_list<Case> cases)
{
    for (const Case &c : cases)
        EXPECT_EQ(conv::ConvertByCode(c.code, c.in), c.out)
            << "code " << c.code << " text " << c.in.toStdString();
}

} // namespace

TEST(ValueConversion, Money)
{
    ExpectConversions({
        {5, u"1234.5"_s, u"￥1,234.50"_s},
        {105, u"1234.5"_s, u"1,234.50"_s},
        {117, u"1234.5"_s, u"1234.50"_s},
        {118, u"1234.5"_s, u"￥1234.50"_s},
        {104, u"1.239"_s, u"￥1.23"_s}, // cut, not rounded
        {104, u"1234567.8"_s, u"￥1,234,567.80"_s},
        {104, u".5"_s, u"￥0.50"_s},
        {104, u"abc"_s, u"￥0.00"_s},
        {104, u"-12"_s, u"￥12.00"_s}, // the sign goes with the other characters
        {104, u"￥1,000"_s, u"￥1,000.00"_s},
        {104, u"123"_s, u"￥123.00"_s},
        {104, u"5."_s, u"￥5.00"_s},
        {99, u"100000"_s, u"￥100,000.00"_s},
        {117, u"1234567.891"_s, u"1234567.89"_s},
    });
}

TEST(ValueConversion, MoneyNeverInExponentForm)
{
    // Very small and very large amounts stay digits (15 significant ones).
    ExpectConversions({
        {104, u"0.000001"_s, u"￥0.00"_s},
        {104, u"0.00001"_s, u"￥0.00"_s},
        {104, u"123456789012345678"_s, u"￥123,456,789,012,346,000.00"_s},
        {105, u"1000000000000000"_s, u"1,000,000,000,000,000.00"_s},
        {117, u"1000000000000000.5"_s, u"1000000000000000.00"_s},
        // Capitals cover 15 positions only; longer amounts stay as typed.
        {103, u"123456789012345678"_s, u"123456789012345678"_s},
        {114, u"99999999999999"_s, u"99999999999999"_s},
        {114, u"1e30"_s, u"1e30"_s},
        {114, u"9999999999999.99"_s, u"玖玖玖玖玖玖玖玖玖玖玖玖玖玖玖"_s},
    });
}

TEST(ValueConversion, CapitalAmounts)
{
    ExpectConversions({
        {103, u"100"_s, u"壹佰元整"_s},
        {103, u"1005.60"_s, u"壹仟零伍元陆角整"_s},
        {103, u"10000"_s, u"壹万元整"_s},
        {103, u"100000000"_s, u"壹亿元整"_s},
        {103, u"0.5"_s, u"伍角整"_s},
        {103, u"0"_s, u"零元整"_s},
        {103, u"123.45"_s, u"壹佰贰拾叁元肆角伍分"_s},
        {103, u"1.05"_s, u"壹元零伍分"_s},
        {103, u"10.5"_s, u"壹拾元伍角整"_s},
        {103, u"100010"_s, u"壹拾万零壹拾元整"_s},
        {103, u"120000000.5"_s, u"壹亿贰仟万元伍角整"_s},
        {103, u"壹佰元整"_s, u"壹佰元整"_s}, // already capitals
        {103, u"99999999999999"_s, u"99999999999999"_s}, // beyond 15 positions
        {114, u"12.3"_s, u"壹贰叁零"_s},
        {114, u"123.45"_s, u"壹贰叁肆伍"_s},
        {114, u"￥1,000"_s, u"壹零零零零零"_s},
        {114, u"叁"_s, u"叁"_s},
    });
}

TEST(ValueConversion, CapitalAmountsReadBack)
{
    const struct
    {
        qint32 code;
        QString in, out;
    } cases[] = {
        {103, u"壹仟零叁拾肆元伍角整"_s, u"1034.5"_s},
        {103, u"壹元伍分"_s, u"1.05"_s},
        {103, u"壹元整"_s, u"1.0"_s},
        {103, u"壹佰贰拾叁元肆角伍分"_s, u"123.45"_s},
        {103, u"壹万元整"_s, u"10000.0"_s},
        {103, u"壹亿元整"_s, u"100000000.0"_s},
        {114, u"壹贰叁零"_s, u"1230"_s},
        {0, u"壹元"_s, u"壹元"_s},
    };
    for (const auto &c : cases)
        EXPECT_EQ(conv::CapitalToAmount(c.code, c.in), c.out) << c.in.toStdString();
    // Amounts written out and read back give the same value.
    for (const QString amount :
         {u"1005.6"_s, u"98765.43"_s, u"100010"_s, u"30000.07"_s, u"120000000.5"_s, u"7"_s}) {
        const QString back = conv::CapitalToAmount(103, conv::AmountToCapital(amount));
        EXPECT_DOUBLE_EQ(back.toDouble(), amount.toDouble()) << amount.toStdString();
    }
}

TEST(ValueConversion, DatePartsInCapitals)
{
    ExpectConversions({
        {101, u"1"_s, u"零壹"_s},
        {101, u"2"_s, u"零贰"_s},
        {101, u"3"_s, u"叁"_s},
        {101, u"10"_s, u"零壹拾"_s},
        {101, u"11"_s, u"壹拾壹"_s},
        {101, u"13"_s, u"13"_s},
        {102, u"5"_s, u"零伍"_s},
        {102, u"20"_s, u"零贰拾"_s},
        {102, u"30"_s, u"零叁拾"_s},
        {102, u"31"_s, u"叁拾壹"_s},
        {102, u"15"_s, u"壹拾伍"_s},
        {100, u"2024"_s, u"贰零贰肆"_s},
        {100, u"1999"_s, u"1999"_s},
        {101, u"壹拾壹"_s, u"壹拾壹"_s}, // capitals typed stay
        {101, u"05"_s, u"零伍"_s},
        // Blanks after the number do not count as characters.
        {102, u"5 "_s, u"零伍"_s},
        {102, u"20  "_s, u"零贰拾"_s},
        {101, u"4 "_s, u"肆"_s},
    });
}

TEST(ValueConversion, DatePartsInDigits)
{
    FixedClock clock;
    ExpectConversions({
        {107, u"壹拾贰"_s, u"12"_s},
        {107, u"13"_s, u"5"_s}, // today's month
        {106, u"0999"_s, u"2024"_s},
        {106, u" 2030 "_s, u"2030"_s},
        {108, u"叁拾"_s, u"30"_s},
        {108, u"拾伍"_s, u"15"_s},
        {108, u"零玖"_s, u"9"_s},
        {108, u"x"_s, u"6"_s},
        {106, u"贰零贰叁"_s, u"2023"_s},
    });
}

TEST(ValueConversion, Dates)
{
    FixedClock clock;
    ExpectConversions({
        {110, u"2024-5-6"_s, u"2024年05月06日"_s},
        {111, u"2024-5-6"_s, u"2024-05-06"_s},
        {111, u"2024/12/31 08:30"_s, u"2024-12-31"_s},
        {111, u"2024年5月6日"_s, u"2024-05-06"_s},
        {112, u"2024.5.6"_s, u"05月06日"_s},
        {113, u"2024-5-6"_s, u"05-06"_s},
        {113, u"7-8"_s, u"07-08"_s}, // month and day of this year
        {111, u"no date"_s, QString()},
        {111, u"2024-2-30"_s, QString()},
        {119, u"no date"_s, u"no date"_s}, // custom dates keep what cannot be read
    });
    EXPECT_EQ(conv::FormatDatePattern(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)),
                                      u"yyyy/m/d hh:mm:ss"_s),
              u"2024/5/6 07:08:09"_s);
}

TEST(ValueConversion, PostcodeAndPercent)
{
    ExpectConversions({
        {109, u"10-0080 A"_s, u"100080"_s},
        {109, u"1234567"_s, u"123456"_s},
        {109, u"12"_s, u"000012"_s},
        {109, u"1234"_s, u"001234"_s},
        {109, u"abc"_s, QString()},
        {116, u"15%"_s, u"15%"_s},
        {116, u"0.15"_s, u"15%"_s},
        {116, u"0.5"_s, u"50%"_s},
        {116, u"0.07"_s, u"7%"_s}, // 15 significant digits
        {116, u"0.1234"_s, u"12.34%"_s},
        {116, u"x"_s, u"0%"_s},
        {116, u"0.0000001"_s, u"0.00001%"_s}, // never "1E-05%"
    });
    EXPECT_EQ(conv::KeepOnlyChars(u"a1b2c3"_s, u"abc"_s), u"abc"_s);
}

TEST(ValueConversion, CodesWithoutConversionAndBorders)
{
    Boxes b;
    for (qint32 code : {0, 1, 99, 103, 115, 120, 200, 201, 299, 300, -5})
        b.boxes.push_back({code, {}});
    for (int i = 1; i <= b.InputBoxCount(); ++i) {
        const qint32 code = b.BoxCode(i);
        // An empty text stays empty and leaves the border alone.
        EXPECT_EQ(conv::ApplyConversion(b, i, QString()), QString());
        EXPECT_EQ(b.boxes[i - 1].border, -1);
        const QString out = conv::ApplyConversion(b, i, u"12ab"_s);
        const bool cells = (code >= 1 && code <= 99) || (code >= 201 && code <= 299);
        EXPECT_EQ(b.boxes[i - 1].border, cells ? 1 : 0) << code;
        if (code == 0 || code == 115 || code >= 120 || code < 0)
            EXPECT_EQ(out, u"12ab"_s) << code;
    }
}

class ValueConversionDb : public DataDirTest
{
};

TEST_F(ValueConversionDb, CustomDatePatternFromSettings)
{
    FixedClock clock;
    // No pattern: the general date-and-time form.
    EXPECT_EQ(conv::ConvertByCode(119, u"2024-5-6"_s), u"2024-05-06"_s);
    EXPECT_EQ(conv::ConvertByCode(119, u"2024-5-6 8:05"_s), u"2024-05-06 08:05:00"_s);
    // The key in the other order is read when the usual one is absent.
    ASSERT_TRUE(SaveParam(u"119自定义类型"_s, u"DD/MM/YYYY"_s));
    EXPECT_EQ(conv::ConvertByCode(119, u"2024-5-6"_s), u"06/05/2024"_s);
    ASSERT_TRUE(SaveParam(u"自定义类型119"_s, u"YYYY年M月D日 hh:mm"_s));
    EXPECT_EQ(conv::ConvertByCode(119, u"2024-5-6 8:05"_s), u"2024年5月6日 08:05"_s);
    EXPECT_EQ(conv::FormatCustomDate(conv::Now(), 119), u"2024年5月6日 14:03"_s);
}

TEST_F(ValueConversionDb, AutoFillDatesPutsTodayIntoDateBoxes)
{
    Boxes b;
    b.boxes
        = {{100, u"x"_s}, {101, {}}, {102, {}}, {106, {}}, {107, {}},    {108, {}},      {110, {}},
           {111, {}},     {112, {}}, {113, {}}, {119, {}}, {5, u"12"_s}, {0, u"keep"_s}, {109, {}}};
    {
        FixedClock clock;
        conv::AutoFillDates(b);
    }
    const QStringList expected = {u"贰零贰肆"_s,
                                  u"伍"_s,
                                  u"零陆"_s,
                                  u"2024"_s,
                                  u"5"_s,
                                  u"6"_s,
                                  u"2024年05月06日"_s,
                                  u"2024-05-06"_s,
                                  u"05月06日"_s,
                                  u"05-06"_s,
                                  u"2024-05-06 14:03:09"_s,
                                  u"￥12.00"_s,
                                  u"keep"_s,
                                  QString()};
    for (size_t i = 0; i < b.boxes.size(); ++i)
        EXPECT_EQ(b.boxes[i].text, expected[i]) << "box " << i + 1;
    EXPECT_EQ(b.boxes[11].border, 1);
    EXPECT_EQ(b.boxes[12].border, 0);
    EXPECT_EQ(b.boxes[13].border, -1); // empty: untouched

    for (auto [month, text] : {std::pair {2, u"零贰"_s}, std::pair {11, u"壹拾壹"_s}}) {
        Boxes m;
        m.boxes = {{101, {}}};
        FixedClock clock(QDateTime(QDate(2024, month, 1), QTime(9, 0)));
        conv::AutoFillDates(m);
        EXPECT_EQ(m.boxes[0].text, text);
    }
}
