// The program's main window offscreen (made as the program makes it: deleted
// by its close) closed as its title bar closes it while long work runs on it
// under the progress window: a batch print to a PDF file, a CSV and a
// workbook import, a format import, the history load and the history export. The close waits for the work, which
// ends with what it made, and then closes and deletes the window. And the
// history tab's 查找 and 再次打印 pressed while the history loads.

#include "core/database.h"
#include "core/exchangefile.h"
#include "core/progress.h"
#include "core/ui/progresswindow.h"
#include "core/ui/startupui.h"
#include "designer/ui/mainwindow.h"
#include "formatwindowtest.h"
#include "platform/codepage.h"
#include "records/datagrid.h"
#include "records/history.h"
#include "records/ui/importwindows.h"
#include "support/sanitizer.h"
#include "support/testenv.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

using namespace dsg;
using namespace Qt::StringLiterals;

namespace {

const QString kFmt = u"申通"_s;
// The records of a batch (times ten or five for the imports and the
// history): a close in the middle needs a few only. The sanitizer build
// takes a tenth: every PDF page costs it two fresh 16 MB buffers of Qt's PDF
// writer (mapped, their shadow filled and released each time), about 7 ms a
// page against the plain build's 0.6 ms.
constexpr int kRecords = kSanitizerBuild ? 200 : 2000;

// Runs `then` once, from the event loop runs of the work, when the progress
// window shows a caption starting with `caption` and the work's loop has
// made its first step.
class AtWorkStep : public QObject
{
public:
    AtWorkStep(const QString &caption, std::function<void()> then)
        : m_caption(caption)
        , m_then(std::move(then))
    {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll] {
            if (!IndicatorShown() || !Indicator().caption.startsWith(m_caption))
                return;
            // The window shows at 0 (before that it may show the last work's
            // position); the work's loop makes the steps.
            if (Indicator().position == 0)
                m_atStart = true;
            if (!m_atStart || Indicator().position < 1)
                return;
            poll->stop();
            fired = true;
            m_then();
        });
        poll->start(0); // at every pass of the event loop
    }
    bool fired = false;

private:
    QString m_caption;
    std::function<void()> m_then;
    bool m_atStart = false;
};

// Answers the batch range (all records) and the printer chooser ("PDF 文件").
class PrintWindowsAnswerer : public QObject
{
public:
    PrintWindowsAnswerer()
    {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (!w->isVisible())
                    continue;
                const QString title = w->windowTitle();
                if (title != u"批量打印起止页设置"_s && title != u"选择"_s)
                    continue;
                if (auto *combo = w->findChild<QComboBox *>(u"COMB"_s))
                    combo->setCurrentText(u"PDF 文件"_s);
                const auto buttons = w->findChildren<QPushButton *>();
                if (!buttons.isEmpty()) {
                    ++answered;
                    QTest::mouseClick(buttons.first(), Qt::LeftButton);
                }
            }
        });
        poll->start(5);
    }
    int answered = 0;
};

class CloseDuringWorkTest : public FormatWindowTest
{
protected:
    void SetUp() override
    {
        FormatWindowTest::SetUp();
        m_ids = WriteFormat(kFmt, {{0, u"收件人"_s, 20, 10, 40, 6, "1", 9},
                                   {0, u"地址"_s, 20, 20, 40, 6, "1", 9},
                                   {0, u"电话"_s, 20, 30, 40, 6, "1", 9}});
        InstallProgressWindow();
        InstallMainWindowFactory();
        m_window = qobject_cast<MainWindow *>(ShowMainWindow());
        ASSERT_TRUE(m_window);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window));
        // The window must outlive the command that runs the work.
        QObject::connect(m_window, &QObject::destroyed, [this] { m_deletedInCommand = m_inCommand; });
    }
    void TearDown() override
    {
        if (m_window)
            delete m_window.data();
        SetMainWindowFactory({});
        SetIndicatorView(nullptr);
        FormatWindowTest::TearDown();
    }

    // Runs a command of the window (a press of a button) as the work's
    // command; the close is posted meanwhile.
    void RunCommand(const std::function<void()> &press)
    {
        m_inCommand = true;
        press();
        m_inCommand = false;
    }

    // The close a title bar sends to the window, from the event queue.
    void PostTitleBarClose()
    {
        ASSERT_TRUE(m_window && m_window->windowHandle());
        QCoreApplication::postEvent(m_window->windowHandle(), new QCloseEvent);
    }

    // The close, put off during the work, is made once the work has ended.
    void ExpectClosedAfterWork(const AtWorkStep &closer)
    {
        EXPECT_TRUE(closer.fired);
        EXPECT_FALSE(m_deletedInCommand) << "the window was deleted while its work ran";
        QElapsedTimer t;
        t.start();
        while (m_window && t.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        EXPECT_TRUE(m_window.isNull()) << "the close was not made after the work";
    }

    // The import's mapping window on the screen, if any.
    static imp::InputMapWindow *ShownMapWindow()
    {
        for (QWidget *t : QApplication::topLevelWidgets())
            if (auto *m = qobject_cast<imp::InputMapWindow *>(t); m && m->isVisible())
                return m;
        return nullptr;
    }

    // kRecords records in DataGrid for a batch print into `pdf`.
    void PrepareBatch(const QString &pdf)
    {
        GridModel &data = m_window->State().DataGrid();
        data.setCols(2);
        data.setRows(2);
        data.setFixedRows(2);
        data.setFixedCols(1);
        data.setText(0, 1, QString::number(m_ids[0]));
        for (int i = 1; i <= kRecords; ++i)
            data.addRow({QString::number(i), u"收件人%1"_s.arg(i)});
        m_window->State().SetupRecordScroll();
        dlg.Queue(pdf);
    }

    static int PdfPages(const QString &pdf)
    {
        const QByteArray bytes = ReadBytes(pdf);
        return bytes.trimmed().endsWith("%%EOF")
            ? int(bytes.count("/Type /Page") - bytes.count("/Type /Pages"))
            : -1;
    }

    // `records` history records of the format, newest first in the grid:
    // record n has 收件人 "客户n".
    void WriteHistory(int records)
    {
        std::vector<PrintedPage> pages;
        for (int n = 1; n <= records; ++n)
            pages.push_back({{m_ids[0], u"客户%1"_s.arg(n)},
                             {m_ids[1], u"浙江省杭州市西湖区文三路%1号"_s.arg(n)},
                             {m_ids[2], u"1390000%1"_s.arg(n)}});
        ASSERT_TRUE(rec::AppendHistoryRecords(kFmt, pages));
    }

    std::vector<qint64> m_ids;
    QPointer<MainWindow> m_window;
    bool m_inCommand = false, m_deletedInCommand = false;
};

} // namespace

