// The bare floor of batch printing: a plain QPdfWriter program that writes
// the pages bench_batchprint prints, with nothing of the engine around it
// (no database, no controls, no text rule): per page five text boxes of
// Chinese text (two addresses wrapped in their boxes), a Code 39 and an
// EAN-13 symbol with their digits, a line and a label, at the format's
// places. Only the bar codes' module patterns come from the printing
// library. Usage: bench_floor N OUT.pdf. The last line is
// "floor records=N pages=P wall_s=T peak_rss_mb=M".

#include "bench/benchsupport.h"
#include "printing/code39.h"
#include "printing/ean13.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>
#include <vector>

namespace {

constexpr double kDotsPerMm = 600 / 25.4;

// A box of the format in device dots, shifted by the 10 mm page offset.
QRectF BoxMm(double x, double y, double w, double h)
{
    return {(x - 10) * kDotsPerMm, (y - 10) * kDotsPerMm, w * kDotsPerMm, h * kDotsPerMm};
}

void Code39(QPainter &p, const QString &text, const QRectF &box)
{
    const double module = 1.0; // dots: whole symbol sized to the box below
    const Code39Layout layout = LayoutCode39(text, Twips(module * 1000));
    const double scale = box.width() / double(layout.width);
    const double barHeight = box.height() * 0.8;
    std::vector<QRectF> bars;
    for (const Code39Layout::Bar &b : layout.bars)
        bars.emplace_back(box.left() + b.x * scale, box.top(), b.width * scale, barHeight);
    p.setPen(Qt::NoPen);
    p.drawRects(bars.data(), int(bars.size()));
    p.setPen(Qt::black);
    for (const Code39Layout::Char &c : layout.chars)
        p.drawText(QPointF(box.left() + c.x * scale, box.bottom()), QString(c.c));
}

void Ean13(QPainter &p, const QString &text, const QRectF &box)
{
    QString code = text;
    const QString modules = EncodeEAN13(code);
    const double m = box.width() / 100;
    const double barHeight = box.height() * 0.8;
    std::vector<QRectF> bars;
    for (qsizetype i = 0; i < modules.size(); ++i)
        if (modules[i] == u'1')
            bars.emplace_back(box.left() + (5 + i) * m, box.top(), m, barHeight);
    p.setPen(Qt::NoPen);
    p.drawRects(bars.data(), int(bars.size()));
    p.setPen(Qt::black);
    p.drawText(QPointF(box.left(), box.bottom()), code.left(1));
    p.drawText(QPointF(box.left() + 8 * m, box.bottom()), code.mid(1, 6));
    p.drawText(QPointF(box.left() + 54 * m, box.bottom()), code.mid(7));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_floor N OUT.pdf\n");
        return 2;
    }
    const qint32 n = std::max(1, QString::fromLocal8Bit(argv[1]).toInt());
    QElapsedTimer t;
    t.start();
    QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
    writer.setResolution(600);
    writer.setPageLayout(QPageLayout(QPageSize(QSizeF(230, 127), QPageSize::Millimeter),
                                     QPageLayout::Portrait, QMarginsF()));
    QPainter p(&writer);
    QFont text(QStringLiteral("AR PL UMing CN"));
    text.setPixelSize(int(10.5 / 72 * 600));
    QFont digits(text);
    digits.setPixelSize(int(9.0 / 72 * 600));
    p.setBrush(Qt::black);
    qint32 pages = 0;
    for (qint32 r = 0; r < n; ++r) {
        if (r > 0)
            writer.newPage();
        ++pages;
        const auto texts = batchbench::RecordTexts(r);
        p.setPen(Qt::black);
        p.setFont(text);
        p.drawText(BoxMm(20, 15, 40, 6), Qt::AlignLeft | Qt::AlignTop, texts[0]);
        p.drawText(BoxMm(20, 25, 50, 12), Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere,
                   texts[1]);
        p.drawText(BoxMm(130, 15, 40, 6), Qt::AlignLeft | Qt::AlignTop, texts[2]);
        p.drawText(BoxMm(130, 25, 50, 12), Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere,
                   texts[3]);
        p.drawText(BoxMm(20, 45, 60, 6), Qt::AlignLeft | Qt::AlignTop, texts[4]);
        p.drawText(BoxMm(180, 110, 40, 8), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("快递公司"));
        p.drawLine(BoxMm(10, 55, 0, 0).topLeft(), BoxMm(220, 55, 0, 0).topLeft());
        p.setFont(digits);
        Code39(p, texts[5], BoxMm(20, 60, 80, 20));
        Ean13(p, texts[6], BoxMm(130, 60, 60, 25));
    }
    p.end();
    const double wall = t.nsecsElapsed() / 1e9;
    std::printf("floor records=%d pages=%d wall_s=%.3f peak_rss_mb=%.1f\n", n, pages, wall,
                batchbench::PeakRssMb());
    return 0;
}
