// Printing through real CUPS queues (cups-pdf, set up by
// tools/cups-queue.sh), each output PDF measured at 600 dpi against what the
// PDF-file path prints: PQT-PDF declares no hardware margins, so a format
// and the calibration square land where the PDF file puts them;
// PQT-PDF-MARGINS declares margins, and everything lands exactly that much
// further in. The queues made from CUPS' sample drivers and from the
// descriptions in tools/ check lengthwise printing on a page the queue
// turns, a format's paper among the queue's own, and custom paper the queue
// cannot take. Without the queues the tests are skipped, except in CI.

#include "printing/calibration.h"
#include "printing/printfixture.h"
#include "printing/ui/qtprinter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kQueue = u"PQT-PDF"_s;
const QString kMarginsQueue = u"PQT-PDF-MARGINS"_s;
// The printable area PQT-PDF-MARGINS declares (tools/cups-queue.sh): 17 pt
// in from the left, 23 pt from the top.
const double kMarginLeftMm = 17 * 25.4 / 72, kMarginTopMm = 23 * 25.4 / 72;

// The newest PDF cups-pdf wrote whose name holds the title, waiting for it
// to be whole (cups-pdf writes it in place: it ends with its end mark once
// written). The queue and Ghostscript take a few seconds on a quiet machine.
QString WaitForOutput(const QString &title, const QDateTime &after)
{
    const QStringList roots = {u"/var/spool/cups-pdf"_s, QDir::homePath() + u"/PDF"_s};
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 120000) {
        for (const QString &root : roots) {
            QDirIterator it(root, {u"*.pdf"_s}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QFileInfo f(it.next());
                if (f.fileName().contains(title) && f.lastModified() >= after.addSecs(-1)
                    && ReadBytes(f.filePath()).trimmed().endsWith("%%EOF"))
                    return f.filePath();
            }
        }
        QThread::msleep(200);
    }
    return {};
}

// What one print put on its page: the paper in mm and the dark pixels'
// bounding box in mm from the paper's corner.
struct Measured
{
    QSizeF paper;
    QRectF dark;
};

// The paper as rendered (turned when the page says so).
Measured Measure(const QString &pdf)
{
    Measured m;
    if (PdfPageCount(pdf) != 1)
        return {};
    const QImage page = RasterPage(pdf, 1, 600);
    m.paper = QSizeF(PxToMm(page.width(), 600), PxToMm(page.height(), 600));
    const QRect px = DarkBox(page);
    if (!px.isEmpty())
        m.dark = QRectF(PxToMm(px.left(), 600), PxToMm(px.top(), 600),
                        PxToMm(px.width(), 600), PxToMm(px.height(), 600));
    return m;
}

class CupsQueue : public DataDirTest
{
protected:
    // False (the test skipped, or failed in CI) when the queue is missing.
    static bool HaveQueue(const QString &queue)
    {
        if (QPrinterInfo::availablePrinterNames().contains(queue))
            return true;
        if (qEnvironmentVariableIsSet("CI"))
            ADD_FAILURE() << "no CUPS queue " << queue.toStdString() << " (tools/cups-queue.sh)";
        return false;
    }
    // Prints through the queue; what cups-pdf wrote, measured.
    Measured PrintQueue(const QString &queue, const std::function<bool(Printer &)> &print)
    {
        static int job = 0;
        const QString title
            = u"pqtcups%1x%2"_s.arg(QCoreApplication::applicationPid()).arg(++job);
        QtPrinter printer(queue);
        EXPECT_TRUE(printer.IsValid());
        printer.Device().setDocName(title);
        const QDateTime started = QDateTime::currentDateTime();
        EXPECT_TRUE(print(printer));
        const QString out = WaitForOutput(title, started);
        EXPECT_FALSE(out.isEmpty()) << "cups-pdf wrote nothing for " << title.toStdString();
        return Measure(out);
    }
    // Prints through the queue and through a PDF file; both measured.
    std::pair<Measured, Measured> PrintBoth(const QString &queue,
                                            const std::function<bool(Printer &)> &print)
    {
        const Measured queued = PrintQueue(queue, print);
        static int file = 0;
        const QString name = path(u"file%1.pdf"_s.arg(++file));
        {
            PdfPrinter pdf(name);
            EXPECT_TRUE(print(pdf));
        }
        return {queued, Measure(name)};
    }

