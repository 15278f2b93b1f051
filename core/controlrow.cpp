#include "core/controlrow.h"

#include "platform/numtext.h"

#include <cmath>

namespace fmtgrid {

namespace {

const QString &Mark()
{
    static const QString mark = QStringLiteral("√");
    return mark;
}

} // namespace

qint32 ControlRow::Alignment() const
{
    return qint32(std::floor(std::fabs(packedL) / 1000.0));
}

double ControlRow::LineSpacing() const
{
    const double m = std::fabs(packedL) - 1000.0 * Alignment();
    return packedL < 0 ? -m : m;
}

void ControlRow::SetLineSpacing(double value, qint32 alignment)
{
    packedL = PackAlign(value, alignment);
}

double PackAlign(double x, qint32 alignment)
{
    const double m = std::fabs(x) + 1000.0 * alignment;
    return x >= 0 ? m : -m;
}

std::optional<ControlRow> ReadControlRow(const GridModel &g, qint32 row)
{
    if (row < g.fixedRows() || row >= g.rows())
        return std::nullopt;
    const auto val = [&](qint32 c) { return num::Val(g.text(row, c)); };
    const auto whole = [&](qint32 c) { return num::RoundToInt64(val(c)); };
    const auto flag = [&](qint32 c) { return !g.text(row, c).isEmpty(); };
    ControlRow r;
    r.id = whole(ColID);
    r.cls = qint32(whole(ColClas));
    r.prompt = g.text(row, ColLBL);
    r.side = DirNameToCode(g.text(row, ColDir));
    r.x = val(ColX);
    r.y = val(ColY);
    r.w = val(ColW);
    r.h = val(ColH);
    r.spacing = val(ColS);
    r.packedL = val(ColL);
    r.color = CellColor(g, row);
    r.font.name = g.text(row, ColFName);
    r.font.size = val(ColFSize);
    r.font.bold = flag(ColBold);
    r.font.italic = flag(ColItalic);
    r.font.underline = flag(ColUnderline);
    r.font.strikeOut = flag(ColStrikethru);
    r.cash = qint32(whole(ColCash));
    r.rctl = whole(ColRCtl);
    r.sumId = whole(ColSumID);
    r.sumId1 = whole(ColSumID1);
    return r;
}

namespace {

// Writes the value into the row. With keepEqual, a non-empty cell that
// already reads as its new value keeps its text, so a column the writer did
// not change keeps what the user typed into it.
void writeRow(GridModel &g, qint32 row, const ControlRow &r, bool keepEqual)
{
    const auto text = [&](qint32 c, const QString &t) {
        if (g.text(row, c) != t)
            g.setText(row, c, t);
    };
    const auto keep = [&](qint32 c, bool equal) {
        return keepEqual && equal && !g.text(row, c).isEmpty();
    };
    const auto number = [&](qint32 c, double v) {
        if (!keep(c, num::Val(g.text(row, c)) == v))
            text(c, num::Str(v));
    };
    const auto whole = [&](qint32 c, qint64 v) {
        if (!keep(c, num::RoundToInt64(num::Val(g.text(row, c))) == v))
            text(c, num::Str(v));
    };
    const auto flag = [&](qint32 c, bool on) {
        if (!keep(c, on))
            text(c, on ? Mark() : QString());
    };
    whole(ColID, r.id);
    text(ColLBL, r.prompt);
    if (!keep(ColDir, DirNameToCode(g.text(row, ColDir)) == r.side))
        text(ColDir, DirCodeToName(r.side));
    number(ColX, r.x);
    number(ColY, r.y);
    number(ColW, r.w);
    number(ColH, r.h);
    number(ColS, r.spacing);
    number(ColL, r.packedL);
    if (g.backColor(row, ColColor) != (r.color == 0 ? kBlackCellColor : r.color))
        SetCellColor(g, row, r.color);
    text(ColFName, r.font.name);
    number(ColFSize, r.font.size);
    flag(ColBold, r.font.bold);
    flag(ColItalic, r.font.italic);
    flag(ColUnderline, r.font.underline);
    flag(ColStrikethru, r.font.strikeOut);
    whole(ColClas, r.cls);
    whole(ColCash, r.cash);
    whole(ColRCtl, r.rctl);
    whole(ColSumID, r.sumId);
    whole(ColSumID1, r.sumId1);
}

} // namespace

bool WriteControlRow(GridModel &g, qint32 row, const ControlRow &r)
{
    if (row < g.fixedRows() || row >= g.rows())
        return false;
    writeRow(g, row, r, true);
    return true;
}

qint32 AppendControlRow(GridModel &g, const ControlRow &r)
{
    const qint32 row = g.addRow();
    g.setText(row, ColSerial, num::Str(qint64(row - 1)));
    writeRow(g, row, r, false);
    return row;
}

} // namespace fmtgrid
