// The drawing surface: printer-style text positions, pages sent only when
// drawn on, failures reported, exact boxes on PDF and image surfaces.

#include "platform/drawsurface.h"
#include "support/recordingsurface.h"
#include "support/testenv.h"

#include <QFile>
#include <QPageLayout>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace lengths_literals;

namespace {

std::unique_ptr<QPdfWriter> A4Writer(const QString &path)
{
    auto w = std::make_unique<QPdfWriter>(path);
    w->setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    w->setResolution(1200);
    return w;
}

int PdfPages(const QString &path)
{
    QByteArray out;
    RunCommand(u"pdfinfo"_s, {path}, &out);
    const QRegularExpressionMatch m
        = QRegularExpression(u"Pages:\\s+(\\d+)"_s).match(QString::fromUtf8(out));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

TEST(DrawSurface, PrintAdvancesLikeThePrinter)
{
    RecordingSurface s;
    s.SetFontSize(10); // recording metric: 100 twips a character, 240 a line
    s.MoveTo(500_tw, 1000_tw);
    s.Print(u"ab"_s, false);
    EXPECT_EQ(s.CurrentX(), 700_tw);
    EXPECT_EQ(s.CurrentY(), 1000_tw);
    s.Print(u"c"_s);
    EXPECT_EQ(s.CurrentX(), 0_tw);
    EXPECT_EQ(s.CurrentY(), 1240_tw);
    s.MoveTo(300_tw, 2000_tw);
    s.Print(u"one\r\ntwo\nthree"_s);
    EXPECT_EQ(s.CurrentY(), Twips(2000 + 3 * 240));
    const auto texts = s.ops(SurfaceOp::Text);
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0].x1, 500);
    EXPECT_EQ(texts[1].x1, 700);
    EXPECT_EQ(texts[1].y1, 1000);
    EXPECT_EQ(texts[2].x1, 300);
    EXPECT_EQ(texts[3].x1, 0); // later lines start at the left
    EXPECT_EQ(texts[3].y1, 2240);
    EXPECT_EQ(s.TextHeight(u"a\nb"_s), 480_tw);
    EXPECT_EQ(s.TextWidth(u"abc\nde"_s), 300_tw);
}

TEST(DrawSurface, OriginLinesAndState)
{
    RecordingSurface s;
    s.SetOrigin(100_tw, 200_tw);
    s.SetForeColor(0x0000FF);
    s.Line(0_tw, 0_tw, 50_tw, 60_tw);
    EXPECT_EQ(s.CurrentX(), 50_tw);
    EXPECT_EQ(s.CurrentY(), 60_tw);
    s.SetDrawStyle(surface::Transparent);
    s.Line(0_tw, 0_tw, 10_tw, 10_tw); // invisible, but moves the position
    s.Box(1_tw, 2_tw, 3_tw, 4_tw, 0x00FF00, true);
    s.SetDrawStyle(99); // refused
    EXPECT_EQ(s.DrawStyle(), surface::Transparent);
    s.SetDrawWidth(0);
    EXPECT_EQ(s.DrawWidth(), 1);
    s.SetFontSize(0);
    EXPECT_EQ(s.Font().size, 9);
    const auto &ops = s.ops();
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].kind, SurfaceOp::Line);
    EXPECT_EQ(ops[0].x1, 100);
    EXPECT_EQ(ops[0].y2, 260);
    EXPECT_EQ(ops[0].color, 0x0000FF);
    EXPECT_EQ(ops[1].kind, SurfaceOp::FilledBox);
    EXPECT_EQ(ops[1].color, 0x00FF00);
}