    // The custom-size format: a black 10 mm square at (30, 20) mm and a line
    // from (50, 60) to (200, 110) mm on 230 × 127 mm paper, offsets 10 and 10.
    bool PrintFormat(Printer &printer)
    {
        PrintRig rig;
        rig.host.setPaper = true;
        QImage black(40, 40, QImage::Format_RGB32);
        black.fill(Qt::black);
        rig.view.picture = black;
        rig.controls.Add(Box(2, 30, 20, 10, 10), u"square.png"_s); // a picture box
        fmtgrid::ControlRow line = Box(3, 50, 60, 200, 110, 1);
        line.font.size = 3;
        rig.controls.Add(line);
        rig.ui.next = std::make_unique<ForwardingPrinter>(printer);
        return print::PrintRecord(rig.ctx);
    }

    // Prints a format on the printer: lines from (4, 50) to (4, 80) and from
    // (10, 20) to (100, 20) mm on 230 × 127 mm, offsets 12.5 and 7, with the
    // ticks given.
    bool PrintLines(Printer &printer, bool lengthwise, bool setPaper = false,
                    const QString &width = u"230"_s, const QString &height = u"127"_s)
    {
        PrintRig rig;
        rig.host.width = width;
        rig.host.height = height;
        rig.host.offsetX = u"12.5"_s;
        rig.host.offsetY = u"7"_s;
        rig.host.setPaper = setPaper;
        rig.host.options[1] = lengthwise ? 1 : 0;
        rig.controls.Add(Box(3, 4, 50, 4, 80, 1));
        rig.controls.Add(Box(3, 10, 20, 100, 20, 1));
        rig.ui.next = std::make_unique<ForwardingPrinter>(printer);
        return print::PrintRecord(rig.ctx);
    }

    bool PrintCalibration(Printer &printer)
    {
        dlg.Queue(true);
        return PrintCalibrationFigure(printer);
    }

    // Hands the engine a printer it does not own.
    class ForwardingPrinter : public Printer
    {
    public:
        explicit ForwardingPrinter(Printer &p)
            : m_p(p)
        { }
        QString DeviceName() const override { return m_p.DeviceName(); }
        DrawSurface &Surface() override { return m_p.Surface(); }
        void SetOrientation(QPageLayout::Orientation o) override { m_p.SetOrientation(o); }
        void SetPageSize(const QPageSize &size) override { m_p.SetPageSize(size); }
        QPageSize PageSize() const override { return m_p.PageSize(); }
        QList<QPageSize> SupportedPageSizes() const override { return m_p.SupportedPageSizes(); }
        std::optional<CustomPaperRange> CustomPaperSizes() const override
        {
            return m_p.CustomPaperSizes();
        }

    private:
        Printer &m_p;
    };
};

void ExpectShifted(const Measured &queue, const Measured &file, double dx, double dy,
                   const char *what)
{
    ASSERT_FALSE(queue.dark.isEmpty()) << what;
    ASSERT_FALSE(file.dark.isEmpty()) << what;
    EXPECT_NEAR(queue.paper.width(), file.paper.width(), 0.25) << what;
    EXPECT_NEAR(queue.paper.height(), file.paper.height(), 0.25) << what;
    EXPECT_NEAR(queue.dark.left(), file.dark.left() + dx, 0.25) << what;
    EXPECT_NEAR(queue.dark.top(), file.dark.top() + dy, 0.25) << what;
    EXPECT_NEAR(queue.dark.right(), file.dark.right() + dx, 0.25) << what;
    EXPECT_NEAR(queue.dark.bottom(), file.dark.bottom() + dy, 0.25) << what;
}

// A queue's printable area on portrait paper, in points from each edge, and
// how it turns a landscape page onto the paper (its description's
// LandscapeOrientation: Plus90 counter-clockwise, Minus90 clockwise).
struct QueueMargins
{
    const char *queue;
    double left, top, right, bottom;
    bool counterClockwise;
};

// The box of a landscape print that the queue turned onto portrait paper, as
// it was drawn on the landscape page.
Measured TurnedBack(const Measured &m, bool counterClockwise)
{
    const double a = m.paper.width(), b = m.paper.height();
    const QRectF r = m.dark;
    Measured back;
    back.paper = m.paper.transposed();
    back.dark = counterClockwise
                    ? QRectF(QPointF(b - r.bottom(), r.left()), QPointF(b - r.top(), r.right()))
                    : QRectF(QPointF(r.top(), a - r.right()), QPointF(r.bottom(), a - r.left()));
    return back;
}

} // namespace

