// The program's main window offscreen (made as the program makes it: deleted
// by its close) closed as its title bar closes it while long work runs on it
// under the progress window: a batch print to a PDF file, a CSV and a
// workbook import, a format import, the history load and the history
// export. The close stops the batch and the workbook read as closing the
// progress window does, waits for the other work and for the work's own
// messages, and then closes and deletes the window. Also: input of every kind
// during work, the mapping window closed during its import, and the
// automatic import's ways out.

#include "core/database.h"
#include "core/exchangefile.h"
#include "core/progress.h"
#include "core/ui/fmtlist.h"
#include "core/ui/progresswindow.h"
#include "core/ui/startupui.h"
#include "designer/formatops.h"
#include "designer/ui/mainwindow.h"
#include "designer/ui/pagewidget.h"
#include "formatwindowtest.h"
#include "platform/codepage.h"
#include "platform/ui/qtdialogs.h"
#include "printing/printengine.h"
#include "records/datagrid.h"
#include "records/history.h"
#include "records/ui/importwindows.h"
#include "support/sanitizer.h"
#include "support/testenv.h"
#include "support/workstep.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
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
// A batch that the events of its first step meet in the middle.
constexpr int kSmallBatch = 10;

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

// Real message boxes for Message and AskYesNo (the files from the scripted
// dialogs), answered by Yes or their first button once mayAnswer() allows
// and the box has been up for 100 ms of its loop (so what the loop would
// run, it has run); each box's text is kept with whether the main window was
// still shown when it was answered.
class RealBoxes : public QtDialogs
{
public:
    RealBoxes(ScriptedDialogs &rest, QWidget *mainWindow)
        : m_rest(rest)
        , m_main(mainWindow)
    {
        setDialogs(this);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box->buttons().isEmpty())
                return;
            if (box != m_current) {
                m_current = box;
                m_up.start();
                if (onShown)
                    onShown();
            }
            if (m_up.elapsed() < 100 || (mayAnswer && !mayAnswer()))
                return;
            seen.push_back({box->text(), m_main && m_main->isVisible()});
            QAbstractButton *yes = box->button(QMessageBox::Yes);
            QTest::mouseClick(yes ? yes : box->buttons().first(), Qt::LeftButton);
        });
        m_poll.start(5);
    }
    ~RealBoxes() override { setDialogs(&m_rest); }

    QString OpenFile(const QString &f, const QString &n) override { return m_rest.OpenFile(f, n); }
    QString SaveFile(const QString &f, const QString &n) override { return m_rest.SaveFile(f, n); }

    struct Seen
    {
        QString text;
        bool mainShown = false;
    };
    std::vector<Seen> seen;
    std::function<void()> onShown;
    std::function<bool()> mayAnswer;

private:
    ScriptedDialogs &m_rest;
    QPointer<QWidget> m_main;
    QPointer<QMessageBox> m_current;
    QElapsedTimer m_up;
    QTimer m_poll;
};

class CloseDuringWorkTest : public FormatWindowTest
{
protected:
    void SetUp() override
    {
        FormatWindowTest::SetUp();
        m_ids = WriteFormat(kFmt,
                            {{0, u"收件人"_s, 20, 10, 40, 6, "1", 9},
                             {0, u"地址"_s, 20, 20, 40, 6, "1", 9},
                             {0, u"电话"_s, 20, 30, 40, 6, "1", 9},
                             {0, u"签收"_s, 20, 40, 40, 6, "1", 9, 115}});
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
    // The same from the event loop, as the program's main loop runs it.
    void RunFromEventLoop(const std::function<void()> &press)
    {
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            RunCommand(press);
            loop.quit();
        });
        loop.exec();
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
    void PrepareBatch(const QString &pdf, int records = kRecords)
    {
        GridModel &data = m_window->State().DataGrid();
        data.setCols(2);
        data.setRows(2);
        data.setFixedRows(2);
        data.setFixedCols(1);
        data.setText(0, 1, QString::number(m_ids[0]));
        for (int i = 1; i <= records; ++i)
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

    // 订单.csv of `records` names after its caption line, chosen by 导入数据:
    // the mapping window, box 1 mapped to column A, the rows all records.
    QPointer<imp::InputMapWindow> MapCsv(int records)
    {
        QByteArray text = cp936::Encode(u"收件人\r\n"_s);
        for (int i = 1; i <= records; ++i)
            text += cp936::Encode(u"张三%1\r\n"_s.arg(i));
        if (!WriteBytes(path(u"订单.csv"_s), text))
            return nullptr;
        dlg.Queue(path(u"订单.csv"_s));
        QTest::mouseClick(m_window->Com(10), Qt::LeftButton);
        const QPointer<imp::InputMapWindow> map = ShownMapWindow();
        if (map) {
            map->Mapping().BoxMaps().setText(1, 4, u"A"_s);
            map->T(1)->setText(QString::number(records + 1));
        }
        return map;
    }

    // 大格式: the rows given and 1,000 lines, one more than a class may have.
    static bool WriteBigFormat(std::vector<testfmt::Row> rows)
    {
        for (int i = 1; i <= 1000; ++i)
            rows.push_back({3, u"线%1"_s.arg(i), 10, 10, 20, 0, "1", 9});
        sql::Transaction t(*db::Connection());
        WriteFormat(u"大格式"_s, rows);
        return t.Commit();
    }

    static int HistoryRecords()
    {
        GridModel grid;
        rec::LoadHistoryGrid(grid, kFmt);
        return grid.rows() - grid.fixedRows();
    }

    // A click as the window system hands it in: a modal window blocks it.
    static void SystemClick(QWidget *target)
    {
        QWidget *window = target->window();
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                          target->mapTo(window, target->rect().center()));
    }

