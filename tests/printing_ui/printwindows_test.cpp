// The print windows driven by real clicks and keys: the printer chooser
// (cancel, keys discarded, a PDF file chosen and remembered nowhere, a file
// that cannot be written), the batch range and the bar-code standard.

#include "core/formathost.h"
#include "core/globals.h"
#include "core/settings.h"
#include "printing/printerchoice.h"
#include "printing/printfixture.h"
#include "printing/ui/printwindows.h"
#include "support/testenv.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

template<class W> W *Shown()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<W *>(w); t && t->isVisible())
            return t;
    return nullptr;
}

// Runs f on the window of type W once it is shown (during a wait).
template<class W> void WhenShown(std::function<void(W *)> f)
{
    QTimer::singleShot(50, [f] {
        W *w = Shown<W>();
        ASSERT_NE(w, nullptr);
        f(w);
    });
}

class PrintWindows : public DataDirTest
{
};

} // namespace

TEST_F(PrintWindows, ChooserCancelAndPdfFile)
{
    WhenShown<SelPrinter>([](SelPrinter *w) {
        EXPECT_EQ(w->windowTitle(), u"选择"_s);
        ASSERT_GE(w->COMB->count(), 1);
        EXPECT_EQ(w->COMB->itemText(w->COMB->count() - 1), PdfPrinterName());
        QTest::mouseClick(w->Com[1], Qt::LeftButton);
    });
    EXPECT_EQ(ChoosePrinter(u"格式"_s), nullptr);
    EXPECT_TRUE(DialogResult.isEmpty());

    const QString file = path(u"out.pdf"_s);
    dlg.Queue(file);
    WhenShown<SelPrinter>([](SelPrinter *w) {
        w->COMB->setCurrentIndex(w->COMB->count() - 1);
        const QString before = w->COMB->currentText();
        QTest::keyClick(w->COMB, Qt::Key_Up); // typing changes nothing
        EXPECT_EQ(w->COMB->currentText(), before);
        QTest::mouseClick(w->Com[0], Qt::LeftButton);
    });
    const std::unique_ptr<Printer> p = ChoosePrinter(u"格式"_s);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->DeviceName(), PdfPrinterName());
    ASSERT_FALSE(dlg.shown().empty());
    EXPECT_EQ(dlg.shown().back().kind, u"save"_s);
    // A PDF file is no installed printer: nothing is remembered.
    EXPECT_TRUE(RememberedPrinter().isEmpty());
}

TEST_F(PrintWindows, ExistingPdfIsReplacedOnlyWhenTheUserAgrees)
{
    const QString file = path(u"old.pdf"_s);
    ASSERT_TRUE(WriteBytes(file, "old pdf"));
    const auto choose = [&](bool replace) {
        dlg.Clear();
        dlg.Queue(file);
        dlg.Queue(replace);
        WhenShown<SelPrinter>([](SelPrinter *w) {
            w->COMB->setCurrentIndex(w->COMB->count() - 1);
            QTest::mouseClick(w->Com[0], Qt::LeftButton);
        });
        std::unique_ptr<Printer> p = ChoosePrinter(u"格式"_s);
        EXPECT_EQ(dlg.shown().back().kind, u"yesno"_s);
        EXPECT_EQ(dlg.shown().back().text, u"该文件已存在，是否覆盖？"_s);
        return p;
    };
    // No: no printer, nothing written.
    EXPECT_EQ(choose(false), nullptr);
    EXPECT_EQ(ReadBytes(file), "old pdf");
    // Yes: the file is replaced once the document is complete.
    std::unique_ptr<Printer> p = choose(true);
    ASSERT_NE(p, nullptr);
    p->Surface().Box(Twips(567), Twips(567), Twips(1134), Twips(1134), 0, true);
    EXPECT_EQ(ReadBytes(file), "old pdf");
    ASSERT_TRUE(p->Surface().EndDoc());
    EXPECT_TRUE(ReadBytes(file).startsWith("%PDF"));
    EXPECT_EQ(QDir(dataDir()).entryList(QDir::Files).filter(u"old.pdf"_s),
              QStringList {u"old.pdf"_s});
}

