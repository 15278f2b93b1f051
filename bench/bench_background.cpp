// Opening a format whose background picture is an 8,000² PNG (past Qt's
// decoding limit, read reduced) in the main window, offscreen. Prints the
// time of opening the window on that format, of opening a format without a
// picture, of opening the first format again, and of showing the format
// in the format list's preview twice.

#include "benchapp.h"
#include "bench/batchformat.h"
#include "core/formatstore.h"
#include "core/ui/listpreview.h"
#include "designer/ui/mainwindow.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <cstdio>

int main(int argc, char **argv)
{
    const batchbench::BenchApp bench(argc, argv);
    QImageReader::setAllocationLimit(128);

    const QString plain = QStringLiteral("空白格式"), pictured = QStringLiteral("底图格式");
    if (!batchbench::CreateFormat(plain) || !batchbench::CreateFormat(pictured))
        return 1;
    {
        // A scanned waybill: a grey ground, a dark band, thin coloured lines.
        QImage scan(8000, 8000, QImage::Format_RGB32);
        scan.fill(QColor(235, 235, 230));
        QPainter p(&scan);
        p.fillRect(0, 0, 8000, 1200, QColor(40, 40, 40));
        QRandomGenerator rng(7);
        for (int i = 0; i < 3000; ++i) {
            p.setPen(QPen(QColor::fromRgb(rng.generate()), 1 + rng.bounded(4)));
            p.drawLine(rng.bounded(8000), rng.bounded(8000), rng.bounded(8000), rng.bounded(8000));
        }
        p.end();
        if (!scan.save(GetBackgroundPicturePath(pictured), "PNG"))
            return 1;
    }

    QElapsedTimer t;
    t.start();
    auto *w = new dsg::MainWindow;
    w->show();
    QApplication::processEvents();
    const qint64 first = t.restart();
    const bool shown = !w->State().BackgroundPicture().isNull();

    w->State().SelectFormat(plain, false);
    QApplication::processEvents();
    const qint64 other = t.restart();

    w->State().SelectFormat(pictured, false);
    QApplication::processEvents();
    const qint64 again = t.restart();

    QFrame frame;
    frame.resize(300, 400);
    QLabel img(&frame);
    img.resize(300, 400);
    QScrollBar vs;
    LoadFmtPicture(&img, pictured, &frame, &vs);
    const qint64 list1 = t.restart();
    LoadFmtPicture(&img, pictured, &frame, &vs);
    const qint64 list2 = t.restart();

    std::printf("bench_background: 8000x8000 PNG background %s; open the window on it %lld ms, "
                "open a format without a picture %lld ms, open the first again %lld ms; "
                "list preview %lld ms, again %lld ms\n",
                shown ? "shown" : "NOT shown", static_cast<long long>(first),
                static_cast<long long>(other), static_cast<long long>(again),
                static_cast<long long>(list1), static_cast<long long>(list2));
    w->close();
    delete w;
    setDialogs(nullptr);
    return 0;
}
