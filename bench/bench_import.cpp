// Reading 30,000 records into DataGrid through a ten-column map: a CSV file
// of about 5 MB in code page 936, the same file in UTF-8 (also under the
// real progress window, as the user meets it: its drawing, at most every
// 50 ms, must cost next to nothing), and an .xls workbook of 30,000 rows
// (made with python3-xlwt). Each reading runs in a
// process of its own and prints its time (column fitting included), the
// peak memory of that process and the time to show the filled grid and
// scroll it to its last row. Then two big CSV files (one line of 4 MB, the
// longest a line may be, and 100 MB of rows) for the memory a reading
// takes above the idle program against the file's size, and the time to
// open the 100 MB file (its encoding settled and its lines found) in UTF-8,
// in code page 936 and as UTF-8 that is valid code page 936 too. Last, a
// file of 64 MB of nothing but line ends (64 million lines, as a damaged
// file may be), its last 30,000 rows read: the reader's index of the lines
// is bounded, so the memory must not grow with the number of lines.

#include "core/controlrow.h"
#include "core/gridhelpers.h"
#include "core/ui/progresswindow.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/ui/gridview.h"
#include "properties/pagecontrols.h"
#include "records/csvreader.h"
#include "records/xlsreader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>

namespace {

constexpr int kRecords = 30000;
constexpr int kColumns = 10;

// Ten input boxes, nothing else.
class BenchPage : public PageControls
{
public:
    BenchPage()
    {
        fmtgrid::LayoutFormatGrid(m_grid);
        for (int i = 1; i <= kColumns; ++i) {
            fmtgrid::ControlRow r;
            r.id = i;
            r.prompt = QStringLiteral("字段%1").arg(i);
            fmtgrid::AppendControlRow(m_grid, r);
        }
    }
    GridModel &FormatGrid() override { return m_grid; }
    QString FormatName() const override { return QStringLiteral("基准"); }
    qint32 ControlCount(qint32 cls) const override { return cls == 0 ? kColumns : 0; }
    std::optional<qint32> ControlRow(qint32 index) const override
    {
        if (index < 1 || index > kColumns)
            return std::nullopt;
        return fmtgrid::kFixedRows + index - 1;
    }
    QString ControlValue(qint32) const override { return {}; }
    void SetControlValue(qint32, const QString &) override { }

private:
    GridModel m_grid;
};

QString Cell(int r, int c)
{
    switch (c) {
    case 0:
        return QStringLiteral("收件人%1").arg(r);
    case 1:
        return QStringLiteral("139%1").arg(r, 8, 10, QLatin1Char('0'));
    case 2:
        return QStringLiteral("广东省深圳市南山区科技园高新南路%1号\"大厦\",%2楼")
            .arg(r)
            .arg(r % 30);
    case 3:
        return QStringLiteral("518%1").arg(r % 1000, 3, 10, QLatin1Char('0'));
    default:
        return QStringLiteral("备注第%1列%2").arg(c).arg(r);
    }
}

QString CsvText()
{
    QString t;
    for (int r = 0; r <= kRecords; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            QString v = r == 0 ? QStringLiteral("列%1").arg(c) : Cell(r, c);
            if (v.contains(u',') || v.contains(u'"'))
                v = u'"' + v.replace(QLatin1String("\""), QLatin1String("\"\"")) + u'"';
            t += (c ? QStringLiteral(",") : QString()) + v;
        }
        t += QLatin1String("\r\n");
    }
    return t;
}

void WriteBigFiles(const QString &oneLine, const QString &big)
{
    QFile one(oneLine);
    one.open(QIODevice::WriteOnly);
    QByteArray line;
    // As long as a line may be.
    for (int c = 0; line.size() < imp::kMaxCsvLineBytes - 16; ++c)
        line += (c ? "," : "") + QByteArray("cell") + QByteArray::number(c);
    one.write(line);
    one.close();
    QFile f(big);
    f.open(QIODevice::WriteOnly);
    // Mostly digits and letters, as order numbers and tracking codes are.
    const QByteArray filler(320, '7');
    for (int r = 0; f.size() < 100 * 1048576; ++r) {
        QByteArray row;
        for (int c = 0; c < kColumns; ++c)
            row += (c ? "," : "") + QStringLiteral("第%1行%2列").arg(r).arg(c).toUtf8() + filler;
        f.write(row + "\r\n");
    }
}

// Peak resident memory in MB since the last reset.
double PeakMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

GridModel *NewDataGrid()
{
    auto *g = new GridModel;
    g->setRows(2);
    g->setCols(1);
    g->setFixedRows(2);
    g->setFixedCols(1);
    return g;
}