TEST_F(CloseDuringWorkTest, BatchPrint)
{
    const QString pdf = path(u"批量.pdf"_s);
    PrepareBatch(pdf);
    PrintWindowsAnswerer answerer;
    AtWorkStep closer(u"正在打印单据"_s, [this] { PostTitleBarClose(); });
    RunCommand([this] { QTest::mouseClick(m_window->Com(1), Qt::LeftButton); });
    ExpectClosedAfterWork(closer);
    EXPECT_EQ(PdfPages(pdf), kRecords); // the whole batch was printed
}

// Commands pressed while a batch prints start nothing: no second batch, no
// import into the grid being printed.
TEST_F(CloseDuringWorkTest, CommandsPressedDuringABatchStartNothing)
{
    const QString pdf = path(u"批量.pdf"_s);
    PrepareBatch(pdf);
    const QString csv = path(u"订单.csv"_s);
    ASSERT_TRUE(WriteBytes(csv, cp936::Encode(u"收件人\r\n张三\r\n"_s)));
    PrintWindowsAnswerer answerer;
    AtWorkStep press(u"正在打印单据"_s, [this, &csv] {
        dlg.Queue(csv);
        QTest::mouseClick(m_window->Com(1), Qt::LeftButton);
        QTest::mouseClick(m_window->Com(10), Qt::LeftButton);
    });
    QTest::mouseClick(m_window->Com(1), Qt::LeftButton);
    ASSERT_TRUE(press.fired);
    EXPECT_EQ(answerer.answered, 2); // one range window, one chooser
    EXPECT_FALSE(ShownMapWindow());
    EXPECT_EQ(m_window->State().DataGrid().rows(), 2 + kRecords);
    EXPECT_EQ(PdfPages(pdf), kRecords);
}

TEST_F(CloseDuringWorkTest, CsvImport)
{
    QByteArray text = cp936::Encode(u"收件人\r\n"_s);
    for (int i = 1; i <= kRecords * 10; ++i)
        text += cp936::Encode(u"张三%1\r\n"_s.arg(i));
    const QString csv = path(u"订单.csv"_s);
    ASSERT_TRUE(WriteBytes(csv, text));
    dlg.Queue(csv);
    QTest::mouseClick(m_window->Com(10), Qt::LeftButton);
    const QPointer<imp::InputMapWindow> map = ShownMapWindow();
    ASSERT_TRUE(map);
    map->Mapping().BoxMaps().setText(1, 4, u"A"_s);
    map->T(1)->setText(QString::number(kRecords * 10 + 1));
    AtWorkStep closer(QString::fromUtf8(imp::kReadingCaption), [this] { PostTitleBarClose(); });
    RunCommand([&] { QTest::mouseClick(map->Com(0), Qt::LeftButton); });
    ExpectClosedAfterWork(closer);
}

