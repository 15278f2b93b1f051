#include "printing/ean13.h"
#include "printing/barcodepen.h"

#include "platform/drawsurface.h"
#include "platform/numtext.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {

// Right-hand (R) patterns of the digits 0 to 9.
const std::array<QString, 10> &rPatterns()
{
    static const std::array<QString, 10> r = {
        u"1110010"_s, u"1100110"_s, u"1101100"_s, u"1000010"_s, u"1011100"_s,
        u"1001110"_s, u"1010000"_s, u"1000100"_s, u"1001000"_s, u"1110100"_s,
    };
    return r;
}

// For each first digit, the sets of the six left digits: "1" L, "0" G.
const std::array<QString, 10> &parityTable()
{
    static const std::array<QString, 10> p = {
        u"111111"_s, u"110100"_s, u"110010"_s, u"110001"_s, u"101100"_s,
        u"100110"_s, u"100011"_s, u"101010"_s, u"101001"_s, u"100101"_s,
    };
    return p;
}

QString reversed(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (qsizetype i = s.size() - 1; i >= 0; --i)
        out.append(s[i]);
    return out;
}

} // namespace

QString NormalizeEAN13(const QString &text)
{
    QString digits;
    for (const QChar c : text.left(13)) {
        if (c >= u'0' && c <= u'9')
            digits.append(c);
    }
    if (digits.size() < 12)
        digits = QString(12 - digits.size(), u'0') + digits;
    digits.truncate(12);
    int sum = 0;
    for (int i = 0; i < 12; ++i) {
        const int d = digits[11 - i].unicode() - u'0';
        sum += (i % 2 == 0) ? 3 * d : d;
    }
    const int c = sum % 10;
    return digits + QChar(u'0' + (c == 0 ? 0 : 10 - c));
}

QString InvertBits(const QString &bits)
{
    QString out = bits;
    for (QChar &c : out) {
        if (c == u'0')
            c = u'1';
        else if (c == u'1')
            c = u'0';
    }
    return out;
}

QString EncodeEAN13(QString &code)
{
    code = NormalizeEAN13(code);
    const auto &r = rPatterns();
    auto digit = [&](int i) { return code[i].unicode() - u'0'; };
    const QString &parity = parityTable()[digit(0)];
    QString m = u"101"_s;
    for (int i = 1; i <= 6; ++i) {
        const QString &rp = r[digit(i)];
        m += parity[i - 1] == u'1' ? InvertBits(rp) : reversed(rp);
    }
    m += u"01010"_s;
    for (int i = 7; i <= 12; ++i)
        m += r[digit(i)];
    m += u"101"_s;
    return m;
}

std::vector<qint16> EAN13Runs(const QString &modules)
{
    std::vector<qint16> runs;
    qsizetype i = 0;
    while (i < modules.size()) {
        const QChar c = modules[i];
        qsizetype j = i;
        while (j < modules.size() && modules[j] == c)
            ++j;
        const auto n = static_cast<qint16>(j - i);
        runs.push_back(c == u'1' ? static_cast<qint16>(10 + n) : n);
        i = j;
    }
    return runs;
}

bool IsEAN13GuardRun(int index)
{
    switch (index + 1) {
    case 1:
    case 3:
    case 29:
    case 31:
    case 57:
    case 59:
        return true;
    default:
        return false;
    }
}

void DrawEAN13(DrawSurface &target, const QString &text, Mm left, Mm top, Mm boxWidth, Mm height,
               double fontSize, bool showText)
{
    if (text.isEmpty())
        return;
    const BarcodePen pen(target, fontSize);

    QString code = text;
    const QString modules = EncodeEAN13(code);

    const double width = ToTwips(boxWidth).v;
    const double nineWidth = target.TextWidth(u"9"_s).v;
    const double m = (width - nineWidth - 15) / 95;
    double x = num::RoundHalfEven(ToTwips(left).v);
    const double y = num::RoundHalfEven(ToTwips(top).v);
    double h = num::RoundHalfEven(ToTwips(height).v);
    if (fontSize > 0 && showText)
        h = num::RoundHalfEven(h - target.TextHeight(modules).v);

    const std::vector<qint16> runs = EAN13Runs(modules);
    // Digits are printed only in a text line under the bars.
    const bool digits = fontSize >= 2 && showText;
    if (digits) {
        target.MoveTo(Twips(x), Twips(y + h));
        target.Print(code.left(1));
    }
    x = num::RoundHalfEven(x + nineWidth + 15);
    const double barsLeft = x;
    const double guardBottom = y + h + target.TextHeight(u"0"_s).v / 2;
    std::vector<DrawSurface::Corners> bars;
    for (size_t i = 0; i < runs.size(); ++i) {
        const bool dark = runs[i] > 10;
        const int n = dark ? runs[i] - 10 : runs[i];
        if (dark) {
            const double bottom = IsEAN13GuardRun(static_cast<int>(i)) ? guardBottom : y + h - 30;
            bars.push_back({Twips(x), Twips(y), Twips(x + m * n), Twips(bottom)});
        }
        x = num::RoundHalfEven(x + m * n);
    }
    target.FillBoxes(bars, 0);

    if (digits) {
        const double pitch = (width - nineWidth - 15 - 9 * m) / 12;
        double cx = barsLeft + 3 * m + (pitch - target.TextWidth(u"0"_s).v) / 2;
        std::vector<DrawSurface::TextPiece> under;
        for (int i = 1; i < 13; ++i) {
            under.push_back({Twips(cx), code.mid(i, 1)});
            cx += pitch;
            if (i == 6)
                cx += 3 * m;
        }
        target.PrintPieces(under, Twips(y + h));
        // Each digit was printed with its line ended: the next line's start.
        target.MoveTo(Twips(0), Twips(y + h) + target.TextHeight(u"0"_s));
    }
}
