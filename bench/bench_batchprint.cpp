// Batch printing N imported records through the real engine into a PDF
// file: a 230 x 127 mm format with five input boxes of Chinese text (two
// addresses that wrap over two lines), a Code 39 and an EAN-13 picture box,
// a line and a label; DataGrid filled with N records in its own layout; each
// record shown in the page controls by ShowGridRow, converted, drawn, and
// all pages stored in the history. Usage: bench_batchprint N OUT.pdf. The
// last line is "batchprint records=N pages=P wall_s=T peak_rss_mb=M".

#include "bench/batchformat.h"
#include "core/settings.h"
#include "designer/mainstate.h"
#include "designer/printsetup.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"

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
    if (!batchbench::CreateFormat(name))
        return 1;
    SaveParam(QStringLiteral("StrBarCodeStand"), QStringLiteral("0"));

    dsg::MainState state;
    state.SetFrameSize(15000, 8000);
    state.Load();

    batchbench::FillDataGrid(state, n);

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
                batchbench::PeakRssMb());
    setDialogs(nullptr);
    return pages == n ? 0 : 1;
}
