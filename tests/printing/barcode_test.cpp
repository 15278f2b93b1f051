// Code 39 and EAN-13: module strings and element widths on the recording
// surface, and real symbols drawn into a PDF, rasterised and read back.

#include "platform/drawsurface.h"
#include "printing/barcodes.h"
#include "printing/code39.h"
#include "printing/ean13.h"
#include "support/recordingsurface.h"
#include "support/testenv.h"

#include <QPageLayout>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace lengths_literals;

namespace {

// Widths of the bars and of the spaces between them, in drawing order.
struct Elements
{
    std::vector<qint64> bars, spaces;
};

Elements ElementsOf(const Code39Layout &l)
{
    Elements e;
    for (size_t i = 0; i < l.bars.size(); ++i) {
        e.bars.push_back(l.bars[i].width);
        if (i + 1 < l.bars.size())
            e.spaces.push_back(l.bars[i + 1].x - l.bars[i].x - l.bars[i].width);
    }
    return e;
}

// Reads every symbol of a PDF page rasterised at 300 dpi: "TYPE:data" lines.
QStringList ReadSymbols(const QString &pdf)
{
    const QString base = pdf + u"-page"_s;
    EXPECT_EQ(
        RunCommand(u"pdftoppm"_s, {u"-r"_s, u"300"_s, u"-png"_s, u"-singlefile"_s, pdf, base}), 0);
    QByteArray out;
    RunCommand(u"zbarimg"_s, {u"-q"_s, base + u".png"_s}, &out);
    QStringList lines = QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

} // namespace

TEST(Code39, TableHoldsPublishedPatterns)
{
    const Code39Table &t = InitCode39Table();
    EXPECT_EQ(t[0], u"001100100"_s);
    EXPECT_EQ(t[39], u"001101000"_s); // "*"
    // Every character has three wide elements: two bars and a space, or
    // (for "$", "%") three spaces.
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(t[i].count(u'1'), 3) << i;
    EXPECT_EQ(Code39Index(u'A'), 10);
    EXPECT_EQ(Code39Index(u'Z'), 35);
    EXPECT_EQ(Code39Index(u'-'), 36);
    EXPECT_EQ(Code39Index(u'%'), 37);
    EXPECT_EQ(Code39Index(u'$'), 38);
    EXPECT_EQ(Code39Index(u'*'), 39);
    EXPECT_EQ(Code39Index(u'.'), -1);
    EXPECT_EQ(Code39Index(u' '), -1);
    EXPECT_EQ(Code39Index(u'a'), -1);
}

TEST(Code39, PreparingAddsStarsOnce)
{
    EXPECT_EQ(PrepareCode39Text(u"abc1"_s), u"*ABC1*"_s);
    EXPECT_EQ(PrepareCode39Text(u"*AB*"_s), u"*AB*"_s);
    EXPECT_EQ(PrepareCode39Text(u"*AB"_s), u"*AB*"_s);
    EXPECT_EQ(PrepareCode39Text(u"*"_s), u"*"_s);
    EXPECT_EQ(PrepareCode39Text(QString()), QString());
}

TEST(Code39, ElementWidthsMatchBarsAndSpaces)
{
    // "*0*" at a 10-twip module: narrow elements 10, wide 30, gap 30.
    const Code39Layout l = LayoutCode39(u"0"_s, 10_tw);
    ASSERT_EQ(l.bars.size(), 15u);
    const Elements e = ElementsOf(l);
    // "*": bars n n W W n, spaces W n n n; then the gap; "0": bars n n W W n,
    // spaces n W n n.
    const std::vector<qint64> bars = {10, 10, 30, 30, 10, 10, 10, 30, 30, 10, 10, 10, 30, 30, 10};
    EXPECT_EQ(e.bars, bars);
    const std::vector<qint64> spaces = {30, 10, 10, 10, 30, 10, 30, 10, 10, 30, 30, 10, 10, 10};
    EXPECT_EQ(e.spaces, spaces);
    // A character is 15 modules of elements plus a 3-module gap.
    EXPECT_EQ(l.width, 3 * 180);
    EXPECT_EQ(l.chars.size(), 3u);
    EXPECT_EQ(l.chars[1].x, 180);
}

TEST(Code39, FittingFindsWidestWholeModule)
{
    // "*1*" is 54 modules: the doubling stops at 20 (1080 twips), stepping
    // down at 18 (972 twips).
    EXPECT_EQ(MeasureCode39(u"1"_s, 20_tw), 1080_tw);
    EXPECT_EQ(FitCode39Module(u"1"_s, 1000_tw), 18_tw);
    // An exact fit at a doubled module ends the doubling, and the step down
    // measures only after stepping: one twip less is taken.
    EXPECT_EQ(FitCode39Module(u"1"_s, 1080_tw), 19_tw);
    EXPECT_EQ(FitCode39Module(u"1"_s, 1079_tw), 19_tw);
    EXPECT_EQ(FitCode39Module(u"1"_s, 1025_tw), 18_tw);
    // A box too narrow for any module gives 0.
    EXPECT_EQ(FitCode39Module(u"1"_s, 10_tw), 0_tw);
    EXPECT_EQ(FitCode39Module(QString(), 1000_tw), 0_tw);
    EXPECT_EQ(MeasureCode39(QString(), 10_tw), 0_tw);
    // Lower case measures like upper case.
    EXPECT_EQ(MeasureCode39(u"abc"_s, 7_tw), MeasureCode39(u"ABC"_s, 7_tw));
}

TEST(Code39, DrawingPlacesBarsAndCharacters)
{
    RecordingSurface s;
    s.SetDrawWidth(3);
    s.SetDrawStyle(surface::Dot);
    surface::Font f;
    f.name = u"Arial"_s;
    f.size = 20;
    s.SetFont(f);
    PrintCode39(s, u"abc1"_s, 10_mm, 20_mm, 15_mm, 10_tw, 9, true);

    const auto boxes = s.ops(SurfaceOp::FilledBox);
    ASSERT_EQ(boxes.size(), 30u); // six characters of five bars
    const double x0 = 567, y0 = 1134;
    const double textTop = y0 + 850 - 9 * 20 * 1.2 * 1;
    for (const SurfaceOp &b : boxes) {
        EXPECT_EQ(b.y1, y0);
        EXPECT_EQ(b.y2, textTop);
        EXPECT_EQ(b.color, 0);
    }
    EXPECT_EQ(boxes.front().x1, x0);
    const auto texts = s.ops(SurfaceOp::Text);
    ASSERT_EQ(texts.size(), 6u);
    QString printed;
    for (size_t i = 0; i < texts.size(); ++i) {
        printed += texts[i].text;
        EXPECT_EQ(texts[i].x1, x0 + 180 * double(i)); // under its own pattern
        EXPECT_EQ(texts[i].y1, textTop);
        EXPECT_EQ(texts[i].font.size, 9);
        EXPECT_EQ(texts[i].font.name, u"宋体"_s);
    }
    EXPECT_EQ(printed, u"*ABC1*"_s);
    // The target's own settings come back.
    EXPECT_EQ(s.DrawWidth(), 3);
    EXPECT_EQ(s.DrawStyle(), surface::Dot);
    EXPECT_EQ(s.Font(), f);
}

TEST(Code39, NoTextGivesFullHeightBars)
{
    for (auto [size, show] : {std::pair {0.0, true}, std::pair {9.0, false}}) {
        RecordingSurface s;
        PrintCode39(s, u"12"_s, 0_mm, 0_mm, 10_mm, 10_tw, size, show);
        EXPECT_TRUE(s.ops(SurfaceOp::Text).empty());
        EXPECT_EQ(s.ops(SurfaceOp::FilledBox).front().y2, 567);
    }
}

TEST(Code39, EmptyTextDrawsNothing)
{
    RecordingSurface s;
    PrintCode39(s, QString(), 0_mm, 0_mm, 10_mm, 10_tw, 9, true);
    EXPECT_TRUE(s.ops().empty());
    EXPECT_EQ(s.Font(), surface::Font());
}

TEST(Code39, InvalidCharactersAreReportedOncePerDrawing)
{
    ScriptedDialogs dlg;
    setDialogs(&dlg);
    RecordingSurface s;
    const Twips module = FitCode39Module(u"A.B C"_s, 3000_tw);
    EXPECT_TRUE(dlg.messages().isEmpty()); // fitting is silent
    PrintCode39(s, u"A.B C"_s, 0_mm, 0_mm, 10_mm, module, 9, true);
    setDialogs(nullptr);
    EXPECT_EQ(dlg.messages(), QStringList {Code39InvalidCharMessage()});
    // The refused characters are left out: *ABC* remains.
    QString printed;
    for (const SurfaceOp &t : s.ops(SurfaceOp::Text))
        printed += t.text;
    EXPECT_EQ(printed, u"*ABC*"_s);
    EXPECT_EQ(s.ops(SurfaceOp::FilledBox).size(), 25u);
}

TEST(Ean13, NormalisationAndCheckDigit)
{
    const struct
    {
        QString in, out;
    } cases[] = {
        {u"690123456789"_s, u"6901234567892"_s},
        {u"6901234567890"_s, u"6901234567892"_s}, // a given 13th digit is replaced
        {u"6901234567899"_s, u"6901234567892"_s},
        {u"12-34-56-78-90-12"_s, u"0001234567895"_s}, // cut before non-digits go
        {u"abc"_s, u"0000000000000"_s},
        {u"400638133393"_s, u"4006381333931"_s},
        {u"1"_s, u"0000000000017"_s},
    };
    for (const auto &c : cases)
        EXPECT_EQ(NormalizeEAN13(c.in), c.out) << c.in.toStdString();
    EXPECT_EQ(InvertBits(u"1100102"_s), u"0011012"_s);
}

TEST(Ean13, ModuleStringAndRuns)
{
    QString code = u"400638133393"_s;
    const QString m = EncodeEAN13(code);
    EXPECT_EQ(code, u"4006381333931"_s);
    ASSERT_EQ(m.size(), 95);
    EXPECT_TRUE(m.startsWith(u"101"_s));
    EXPECT_TRUE(m.endsWith(u"101"_s));
    EXPECT_EQ(m.mid(45, 5), u"01010"_s);
    // First digit 4: L G L L G G; the digit 0 in L is 0001101, in G 0100111.
    EXPECT_EQ(m.mid(3, 7), u"0001101"_s); // 0 in L
    EXPECT_EQ(m.mid(10, 7), u"0100111"_s); // 0 in G
    EXPECT_EQ(m.mid(50, 7), u"1000010"_s); // 3 in R

    QString zeros = u"x"_s;
    const QString mz = EncodeEAN13(zeros);
    EXPECT_EQ(zeros, u"0000000000000"_s);
    EXPECT_EQ(mz.mid(3, 42), QString(u"0001101"_s).repeated(6)); // all L

    const std::vector<qint16> runs = EAN13Runs(m);
    ASSERT_EQ(runs.size(), 59u);
    int modules = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
        modules += runs[i] > 10 ? runs[i] - 10 : runs[i];
        EXPECT_EQ(runs[i] > 10, i % 2 == 0) << i; // dark and light alternate
        if (IsEAN13GuardRun(int(i)))
            EXPECT_EQ(runs[i], 11) << i;
    }
    EXPECT_EQ(modules, 95);
}