    // Lets the event loop run until `done` or the window is gone.
    void WaitFor(const std::function<bool()> &done)
    {
        while (m_window && !done())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
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
    // The close stopped the batch after the page in hand, as closing the
    // progress window does; the history holds the pages printed.
    const int pages = PdfPages(pdf);
    EXPECT_GE(pages, 1);
    EXPECT_LT(pages, kRecords);
    EXPECT_EQ(HistoryRecords(), pages);
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
        SystemClick(m_window->Com(1));
        SystemClick(m_window->Com(10));
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
    const QPointer<imp::InputMapWindow> map = MapCsv(kRecords * 10);
    ASSERT_TRUE(map);
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
    // The grid's rows when the put-off close is made.
    std::optional<int> records;
    OnEvent atClose(m_window, QEvent::Close, [this, &records] {
        if (!LongWorkRunning() && !records)
            records = m_window->State().DataGrid().rows();
    });
    RunCommand([&] { QTest::mouseClick(map->Com(0), Qt::LeftButton); });
    ExpectClosedAfterWork(closer);
    ASSERT_TRUE(records);
    EXPECT_EQ(std::max(0, *records - 2), 0) << "the close did not cancel the read";
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

// 查找 and 再次打印 pressed while the history grid loads do nothing (no "not
// found" for a record that is there, no waybill put on the page); on the
// whole grid they do their work.
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
        SystemClick(w.Com(24));
        SystemClick(w.Com(20));
    });
    QTabWidget *tabs = w.Tabs();
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(2).center());
    ASSERT_TRUE(press.fired);
    EXPECT_FALSE(dlg.messages().contains(u"没有查到相关的记录！"_s))
        << dlg.messages().join(u'|').toStdString();
    const GridModel &grid = w.State().HistoryGrid();
    ASSERT_EQ(grid.rows(), 2 + kRecords);
    EXPECT_EQ(tabs->currentIndex(), 2);
    EXPECT_EQ(box->text, u"上一张单据"_s);
    // On the whole grid, both do their work.
    tabs->setCurrentIndex(2);
    QTest::mouseClick(w.Com(24), Qt::LeftButton);
    EXPECT_EQ(grid.row(), 2 + kRecords - 1);
    QTest::mouseClick(w.Com(20), Qt::LeftButton);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(box->text, u"客户1"_s);
}

// The batch stops after the page in hand when its progress window is closed
// by its close box; the history holds exactly the pages printed, and the
// user is told how many of the range were printed and where to go on.
TEST_F(CloseDuringWorkTest, ClosingTheProgressWindowStopsTheBatch)
{
    const QString pdf = path(u"批量.pdf"_s);
    PrepareBatch(pdf, kSmallBatch);
    PrintWindowsAnswerer answerer;
    AtWorkStep closer(u"正在打印单据"_s, [] {
        ProgressWindow *p = CurrentProgressWindow();
        ASSERT_TRUE(p && p->windowHandle());
        QCloseEvent close; // as the title bar sends it
        QCoreApplication::sendEvent(p->windowHandle(), &close);
    });
    QTest::mouseClick(m_window->Com(1), Qt::LeftButton);
    ASSERT_TRUE(closer.fired);
    // The close came at the first page's step: that page only, and the one
    // message says where to go on.
    EXPECT_EQ(PdfPages(pdf), 1);
    EXPECT_EQ(HistoryRecords(), 1);
    EXPECT_EQ(MessageBoxes(dlg), QStringList({print::BatchStoppedMessage(1, kSmallBatch, 1)}));
}

