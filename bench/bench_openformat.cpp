// Opening a format of 300 design controls in the main window, offscreen:
// reading the header and rows, building the controls and their widgets and
// laying out the page. Prints the time of the first opening (window
// creation included) and of reopening the format in the open window.

#include "benchapp.h"
#include "bench/batchformat.h"
#include "core/globals.h"
#include "designer/ui/mainwindow.h"
#include "designer/ui/pagewidget.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    const batchbench::BenchApp bench(argc, argv);

    const QString name = QStringLiteral("基准格式");
    {
        sql::Connection *conn = db::Connection();
        if (!conn)
            return 1;
        sql::Transaction tx(*conn);
        batchbench::InsertHeader(name, QStringLiteral("False|False|1|0|0|0|0|"));
        // 200 input boxes, 40 check boxes, 20 picture boxes, 20 lines, 20 labels.
        for (int i = 0; i < 300; ++i) {
            const int cls = i < 200 ? 0 : i < 240 ? 1 : i < 260 ? 2 : i < 280 ? 3 : 4;
            const double x = 5 + (i % 10) * 22, y = 5 + (i / 10) * 4;
            db::InsertRow(QStringLiteral("Fmt"),
                          {{QStringLiteral("Fmt"), name},
                           {QStringLiteral("LBL"), QStringLiteral("项目%1").arg(i)},
                           {QStringLiteral("Dir"), i % 4},
                           {QStringLiteral("X"), x},
                           {QStringLiteral("Y"), y},
                           {QStringLiteral("W"), cls == 3 ? x + 20 : 20},
                           {QStringLiteral("H"), cls == 3 ? y : 3.5},
                           {QStringLiteral("fName"), QStringLiteral("宋体")},
                           {QStringLiteral("fSize"), 9},
                           {QStringLiteral("Clas"), cls},
                           {QStringLiteral("Cash"), i % 7 == 0 ? 5 : 0}});
        }
        tx.Commit();
        db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET LBL=? WHERE Fmt=''"), {name});
    }

    QElapsedTimer t;
    qint64 model = 0;
    {
        // The model alone: rows read, controls built and placed, no widgets.
        t.start();
        dsg::MainState s;
        s.SetFrameSize(15000, 8000);
        s.Load();
        model = t.elapsed();
        if (s.Controls().Count(0) != 200)
            std::printf("model only: %d input boxes loaded\n", s.Controls().Count(0));
    }
    t.restart();
    auto *w = new dsg::MainWindow;
    w->show();
    QApplication::processEvents();
    const qint64 first = t.elapsed();
    const int loaded = w->State().Controls().Count(0) + w->State().Controls().Count(1)
        + w->State().Controls().Count(2) + w->State().Controls().Count(3)
        + w->State().Controls().Count(4);

    t.restart();
    w->State().SelectFormat(name, true);
    QApplication::processEvents();
    const qint64 again = t.elapsed();

    std::printf("bench_openformat: %d controls; model only %lld ms, open with window %lld ms, "
                "reopen in the window %lld ms (target < 300 ms)\n",
                loaded, static_cast<long long>(model), static_cast<long long>(first),
                static_cast<long long>(again));
    w->close();
    delete w;
    setDialogs(nullptr);
    return 0;
}
