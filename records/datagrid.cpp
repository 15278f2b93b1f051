#include "records/datagrid.h"

#include "core/controlrow.h"
#include "core/progress.h"
#include "platform/gridmodel.h"
#include "properties/pagecontrols.h"

namespace imp {

void PrepareDataGrid(GridModel &grid, qint32 records, const ColumnMaps &maps, PageControls &page)
{
    const bool wasVisible = grid.isVisible();
    grid.setVisible(false);
    // DataGrid's layout: two fixed rows, one fixed column. The records of
    // an earlier import go first, so no old cell survives.
    grid.setRows(std::max<qint32>(grid.rows(), 2));
    grid.setCols(std::max<qint32>(grid.cols(), 2));
    grid.setFixedRows(2);
    grid.setFixedCols(1);
    grid.setRows(grid.fixedRows());
    grid.setRows(grid.fixedRows() + std::max<qint32>(records, 0));
    grid.setRowHeight(0, 0);
    const qint32 fc = grid.fixedCols();
    grid.setCols(fc + maps.Count());
    for (qint32 r = grid.fixedRows(); r < grid.rows(); ++r)
        grid.setText(r, 0, QString::number(r - grid.fixedRows() + 1));
    qint32 c = fc;
    const auto header = [&](const QStringList &map, qint32 base) {
        for (qint32 i = 1; i <= map.size(); ++i, ++c) {
            const qint32 index = base + i;
            grid.setText(0, c, QString::number(index));
            QString caption;
            if (const std::optional<qint32> row = page.ControlRow(index))
                if (const auto cr = fmtgrid::ReadControlRow(page.FormatGrid(), *row))
                    caption = cr->prompt;
            if (grid.fixedRows() > 1)
                grid.setText(1, c, caption);
        }
    };
    header(maps.text, 0);
    header(maps.check, 1000);
    header(maps.picture, 2000);
    grid.setVisible(wasVisible);
}

void FillDataGrid(GridModel &grid, const QStringList &merged, qint64 firstRow, qint64 interval,
                  const CellReader &cell, const QString &lineBreakMarker, bool progress)
{
    std::vector<CompiledMap> maps;
    maps.reserve(size_t(merged.size()));
    for (const QString &e : merged)
        maps.push_back(CompileMapEntry(e));
    const qint32 fr = grid.fixedRows(), fc = grid.fixedCols();
    const qint32 records = grid.rows() - fr;
    const LongWork work;
    if (progress)
        ShowIndicator(QString::fromUtf8(kReadingCaption), records);
    const bool wasVisible = grid.isVisible();
    grid.setVisible(false);
    for (qint32 r = fr; r < grid.rows(); ++r) {
        const qint64 first = qint64(r - fr) * interval + firstRow;
        for (size_t i = 0; i < maps.size(); ++i) {
            QString v = EvaluateMapEntry(maps[i], first, cell, lineBreakMarker);
            DropTrailingTab(v);
            if (!v.isEmpty())
                grid.setText(r, fc + qint32(i), v);
        }
        if (progress)
            StepIndicator(1, QStringLiteral("pages"));
    }
    grid.setVisible(wasVisible);
}

} // namespace imp