// Every position keeps its distance from the corner of the printable area,
// in portrait and when the queue turns a lengthwise page onto the paper.
TEST_F(CupsQueue, LengthwisePrintUsesThePrintableAreaOfTheTurnedPage)
{
    const QueueMargins queues[] = {
        {"PQT-LASERJET", 18, 36, 18, 36, true},
        {"PQT-PDF-MARGINS", 17, 23, 19, 21, true},
        {"PQT-UNEVEN", 11, 34, 20, 29, false},
    };
    const double pt = 25.4 / 72;
    for (const QueueMargins &q : queues) {
        const QString name = QString::fromLatin1(q.queue);
        if (!HaveQueue(name))
            continue;
        const auto [portrait, portraitFile]
            = PrintBoth(name, [this](Printer &p) { return PrintLines(p, false); });
        ExpectShifted(portrait, portraitFile, q.left * pt, q.top * pt, q.queue);

        auto [turned, file] = PrintBoth(name, [this](Printer &p) { return PrintLines(p, true); });
        ASSERT_GT(file.paper.width(), file.paper.height()) << q.queue;
        if (turned.paper.width() < turned.paper.height())
            turned = TurnedBack(turned, q.counterClockwise);
        // The landscape page's margins; a lengthwise format sits on the
        // printable area's bottom edge.
        const double left = q.counterClockwise ? q.bottom : q.top;
        const double bottom = q.counterClockwise ? q.right : q.left;
        const std::string what = std::string(q.queue) + " lengthwise";
        ExpectShifted(turned, file, left * pt, -bottom * pt, what.c_str());
    }
}

// A format goes onto the queue's own paper of its size, else a custom size
// within the range the queue's description declares; otherwise the message,
// and the print goes onto the queue's own paper. PQT-MEDIA's range for its
// default media type is narrower than the one Qt reports for it.
// PQT-FRACTION's limits are not whole points: 247.2 mm (700.72 pt) is past
// 700.25 pt, while 317.7 mm (900.57 pt) lies within 900.75 pt and is fed as
// 900 pt, not rounded out of the range. PQT-THERMAL's labels are millimetres
// stated in whole points (100 × 180 mm as 283 × 510 pt); PQT-ROLL's custom
// width, 175.75 pt, holds no whole point.
TEST_F(CupsQueue, FormatGetsThePaperOfItsSizeOrTheMessage)
{
    const struct
    {
        const char *queue;
        const char *width, *height;
        bool refused;
        double paperW, paperH; // mm
    } cases[] = {
        {"PQT-ZEBRA", "230", "127", true, 101.6, 127},
        {"PQT-UNEVEN", "300", "127", true, 210, 297},
        {"PQT-UNEVEN", "230", "40", true, 210, 297},
        {"PQT-UNEVEN", "230", "127", false, 230, 127},
        {"PQT-MEDIA", "230", "127", true, 210, 297},
        {"PQT-MEDIA", "200", "70", true, 210, 297},
        {"PQT-MEDIA", "200", "127", false, 200, 127},
        {"PQT-FRACTION", "247.2", "127", true, 210, 297},
        {"PQT-FRACTION", "200", "317.7", false, 200, 317.5},
        {"PQT-THERMAL", "100", "180", false, 100, 180},
        {"PQT-THERMAL", "100", "150", false, 100, 150},
        {"PQT-THERMAL", "76", "130", false, 76, 130},
        {"PQT-THERMAL", "100", "200", true, 101.6, 152.4},
        {"PQT-ROLL", "62", "29", false, 62, 29},
        {"PQT-ROLL", "62", "100", false, 62, 100},
        {"PQT-ROLL", "62", "150", false, 62, 150},
        {"PQT-LETTER", "230", "127", true, 215.9, 279.4},
        {"PQT-DYMO", "230", "127", true, 28.575, 88.9},
    };
    for (const auto &c : cases) {
        const QString name = QString::fromLatin1(c.queue);
        if (!HaveQueue(name))
            continue;
        const std::string what = std::string(c.queue) + " " + c.width + "x" + c.height;
        dlg.Clear();
        const Measured m = PrintQueue(name, [&](Printer &p) {
            return PrintLines(p, false, true, QString::fromLatin1(c.width),
                              QString::fromLatin1(c.height));
        });
        const bool said = std::any_of(dlg.shown().begin(), dlg.shown().end(), [](const auto &s) {
            return s.kind == u"message"_s && s.title == u"添加自定义纸张错误！"_s;
        });
        EXPECT_EQ(said, c.refused) << what;
        EXPECT_NEAR(m.paper.width(), c.paperW, 0.25) << what;
        EXPECT_NEAR(m.paper.height(), c.paperH, 0.25) << what;
    }
}