// A PDF file in a folder that cannot be written (its parent is a regular
// file, which stops root as well): the message names the file, nothing is
// printed or stored.
TEST_F(PrintWindows, PdfFileThatCannotBeWrittenIsSaidByName)
{
    ASSERT_TRUE(WriteBytes(path(u"notafolder"_s), "x"));
    const QString file = path(u"notafolder/运单.pdf"_s);
    PrintRig rig;
    rig.controls.Add(Box(3, 10, 20, 100, 20, 1));
    WindowPrintUi ui(u"运单"_s, nullptr);
    print::PrintContext ctx {rig.controls, rig.host, rig.view, ui, rig.ctx.formatMoney,
                             rig.ctx.writeHistory};
    dlg.Queue(file);
    WhenShown<SelPrinter>([](SelPrinter *w) {
        w->COMB->setCurrentIndex(w->COMB->count() - 1);
        QTest::mouseClick(w->Com[0], Qt::LeftButton);
    });
    EXPECT_FALSE(print::PrintRecord(ctx));
    QStringList said;
    for (const auto &s : dlg.shown())
        if (s.kind == u"message"_s)
            said << s.text;
    ASSERT_EQ(said.size(), 1) << said.join(u'|').toStdString();
    EXPECT_TRUE(said[0].contains(file));
    EXPECT_TRUE(said[0].contains(u"无法写入"_s));
    EXPECT_FALSE(said[0].contains(u"打印机"_s));
    EXPECT_TRUE(rig.stored.empty());
}

TEST_F(PrintWindows, BatchRangeAsTyped)
{
    WhenShown<PrintPages>([](PrintPages *w) {
        EXPECT_EQ(w->T[0]->text(), u"2"_s);
        EXPECT_EQ(w->T[1]->text(), u"40"_s);
        w->T[0]->clear();
        QTest::keyClicks(w->T[0], u"5"_s);
        w->T[1]->clear();
        QTest::keyClicks(w->T[1], u"3"_s);
        QTest::mouseClick(w->Com[0], Qt::LeftButton);
    });
    EXPECT_EQ(AskBatchRange(2, 40), u"5:3"_s);
    WhenShown<PrintPages>([](PrintPages *w) { QTest::mouseClick(w->Com[1], Qt::LeftButton); });
    EXPECT_EQ(AskBatchRange(2, 40), QString());
}

TEST_F(PrintWindows, BarCodeStandardStoredAndRedrawn)
{
    int redraws = 0;
    auto *w = new StrCodeStand([&] { ++redraws; });
    w->show();
    EXPECT_TRUE(w->Op[0]->isChecked()); // nothing stored: Code 39
    QTest::mouseClick(w->Op[1], Qt::LeftButton);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(ReadParam(u"StrBarCodeStand"_s), u"1"_s);
    EXPECT_EQ(redraws, 1);
    auto *again = new StrCodeStand({});
    EXPECT_TRUE(again->Op[1]->isChecked());
    delete again;
}

TEST_F(PrintWindows, CalibrationOpensMarginsEvenWhenCancelled)
{
    FormatHostState host;
    host.offsetX = u"12.5"_s;
    host.offsetY = u"10"_s;
    WhenShown<SelPrinter>([](SelPrinter *w) { QTest::mouseClick(w->Com[1], Qt::LeftButton); });
    PrintCalibration(host, nullptr);
    Margin *m = Shown<Margin>();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->TX->text(), u"12.5"_s);
    m->TY->clear();
    QTest::keyClicks(m->TY, u"8.5"_s);
    QTest::mouseClick(m->Comm[0], Qt::LeftButton);
    EXPECT_EQ(host.offsetY, u"8.5"_s);

    // The wizard's deviation step: content too far right by 1.5 mm.
    auto *v = new ValValue(host, {});
    v->show();
    EXPECT_TRUE(v->T[0]->isEnabled());
    EXPECT_FALSE(v->T[1]->isEnabled());
    QTest::mouseClick(v->Op[1], Qt::LeftButton);
    EXPECT_TRUE(v->T[1]->isEnabled());
    QTest::keyClicks(v->T[1], u"1.5"_s);
    QTest::mouseClick(v->Com[0], Qt::LeftButton);
    EXPECT_EQ(host.offsetX, u"14"_s);
    EXPECT_EQ(dlg.messages().back(), u"调整完成，再试打印一下看？"_s);
}
