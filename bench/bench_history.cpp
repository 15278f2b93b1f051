// A busy shop's year: 30,000 printed records of the example format (six
// contents each, 180,000 rows of table 历史) in a temporary data folder.
// Prints the time of the bare query the history grid is built from, of
// loading the history grid under the progress window, and of exporting
// the loaded grid to a CSV file, each the median of three runs, with the
// load's ratio to the bare query.

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
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRecords = 30000;

double MedianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    const batchbench::BenchApp bench(argc, argv);
    InstallProgressWindow();
    if (!StoreExampleFormatIfFirstStart())
        return 1;
    const QString name = ExampleFormatName();

    // The example's input boxes, their IDs from table Fmt.
    const auto ids = db::Connection()->Query(
        QStringLiteral("SELECT ID FROM Fmt WHERE Fmt=? AND Clas=0 ORDER BY ID"), {name});
    if (!ids || ids->size() < 6)
        return 1;
    std::vector<rec::PrintedPage> pages(kRecords);
    for (int r = 0; r < kRecords; ++r)
        for (int i = 0; i < 6; ++i)
            pages[size_t(r)].push_back(
                {ids->rows[size_t(i)].value(0).toLongLong(),
                 QStringLiteral("第%1单的第%2项内容：浙江省杭州市西湖区文三路%3号").arg(r).arg(i).arg(r % 900)});
    if (!rec::AppendHistoryRecords(name, pages))
        return 1;

    const double query = MedianMs(3, [&] {
        const auto rs = db::Connection()->Query(
            QStringLiteral("SELECT ID, CID, Con FROM 历史 WHERE Fmt=? ORDER BY ID DESC"), {name});
        if (!rs || rs->size() != kRecords * 6)
            std::printf("query FAILED\n");
    });
    GridModel grid;
    const double load = MedianMs(3, [&] {
        rec::LoadHistoryGrid(grid, name);
        if (grid.dataRows() != kRecords)
            std::printf("load FAILED: %d rows\n", grid.dataRows());
    });
    const QString csv = bench.dir().filePath(QStringLiteral("history.csv"));
    const double exportMs = MedianMs(3, [&] {
        if (!imp::ExportGridToCsv(grid, csv))
            std::printf("export FAILED\n");
    });
    std::printf("history of %d records (%d rows of 历史):\n", kRecords, kRecords * 6);
    std::printf("  bare query            %8.1f ms\n", query);
    std::printf("  LoadHistoryGrid       %8.1f ms  (%.2f times the query)\n", load, load / query);
    std::printf("  export to CSV         %8.1f ms\n", exportMs);
    return 0;
}
