// The order table of a marketplace page, twice into one grid (the second
// pass meets every order as a duplicate).
#include "core/gridhelpers.h"
#include "fuzzmain.h"
#include "online/tradegrid.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString html = FuzzText(data, size);
    // The trade grid's layout without measuring fonts.
    GridModel grid;
    SetGridColumns(grid, trade::Letters(), trade::Captions());
    AppendOrderTable(grid, html);
    const qint32 rows = grid.rows();
    AppendOrderTable(grid, html);
    if (grid.rows() < rows)
        __builtin_trap();
    for (qint32 r = grid.fixedRows(); r < grid.rows(); ++r)
        WriteAddressValues(grid, r, {html.left(8), html.mid(8, 8), QString(), html});
    CopyAddressesToItemRows(grid);
    return 0;
}
