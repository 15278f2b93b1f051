// Printing into PDF files and measuring them: positions after the offsets
// (600 dpi raster), text starts (pdftotext -bbox), the calibration square,
// bar codes of a batch read back, pages and history records of a batch.

#include "core/database.h"
#include "core/exampleformat.h"
#include "core/formatstore.h"
#include "core/settings.h"
#include "platform/numtext.h"
#include "printfixture.h"
#include "printing/calibration.h"
#include "printing/ean13.h"
#include "records/history.h"
#include "records/valueconversion.h"
#include "support/killchild.h"

#include <QDir>
#include <QRandomGenerator>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

class PrintPdf : public DataDirTest
{
protected:
    QString pdf(const QString &name) const { return path(name + u".pdf"_s); }
    std::unique_ptr<PdfPrinter> printerFor(const QString &file, QSizeF mm = {210, 297})
    {
        auto p = std::make_unique<PdfPrinter>(file);
        p->SetPageSize(QPageSize(mm, QPageSize::Millimeter));
        return p;
    }
};

} // namespace

TEST_F(PrintPdf, LineLandsWithinATenthAfterOffsets)
{
    PrintRig rig;
    rig.host.offsetX = u"12"_s; // 2 mm left
    rig.host.offsetY = u"9"_s; // 1 mm down
    fmtgrid::ControlRow line = Box(3, 20, 30, 120, 30, 1); // solid
    line.font.size = 4; // four printer pixels wide
    rig.controls.Add(line);
    const QString file = pdf(u"line"_s);
    rig.ui.next = printerFor(file);
    ASSERT_TRUE(print::PrintRecord(rig.ctx));
    const QImage img = RasterPage(file, 1, 600);
    ASSERT_FALSE(img.isNull());
    const QRect box = DarkBox(img);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_NEAR(PxToMm(box.left(), 600), 18, 0.1);
    EXPECT_NEAR(PxToMm(box.right() + 1, 600), 118, 0.1);
    EXPECT_NEAR(PxToMm((box.top() + box.bottom() + 1) / 2.0, 600), 31, 0.1);
}

TEST_F(PrintPdf, TextStartsWhereItsTwipsSay)
{
    PrintRig rig;
    fmtgrid::ControlRow box = Box(0, 30, 40, 80, 10);
    box.font.name = u"DejaVu Sans"_s;
    rig.controls.Add(box, u"Hello"_s);
    const QString file = pdf(u"text"_s);
    rig.ui.next = printerFor(file);
    ASSERT_TRUE(print::PrintRecord(rig.ctx));
    QByteArray html;
    ASSERT_EQ(RunCommand(u"pdftotext"_s, {u"-bbox"_s, file, u"-"_s}, &html), 0);
    const QRegularExpressionMatch m
        = QRegularExpression(u"xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>Hello<"_s)
              .match(QString::fromUtf8(html));
    ASSERT_TRUE(m.hasMatch()) << html.toStdString();
    // The character's cell starts at 30 mm; its top at 40 mm (the cell's
    // top, whatever the font's own ascent leaves above the glyph).
    EXPECT_NEAR(m.captured(1).toDouble() * 25.4 / 72, 30, 0.4);
    EXPECT_NEAR(m.captured(2).toDouble() * 25.4 / 72, 40, 0.6);
}