TEST(Ean13, DrawingScalesToTheBox)
{
    RecordingSurface s;
    DrawEAN13(s, u"690123456789"_s, 10_mm, 10_mm, 40_mm, 20_mm, 9, true);
    const auto boxes = s.ops(SurfaceOp::FilledBox);
    ASSERT_EQ(boxes.size(), 30u);
    const double nine = 90; // recording metric: 0.5 × 9 pt × 20
    const double m = (40 * 56.6928 - nine - 15) / 95;
    const double left = 567 + std::round(nine + 15);
    EXPECT_EQ(boxes.front().x1, left);
    // Each run ends on a whole twip, so the width drifts a little from 95 modules.
    EXPECT_NEAR(boxes.back().x2 - left, 95 * m, 30.0);
    const double h = std::round(1134 - 216);
    EXPECT_EQ(boxes.front().y2, 567 + h + 108); // guard reaches half a line down
    EXPECT_EQ(boxes[2].y2, 567 + h - 30); // ordinary bars stop above the digits
    const auto texts = s.ops(SurfaceOp::Text);
    QString printed;
    for (const SurfaceOp &t : texts)
        printed += t.text;
    EXPECT_EQ(printed, u"6901234567892"_s); // the normalised code
    EXPECT_EQ(texts.front().x1, 567);
    EXPECT_LT(texts[6].x1 + nine, texts[7].x1 - 2 * m); // the centre guard gap
}

