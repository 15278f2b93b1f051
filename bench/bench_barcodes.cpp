// Draws 10,000 bar codes (EAN-13 and Code 39 alternately, each Code 39 fitted
// to its box first) into a multi-page PDF and prints symbols per second.
// Usage: bench_barcodes [output.pdf] [count]

#include "platform/dialogs.h"
#include "platform/drawsurface.h"
#include "printing/code39.h"
#include "printing/ean13.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                 : dir.filePath(QStringLiteral("bench_barcodes.pdf"));
    const int count = argc > 2 ? std::atoi(argv[2]) : 10000;

    QPdfWriter writer(out);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    writer.setResolution(1200);
    PainterSurface surface(&writer);

    // Four columns of 45 mm boxes, ten rows of 25 mm per page.
    const double boxWidth = 45, boxHeight = 18;
    QElapsedTimer timer;
    timer.start();
    double ean = 0, c39 = 0;
    for (int i = 0; i < count; ++i) {
        const int slot = i % 40;
        if (i > 0 && slot == 0)
            surface.NewPage();
        const double left = 8 + (slot % 4) * 50;
        const double top = 10 + (slot / 4) * 28;
        const QString digits = QString::number(690000000000LL + i * 7919LL);
        QElapsedTimer one;
        one.start();
        if (i % 2 == 0) {
            DrawEAN13(surface, digits, Mm(left), Mm(top), Mm(boxWidth), Mm(boxHeight), 9, true);
            ean += one.nsecsElapsed();
        } else {
            const QString text = QStringLiteral("SF") + digits.right(8);
            const Twips module = FitCode39Module(text, ToTwips(Mm(boxWidth)));
            PrintCode39(surface, text, Mm(left), Mm(top), Mm(boxHeight), module, 9, true);
            c39 += one.nsecsElapsed();
        }
    }
    const double drawSeconds = timer.nsecsElapsed() / 1e9;
    const bool ok = surface.EndDoc();
    const double totalSeconds = timer.nsecsElapsed() / 1e9;

    std::printf("symbols: %d (%d EAN-13, %d Code 39), pages: %d, PDF %s (%lld bytes)\n", count,
                (count + 1) / 2, count / 2, (count + 39) / 40, ok ? "written" : "FAILED",
                static_cast<long long>(QFile(out).size()));
    std::printf("drawing: %.3f s, with writing the PDF: %.3f s\n", drawSeconds, totalSeconds);
    std::printf("symbols per second: %.0f (drawing only %.0f); EAN-13 %.0f/s, Code 39 %.0f/s\n",
                count / totalSeconds, count / drawSeconds, ((count + 1) / 2) / (ean / 1e9),
                (count / 2) / (c39 / 1e9));
    return ok ? 0 : 1;
}
