// The first load of the history grid against the bare query it is built
// from, at a busy shop's year (30,000 printed records of the example format,
// six contents each: 180,000 rows of table 历史) and at 100,000 records.
// Every measurement runs in a fresh process on the same data folder (the
// file in the system's cache, the database's own page cache empty), as a
// user meets the first load after starting the program:
//   - the bare query as the sqlcipher shell runs it: the statement prepared
//     and its value bound, every row stepped and each column read as text;
//   - LoadHistoryGrid under the progress window (column fitting included),
//     then the export of the loaded grid to a CSV file.
// The database is opened before the clock starts in both. When the
// sqlcipher shell is installed, its own run of the query (output to
// /dev/null, its ".timer") is shown beside them. The kinds run alternately;
// the medians and the load's ratios to the bare query are shown.
// Usage: bench_history [RUNS]   (default 5 processes of each kind per size)
// The program calls itself as "fill DIR N", "query DIR" and "load DIR".

#include "benchapp.h"
#include "core/database.h"
#include "core/exampleformat.h"
#include "core/progress.h"
#include "core/ui/progresswindow.h"
#include "platform/gridmodel.h"
#include "records/gridexport.h"
#include "records/history.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>
#include <vector>

namespace {

const char kQuery[] = "SELECT ID, CID, Con FROM 历史 WHERE Fmt=? ORDER BY ID DESC";

int Fill(int records)
{
    if (!StoreExampleFormatIfFirstStart())
        return 1;
    const QString name = ExampleFormatName();
    // The example's input boxes, their IDs from table Fmt.
    const auto ids = db::Connection()->Query(
        QStringLiteral("SELECT ID FROM Fmt WHERE Fmt=? AND Clas=0 ORDER BY ID"), {name});
    if (!ids || ids->size() < 6)
        return 1;
    std::vector<rec::PrintedPage> pages(static_cast<size_t>(records));
    for (int r = 0; r < records; ++r)
        for (int i = 0; i < 6; ++i)
            pages[size_t(r)].push_back(
                {ids->rows[size_t(i)].value(0).toLongLong(),
                 QStringLiteral("第%1单的第%2项内容：浙江省杭州市西湖区文三路%3号").arg(r).arg(i).arg(r % 900)});
    if (!rec::AppendHistoryRecords(name, pages))
        return 1;
    std::printf("%d\n", records);
    return 0;
}

// The shell's run of the query: prepare, bind, step, read each column's
// text. Prints the milliseconds and the row count.
int BareQuery()
{
    sqlite3 *db = db::Connection() ? db::Connection()->handle() : nullptr;
    if (!db)
        return 1;
    const QByteArray name = ExampleFormatName().toUtf8();
    QElapsedTimer t;
    t.start();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, kQuery, -1, &st, nullptr) != SQLITE_OK)
        return 1;
    sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_STATIC);
    long long rows = 0, bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < 3; ++c) {
            sqlite3_column_text(st, c);
            bytes += sqlite3_column_bytes(st, c);
        }
    }
    sqlite3_finalize(st);
    std::printf("%.3f %lld\n", t.nsecsElapsed() / 1e6, rows);
    return bytes > 0 ? 0 : 1;
}

// The first load of the grid, then its export. Prints both in milliseconds
// and the grid's data rows.
int FirstLoad(const QString &csv)
{
    InstallProgressWindow();
    if (!db::Connection())
        return 1;
    const QString name = ExampleFormatName();
    GridModel grid;
    QElapsedTimer t;
    t.start();
    rec::LoadHistoryGrid(grid, name);
    const double load = t.nsecsElapsed() / 1e6;
    t.restart();
    if (!imp::ExportGridToCsv(grid, csv))
        return 1;
    std::printf("%.3f %d %.3f\n", load, grid.dataRows(), t.nsecsElapsed() / 1e6);
    return 0;
}

