#include "printing/code39.h"
#include "printing/barcodepen.h"

#include "platform/dialogs.h"
#include "platform/drawsurface.h"
#include "platform/numtext.h"

using namespace Qt::StringLiterals;

const Code39Table &InitCode39Table()
{
    // The published Code 39 patterns, bars first, then spaces.
    static const Code39Table table = {
        u"001100100"_s, u"100010100"_s, u"010010100"_s, u"110000100"_s, u"001010100"_s, // 0-4
        u"101000100"_s, u"011000100"_s, u"000110100"_s, u"100100100"_s, u"010100100"_s, // 5-9
        u"100010010"_s, u"010010010"_s, u"110000010"_s, u"001010010"_s, u"101000010"_s, // A-E
        u"011000010"_s, u"000110010"_s, u"100100010"_s, u"010100010"_s, u"001100010"_s, // F-J
        u"100010001"_s, u"010010001"_s, u"110000001"_s, u"001010001"_s, u"101000001"_s, // K-O
        u"011000001"_s, u"000110001"_s, u"100100001"_s, u"010100001"_s, u"001100001"_s, // P-T
        u"100011000"_s, u"010011000"_s, u"110001000"_s, u"001011000"_s, u"101001000"_s, // U-Y
        u"011001000"_s, u"000111000"_s, u"000000111"_s, u"000001110"_s, u"001101000"_s, // Z - % $ *
    };
    return table;
}

int Code39Index(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'Z')
        return 10 + (u - u'A');
    switch (u) {
    case u'-':
        return 36;
    case u'%':
        return 37;
    case u'$':
        return 38;
    case u'*':
        return 39;
    default:
        return -1;
    }
}

QString PrepareCode39Text(const QString &text)
{
    QString t = text.toUpper();
    if (t.isEmpty())
        return t;
    if (!t.startsWith(u'*'))
        t.prepend(u'*');
    if (!t.endsWith(u'*'))
        t.append(u'*');
    return t;
}

namespace {

qint64 roundTw(double v)
{
    return num::RoundToInt64(v);
}

} // namespace

Code39Layout LayoutCode39(const QString &text, Twips moduleWidth)
{
    const double module = moduleWidth.v;
    Code39Layout out;
    if (text.isEmpty())
        return out;
    const Code39Table &table = InitCode39Table();
    const qint64 wide = roundTw(module * 3);
    qint64 x = 0;
    for (const QChar c : PrepareCode39Text(text)) {
        const int index = Code39Index(c);
        if (index < 0) {
            out.refused = true;
            continue;
        }
        const QString &pattern = table[index];
        out.chars.push_back({x, c});
        for (int j = 0; j < 5; ++j) {
            const qint64 next = pattern[j] == u'1' ? x + wide : roundTw(x + module);
            out.bars.push_back({x, next - x});
            x = next;
            if (j == 4) {
                x = roundTw(x + 3 * module); // gap between characters
            } else {
                // Spaces are as wide as the bars of the same kind, so that
                // the symbol reads with any decoder.
                x = pattern[5 + j] == u'1' ? x + wide : roundTw(x + module);
            }
        }
    }
    out.width = x;
    return out;
}

Twips MeasureCode39(const QString &text, Twips module)
{
    return Twips(static_cast<double>(LayoutCode39(text, module).width));
}

Twips FitCode39Module(const QString &text, Twips availableWidth)
{
    if (text.isEmpty())
        return Twips();
    Twips module(5);
    for (int i = 0; i < 10; ++i) {
        module = module * 2;
        if (MeasureCode39(text, module) >= availableWidth)
            break;
    }
    // Step down one twip at a time, measuring after each step; a doubled
    // module that fits exactly is therefore never kept.
    const int steps = static_cast<int>(module.v);
    for (int i = 0; i < steps; ++i) {
        module -= Twips(1);
        if (MeasureCode39(text, module) <= availableWidth)
            break;
    }
    return module;
}

QString Code39InvalidCharMessage()
{
    return u"要打印的条形码字符串中包含无效字符！当前版本只支持字符0-9,A-Z,-,%,$和*"_s;
}

void PrintCode39(DrawSurface &target, const QString &text, Mm left, Mm top, Mm height, Twips module,
                 double fontSize, bool showText)
{
    if (text.isEmpty())
        return;
    const Code39Layout layout = LayoutCode39(text, module);

    const BarcodePen pen(target, fontSize);

    const qint64 x0 = roundTw(ToTwips(left).v);
    const qint64 y = roundTw(ToTwips(top).v);
    qint64 h = roundTw(ToTwips(height).v);
    const bool withText = fontSize > 0 && showText;
    if (withText)
        h -= roundTw(target.TextHeight(PrepareCode39Text(text)).v);

    // A dot at the origin starts the page on every printer.
    target.Circle(Twips(1), Twips(1), Twips(1), target.ForeColor());

    if (withText) {
        std::vector<DrawSurface::TextPiece> digits;
        for (const Code39Layout::Char &c : layout.chars)
            digits.push_back({Twips(x0 + c.x), QString(c.c)});
        target.PrintPieces(digits, Twips(y + h));
    }
    std::vector<DrawSurface::Corners> bars;
    bars.reserve(layout.bars.size());
    for (const Code39Layout::Bar &bar : layout.bars)
        bars.push_back(
            {Twips(x0 + bar.x), Twips(y), Twips(x0 + bar.x + bar.width), Twips(y + h)});
    target.FillBoxes(bars, 0);

    if (layout.refused)
        dialogs().Message(Code39InvalidCharMessage());
}