TEST_F(PrintPdf, CalibrationSquareSpansTenToTwenty)
{
    dlg.Queue(true);
    const QString file = pdf(u"calibration"_s);
    PdfPrinter printer(file);
    ASSERT_TRUE(PrintCalibrationFigure(printer));
    QSizeF size;
    ASSERT_EQ(PdfPageCount(file, &size), 1);
    EXPECT_NEAR(size.width(), 210, 0.5); // A4 portrait
    EXPECT_NEAR(size.height(), 297, 0.5);
    const QRect box = DarkBox(RasterPage(file, 1, 600));
    EXPECT_NEAR(PxToMm(box.left(), 600), 10, 0.1);
    EXPECT_NEAR(PxToMm(box.right() + 1, 600), 20, 0.1);
    EXPECT_NEAR(PxToMm(box.top(), 600), 10, 0.1);
    EXPECT_NEAR(PxToMm(box.bottom() + 1, 600), 20, 0.1);

    // No prints nothing.
    dlg.Queue(false);
    PdfPrinter none(pdf(u"none"_s));
    EXPECT_FALSE(PrintCalibrationFigure(none));
    EXPECT_FALSE(QFile::exists(pdf(u"none"_s)));
}

TEST_F(PrintPdf, BatchBarCodesDecodeAndHistoryHoldsEveryPage)
{
    for (const QString standard : {u"0"_s, u"1"_s}) {
        PrintRig rig;
        rig.ctx.barCodeStandard = BarCodeStandardFromText(standard);
        rig.ctx.writeHistory = &rec::AppendHistoryRecords;
        rig.ctx.formatMoney = &conv::FormatMoney;
        rig.controls.name = u"条码"_s + standard;
        rig.host.setPaper = true;
        const qint32 input = rig.controls.Add(Box(0, 10, 10, 80, 8));
        fmtgrid::ControlRow code = Box(2, 10, 30, 90, 25);
        const qint32 picture = rig.controls.Add(code);
        const QStringList values
            = {u"690123456789"_s, u"690123456790"_s, u"690123456791"_s, u"690123456792"_s};
        print::RecordScroll scroll {1, 4, [&](qint32 row) {
                                        rig.controls.values[input] = u"收件人%1"_s.arg(row);
                                        rig.controls.values[picture] = values[row - 2];
                                    }};
        rig.ui.range = u"1:4"_s;
        const QString file = pdf(u"batch"_s + standard);
        rig.ui.next = std::make_unique<PdfPrinter>(file);
        ASSERT_EQ(print::BatchPrint(rig.ctx, scroll), 4);
        QSizeF size;
        ASSERT_EQ(PdfPageCount(file, &size), 4); // no trailing blank page
        EXPECT_NEAR(size.width(), 230, 0.5);
        EXPECT_NEAR(size.height(), 127, 0.5);
        for (int page = 1; page <= 4; ++page) {
            const QString expected = standard == u"0"_s
                ? u"CODE-39:"_s + values[page - 1]
                : u"EAN-13:"_s + NormalizeEAN13(values[page - 1]);
            EXPECT_EQ(ReadBarCodes(file, page), QStringList {expected}) << page;
        }
        const auto rows = db::Connection()->Query(
            u"SELECT COUNT(DISTINCT ID), COUNT(*) FROM 历史 WHERE Fmt=?"_s, {rig.controls.name});
        ASSERT_TRUE(rows);
        EXPECT_EQ(num::Val(rows->value(0, 0)), 4);
        EXPECT_EQ(num::Val(rows->value(0, 1)), 8);
    }
}