TEST_F(CupsQueue, FormatAndCalibrationLandWhereThePdfFilePutsThem)
{
    if (!HaveQueue(kQueue))
        GTEST_SKIP() << "no CUPS queue " << kQueue.toStdString();
    const auto [queue, file] = PrintBoth(kQueue, [this](Printer &p) { return PrintFormat(p); });
    EXPECT_NEAR(file.paper.width(), 230, 0.05);
    EXPECT_NEAR(file.paper.height(), 127, 0.05);
    EXPECT_NEAR(file.dark.left(), 30, 0.1);
    EXPECT_NEAR(file.dark.top(), 20, 0.1);
    ExpectShifted(queue, file, 0, 0, "format");

    const auto [square, fileSquare]
        = PrintBoth(kQueue, [this](Printer &p) { return PrintCalibration(p); });
    ExpectShifted(square, fileSquare, 0, 0, "calibration");
    EXPECT_NEAR(square.dark.left(), 10, 0.25);
    EXPECT_NEAR(square.dark.top(), 10, 0.25);
}

TEST_F(CupsQueue, DeclaredHardwareMarginsMoveEverythingIn)
{
    if (!HaveQueue(kMarginsQueue))
        GTEST_SKIP() << "no CUPS queue " << kMarginsQueue.toStdString();
    const auto [queue, file]
        = PrintBoth(kMarginsQueue, [this](Printer &p) { return PrintFormat(p); });
    ExpectShifted(queue, file, kMarginLeftMm, kMarginTopMm, "format");
    const auto [square, fileSquare]
        = PrintBoth(kMarginsQueue, [this](Printer &p) { return PrintCalibration(p); });
    ExpectShifted(square, fileSquare, kMarginLeftMm, kMarginTopMm, "calibration");
}

TEST_F(CupsQueue, CustomSizeFormatPrintsThroughTheQueue)
{
    if (!QPrinterInfo::availablePrinterNames().contains(kQueue)) {
        if (qEnvironmentVariableIsSet("CI"))
            FAIL() << "no CUPS queue " << kQueue.toStdString() << " (tools/cups-queue.sh)";
        GTEST_SKIP() << "no CUPS queue " << kQueue.toStdString();
    }
    PrintRig rig;
    rig.host.width = u"150"_s;
    rig.host.height = u"100"_s;
    rig.host.setPaper = true;
    rig.host.offsetX = u"10"_s;
    rig.host.offsetY = u"10"_s;
    QImage black(40, 40, QImage::Format_RGB32);
    black.fill(Qt::black);
    rig.view.picture = black;
    rig.controls.Add(Box(2, 30, 20, 10, 10), u"square.png"_s); // a picture box

    const QString title = u"pqtcups%1"_s.arg(QCoreApplication::applicationPid());
    auto printer = std::make_unique<QtPrinter>(kQueue);
    ASSERT_TRUE(printer->IsValid());
    printer->Device().setDocName(title);
    rig.ui.next = std::move(printer);
    const QDateTime started = QDateTime::currentDateTime();
    ASSERT_TRUE(print::PrintRecord(rig.ctx));
    // The printable area of that paper on the queue: the origin of the print.
    QtPrinter probe(kQueue);
    ASSERT_TRUE(SetPrinterPaper(probe, Mm(150), Mm(100)));
    const QMarginsF margins = probe.Device().pageLayout().margins(QPageLayout::Millimeter);

    const QString out = WaitForOutput(title, started);
    ASSERT_FALSE(out.isEmpty()) << "cups-pdf wrote nothing for " << title.toStdString();
    QSizeF size;
    ASSERT_EQ(PdfPageCount(out, &size), 1);
    EXPECT_NEAR(size.width(), 150, 0.5);
    EXPECT_NEAR(size.height(), 100, 0.5);
    const QImage img = RasterPage(out, 1, 600);
    ASSERT_FALSE(img.isNull());
    const QRect box = DarkBox(img);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_NEAR(PxToMm(box.left(), 600), margins.left() + 30, 0.25);
    EXPECT_NEAR(PxToMm(box.top(), 600), margins.top() + 20, 0.25);
    EXPECT_NEAR(PxToMm(box.width(), 600), 10, 0.25);
    EXPECT_NEAR(PxToMm(box.height(), 600), 10, 0.25);
}
