// Batch printing N imported records through the real engine into a PDF
// file: a 230 x 127 mm format with five input boxes of Chinese text (two
// addresses that wrap over two lines), a Code 39 and an EAN-13 picture box,
// a line and a label; DataGrid filled with N records in its own layout; each
// record shown in the page controls by ShowGridRow, converted, drawn, and
// all pages stored in the history. Usage: bench_batchprint N OUT.pdf. The
// last line is "batchprint records=N pages=P wall_s=T peak_rss_mb=M".

#include "core/database.h"
#include "core/formatgrid.h"
#include "core/settings.h"
#include "designer/mainstate.h"
#include "designer/printsetup.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"
#include "records/columnmap.h"
#include "records/datagrid.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Answers the range with all records and prints into the file.
class BenchUi : public print::PrintUi
{
public:
    BenchUi(QString path, qint32 records)
        : m_path(std::move(path))
        , m_records(records)
    { }
    std::unique_ptr<Printer> ChoosePrinter() override
    {
        return std::make_unique<PdfPrinter>(m_path);
    }
    QString AskBatchRange(qint32, qint32) override { return QStringLiteral("1:%1").arg(m_records); }

private:
    QString m_path;
    qint32 m_records;
};

double PeakRssMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

void InsertControl(const QString &fmt, const QString &lbl, qint32 cls, double x, double y, double w,
                   double h, qint32 cash = 0, double size = 10.5)
{
    db::InsertRow(QStringLiteral("Fmt"),
                  {{QStringLiteral("Fmt"), fmt},
                   {QStringLiteral("LBL"), lbl},
                   {QStringLiteral("Dir"), 1},
                   {QStringLiteral("X"), x},
                   {QStringLiteral("Y"), y},
                   {QStringLiteral("W"), w},
                   {QStringLiteral("H"), h},
                   {QStringLiteral("fName"), QStringLiteral("宋体")},
                   {QStringLiteral("fSize"), size},
                   {QStringLiteral("Clas"), cls},
                   {QStringLiteral("Cash"), cash}});
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_batchprint N OUT.pdf\n");
        return 2;
    }
    const qint32 n = std::max(1, QString::fromLocal8Bit(argv[1]).toInt());
    const QString out = QString::fromLocal8Bit(argv[2]);
    QTemporaryDir dir;
    qputenv("WAYBILL_DATA_DIR", dir.path().toUtf8());
    ScriptedDialogs quiet;
    setDialogs(&quiet);

    const QString name = QStringLiteral("批量基准");
    {
        sql::Connection *conn = db::Connection();
        if (!conn)
            return 1;
        sql::Transaction tx(*conn);
        db::InsertRow(QStringLiteral("Fmt"),
                      {{QStringLiteral("Fmt"), name},
                       {QStringLiteral("LBL"), fmtgrid::HeaderMarker()},
                       {QStringLiteral("W"), 230},
                       {QStringLiteral("H"), 127},
                       {QStringLiteral("X"), 10},
                       {QStringLiteral("Y"), 10},
                       {QStringLiteral("Mem"), QStringLiteral("True|False|1|0|0|0|0|")}});
        InsertControl(name, QStringLiteral("收件人"), 0, 20, 15, 40, 6);
        InsertControl(name, QStringLiteral("收件地址"), 0, 20, 25, 50, 12);
        InsertControl(name, QStringLiteral("寄件人"), 0, 130, 15, 40, 6);
        InsertControl(name, QStringLiteral("寄件地址"), 0, 130, 25, 50, 12);
        InsertControl(name, QStringLiteral("物品"), 0, 20, 45, 60, 6);
        InsertControl(name, QStringLiteral("运单号"), 2, 20, 60, 80, 20, 0, 9);
        InsertControl(name, QStringLiteral("商品码"), 2, 130, 60, 60, 25, 0, 9);
        InsertControl(name, QStringLiteral("线条"), 3, 10, 55, 220, 55, 1, 1);
        InsertControl(name, QStringLiteral("快递公司"), 4, 180, 110, 40, 8);
        tx.Commit();
        db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET LBL=? WHERE Fmt=''"), {name});
    }
    SaveParam(QStringLiteral("StrBarCodeStand"), QStringLiteral("0"));

    dsg::MainState state;
    state.SetFrameSize(15000, 8000);
    state.Load();

    // DataGrid in its layout: row 0 the target indexes, one record a row.
    GridModel &grid = state.DataGrid();
    imp::ColumnMaps maps;
    for (qint32 i = 0; i < state.ControlCount(0); ++i)
        maps.text << QStringLiteral("A");
    for (qint32 i = 0; i < state.ControlCount(2); ++i)
        maps.picture << QStringLiteral("A");
    if (grid.fixedRows() != 2 || grid.fixedCols() != 1) {
        grid.setRows(2);
        grid.setCols(1);
        grid.setFixedRows(2);
        grid.setFixedCols(1);
    }
    imp::PrepareDataGrid(grid, n, maps, state);
    for (qint32 c = grid.fixedCols(); c < grid.cols(); ++c)
        grid.setColWidth(c, 1500); // shown columns, as after an import
    const QString towns[] = {QStringLiteral("浙江省杭州市西湖区文三路"),
                             QStringLiteral("广东省深圳市南山区科技园南区"),
                             QStringLiteral("江苏省南京市鼓楼区中山北路")};
    for (qint32 r = 0; r < n; ++r) {
        const qint32 row = grid.fixedRows() + r;
        const qint32 c = grid.fixedCols();
        const QString t = towns[r % 3];
        grid.setText(row, c, QStringLiteral("张三%1").arg(r));
        grid.setText(row, c + 1, t + QStringLiteral("%1号创业大厦%2室").arg(r % 900).arg(r));
        grid.setText(row, c + 2, QStringLiteral("李四网店"));
        grid.setText(row, c + 3, towns[(r + 1) % 3] + QStringLiteral("88号仓储中心二楼"));
        grid.setText(row, c + 4, QStringLiteral("衣服%1件").arg(r % 5 + 1));
        grid.setText(row, c + 5, QStringLiteral("%1-SF").arg(1000000 + r));
        grid.setText(row, c + 6, QString::number(690000000000LL + r));
    }
    state.SetupRecordScroll();

    dsg::StatePrintView view(state);
    BenchUi ui(out, n);
    print::PrintContext ctx = dsg::PrintContextFor(state, view, ui);
    QElapsedTimer t;
    t.start();
    const qint32 pages = print::BatchPrint(ctx, dsg::RecordScrollFor(state));
    const double wall = t.nsecsElapsed() / 1e9;

    const auto stored = db::Connection()->Query(
        QStringLiteral("SELECT COUNT(DISTINCT ID) FROM 历史 WHERE Fmt=?"), {name});
    if (stored)
        std::printf("history records=%d\n", int(num::Val(stored->value(0, 0))));
    std::printf("batchprint records=%d pages=%d wall_s=%.3f peak_rss_mb=%.1f\n", n, pages, wall,
                PeakRssMb());
    setDialogs(nullptr);
    return pages == n ? 0 : 1;
}
