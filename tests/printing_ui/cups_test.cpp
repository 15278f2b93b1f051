// Printing through a real CUPS queue (cups-pdf, set up by
// tools/cups-queue.sh): a custom-size format through QPrinter, the output
// PDF measured. Without the queue the test is skipped, except in CI.

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
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kQueue = u"PQT-PDF"_s;

// The newest PDF cups-pdf wrote whose name holds the title, waiting for it.
QString WaitForOutput(const QString &title, const QDateTime &after)
{
    const QStringList roots = {u"/var/spool/cups-pdf"_s, QDir::homePath() + u"/PDF"_s};
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 60000) {
        for (const QString &root : roots) {
            QDirIterator it(root, {u"*.pdf"_s}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QFileInfo f(it.next());
                if (f.fileName().contains(title) && f.lastModified() >= after.addSecs(-1)
                    && f.size() > 0) {
                    QThread::msleep(500); // cups-pdf may still be writing
                    return f.filePath();
                }
            }
        }
        QThread::msleep(200);
    }
    return {};
}

} // namespace

TEST(CupsQueue, CustomSizeFormatPrintsThroughTheQueue)
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