// A batch that fails on a full disk says so, and the close clicked during it
// comes only once that message is answered.
TEST_F(CloseDuringWorkTest, TheWorksMessageIsAnsweredBeforeThePutOffClose)
{
    const QString pdf = path(u"批量.pdf"_s);
    PrepareBatch(pdf, kSmallBatch);
    RealBoxes boxes(dlg, m_window);
    PrintWindowsAnswerer answerer;
    auto full = std::make_unique<FullDiskScope>(1024);
    boxes.onShown = [&full] { full.reset(); };
    AtWorkStep closer(u"正在打印单据"_s, [this] { PostTitleBarClose(); });
    RunFromEventLoop([this] { QTest::mouseClick(m_window->Com(1), Qt::LeftButton); });
    ExpectClosedAfterWork(closer);
    ASSERT_FALSE(boxes.seen.empty());
    EXPECT_TRUE(boxes.seen.front().text.startsWith(u"打印没有完成"_s))
        << boxes.seen.front().text.toStdString();
    EXPECT_TRUE(boxes.seen.front().mainShown) << "the close came inside the failure's message";
    full.reset();
    EXPECT_EQ(HistoryRecords(), 0);
}

// Input of every kind to the windows in use during a batch does nothing, as
// the window system hands it in (the progress window is modal): the space
// bar on the focused 批量打印 button, the 打印 menu's Alt+P, a release on a
// tick box of the page, a double click on the format name, and text an
// input method commits to the focused field.
TEST_F(CloseDuringWorkTest, InputOfEveryKindDoesNothingDuringABatch)
{
    int listsAsked = 0;
    SetFormatChoosers({[&listsAsked](FormatHost &) {
                           ++listsAsked;
                           return QString();
                       },
                       {}});
    PrintWindowsAnswerer answerer;
    MainWindow &w = *m_window;
    QWindow *win = w.windowHandle();
    DesignControl *tick = w.State().GetCtlByIndex(4);
    ASSERT_TRUE(tick);
    const auto at = [&w](QWidget *target) { return target->mapTo(&w, target->rect().center()); };
    const struct
    {
        const char *what;
        std::function<bool()> acted; // presses, then tells whether it acted
    } cases[] = {
        {"space bar on the focused button",
         [&] {
             w.Com(1)->setFocus();
             QTest::keyClick(win, Qt::Key_Space);
             return answerer.answered > 2;
         }},
        {"Alt+P",
         [&] {
             QTest::keyClick(win, Qt::Key_P, Qt::AltModifier);
             QWidget *menu = QApplication::activePopupWidget();
             if (menu)
                 menu->close();
             return menu != nullptr;
         }},
        {"mouse release on a tick box",
         [&] {
             const QString before = tick->text;
             QTest::mouseRelease(win, Qt::LeftButton, {}, at(w.Page()->ControlWidget(4)));
             return tick->text != before;
         }},
        {"double click on the format name",
         [&] {
             QTest::mouseDClick(win, Qt::LeftButton, {}, at(w.FormatLabel()));
             return listsAsked > 0;
         }},
        {"input method text",
         [&] {
             w.KeyWord()->clear();
             w.KeyWord()->setFocus();
             QInputMethodEvent commit;
             commit.setCommitString(u"李四"_s);
             if (QObject *focus = QGuiApplication::focusObject())
                 QCoreApplication::sendEvent(focus, &commit);
             return !w.KeyWord()->text().isEmpty();
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QString pdf = path(u"批量%1.pdf"_s.arg(answerer.answered));
        PrepareBatch(pdf, kSmallBatch);
        std::optional<bool> acted;
        AtWorkStep press(u"正在打印单据"_s, [&] { acted = c.acted(); });
        QTest::mouseClick(w.Com(1), Qt::LeftButton);
        ASSERT_TRUE(acted.has_value());
        EXPECT_FALSE(*acted);
        EXPECT_EQ(PdfPages(pdf), kSmallBatch);
    }
    SetFormatChoosers({});
}

// The mapping window closed by its title bar during its own import stays
// until the import has ended, then closes and gives the main window back.
TEST_F(CloseDuringWorkTest, MappingWindowClosedDuringItsImport)
{
    const QPointer<imp::InputMapWindow> map = MapCsv(kRecords);
    ASSERT_TRUE(map);
    bool aliveAfterWork = false;
    AtWorkStep closer(QString::fromUtf8(imp::kReadingCaption), [&map] {
        QCoreApplication::postEvent(map->windowHandle(), new QCloseEvent);
    });
    QTest::mouseClick(map->Com(0), Qt::LeftButton);
    ASSERT_TRUE(closer.fired);
    aliveAfterWork = !map.isNull();
    WaitFor([&map] { return map.isNull(); });
    EXPECT_TRUE(aliveAfterWork);
    EXPECT_EQ(m_window->State().DataGrid().rows(), 2 + kRecords);
    EXPECT_TRUE(m_window->isEnabled());
}

// The automatic import, started by its timer, gives the main window back
// whether it reads its records or refuses the saved rows: then its mapping
// window is shown to set them again, and closing it gives the window back.
// It waits for a mapping window the user has open.
TEST_F(CloseDuringWorkTest, AutomaticImportGivesTheMainWindowBack)
{
    const struct
    {
        const char *interval;
        QStringList messages;
        int records;
    } cases[] = {
        {"40000", {QString::fromUtf8(imp::kIntervalOutOfRange)}, 0},
        {"1", {}, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.interval);
        // The rows are saved by the mapping window as the user leaves it.
        const QPointer<imp::InputMapWindow> map = MapCsv(2);
        ASSERT_TRUE(map);
        map->T(2)->setText(QString::fromLatin1(c.interval));
        map->Com(1)->click();
        WaitFor([&map] { return map.isNull(); });
        ClearGridRecords(m_window->State().DataGrid(), false);
        dlg.Clear();
        TheStartupRecord = {kFmt, path(u"订单.csv"_s), 1, 2, true};
        m_window->AutoImportTimer()->start(0);
        const auto records
            = [this] { return std::max(0, m_window->State().DataGrid().rows() - 2); };
        WaitFor([&] { return MessageBoxes(dlg) == c.messages && records() == c.records; });
        if (const QPointer<imp::InputMapWindow> again = ShownMapWindow()) {
            EXPECT_FALSE(c.messages.isEmpty()) << "shown again after an import";
            again->Com(1)->click();
            WaitFor([&again] { return again.isNull(); });
        } else {
            EXPECT_TRUE(c.messages.isEmpty()) << "not shown again to set the rows";
        }
        EXPECT_TRUE(m_window->isEnabled());
    }
    // The timer running out while the user's own mapping window is open:
    // the import waits until that window is closed.
    const QPointer<imp::InputMapWindow> map = MapCsv(2);
    ASSERT_TRUE(map);
    ClearGridRecords(m_window->State().DataGrid(), false);
    QObject context;
    bool timerRan = false;
    QObject::connect(m_window->AutoImportTimer(), &QTimer::timeout, &context,
                     [&timerRan] { timerRan = true; });
    m_window->AutoImportTimer()->start(0);
    WaitFor([&timerRan] { return timerRan; });
    QApplication::processEvents();
    EXPECT_EQ(m_window->State().DataGrid().rows(), 2) << "imported under the open mapping window";
    map->Com(1)->click();
    WaitFor([this] { return m_window->State().DataGrid().rows() == 4; });
}

// The automatic import's timer running out while a format loads and shows
// its own message: the message is answered, the load ends, and only then
// does the import run, with the main window enabled at the end.
TEST_F(CloseDuringWorkTest, AutomaticImportWaitsForAFormatLoadsMessage)
{
    ASSERT_TRUE(WriteBigFormat({}));
    const QString csv = path(u"订单.csv"_s);
    ASSERT_TRUE(WriteBytes(csv, cp936::Encode(u"收件人\r\n张三\r\n李四\r\n"_s)));
    TheStartupRecord = {kFmt, csv, 1, 2, true};
    RealBoxes boxes(dlg, m_window);
    bool timerRan = false;
    QObject::connect(m_window->AutoImportTimer(), &QTimer::timeout,
                     [&timerRan] { timerRan = true; });
    // The timer runs out while the load's message is up.
    boxes.onShown = [this, first = true]() mutable {
        if (std::exchange(first, false))
            m_window->AutoImportTimer()->start(0);
    };
    boxes.mayAnswer = [&timerRan] { return timerRan; };
    // Whether a question was open when the import began to read.
    std::optional<bool> readInQuestion;
    AtWorkStep read(QString::fromUtf8(imp::kReadingCaption), [&readInQuestion] {
        const auto widgets = QApplication::topLevelWidgets();
        readInQuestion = std::any_of(widgets.begin(), widgets.end(), [](QWidget *w) {
            return qobject_cast<QMessageBox *>(w) && w->isVisible();
        });
    });
    RunFromEventLoop([this] { SelectFormat(m_window->State(), u"大格式"_s, false); });
    WaitFor([&readInQuestion] { return readInQuestion && !LongWorkRunning(); });
    ASSERT_TRUE(m_window);
    ASSERT_FALSE(boxes.seen.empty());
    EXPECT_EQ(boxes.seen.front().text, u"每类内容框最多只能有999个，无法再添加！"_s);
    EXPECT_FALSE(*readInQuestion) << "the import ran inside the load's message";
    EXPECT_TRUE(m_window->isEnabled());
    EXPECT_FALSE(ShownMapWindow());
}

// The format list's import opens the imported format, and the main window
// is closed by its title bar at the first step of that switch. The switch
// says that only 999 lines fit; the list is still open when that work has
// ended. The close waits for the message and for the list, and then runs
// the window's close path: its question about the page's contents, whose
// write the database now refuses.
TEST_F(CloseDuringWorkTest, CloseDuringAFormatSwitchWaitsForItsMessageAndTheList)
{
    ASSERT_TRUE(WriteBigFormat({{0, u"收件人"_s, 20, 10, 40, 6, "1", 9}}));
    const QString file = path(u"新格式.wlq"_s);
    dlg.Queue(file);
    ASSERT_TRUE(ExportFormat(m_window->State(), u"大格式"_s));
    SetFormatChoosers({ChooseFromFmtList, {}});
    RealBoxes boxes(dlg, m_window);
    // From the switch's message on, the database refuses the page's contents.
    boxes.onShown = [] {
        db::Connection()->Exec(u"CREATE TRIGGER IF NOT EXISTS refuse BEFORE INSERT ON 默认 "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s);
    };
    AtWorkStep closer(u"正在初始化格式"_s, [this] { PostTitleBarClose(); });
    // The list's 导 入, once the list waits for its answer.
    QTimer import;
    QObject::connect(&import, &QTimer::timeout, [&import] {
        for (QWidget *t : QApplication::topLevelWidgets())
            if (auto *list = qobject_cast<FmtList *>(t); list && list->isVisible()) {
                import.stop();
                QTest::mouseClick(list->Com[3], Qt::LeftButton);
            }
    });
    import.start(5);
    // The list is left when its import's work and questions have been over
    // for 100 ms of its loop (so what that loop would run, it has run).
    std::optional<bool> mainShownAtLeaving;
    QElapsedTimer idle;
    QTimer leave;
    QObject::connect(&leave, &QTimer::timeout, [&] {
        FmtList *list = nullptr;
        for (QWidget *t : QApplication::topLevelWidgets())
            if (auto *l = qobject_cast<FmtList *>(t); l && l->isVisible())
                list = l;
        if (!closer.fired || LongWorkRunning() || QApplication::activeModalWidget()) {
            idle.invalidate();
            return;
        }
        if (!idle.isValid())
            idle.start();
        if (idle.elapsed() < 100)
            return;
        leave.stop();
        mainShownAtLeaving = m_window && m_window->isVisible() && list;
        // Something on the page for the close path to keep.
        if (DesignControl *box = m_window ? m_window->State().GetCtlByIndex(1) : nullptr)
            m_window->State().SetControlValue(*box, u"张三"_s);
        if (list)
            QTest::mouseClick(list->Com[1], Qt::LeftButton);
    });
    leave.start(5);
    dlg.Queue(file);
    RunFromEventLoop([this] { m_window->findChild<QAction *>(u"m_FCom30"_s)->trigger(); });
    ExpectClosedAfterWork(closer);
    SetFormatChoosers({});
    QStringList texts;
    for (const auto &b : boxes.seen)
        texts << b.text;
    EXPECT_EQ(mainShownAtLeaving, true) << "the close came while the list was open";
    ASSERT_EQ(texts.size(), 3) << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts[0].endsWith(u"立即调用此格式？"_s));
    EXPECT_EQ(texts[1], u"每类内容框最多只能有999个，无法再添加！"_s);
    EXPECT_TRUE(boxes.seen[1].mainShown);
    EXPECT_TRUE(texts[2].startsWith(u"页面内容没有保存："_s));
}
