#include "platform/codepage.h"
#include "platform/numtext.h"

#include <gtest/gtest.h>

using namespace num;

TEST(NumText, LeadingNumberReading)
{
    struct
    {
        const char *text;
        double value;
    } cases[] = {
        {"", 0},          {"abc", 0},       {"12abc", 12},
        {"  1 2 3", 123}, {"-2.5mm", -2.5}, {"1.2.3", 1.2},
        {".5", 0.5},      {"1e3x", 1000},   {"1e", 1},
        {"&H1F", 31},     {"&O17", 15},     {"\t7\n", 7},
        {"+4", 4},        {"3,000", 3},     {"2.5 3", 2.53},
        {"1\r\n2", 1},    {"\r5", 0},       {"-1e999", -std::numeric_limits<double>::max()},
    };
    for (const auto &c : cases)
        EXPECT_DOUBLE_EQ(Val(QString::fromUtf8(c.text)), c.value) << c.text;
    EXPECT_DOUBLE_EQ(Val(QVariant(true)), -1);
    EXPECT_DOUBLE_EQ(Val(QVariant()), 0);
}

TEST(NumText, RoundsHalfToEven)
{
    EXPECT_EQ(ToLong(2.5), 2);
    EXPECT_EQ(ToLong(3.5), 4);
    EXPECT_EQ(ToLong(-2.5), -2);
    EXPECT_EQ(ToLong(2.51), 3);
    EXPECT_EQ(ToLong(QStringView(u"1e20")), std::numeric_limits<qint32>::max());
    EXPECT_DOUBLE_EQ(RoundDecimals(2.675, 2), 2.68);
    EXPECT_DOUBLE_EQ(RoundDecimals(2.665, 2), 2.66);
}

TEST(NumText, WritesFifteenSignificantDigits)
{
    EXPECT_EQ(Str(0.1 + 0.2), "0.3");
    EXPECT_EQ(Str(0.0), "0");
    EXPECT_EQ(Str(-0.5), "-0.5");
    EXPECT_EQ(Str(1e15), "1000000000000000");
    EXPECT_EQ(Str(0.00001), "0.00001");
    EXPECT_EQ(Str(-1.5e-7), "-0.00000015");
    EXPECT_EQ(Str(1.23456789012345678e20), "123456789012346000000");
    EXPECT_EQ(Str(99999999999999.99), "100000000000000");
    EXPECT_EQ(Str(0.0001), "0.0001");
    EXPECT_EQ(Str(123.456), "123.456");
    EXPECT_EQ(Str(qint64(-42)), "-42");
    EXPECT_EQ(Text(QVariant(true)), "True");
    EXPECT_EQ(Text(QVariant(2.50)), "2.5");
}

TEST(NumText, TrimSplitAndColours)
{
    EXPECT_EQ(Trim(QStringLiteral("  a b \t ")), QStringLiteral("a b \t"));
    EXPECT_EQ(Split(QStringLiteral("a||b|"), QStringLiteral("|")),
              (QStringList {"a", "", "b", ""}));
    EXPECT_TRUE(Split(QString(), QStringLiteral("|")).isEmpty());
    EXPECT_EQ(ColorFromBgr(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(BgrFromColor(QColor(0, 0, 255)), 0xFF0000);
    EXPECT_EQ(BgrHex(0xD0D0D0), "&HD0D0D0");
}

TEST(CodePage, Gb18030RoundTripsGbkBytes)
{
    const QString text = QStringLiteral("顺丰快递单】★【收件人\r\n€");
    const QByteArray bytes = cp936::Encode(text);
    // "顺" is CB B3 in GBK; the euro sign is 0x80 in code page 936.
    EXPECT_TRUE(bytes.startsWith(QByteArray("\xCB\xB3", 2)));
    EXPECT_EQ(cp936::Decode(bytes), text);
    EXPECT_TRUE(cp936::Encode(QString()).isEmpty());
}

TEST(CodePage, EuroUndecodableBytesAndLoneSurrogates)
{
    EXPECT_EQ(cp936::Decode(QByteArray("a\x80z")), QStringLiteral("a€z"));
    EXPECT_EQ(cp936::Encode(QStringLiteral("€")), QByteArray("\x80"));
    EXPECT_EQ(cp936::Decode(QByteArray("\xA2\xE3")), QStringLiteral("€"));
    // Bytes that start no character are kept as U+FFFD, one each.
    EXPECT_EQ(cp936::Decode(QByteArray("a\xFF"
                                       "b\x81")),
              QStringLiteral("a\uFFFDb\uFFFD"));
    QString text = QStringLiteral("ab");
    text += QChar(0xD800);
    text += QStringLiteral("cd中文");
    EXPECT_EQ(cp936::Encode(text), QByteArray("ab?cd\xD6\xD0\xCE\xC4"));
    EXPECT_EQ(cp936::Decode(cp936::Encode(QStringLiteral("😀€中"))), QStringLiteral("😀€中"));
}

// The strict reader takes exactly the two-byte codes the decoder reads as
// one character, and gives that character (six of them lie outside the
// BMP: FE51, FE52, FE53, FE6C, FE76, FE91).
TEST(CodePage, StrictReaderAgreesWithTheDecoderOnEveryPair)
{
    int disagree = 0, outsideBmp = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const QByteArray pair = QByteArray(1, char(lead)) + char(trail);
            const QList<uint> decoded = cp936::Decode(pair).toUcs4();
            cp936::StrictReader strict;
            ASSERT_EQ(strict.Next(uchar(lead)), cp936::StrictReader::kMore);
            const char32_t c = strict.Next(uchar(trail));
            const bool one = decoded.size() == 1 && decoded[0] != 0xFFFD;
            const char32_t want = one ? char32_t(decoded[0]) : cp936::StrictReader::kInvalid;
            if (c != want && ++disagree <= 10)
                ADD_FAILURE() << std::hex << lead << trail << ": " << uint(c) << " vs " << uint(want);
            outsideBmp += one && decoded[0] > 0xFFFF;
        }
    EXPECT_EQ(disagree, 0);
    EXPECT_EQ(outsideBmp, 6);
}