TEST_F(PrintPdf, BlankRecordTakesItsSheetAndHistoryRecord)
{
    // Pre-numbered stock: a record whose page draws nothing still takes its
    // sheet, so later waybills stay on their own numbers; only the trailing
    // page break adds no sheet. The first record blank is the hard case; a
    // batch of blank records alone is as many blank sheets.
    for (const QStringList &names :
         {QStringList {u"张三"_s, u""_s, u"王五"_s}, QStringList {u""_s, u"李四"_s, u""_s},
          QStringList {u""_s, u""_s, u""_s}}) {
        PrintRig rig;
        rig.ctx.writeHistory = &rec::AppendHistoryRecords;
        rig.controls.name = u"空白"_s + names.join(u'-');
        const qint32 input = rig.controls.Add(Box(0, 10, 10, 80, 8));
        print::RecordScroll scroll {1, 3, [&](qint32 row) {
                                        rig.controls.values[input] = names.value(row - 2);
                                    }};
        rig.ui.range = u"1:3"_s;
        const QString file = pdf(u"blank"_s);
        QFile::remove(file);
        rig.ui.next = std::make_unique<PdfPrinter>(file);
        ASSERT_EQ(print::BatchPrint(rig.ctx, scroll), 3);
        ASSERT_EQ(PdfPageCount(file), 3) << names.join(u',').toStdString();
        for (int page = 1; page <= 3; ++page)
            EXPECT_EQ(DarkBox(RasterPage(file, page, 100)).isEmpty(), names[page - 1].isEmpty())
                << page;
        const auto rows = db::Connection()->Query(
            u"SELECT COUNT(DISTINCT ID), MAX(ID) FROM 历史 WHERE Fmt=?"_s, {rig.controls.name});
        ASSERT_TRUE(rows);
        EXPECT_EQ(num::Val(rows->value(0, 0)), 3);
        EXPECT_EQ(num::Val(rows->value(0, 1)), 3);
    }
}

TEST_F(PrintPdf, FirstPrintOfTheExampleIsOnPaperOfItsSize)
{
    // A first start: the example format opens with "自动设置纸张" ticked
    // from its header, whatever the settings say.
    ASSERT_TRUE(StoreExampleFormatIfFirstStart());
    PrintRig rig;
    rig.host.setPaper = false;
    ReadFormatHeader(rig.host, ExampleFormatName());
    EXPECT_TRUE(rig.host.setPaper);
    rig.controls.Add(Box(0, 10, 10, 80, 8), u"收件人"_s);
    const QString file = pdf(u"example"_s);
    rig.ui.next = std::make_unique<PdfPrinter>(file); // A4 until told otherwise
    ASSERT_TRUE(print::PrintRecord(rig.ctx));
    QSizeF size;
    ASSERT_EQ(PdfPageCount(file, &size), 1);
    EXPECT_NEAR(size.width(), 230, 0.05);
    EXPECT_NEAR(size.height(), 127, 0.05);

    // A printer without such paper that takes no custom size: said once,
    // printed on its current paper.
    RecordingSurface s;
    auto printer = std::make_unique<RecordingPrinter>(s);
    printer->customOk = false;
    rig.ui.next = std::move(printer);
    ASSERT_TRUE(print::PrintRecord(rig.ctx));
    ASSERT_EQ(dlg.shown().size(), 1u);
    EXPECT_EQ(dlg.shown()[0].title, u"添加自定义纸张错误！"_s);
    EXPECT_TRUE(dlg.shown()[0].text.contains(u"230 × 127"_s));
}

TEST_F(PrintPdf, FullDiskKeepsTheOldPdfAndStoresNothing)
{
    const QString file = pdf(u"full"_s);
    ASSERT_TRUE(WriteBytes(file, "old pdf"));
    PrintRig rig;
    QImage noise(800, 800, QImage::Format_RGB32); // far more than the disk takes
    QRandomGenerator random(20);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, random.generate() | 0xff000000u);
    rig.view.picture = noise;
    rig.controls.Add(Box(2, 10, 10, 100, 100), u"photo.png"_s);
    rig.ui.next = std::make_unique<PdfPrinter>(file);
    // A disk that takes 512 KiB per file while the document is written.
    struct rlimit old
    {
    };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 512 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool printed = print::PrintRecord(rig.ctx);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(printed);
    EXPECT_EQ(ReadBytes(file), "old pdf");
    EXPECT_TRUE(rig.stored.empty());
    ASSERT_EQ(dlg.messages().size(), 1) << dlg.messages().join(u"|"_s).toStdString();
    EXPECT_TRUE(dlg.messages()[0].startsWith(u"打印没有完成"_s));
    // The full disk is named, the printer not blamed.
    EXPECT_TRUE(dlg.messages()[0].contains(u"文件夹“"_s + dataDir() + u"”所在的磁盘已满"_s))
        << dlg.messages()[0].toStdString();
    EXPECT_FALSE(dlg.messages()[0].contains(u"打印机"_s));
    EXPECT_EQ(QDir(dataDir()).entryList(QDir::Files).filter(u".pdf"_s), QStringList {u"full.pdf"_s});
}

