// A 20-record batch of the benchmark's format printed through the real
// engine (each record put into the page, converted, drawn) into a PDF must
// give the pages recorded in fixtures/batch20: every page rasterised at
// 50 dpi by pdftoppm and compared pixel by pixel. A pixel differs when its
// grey level is more than kLevel apart; a page may hold at most kMaxPixels
// such pixels. A font or renderer update shifts glyph edges by a few levels
// and a few pixels; a text, bar or line that moves or goes changes far more.
//
// WAYBILL_WRITE_REFERENCE=1 writes the pages as PNGs into the build folder
// (tests/reference/batch20, or the folder named by WAYBILL_REFERENCE_DIR)
// instead of comparing; copy them into fixtures/batch20 to take them.

#include "bench/batchformat.h"
#include "core/settings.h"
#include "designer/printsetup.h"
#include "printing/printfixture.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kReference = QStringLiteral(TEST_SOURCE_DIR "/designer/fixtures/batch20");
constexpr int kDpi = 50;
constexpr int kLevel = 64;
constexpr qsizetype kMaxPixels = 200; // of 113,000 on a page

class BatchUi : public print::PrintUi
{
public:
    explicit BatchUi(QString path)
        : m_path(std::move(path))
    { }
    std::unique_ptr<Printer> ChoosePrinter() override
    {
        return std::make_unique<PdfPrinter>(m_path);
    }
    QString AskBatchRange(qint32, qint32 max) override { return u"1:%1"_s.arg(max); }

private:
    QString m_path;
};

class BatchReference : public DataDirTest
{ };

QString PageName(int page)
{
    return u"page-%1.png"_s.arg(page, 2, 10, QChar(u'0'));
}

// The pixels of a and b whose grey levels are more than kLevel apart; every
// pixel when the sizes differ.
qsizetype DifferingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return qsizetype(std::max(a.width(), b.width())) * std::max(a.height(), b.height());
    qsizetype n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar *p = a.constScanLine(y), *q = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x)
            n += std::abs(int(p[x]) - int(q[x])) > kLevel;
    }
    return n;
}

} // namespace

TEST_F(BatchReference, TwentyRecordsPrintAsRecorded)
{
    const QString name = u"批量基准"_s;
    ASSERT_TRUE(batchbench::CreateFormat(name));
    SaveParam(u"StrBarCodeStand"_s, u"0"_s);
    dsg::MainState state;
    state.SetFrameSize(15000, 8000);
    state.Load();
    batchbench::FillDataGrid(state, 20);
    dsg::StatePrintView view(state);
    const QString file = path(u"batch.pdf"_s);
    BatchUi ui(file);
    print::PrintContext ctx = dsg::PrintContextFor(state, view, ui);
    ASSERT_EQ(print::BatchPrint(ctx, dsg::RecordScrollFor(state)), 20);
    // The records were put into the page without their bar codes' pictures;
    // the record shown again afterwards has them.
    for (const qint32 box : {2001, 2002}) {
        EXPECT_FALSE(state.GetCtlByIndex(box)->picture.isNull()) << box;
        EXPECT_FALSE(state.GetCtlByIndex(box)->barCodePending) << box;
    }

    const QString base = path(u"page"_s);
    ASSERT_EQ(RunCommand(u"pdftoppm"_s, {u"-gray"_s, u"-r"_s, QString::number(kDpi), file, base}),
              0);
    std::vector<QImage> pages;
    for (const QString &page : QDir(dataDir()).entryList({u"page-*.pgm"_s}, QDir::Files, QDir::Name))
        pages.push_back(QImage(path(page)).convertToFormat(QImage::Format_Grayscale8));
    ASSERT_EQ(pages.size(), 20u);

    if (qEnvironmentVariableIntValue("WAYBILL_WRITE_REFERENCE") == 1) {
        const QString out = qEnvironmentVariable("WAYBILL_REFERENCE_DIR",
                                                 QStringLiteral(TEST_BINARY_DIR "/reference/batch20"));
        ASSERT_TRUE(QDir().mkpath(out)) << out.toStdString();
        for (size_t i = 0; i < pages.size(); ++i)
            ASSERT_TRUE(pages[i].save(QDir(out).filePath(PageName(int(i) + 1)), "PNG"));
        GTEST_SKIP() << "reference written into " << out.toStdString();
    }
    for (size_t i = 0; i < pages.size(); ++i) {
        const QString ref = QDir(kReference).filePath(PageName(int(i) + 1));
        const QImage expected = QImage(ref).convertToFormat(QImage::Format_Grayscale8);
        ASSERT_FALSE(expected.isNull()) << "no reference at " << ref.toStdString();
        EXPECT_LE(DifferingPixels(pages[i], expected), kMaxPixels) << "page " << i + 1;
    }
}
