// The background picture printed with the waybill: an A4 scan at 600 dpi,
// past Qt's default decoding limit, reaches the PDF like any other.

#include "core/formatstore.h"
#include "designer/commands.h"
#include "designer/printsetup.h"
#include "printing/printfixture.h"
#include "testformat.h"

#include <QImageReader>

using namespace Qt::StringLiterals;

class BackgroundPrint : public DataDirTest
{ };

TEST_F(BackgroundPrint, AnA4ScanAt600DpiIsPrinted)
{
    QImageReader::setAllocationLimit(128); // Qt's default, whatever ran before
    const QString fmt = u"扫描"_s;
    testfmt::WriteHeader(fmt, 210, 297, 15360);
    testfmt::WriteRow(fmt, {0, u"收件人"_s, 20, 10, 40, 6, "1", 9});
    testfmt::SetLastFormat(fmt);
    ASSERT_TRUE(SaveA4Scan(GetBackgroundPicturePath(fmt), 20, 150));
    dsg::MainState state;
    state.SetFrameSize(15000, 8000);
    state.Load();
    ASSERT_TRUE(dsg::ToggleTick(state, dsg::Tick::DiTuPrint));
    state.GetCtlByIndex(1)->text = u"张三"_s; // a page is printed whatever the picture
    dsg::StatePrintView view(state);
    TestUi ui;
    const QString file = path(u"scan.pdf"_s);
    ui.next = std::make_unique<PdfPrinter>(file);
    print::PrintContext ctx = dsg::PrintContextFor(state, view, ui);
    ASSERT_TRUE(print::PrintRecord(ctx));
    const QImage page = RasterPage(file, 1, 20);
    ASSERT_FALSE(page.isNull());
    // Dark above the middle of the waybill, grey below it.
    for (const double xMm : {20.0, 105.0, 190.0}) {
        SCOPED_TRACE(xMm);
        const int x = int(xMm / 25.4 * 20);
        EXPECT_LT(qGray(page.pixel(x, int(100 / 25.4 * 20))), 50);
        EXPECT_NEAR(qGray(page.pixel(x, int(250 / 25.4 * 20))), 150, 20);
    }
}
