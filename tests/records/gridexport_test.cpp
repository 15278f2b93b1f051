#include "platform/codepage.h"
#include "platform/gridmodel.h"
#include "records/gridexport.h"
#include "support/testenv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace imp;

class GridExport : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        grid.setRows(5);
        grid.setCols(4);
        grid.setFixedRows(2);
        grid.setFixedCols(1);
        grid.setRowHeight(0, 0); // the hidden key row
        grid.setColWidth(2, 0); // a hidden column
        grid.setColWidth(1, 1230);
        const QStringList rows[] = {
            {"k", "k1", "k2", "k3"},
            {"序号", "单号", "隐", "备注"},
            {"1", "12345678901234567890", "h", "a,b"},
            {"2", "5\"", "h", "x\r\ny"},
            {"3", "x\ny", "h", ""},
        };
        for (qint32 r = 0; r < 5; ++r)
            for (qint32 c = 0; c < 4; ++c)
                grid.setText(r, c, rows[r][c]);
    }
    GridModel grid;
};

TEST_F(GridExport, CsvBytes)
{
    const QString file = path(QStringLiteral("out.csv"));
    ASSERT_TRUE(ExportGridToCsv(grid, file));
    const QByteArray expected
        = cp936::Encode(QStringLiteral("序号\t,单号\t,备注\t\r\n"
                                       "1\t,12345678901234567890\t,\"a,b\t\"\r\n"
                                       "2\t,\"5\"\"\t\",\"x\r\ny\t\"\r\n"
                                       "3\t,x\ny\t,\t\r\n"));
    EXPECT_EQ(ReadBytes(file), expected);
}

TEST_F(GridExport, AsksBeforeReplacingAndKeepsTheOldFileOnFailure)
{
    const QString file = path(QStringLiteral("old.csv"));
    ASSERT_TRUE(WriteBytes(file, "old"));
    dlg.Queue(file);
    dlg.Queue(false); // do not replace
    EXPECT_TRUE(ExportGrid(grid, QStringLiteral("历史")));
    EXPECT_EQ(ReadBytes(file), QByteArray("old"));

    dlg.Queue(file);
    dlg.Queue(true);
    EXPECT_TRUE(ExportGrid(grid, QStringLiteral("历史")));
    EXPECT_TRUE(ReadBytes(file).startsWith(cp936::Encode(QStringLiteral("序号\t"))));
    EXPECT_EQ(MessageBoxes(dlg), QStringList());

    // A folder that does not exist: the write fails and says so.
    dlg.Queue(path(QStringLiteral("no/such.csv")));
    EXPECT_FALSE(ExportGrid(grid, QStringLiteral("历史")));
    EXPECT_EQ(MessageBoxes(dlg), QStringList {QStringLiteral("文件保存出错！")});

    GridModel empty;
    dlg.Clear();
    EXPECT_TRUE(ExportGrid(empty, QStringLiteral("历史")));
    EXPECT_EQ(MessageBoxes(dlg), QStringList {QStringLiteral("表格中没有数据！")});
    EXPECT_EQ(WorkbookPath(QStringLiteral("a.XLS")), QStringLiteral("a.XLSx"));
    EXPECT_EQ(WorkbookPath(QStringLiteral("a")), QStringLiteral("a.xlsx"));
}

