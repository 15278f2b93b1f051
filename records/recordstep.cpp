#include "records/recordstep.h"

#include "platform/gridmodel.h"
#include "platform/numtext.h"
#include "properties/pagecontrols.h"
#include "records/pagecontents.h"

#include <QHash>

namespace rec {

namespace {
constexpr qint32 kHiddenWidth = 50;
}

std::optional<qint32> ShowGridRow(PageControls &page, const GridModel &grid, qint32 r,
                                  const LostFocusFn &lostFocus)
{
    if (r < grid.fixedRows() || r >= grid.rows())
        return std::nullopt;
    // The first (leftmost) column for each index.
    QHash<qint32, qint32> columnOf;
    for (qint32 c = grid.fixedCols(); c < grid.cols(); ++c) {
        const QString t = grid.text(0, c);
        if (t.isEmpty())
            continue;
        const qint32 index = num::ToLong(num::Val(t));
        if (!columnOf.contains(index))
            columnOf.insert(index, c);
    }
    ForEachContentControl(page, [&](qint32 index) {
        const auto c = columnOf.find(index);
        if (c == columnOf.end())
            return;
        if (grid.colWidth(*c) > kHiddenWidth)
            page.SetControlValue(index, grid.text(r, *c));
        if (index < 1000 && lostFocus)
            lostFocus(index);
    });
    return r - 1;
}

RecordScroll SetupRecordScroll(const GridModel &grid, const std::function<void(qint32 row)> &show)
{
    RecordScroll s;
    if (grid.rows() > grid.fixedRows()) {
        if (show)
            show(grid.fixedRows());
        s.max = grid.rows() - grid.fixedRows();
    }
    return s;
}

FindResult FindInGrid(GridModel &grid, QString &text)
{
    text = num::Trim(text);
    const qint32 first = grid.fixedRows(), last = grid.rows() - 1;
    const qint32 c0 = grid.fixedCols(), c1 = grid.cols() - 1;
    if (text.isEmpty() || last < first)
        return FindResult::NothingToSearch;
    const auto wrap = [&](qint32 r) { return r >= last ? first : r + 1; };
    const qint32 current = std::clamp(grid.row(), first, last);
    qint32 s = current;
    const bool wholeRow = grid.col() == c0 && grid.colSel() == c1 && grid.rowSel() == grid.row();
    if (wholeRow && grid.row() >= first)
        s = wrap(current);
    qint32 r = s;
    do {
        for (qint32 c = c0; c <= c1; ++c)
            if (grid.text(r, c).contains(text, Qt::CaseSensitive)) {
                grid.setTopRow(r);
                grid.setRow(r);
                grid.setCol(c0);
                grid.setRowSel(r);
                grid.setColSel(c1);
                return FindResult::Found;
            }
        r = wrap(r);
    } while (r != s);
    return FindResult::NotFound;
}

} // namespace rec