int RunOne(const QString &kind, const QString &file, qint64 firstRow)
{
    BenchPage page;
    imp::ColumnMaps maps;
    for (int c = 0; c < kColumns; ++c)
        maps.text << imp::ColumnLetters(c + 1);
    maps.text[2] = QStringLiteral("\"地址：\",C");
    const QString marker = QStringLiteral("//");
    GridModel *grid = NewDataGrid();
    // "csv+window": the reading under the progress window.
    const bool underWindow = kind.endsWith(QLatin1String("+window"));
    if (underWindow)
        InstallProgressWindow();
    const double base = PeakMb();
    QElapsedTimer t;
    t.start();
    const bool ok = kind.startsWith(QLatin1String("csv"))
        ? bool(imp::ReadCsvData(*grid, file, firstRow, firstRow + kRecords - 1, maps, 1, page, marker))
        : imp::ReadExcelData(*grid, file, QStringLiteral("数据"), firstRow,
                             firstRow + kRecords - 1, maps, 1, page, marker)
            == 0;
    const qint64 ms = t.elapsed();
    const double peak = PeakMb();
    t.restart();
    GridView view;
    view.resize(1000, 600);
    view.setGrid(grid);
    view.show();
    QApplication::processEvents();
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    QApplication::processEvents();
    const qint64 showMs = t.elapsed();
    std::printf("%-22s %s: read %lld ms (column fitting included%s), peak memory %.1f MB "
                "(%.1f MB above the idle program), grid shown and scrolled to its end %lld ms; "
                "%d rows\n",
                QFileInfo(file).fileName().toUtf8().constData(), ok ? "ok" : "FAILED", ms,
                underWindow ? ", under the progress window" : "", peak,
                peak - base, showMs, grid->rows() - grid->fixedRows());
    const double fileMb = QFileInfo(file).size() / 1048576.0;
    std::printf("%-22s file %.1f MB: peak above idle %.1f MB = %.2f times the file\n",
                QFileInfo(file).fileName().toUtf8().constData(), fileMb, peak - base,
                (peak - base) / fileMb);
    delete grid;
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ScriptedDialogs quiet;
    setDialogs(&quiet);
    const QStringList args = QApplication::arguments();
    if (args.size() == 4) // one reading, in a process of its own for its peak memory
        return RunOne(args[1], args[2], args[3].toLongLong());

    QTemporaryDir dir;
    const QString text = CsvText();
    const QString gbk = dir.filePath(QStringLiteral("gbk.csv")),
                  utf8 = dir.filePath(QStringLiteral("utf8.csv")),
                  xls = dir.filePath(QStringLiteral("book.xls"));
    {
        QFile f(gbk);
        f.open(QIODevice::WriteOnly);
        f.write(cp936::Encode(text));
        QFile u(utf8);
        u.open(QIODevice::WriteOnly);
        u.write(text.toUtf8());
    }
    // The workbook holds the same cells, numbers as numbers.
    const QString py = QStringLiteral(
        "import sys, csv, xlwt\n"
        "wb = xlwt.Workbook(encoding='utf-8')\nws = wb.add_sheet('数据')\n"
        "for r, row in enumerate(csv.reader(open(sys.argv[1], encoding='utf-8', newline=''))):\n"
        "    for c, v in enumerate(row):\n"
        "        ws.write(r, c, int(v) if v.isdigit() else v)\n"
        "wb.save(sys.argv[2])\n");
    if (QProcess::execute(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), py, utf8, xls})
        != 0) {
        std::fprintf(stderr, "python3-xlwt failed\n");
        return 1;
    }
    std::printf("files: GBK CSV %.2f MB, UTF-8 CSV %.2f MB, .xls %.2f MB; %d records, %d "
                "columns\n",
                QFileInfo(gbk).size() / 1048576.0, QFileInfo(utf8).size() / 1048576.0,
                QFileInfo(xls).size() / 1048576.0, kRecords, kColumns);
    std::fflush(stdout);
    // Big files, for the memory a reading takes beside the file's size: one
    // line of 4 MB (its first ten cells mapped), and 100 MB in UTF-8 whose
    // ten mapped columns hold nearly all of it.
    const QString oneLine = dir.filePath(QStringLiteral("oneline.csv")),
                  big = dir.filePath(QStringLiteral("big.csv"));
    WriteBigFiles(oneLine, big);
    const QString bigGbk = dir.filePath(QStringLiteral("big-gbk.csv"));
    {
        QFile in(big), out(bigGbk);
        in.open(QIODevice::ReadOnly);
        out.open(QIODevice::WriteOnly);
        out.write(cp936::Encode(QString::fromUtf8(in.readAll())));
    }
    // The slowest case: UTF-8 whose bytes are code page 936 as well, so
    // both readings are weighed to the end.
    const QString bigBoth = dir.filePath(QStringLiteral("big-both-ways.csv"));
    {
        QFile out(bigBoth);
        out.open(QIODevice::WriteOnly);
        const QByteArray row = (QString(100, QChar(u'王')) + QStringLiteral("\r\n")).toUtf8();
        while (out.size() < 100 * 1048576)
            out.write(row.repeated(1000));
    }
    for (const QString &file : {big, bigGbk, bigBoth}) {
        // The best of three, the file in the page cache.
        qint64 best = -1;
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer t;
            t.start();
            imp::CsvFile csv;
            const bool ok = csv.Open(file);
            const qint64 ms = t.elapsed();
            if (!ok)
                std::printf("%s: not opened\n", qPrintable(file));
            best = best < 0 ? ms : std::min(best, ms);
        }
        std::printf("%-22s file %.1f MB: opened (encoding and lines) in %lld ms\n",
                    QFileInfo(file).fileName().toUtf8().constData(),
                    QFileInfo(file).size() / 1048576.0, best);
    }
    std::fflush(stdout);
    const QString lineEnds = dir.filePath(QStringLiteral("line-ends.csv"));
    constexpr qint64 kLineEnds = 64 << 20;
    {
        QFile out(lineEnds);
        out.open(QIODevice::WriteOnly);
        for (int i = 0; i < 64; ++i)
            out.write(QByteArray(kLineEnds / 64, '\n'));
    }
    for (const auto &[kind, file, first] :
         {std::tuple {QStringLiteral("csv"), gbk, 2}, std::tuple {QStringLiteral("csv"), utf8, 2},
          std::tuple {QStringLiteral("csv+window"), utf8, 2},
          std::tuple {QStringLiteral("xls"), xls, 2},
          std::tuple {QStringLiteral("csv"), oneLine, 1},
          std::tuple {QStringLiteral("csv"), big, 1},
          std::tuple {QStringLiteral("csv"), lineEnds, int(kLineEnds - kRecords + 1)}}) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        p.start(QApplication::applicationFilePath(), {kind, file, QString::number(first)});
        p.waitForFinished(-1);
    }
    return 0;
}
