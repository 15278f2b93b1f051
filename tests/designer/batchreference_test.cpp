// A 20-record batch of the benchmark's format printed through the real
// engine (each record put into the page, converted, drawn) into a PDF must
// give the same pages as the recorded reference: every page rasterised at
// 150 dpi by pdftoppm and compared by the hash of its pixels, so that no
// pixel of any text, bar or line moves when the drawing is made faster. With
// WAYBILL_WRITE_REFERENCE=1 the test writes the reference instead.

#include "bench/batchformat.h"
#include "core/settings.h"
#include "designer/printsetup.h"
#include "printing/printfixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kReference = QStringLiteral(TEST_SOURCE_DIR "/designer/fixtures/batch20_pages.txt");

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
    ASSERT_EQ(RunCommand(u"pdftoppm"_s, {u"-gray"_s, u"-r"_s, u"150"_s, file, base}), 0);
    QStringList hashes;
    for (const QString &page : QDir(dataDir()).entryList({u"page-*.pgm"_s}, QDir::Files, QDir::Name))
        hashes << QString::fromLatin1(
            QCryptographicHash::hash(ReadBytes(path(page)), QCryptographicHash::Sha1).toHex());
    ASSERT_EQ(hashes.size(), 20);

    if (qEnvironmentVariableIntValue("WAYBILL_WRITE_REFERENCE") == 1) {
        ASSERT_TRUE(WriteBytes(kReference, hashes.join(u'\n').toLatin1() + '\n'));
        GTEST_SKIP() << "reference written";
    }
    const QStringList expected
        = QString::fromLatin1(ReadBytes(kReference)).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(expected.size(), 20) << "no reference at " << kReference.toStdString();
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(hashes[i], expected[i]) << "page " << i + 1;
}
