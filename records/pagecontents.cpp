#include "records/pagecontents.h"

namespace rec {

std::optional<fmtgrid::ControlRow> ControlRowOf(PageControls &page, qint32 index)
{
    const std::optional<qint32> row = page.ControlRow(index);
    if (!row)
        return std::nullopt;
    return fmtgrid::ReadControlRow(page.FormatGrid(), *row);
}

ControlIndexByID::ControlIndexByID(PageControls &page, qint32 firstCls, qint32 lastCls)
{
    QHash<qint64, qint32> rowOf;
    const GridModel &grid = page.FormatGrid();
    for (qint32 cls = firstCls; cls <= lastCls; ++cls) {
        const qint32 n = page.ControlCount(cls);
        for (qint32 i = 1; i <= n; ++i) {
            const qint32 index = cls * 1000 + i;
            const std::optional<qint32> row = page.ControlRow(index);
            if (!row)
                continue;
            const auto r = fmtgrid::ReadControlRow(grid, *row);
            if (!r)
                continue;
            auto it = rowOf.find(r->id);
            if (it == rowOf.end() || *row < *it) {
                rowOf.insert(r->id, *row);
                m_index.insert(r->id, index);
            }
        }
    }
}

qint32 PageInputBoxes::BoxCode(int index) const
{
    const auto r = ControlRowOf(m_page, index);
    return r ? r->cash : 0;
}

} // namespace rec
