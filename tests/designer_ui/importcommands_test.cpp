// The main window's import commands offscreen: the import button through
// the file dialog and the mapping window into DataGrid, deleting and
// clearing imported rows, and the history export; a named pipe chosen as
// the file.

#include "core/globals.h"
#include "designer/ui/mainwindow.h"
#include "formatwindowtest.h"
#include "platform/codepage.h"
#include "platform/screenscale.h"
#include "records/ui/importwindows.h"
#include "records/importmapping.h"
#include "support/testenv.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace dsg;
using namespace Qt::StringLiterals;

namespace {

const QString kFmt = u"圆通"_s;

class ImportCommandsTest : public FormatWindowTest
{
protected:
    void SetUp() override
    {
        FormatWindowTest::SetUp();
        WriteFormat(kFmt, {{0, u"收件人"_s, 20, 10, 40, 6, "1", 9}});
    }
};

} // namespace

TEST_F(ImportCommandsTest, ImportDeleteClearExport)
{
    const QString csv = path(u"Data.csv"_s);
    ASSERT_TRUE(WriteBytes(csv, cp936::Encode(u"名\r\n甲\r\n乙\r\n丙\r\n"_s)));
    MainWindow w;
    w.show();
    dlg.Queue(csv);
    w.Com(10)->click();
    imp::InputMapWindow *map = nullptr;
    for (QWidget *t : QApplication::topLevelWidgets())
        if (auto *m = qobject_cast<imp::InputMapWindow *>(t); m && m->isVisible())
            map = m;
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), map);
    map->Mapping().BoxMaps().setText(1, 4, u"A"_s);
    map->T(1)->setText(u"4"_s);
    map->COM_Click(0);
    QApplication::processEvents();
    EXPECT_TRUE(w.isEnabled());
    GridModel &grid = w.State().DataGrid();
    ASSERT_EQ(grid.rows(), 5);
    EXPECT_EQ(grid.text(1, 1), u"收件人"_s);
    EXPECT_EQ(grid.text(3, 1), u"乙"_s);
    EXPECT_EQ(w.State().RecordScroll().max, 3);

    grid.setCurrent(3, 1);
    grid.setRowSel(3);
    dlg.Queue(true);
    w.Com(11)->click();
    ASSERT_EQ(grid.rows(), 4);
    EXPECT_EQ(grid.text(3, 1), u"丙"_s);
    EXPECT_EQ(w.State().RecordScroll().max, 2);
    dlg.Queue(true);
    w.Com(12)->click();
    EXPECT_EQ(grid.rows(), 2);

    GridModel &history = w.State().HistoryGrid();
    history.setRows(1);
    history.setCols(1);
    history.setText(0, 0, u"记录"_s);
    const QString out = path(u"历史.csv"_s);
    dlg.Queue(out);
    w.Com(23)->click();
    EXPECT_EQ(ReadBytes(out), cp936::Encode(u"记录\t\r\n"_s));
}

TEST_F(ImportCommandsTest, DefaultRowsImportOnlyTheFilesRecords)
{
    // Rows 2 to 100 (the window's defaults) of a five-row file: four records,
    // the blank third row among them; the scroll bar (and the batch range,
    // which takes its end) follows.
    const QString csv = path(u"Five.csv"_s);
    ASSERT_TRUE(WriteBytes(csv, cp936::Encode(u"名\r\n甲\r\n\r\n丙\r\n丁\r\n"_s)));
    MainWindow w;
    w.show();
    dlg.Queue(csv);
    w.Com(10)->click();
    imp::InputMapWindow *map = nullptr;
    for (QWidget *t : QApplication::topLevelWidgets())
        if (auto *m = qobject_cast<imp::InputMapWindow *>(t); m && m->isVisible())
            map = m;
    ASSERT_NE(map, nullptr);
    map->Mapping().BoxMaps().setText(1, 4, u"\"收:\",A"_s);
    map->T(0)->setText(u"2"_s);
    map->T(1)->setText(u"100"_s);
    map->T(2)->setText(u"1"_s);
    map->COM_Click(0);
    QApplication::processEvents();
    GridModel &grid = w.State().DataGrid();
    ASSERT_EQ(grid.rows() - grid.fixedRows(), 4);
    EXPECT_EQ(grid.text(3, 1), u"收:"_s);
    EXPECT_EQ(grid.text(5, 1), u"收:丁"_s);
    EXPECT_EQ(w.State().RecordScroll().max, 4);
}

TEST_F(ImportCommandsTest, NamedPipeChosenAsCsvIsRefusedAtOnce)
{
    // A FIFO has no writer: opening it to read would wait for ever. A
    // watchdog opens it for writing after a few seconds (so a reader stuck
    // in open goes on, finds the end at once and the test can fail instead
    // of hanging) and notes that it had to.
    const QString fifo = path(u"Pipe.csv"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    std::atomic<bool> done {false}, hung {false};
    std::thread watchdog([&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (std::chrono::steady_clock::now() < until)
                continue;
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                hung = true;
                ::close(fd);
            }
        }
    });
    MainWindow w;
    w.show();
    const qint32 rows = w.State().DataGrid().rows();
    dlg.Queue(fifo);
    w.Com(10)->click();
    imp::InputMapWindow *map = nullptr;
    for (QWidget *t : QApplication::topLevelWidgets())
        if (auto *m = qobject_cast<imp::InputMapWindow *>(t); m && m->isVisible())
            map = m;
    if (map) {
        map->COM_Click(0);
        QApplication::processEvents();
    }
    done = true;
    watchdog.join();
    EXPECT_FALSE(hung);
    EXPECT_TRUE(dlg.messages().contains(QString::fromUtf8(imp::kCsvImportError)))
        << dlg.messages().join(u'|').toStdString();
    EXPECT_TRUE(w.isEnabled());
    EXPECT_EQ(w.State().DataGrid().rows(), rows);
}