// The workbook is read by the helper program while the window answers; the
// close stops the read as closing the progress window does.
TEST_F(CloseDuringWorkTest, XlsImport)
{
    const QString book = path(u"订单.xls"_s);
    const QString py = u"import sys, xlwt\nwb = xlwt.Workbook(encoding='utf-8')\n"
                       "s = wb.add_sheet('订单')\nfor r in range(%1):\n"
                       "    s.write(r, 0, '张三%d' % r)\nwb.save(sys.argv[1])\n"_s.arg(kRecords * 10);
    ASSERT_EQ(::RunCommand(u"/usr/bin/python3"_s, {u"-c"_s, py, book}), 0);
    dlg.Queue(book);
    // The sheet window waits for its answer: the only sheet, taken.
    QTimer sheetAnswer;
    QObject::connect(&sheetAnswer, &QTimer::timeout, [&sheetAnswer] {
        for (QWidget *t : QApplication::topLevelWidgets())
            if (auto *s = qobject_cast<imp::SheetsWindow *>(t); s && s->isVisible()) {
                sheetAnswer.stop();
                s->Img_Click(0);
            }
    });
    sheetAnswer.start(5);
    QTest::mouseClick(m_window->Com(10), Qt::LeftButton);
    const QPointer<imp::InputMapWindow> map = ShownMapWindow();
    ASSERT_TRUE(map);
    map->Mapping().BoxMaps().setText(1, 4, u"A"_s);
    map->T(1)->setText(QString::number(kRecords * 10));
    AtWorkStep closer(QString::fromUtf8(imp::kReadingCaption), [this] { PostTitleBarClose(); });
    RunCommand([&] { QTest::mouseClick(map->Com(0), Qt::LeftButton); });
    ExpectClosedAfterWork(closer);
}

TEST_F(CloseDuringWorkTest, FormatImport)
{
    const QString file = path(u"导入的.wlq"_s);
    dlg.Queue(file);
    ASSERT_TRUE(ExportFormat(m_window->State(), kFmt));
    dlg.Queue(file);
    AtWorkStep closer(u"正在导入格式"_s, [this] { PostTitleBarClose(); });
    RunCommand([this] {
        m_window->menuBar()->findChild<QAction *>(u"mInputFormat"_s)->trigger();
    });
    ExpectClosedAfterWork(closer);
    // The format was stored whole.
    const auto stored = db::FormatExists(u"导入的"_s);
    ASSERT_TRUE(stored);
    EXPECT_TRUE(*stored);
}

TEST_F(CloseDuringWorkTest, HistoryLoad)
{
    WriteHistory(kRecords);
    AtWorkStep closer(u"正在加载历史记录"_s, [this] { PostTitleBarClose(); });
    RunCommand([this] {
        QTabWidget *tabs = m_window->Tabs();
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                          tabs->tabBar()->tabRect(2).center());
    });
    ExpectClosedAfterWork(closer);
}

TEST_F(CloseDuringWorkTest, HistoryExport)
{
    WriteHistory(kRecords * 5);
    m_window->Tabs()->setCurrentIndex(2);
    ASSERT_EQ(m_window->State().HistoryGrid().rows(), 2 + kRecords * 5);
    const QString out = path(u"历史.csv"_s);
    dlg.Queue(out);
    AtWorkStep closer(u"正在导出数据"_s, [this] { PostTitleBarClose(); });
    RunCommand([this] { QTest::mouseClick(m_window->Com(23), Qt::LeftButton); });
    ExpectClosedAfterWork(closer);
    // The whole grid was written: a caption line and a line a record.
    EXPECT_EQ(ReadBytes(out).count("\r\n"), 1 + kRecords * 5);
}

// 查找 and 再次打印 pressed while the history grid loads act on the whole grid
// or not at all: no "not found" for a record that is there, no waybill left
// on the page other than the record chosen.
TEST_F(CloseDuringWorkTest, HistoryCommandsWhileLoading)
{
    WriteHistory(kRecords);
    MainWindow &w = *m_window;
    DesignControl *box = w.State().GetCtlByIndex(1);
    ASSERT_TRUE(box);
    w.State().SetControlValue(*box, u"上一张单据"_s);
    // The oldest record is the last row of the grid.
    w.KeyWord()->setText(u"文三路1号"_s);
    AtWorkStep press(u"正在加载历史记录"_s, [&w, this] {
        QTest::mouseClick(w.Com(24), Qt::LeftButton);
        QTest::mouseClick(w.Com(20), Qt::LeftButton);
    });
    QTabWidget *tabs = w.Tabs();
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(2).center());
    ASSERT_TRUE(press.fired);
    EXPECT_FALSE(dlg.messages().contains(u"没有查到相关的记录！"_s)) << dlg.messages().join(u'|').toStdString();
    // Either the record found was printed again, or the presses did nothing.
    const GridModel &grid = w.State().HistoryGrid();
    ASSERT_EQ(grid.rows(), 2 + kRecords);
    if (tabs->currentIndex() == 0)
        EXPECT_EQ(box->text, u"客户1"_s);
    else
        EXPECT_EQ(box->text, u"上一张单据"_s);
    // On the whole grid, both do their work.
    tabs->setCurrentIndex(2);
    QTest::mouseClick(w.Com(24), Qt::LeftButton);
    EXPECT_EQ(grid.row(), 2 + kRecords - 1);
    QTest::mouseClick(w.Com(20), Qt::LeftButton);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(box->text, u"客户1"_s);
}