TEST(Ean13, SmallFontPrintsNoDigitsAndEmptyTextNothing)
{
    RecordingSurface s;
    DrawEAN13(s, u"123"_s, 0_mm, 0_mm, 30_mm, 10_mm, 0, true);
    EXPECT_TRUE(s.ops(SurfaceOp::Text).empty());
    EXPECT_EQ(s.ops(SurfaceOp::FilledBox)[2].y2, 567 - 30); // full height
    RecordingSurface e;
    DrawEAN13(e, QString(), 0_mm, 0_mm, 30_mm, 10_mm, 9, true);
    EXPECT_TRUE(e.ops().empty());
}

TEST(BarCodeStandard, ReadsZeroOrAbsentAsCode39)
{
    EXPECT_EQ(BarCodeStandardFromText(QString()), BarCodeStandard::Code39);
    EXPECT_EQ(BarCodeStandardFromText(u"0"_s), BarCodeStandard::Code39);
    EXPECT_EQ(BarCodeStandardFromText(u"1"_s), BarCodeStandard::EAN13);
    EXPECT_EQ(BarCodeStandardFromText(u"2"_s), BarCodeStandard::EAN13);
}

class BarCodeSymbols : public ::testing::Test
{
protected:
    QTemporaryDir dir;
};

TEST_F(BarCodeSymbols, PdfSymbolsReadBack)
{
    // Code 39 at box widths from 30 to 90 mm and EAN-13 from 25 to 60 mm,
    // one PDF each, rasterised at 300 dpi and decoded.
    const struct
    {
        double code39Width, eanWidth;
        QString text;
    } sizes[] = {{30, 25, u"ab-12$"_s},
                 {50, 38, u"ab-12$"_s},
                 {90, 60, u"ab-12$"_s},
                 {50, 30, u"sf1234567890"_s}};
    int n = 0;
    for (const auto &size : sizes) {
        const QString pdf = dir.filePath(u"codes%1.pdf"_s.arg(++n));
        {
            QPdfWriter writer(pdf);
            writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                             QMarginsF(0, 0, 0, 0)));
            writer.setResolution(1200);
            PainterSurface s(&writer);
            const QString &text = size.text;
            const Twips module = FitCode39Module(text, ToTwips(Mm(size.code39Width)));
            ASSERT_GT(module, 0_tw);
            EXPECT_LE(MeasureCode39(text, module), ToTwips(Mm(size.code39Width)));
            PrintCode39(s, text, 20_mm, 20_mm, 15_mm, module, 9, true);
            DrawEAN13(s, u"690123456789"_s, 20_mm, 60_mm, Mm(size.eanWidth), 20_mm, 9, true);
            ASSERT_TRUE(s.EndDoc());
        }
        const QStringList symbols = ReadSymbols(pdf);
        EXPECT_EQ(symbols,
                  (QStringList {u"CODE-39:"_s + size.text.toUpper(), u"EAN-13:6901234567892"_s}))
            << "box widths " << size.code39Width << " / " << size.eanWidth;
    }
}

TEST_F(BarCodeSymbols, PictureBoxImageReadsBack)
{
    // A picture box: the surface over an image at screen resolution.
    QImage image(600, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        PainterSurface s(&image);
        const Mm width = ToMm(s.Width());
        const Twips module = FitCode39Module(u"W1"_s, ToTwips(width - 10_mm));
        PrintCode39(s, u"W1"_s, 5_mm, 2_mm, ToMm(s.Height()) - 4_mm, module, 9, true);
        EXPECT_TRUE(s.EndDoc());
    }
    const QString png = dir.filePath(u"box.png"_s);
    ASSERT_TRUE(image.save(png));
    QByteArray out;
    RunCommand(u"zbarimg"_s, {u"-q"_s, png}, &out);
    EXPECT_EQ(QString::fromUtf8(out).trimmed(), u"CODE-39:W1"_s);
}