// The sqlcipher shell's time for the query in milliseconds, its output sent
// to /dev/null; negative when the shell is not installed or failed.
double ShellQuery(const QString &dir)
{
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
    if (shell.isEmpty())
        return -1;
    QString name = ExampleFormatName();
    name.replace(u'\'', QStringLiteral("''"));
    QString sql = QString::fromUtf8(kQuery);
    sql.replace(u'?', u'\'' + name + u'\'');
    const QString script = QStringLiteral("PRAGMA key='") + QString::fromLatin1(db::kDatabasePassword)
        + QStringLiteral("';\nSELECT count(*) FROM sqlite_master;\n.output /dev/null\n.timer on\n")
        + sql + QStringLiteral(";\n");
    QProcess p;
    p.start(shell, {dir + QStringLiteral("/DATA.db")});
    p.write(script.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(-1);
    // "Run Time: real 0.239 user ... sys ..." on its standard output.
    const QList<QByteArray> words = p.readAllStandardOutput().simplified().split(' ');
    const qsizetype at = words.lastIndexOf("real");
    return at >= 0 && at + 1 < words.size() ? words.at(at + 1).toDouble() * 1000 : -1;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Runs the program itself with the arguments; its first line of output split
// into numbers, empty when it failed.
std::vector<double> RunSelf(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QApplication::applicationFilePath(), args);
    p.waitForFinished(-1);
    std::vector<double> out;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return out;
    for (const QByteArray &f : p.readAllStandardOutput().trimmed().split(' '))
        out.push_back(f.toDouble());
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    const bool child = argc >= 3
        && (!std::strcmp(argv[1], "fill") || !std::strcmp(argv[1], "query")
            || !std::strcmp(argv[1], "load"));
    const batchbench::BenchApp bench(argc, argv,
                                     child ? QString::fromLocal8Bit(argv[2]) : QString());
    if (child) {
        if (!std::strcmp(argv[1], "fill"))
            return Fill(argc > 3 ? std::atoi(argv[3]) : 30000);
        if (!std::strcmp(argv[1], "query"))
            return BareQuery();
        return FirstLoad(bench.dir().filePath(QStringLiteral("history.csv")));
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    for (const int records : {30000, 100000}) {
        QTemporaryDir data;
        const QString dir = data.path();
        if (RunSelf({QStringLiteral("fill"), dir, QString::number(records)})
            != std::vector<double> {double(records)}) {
            std::printf("fill FAILED\n");
            return 1;
        }
        std::vector<double> query, load, exportMs, shell;
        for (int i = 0; i < runs; ++i) {
            const auto q = RunSelf({QStringLiteral("query"), dir});
            const auto l = RunSelf({QStringLiteral("load"), dir});
            if (q.size() < 2 || l.size() < 3 || q[1] != records * 6.0 || l[1] != records) {
                std::printf("run FAILED\n");
                return 1;
            }
            if (const double ms = ShellQuery(dir); ms >= 0)
                shell.push_back(ms);
            query.push_back(q[0]);
            load.push_back(l[0]);
            exportMs.push_back(l[2]);
            std::printf("  %d records, run %d: bare query %.1f ms, first load %.1f ms\n", records,
                        i + 1, q[0], l[0]);
            std::fflush(stdout);
        }
        const double mq = Median(query), ml = Median(load);
        std::printf("history of %d records (%d rows of 历史), medians of %d fresh processes:\n",
                    records, records * 6, runs);
        std::printf("  bare query            %8.1f ms\n", mq);
        std::printf("  first LoadHistoryGrid %8.1f ms  (%.2f times the query)\n", ml, ml / mq);
        if (!shell.empty())
            std::printf("  sqlcipher shell       %8.1f ms  (the load %.2f times the shell)\n",
                        Median(shell), ml / Median(shell));
        std::printf("  export to CSV         %8.1f ms\n", Median(exportMs));
        std::fflush(stdout);
    }
    return 0;
}