TEST(DrawSurface, PdfPagesAreSentOnlyWhenDrawnOn)
{
    QTemporaryDir dir;
    // Nothing drawn and no page ended: nothing sent, and that is no
    // failure. A page ended blank is a sheet even when no other is drawn.
    const QString none = dir.filePath(u"none.pdf"_s);
    const QString blank = dir.filePath(u"blank.pdf"_s);
    {
        auto w = A4Writer(none);
        PainterSurface s(w.get());
        EXPECT_TRUE(s.EndDoc());
        auto wb = A4Writer(blank);
        PainterSurface sb(wb.get());
        EXPECT_TRUE(sb.NewPage());
        EXPECT_TRUE(sb.EndDoc());
    }
    EXPECT_FALSE(QFile::exists(none));
    EXPECT_EQ(PdfPages(blank), 1);

    // A trailing NewPage adds no empty page, but a blank page ended by a
    // further NewPage is a sheet; a drawn second page is sent.
    const QString one = dir.filePath(u"one.pdf"_s);
    const QString two = dir.filePath(u"two.pdf"_s);
    {
        auto w1 = A4Writer(one);
        PainterSurface s1(w1.get());
        s1.Line(0_tw, 0_tw, 1000_tw, 1000_tw);
        EXPECT_TRUE(s1.NewPage());
        EXPECT_TRUE(s1.NewPage());
        EXPECT_TRUE(s1.EndDoc());

        auto w2 = A4Writer(two);
        PainterSurface s2(w2.get());
        s2.Print(u"page 1"_s);
        s2.NewPage();
        EXPECT_EQ(s2.CurrentY(), 0_tw);
        s2.Print(u"page 2"_s);
        s2.NewPage();
        EXPECT_EQ(s2.PagesStarted(), 2);
        EXPECT_TRUE(s2.EndDoc());
    }
    EXPECT_EQ(PdfPages(one), 2);
    EXPECT_EQ(PdfPages(two), 2);
}

TEST(DrawSurface, FailureToStartIsReported)
{
    auto w = A4Writer(u"/nonexistent-folder/x/out.pdf"_s);
    PainterSurface s(w.get());
    s.Print(u"text"_s);
    EXPECT_TRUE(s.Failed());
    EXPECT_FALSE(s.EndDoc());
}

TEST(DrawSurface, PdfTextAndBoxesLandWhereAsked)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"pos.pdf"_s);
    {
        auto w = A4Writer(pdf);
        PainterSurface s(w.get());
        EXPECT_NEAR(s.Width().v, ToTwips(210_mm).v, 20);
        surface::Font f;
        f.name = u"DejaVu Sans"_s;
        f.size = 12;
        s.SetFont(f);
        s.MoveTo(1440_tw, 2880_tw); // 1 inch, 2 inches
        s.Print(u"Hello"_s);
        // A 20 mm × 10 mm black box at 30 mm, 100 mm.
        s.Box(ToTwips(30_mm), ToTwips(100_mm), ToTwips(50_mm), ToTwips(110_mm), 0, true);
        ASSERT_TRUE(s.EndDoc());
    }
    // The word's box starts at 72 pt and its top near 144 pt.
    QByteArray html;
    ASSERT_EQ(RunCommand(u"pdftotext"_s, {u"-bbox"_s, pdf, u"-"_s}, &html), 0);
    const QRegularExpressionMatch m
        = QRegularExpression(u"xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>Hello<"_s)
              .match(QString::fromUtf8(html));
    ASSERT_TRUE(m.hasMatch()) << html.toStdString();
    EXPECT_NEAR(m.captured(1).toDouble(), 72, 1.5);
    EXPECT_NEAR(m.captured(2).toDouble(), 144, 3);

    // Rasterised at 300 dpi, the box covers 236 × 118 pixels from (354, 1181).
    const QString base = dir.filePath(u"pos"_s);
    ASSERT_EQ(
        RunCommand(u"pdftoppm"_s, {u"-r"_s, u"300"_s, u"-png"_s, u"-singlefile"_s, pdf, base}), 0);
    const QImage img(base + u".png"_s);
    ASSERT_FALSE(img.isNull());
    int left = img.width(), right = -1, top = img.height(), bottom = -1;
    for (int y = 1000; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    EXPECT_NEAR(left, 354, 1);
    EXPECT_NEAR(right - left + 1, 236, 1);
    EXPECT_NEAR(top, 1181, 1);
    EXPECT_NEAR(bottom - top + 1, 118, 1);
}

TEST(DrawSurface, ImageSurfaceIsAPictureBox)
{
    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        PainterSurface s(&img);
        EXPECT_DOUBLE_EQ(s.TwipsPerPixel(), 15); // screen resolution
        EXPECT_NEAR(s.Width().v, 3000, 1);
        EXPECT_FALSE(s.NewPage()); // a picture box has no pages
        s.Box(150_tw, 150_tw, 450_tw, 300_tw, 0x0000FF, true); // pixels 10..29 × 10..19, red
        QImage pic(2, 2, QImage::Format_RGB32);
        pic.fill(Qt::blue);
        s.PaintPicture(pic, 1500_tw, 750_tw, 300_tw, 300_tw); // pixels 100..119 × 50..69
        EXPECT_TRUE(s.EndDoc());
    }
    EXPECT_EQ(img.pixelColor(10, 10), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(29, 19), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(30, 20), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(110, 60), QColor(Qt::blue));
}