TEST_F(GridExport, WorkbookReadBackWithOpenpyxl)
{
    const QString file = path(QStringLiteral("历史.xls"));
    dlg.Queue(file);
    ASSERT_TRUE(ExportGrid(grid, QStringLiteral("沃栎快递单打印历史数据")));
    const QString xlsx = file + u'x';
    ASSERT_TRUE(QFile::exists(xlsx));
    const QString py = QStringLiteral(R"(import sys, json, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
cells = []
for row in ws.iter_rows(min_row=1, max_row=ws.max_row, max_col=ws.max_column):
    cells.append([[c.value, bool(c.font.b), c.fill.fgColor.rgb if c.fill.fill_type else None,
                   c.border.left.style, c.border.bottom.style] for c in row])
print(json.dumps({'title': ws.title, 'sheets': len(wb.worksheets), 'cells': cells,
                  'width': ws.column_dimensions['A'].width}))
)");
    QByteArray out;
    ASSERT_EQ(
        RunCommand(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), py, xlsx}, &out), 0);
    const QJsonObject o = QJsonDocument::fromJson(out).object();
    EXPECT_EQ(o[QStringLiteral("title")].toString(), QStringLiteral("沃栎快递单打印历史数据"));
    const QJsonArray cells = o[QStringLiteral("cells")].toArray();
    ASSERT_EQ(cells.size(), 4); // the hidden row is left out
    const auto cell = [&](int r, int c) { return cells[r].toArray()[c].toArray(); };
    ASSERT_EQ(cells[0].toArray().size(), 3); // and the hidden column
    EXPECT_EQ(cell(0, 1)[0].toString(), QStringLiteral("单号\t"));
    EXPECT_TRUE(cell(0, 1)[1].toBool());
    EXPECT_EQ(cell(0, 1)[2].toString(), QStringLiteral("FFFFC080"));
    EXPECT_EQ(cell(1, 1)[0].toString(), QStringLiteral("12345678901234567890\t"));
    EXPECT_FALSE(cell(1, 1)[1].toBool());
    EXPECT_TRUE(cell(3, 2)[0].isNull()); // an empty cell stays empty
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(cell(r, c)[3].toString() + cell(r, c)[4].toString(),
                      QStringLiteral("thinthin"));
    EXPECT_NEAR(o[QStringLiteral("width")].toDouble(), 7, 1); // 960 twips / 123
}

TEST_F(GridExport, AKilledExportLeavesNothingAfterTheNextOne)
{
    GridModel big;
    big.setRows(40000);
    big.setCols(5);
    big.setFixedRows(1);
    for (qint32 r = 0; r < big.rows(); ++r)
        for (qint32 c = 0; c < big.cols(); ++c)
            big.setText(r, c, QStringLiteral("单元格%1-%2").arg(r).arg(c));
    const QString out = path(QStringLiteral("out"));
    QDir().mkpath(out);
    const auto run = [](const GridModel &g, const QString &file) {
        return file.endsWith(QLatin1String("csv")) ? ExportGridToCsv(g, file)
                                                   : ExportGridToExcel(g, file, QStringLiteral("t"));
    };
    for (const QString ext : {QStringLiteral("csv"), QStringLiteral("xlsx")}) {
        const QString first = out + QStringLiteral("/a.") + ext;
        pid_t pid = 0;
        // Killed while it writes into a file of the folder (named or not).
        const auto writing = [&] {
            const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
            for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System)) {
                char target[4096];
                const ssize_t n = readlink(QFile::encodeName(fds.filePath(fd)).constData(), target,
                                           sizeof target);
                if (n > 0 && QString::fromLocal8Bit(target, n).startsWith(out + u'/')
                    && QFileInfo(fds.filePath(fd)).size() > 0)
                    return true;
            }
            return false;
        };
        // On a busy machine the export may end before it is seen writing or
        // killed: that run proves nothing and is made again.
        int status = 0;
        for (int attempt = 0; attempt < 10 && !WIFSIGNALED(status); ++attempt) {
            QFile::remove(first);
            pid = fork();
            if (pid == 0) {
                run(big, first);
                _exit(0);
            }
            pid_t ended = 0;
            QElapsedTimer waited;
            waited.start();
            while (!writing() && (ended = waitpid(pid, &status, WNOHANG)) == 0
                   && waited.elapsed() < 20000)
                usleep(100);
            if (ended != pid) {
                ::kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
            }
        }
        ASSERT_TRUE(WIFSIGNALED(status)) << qPrintable(ext);
        ASSERT_FALSE(QFile::exists(first)) << qPrintable(ext);

        const QString second = out + QStringLiteral("/b.") + ext;
        ASSERT_TRUE(run(grid, second)) << qPrintable(ext);
        EXPECT_EQ(FilesIn(out), QStringList {QStringLiteral("b.") + ext});
        QFile::remove(second);
    }
}
