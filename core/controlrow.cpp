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

bool WriteControlRow(GridModel &g, qint32 row, const ControlRow &r)
{
    if (row < g.fixedRows() || row >= g.rows())
        return false;
    const auto mark = [](bool on) { return on ? Mark() : QString(); };
    g.setText(row, ColID, num::Str(r.id));
    g.setText(row, ColLBL, r.prompt);
    g.setText(row, ColDir, DirCodeToName(r.side));
    g.setText(row, ColX, num::Str(r.x));
    g.setText(row, ColY, num::Str(r.y));
    g.setText(row, ColW, num::Str(r.w));
    g.setText(row, ColH, num::Str(r.h));
    g.setText(row, ColS, num::Str(r.spacing));
    g.setText(row, ColL, num::Str(r.packedL));
    SetCellColor(g, row, r.color);
    g.setText(row, ColFName, r.font.name);
    g.setText(row, ColFSize, num::Str(r.font.size));
    g.setText(row, ColBold, mark(r.font.bold));
    g.setText(row, ColItalic, mark(r.font.italic));
    g.setText(row, ColUnderline, mark(r.font.underline));
    g.setText(row, ColStrikethru, mark(r.font.strikeOut));
    g.setText(row, ColClas, num::Str(qint64(r.cls)));
    g.setText(row, ColCash, num::Str(qint64(r.cash)));
    g.setText(row, ColRCtl, num::Str(r.rctl));
    g.setText(row, ColSumID, num::Str(r.sumId));
    g.setText(row, ColSumID1, num::Str(r.sumId1));
    return true;
}

qint32 AppendControlRow(GridModel &g, const ControlRow &r)
{
    const qint32 row = g.addRow();
    g.setText(row, ColSerial, num::Str(qint64(row - 1)));
    WriteControlRow(g, row, r);
    return row;
}

} // namespace fmtgrid
