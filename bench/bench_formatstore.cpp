// Load and save of a 300-control format through the real database in a
// temporary data folder. Prints the times in milliseconds.

#include "core/database.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "core/formatstore.h"
#include "platform/numtext.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace fmtgrid;

namespace {

void fill(GridModel &g, int n)
{
    LayoutFormatGrid(g);
    qint64 prev = 0;
    for (int i = 0; i < n; ++i) {
        QStringList t;
        for (int c = 0; c < kColumnCount; ++c)
            t << QString();
        const qint64 id = NewTempCtlID(g);
        t[ColID] = num::Str(id);
        t[ColLBL] = QStringLiteral("输入框%1").arg(i);
        t[ColDir] = QStringLiteral("左边");
        t[ColX] = num::Str(1.5 * i);
        t[ColY] = num::Str(0.25 * i);
        t[ColW] = QStringLiteral("30");
        t[ColH] = QStringLiteral("6");
        t[ColFName] = QStringLiteral("宋体");
        t[ColFSize] = QStringLiteral("10.5");
        t[ColClas] = QString::number(i % 5);
        t[ColRCtl] = num::Str(prev);
        t[ColSumID] = num::Str(prev);
        t[ColSumID1] = num::Str(-prev);
        SetCellColor(g, g.addRow(t), i);
        prev = id;
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("WAYBILL_DATA_DIR", dir.path().toUtf8());
    FormatHostState host;
    host.formatName = QStringLiteral("基准");
    db::Connection(); // open (and create) the database outside the timings

    std::vector<double> firstSave, load, resave;
    for (int round = 0; round < 7; ++round) {
        const QString name = QStringLiteral("基准%1").arg(round);
        GridModel g;
        fill(g, 300);
        QElapsedTimer t;
        t.start();
        if (!SaveFormatGrid(host, g, name))
            return 1;
        firstSave.push_back(t.nsecsElapsed() / 1e6);
        GridModel loaded;
        t.restart();
        LoadFormatGrid(host, loaded, name);
        load.push_back(t.nsecsElapsed() / 1e6);
        if (loaded.dataRows() != 300)
            return 2;
        t.restart();
        if (!SaveFormatGrid(host, loaded, name))
            return 3;
        resave.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("format of 300 controls, median of 7 rounds:\n");
    std::printf("  first save (300 inserts, references rewritten): %.2f ms\n", median(firstSave));
    std::printf("  load into the grid:                              %.2f ms\n", median(load));
    std::printf("  save of the loaded grid (300 updates):           %.2f ms\n", median(resave));
    db::CloseConnection();
    return 0;
}