// A print into a PDF file killed as it enters each sync, removal or link,
// its history write's included: a PDF file is there only with the history
// record of its contents.
TEST_F(PrintPdf, KilledAtItsEndTheFileIsThereOnlyWithItsHistoryRecord)
{
    const QString file = pdf(u"killed"_s);
    int kills = 0, recorded = 0;
    for (const QString op : {u"fsync,fdatasync"_s, u"unlink,unlinkat"_s, u"link,linkat"_s})
        for (int when = 1; when <= 4; ++when) {
            QFile::remove(file);
            ASSERT_TRUE(db::ExecuteSQL(u"DELETE FROM 历史"_s));
            db::CloseConnection(); // the child opens its own
            QProcessEnvironment env;
            env.insert(u"WAYBILL_PRINT_TARGET"_s, file);
            if (!RunChildKilledAtCall(u"PrintChild.DISABLED_Run"_s, op, when, env))
                continue;
            ++kills;
            const auto rows = db::Connection()->Query(u"SELECT COUNT(*) FROM 历史"_s);
            ASSERT_TRUE(rows);
            recorded += num::Val(rows->value(0, 0)) > 0;
            if (QFile::exists(file))
                EXPECT_GT(num::Val(rows->value(0, 0)), 0) << qPrintable(op) << when;
        }
    EXPECT_GT(kills, 4);
    EXPECT_GT(recorded, 0); // the kill points reach past the history's commit
}

TEST(PrintChild, DISABLED_Run)
{
    PrintRig rig;
    rig.ctx.writeHistory = &rec::AppendHistoryRecords;
    rig.controls.values[rig.controls.Add(Box(0, 10, 10, 80, 8))] = u"收件人"_s;
    rig.ui.next = std::make_unique<PdfPrinter>(qEnvironmentVariable("WAYBILL_PRINT_TARGET"));
    EXPECT_TRUE(print::PrintRecord(rig.ctx));
}

TEST_F(PrintPdf, HistoryOnADamagedPageSaysTheFileIsDamaged)
{
    PrintRig rig;
    rig.ctx.writeHistory = &rec::AppendHistoryRecords;
    rig.controls.name = u"甲"_s;
    rig.controls.values[rig.controls.Add(Box(0, 10, 10, 80, 8))] = u"收件人"_s;
    ASSERT_TRUE(rec::AppendHistoryRecords(rig.controls.name, {{{1, QString(700, u'字')}}}));
    // A bad sector under the format's history: the file system shows no
    // change, so the file is not checked when it is opened again.
    const QString file = path(u"DATA.db"_s);
    db::CloseConnection();
    ASSERT_TRUE(DamagePageUnder(file, u"SELECT MAX(ID) FROM 历史 WHERE Fmt='甲'"_s,
                                {u"SELECT * FROM Fmt"_s}));
    ASSERT_TRUE(NoteAsUnchanged(file));
    rig.ui.next = std::make_unique<PdfPrinter>(pdf(u"damaged"_s));
    ASSERT_TRUE(print::PrintRecord(rig.ctx));
    ASSERT_EQ(dlg.messages().size(), 1);
    const QString said = dlg.messages()[0];
    EXPECT_TRUE(said.startsWith(u"单据已经打印，但打印记录没能保存到历史记录中！"_s))
        << said.toStdString();
    EXPECT_TRUE(said.contains(u"数据文件“"_s + QDir::toNativeSeparators(file) + u"”已损坏"_s))
        << said.toStdString();
}
