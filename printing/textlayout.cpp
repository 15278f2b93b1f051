#include "printing/textlayout.h"

#include "platform/drawsurface.h"
#include "platform/numtext.h"

#include <cmath>

namespace layout {

namespace {

Twips Clng(Twips t)
{
    return Twips(num::ToLong(t.v));
}

} // namespace

qint32 AlignmentOfPacked(double packed)
{
    return static_cast<qint32>(std::floor(std::abs(packed) / 1000));
}

double SpacingOfPacked(double packed)
{
    const qint32 m = num::ToLong(std::abs(packed)) % 1000;
    return packed > 0 ? m : -m;
}

QStringList WrapText(const DrawSurface &surface, const QString &text, Twips w, Twips s)
{
    QStringList out;
    for (const QString &source : text.split(QStringLiteral("\r\n"))) {
        if (source.isEmpty()) {
            out.append(QString());
            continue;
        }
        QString rest = source;
        while (!rest.isEmpty()) {
            qsizetype k = rest.size();
            while (k >= 2 && surface.TextWidth(rest.left(k)) + s * double(k - 1) > w)
                --k;
            out.append(rest.left(k));
            rest = rest.mid(k);
        }
    }
    return out;
}

void PrintSpacedLine(DrawSurface &surface, const QString &line, Twips x, Twips y, Twips s)
{
    std::vector<DrawSurface::TextPiece> pieces;
    pieces.reserve(size_t(line.size()));
    Twips cx = x;
    for (qsizetype i = 0; i < line.size(); ++i) {
        // A surrogate pair is one character on paper.
        const qsizetype n = line.at(i).isHighSurrogate() && i + 1 < line.size() ? 2 : 1;
        const QString c = line.mid(i, n);
        i += n - 1;
        pieces.push_back({cx, c});
        cx = cx + surface.TextWidth(c) + s;
    }
    surface.PrintPieces(pieces, y);
}

void PrintTextBlock(DrawSurface &surface, const QString &text, Twips x, Twips y, Twips w, Twips s,
                    Twips ls, qint32 a)
{
    if (text.isEmpty())
        return;
    const QStringList lines = WrapText(surface, text, w, s);
    const Twips lineHeight = surface.TextHeight(QString::fromUtf16(kLineSample));
    Twips cy = Clng(y);
    for (const QString &line : lines) {
        Twips cx;
        const Twips free = w - surface.TextWidth(line) - s * double(line.size()) - Twips(1);
        if (a == 1)
            cx = Clng(x + free);
        else if (a == 2)
            cx = Clng(x + free / 2);
        else
            cx = Clng(x);
        PrintSpacedLine(surface, line, cx, cy, s);
        cy = Clng(cy + lineHeight + ls + Twips(1));
    }
}

void PrintTextInCells(DrawSurface &surface, const QString &text, Twips x, Twips y, Twips w,
                      qint32 n, qint32 a)
{
    if (text.isEmpty() || n <= 0)
        return;
    const Twips cw = w / n;
    QString t = text;
    const qint32 len = static_cast<qint32>(t.size());
    if (a >= 1) {
        if (len < n)
            t = QString(a == 1 ? n - len : (n - len) / 2, u' ') + t;
        else if (len > n)
            x -= cw * double(a == 1 ? len - n : (len - n) / 2);
    }
    std::vector<DrawSurface::TextPiece> pieces;
    pieces.reserve(size_t(t.size()));
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QString c = t.mid(i, 1);
        pieces.push_back({(cw - surface.TextWidth(c)) / 2 + cw * double(i) + x, c});
    }
    surface.PrintPieces(pieces, y);
}

QString AmountCellText(const QString &money, qint32 n)
{
    QString s = money;
    s.remove(u'.');
    s.remove(u',');
    if (s.size() > n)
        s.remove(u'￥');
    return s;
}

void PrintAmountInCells(DrawSurface &surface, const QString &text, Twips x, Twips y, Twips w,
                        qint32 n, const std::function<QString(const QString &)> &formatMoney)
{
    if (text.isEmpty() || n <= 0)
        return;
    QString s = AmountCellText(formatMoney ? formatMoney(text) : text, n);
    // Digits beyond the box's cells go into cells to its left.
    if (s.size() > n)
        x -= w / n * double(s.size() - n);
    else
        s = QString(n - s.size(), u' ') + s;
    PrintTextInCells(surface, s, x, y, w / n * double(s.size()), static_cast<qint32>(s.size()), 0);
}

double FitPrinterFontSize(DrawSurface &surface, Twips target, bool bold)
{
    const QString sample = QString::fromUtf16(kFitSample);
    surface.SetFontBold(bold);
    double size = 10.5;
    // The surface refuses a size of 0; a 0-point text is 0 wide.
    const auto measure = [&](double points) {
        if (points <= 0)
            return Twips(0);
        surface.SetFontSize(points);
        return surface.TextWidth(sample);
    };
    Twips w = measure(size);
    double step = w > target ? -4 : 10;
    for (int round = 0; round < 501; ++round) {
        if (size + step < 0)
            step = -size;
        size += step;
        w = measure(size);
        if ((step > 0 && w > target) || (step <= 0 && w < target))
            step = -step / 2;
        if (std::abs(step) < 0.3)
            break;
    }
    step = w > target ? -0.1 : 0.1;
    const double base = size;
    double best = size;
    double bestGap = std::abs((w - target).v);
    for (int j = 1; j <= 10; ++j) {
        const double s = base + j * step;
        if (s <= 0)
            break;
        const double gap = std::abs((measure(s) - target).v);
        if (gap < bestGap) {
            best = s;
            bestGap = gap;
        } else if (gap > bestGap) {
            break; // widths grow with the size: past the closest one
        }
    }
    measure(best);
    return best;
}

} // namespace layout
