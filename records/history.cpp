#include "records/history.h"

#include "core/database.h"
#include "core/formatgrid.h"
#include "core/gridhelpers.h"
#include "core/progress.h"
#include "platform/numtext.h"
#include "records/pagecontents.h"

#include <QHash>

namespace rec {

namespace {

constexpr qint32 kProgressRows = 300;

// Column of each control ID in row 0 of the history grid (the leftmost one
// for an ID given twice).
QHash<qint64, qint32> ColumnsByID(const GridModel &grid)
{
    QHash<qint64, qint32> cols;
    for (qint32 c = grid.fixedCols(); c < grid.cols(); ++c) {
        const QString t = grid.text(0, c);
        if (!t.isEmpty() && !cols.contains(qint64(num::Val(t))))
            cols.insert(qint64(num::Val(t)), c);
    }
    return cols;
}

} // namespace

sql::Status AppendHistoryRecords(const QString &formatName, const std::vector<PrintedPage> &pages)
{
    return db::RunInTransaction([&](sql::Connection &conn) {
        const auto last
            = conn.Query(QStringLiteral("SELECT MAX(ID) FROM 历史 WHERE Fmt=?"), {formatName});
        if (!last)
            return false;
        qint64 next = last->empty() ? 1 : qint64(num::Val(num::Text(last->value(0, 0)))) + 1;
        RowStatements st(conn);
        const QString insert
            = QStringLiteral("INSERT INTO 历史 (Fmt, ID, CID, Con) VALUES (?, ?, ?, ?)");
        for (const PrintedPage &page : pages) {
            // A blank page took its sheet: it keeps its number through one
            // row of control ID 0 (no control has it) without content.
            if (page.empty() && !st.Exec(insert, {formatName, next, qint64(0), QString()}))
                return false;
            for (const PageContent &c : page)
                if (!st.Exec(insert, {formatName, next, c.id, c.value}))
                    return false;
            ++next;
        }
        return true;
    });
}

bool SaveHistoryRecord(PageControls &page, const QString &formatName)
{
    return static_cast<bool>(AppendHistoryRecords(formatName, {CollectPageContents(page)}));
}

void InitHistoryGridHeader(GridModel &grid, const QString &formatName)
{
    grid.clear();
    grid.setCols(2);
    grid.setRows(2);
    grid.setFixedRows(2);
    grid.setFixedCols(2);
    sql::Connection *conn = db::Connection();
    const auto rs = conn ? conn->Query(QStringLiteral("SELECT ID, LBL FROM Fmt WHERE Fmt=? AND "
                                                      "LBL<>? ORDER BY Clas, LBL"),
                                       {formatName, fmtgrid::HeaderMarker()})
                         : std::nullopt;
    if (rs) {
        grid.setCols(2 + rs->size());
        for (int i = 0; i < rs->size(); ++i) {
            grid.setText(0, 2 + i, num::Text(rs->value(i, 0)));
            grid.setText(1, 2 + i, num::Text(rs->value(i, 1)));
        }
    }
    grid.setText(1, 1, QStringLiteral("序号"));
}

void LoadHistoryGrid(GridModel &grid, const QString &formatName)
{
    // The progress window and the column fitting let the event loop run.
    const LongWork work;
    grid.setVisible(false);
    InitHistoryGridHeader(grid, formatName);
    sql::Connection *conn = db::Connection();
    // The row count sizes the progress window; the rows are then read as
    // they are stepped, straight into the new rows' cells.
    const auto count = conn ? conn->Query(QStringLiteral("SELECT COUNT(*) FROM 历史 WHERE Fmt=?"),
                                          {formatName})
                            : std::nullopt;
    const qint32 total = count ? count->value(0, 0).toInt() : 0;
    const bool progress = total > kProgressRows;
    if (progress)
        ShowIndicator(QStringLiteral("正在加载历史记录……"), total);
    if (total > 0) {
        const QHash<qint64, qint32> cols = ColumnsByID(grid);
        std::vector<std::vector<GridModel::Cell>> records;
        std::optional<qint64> last;
        qint32 stepped = 0;
        const bool read = conn->ForEachRow(
            QStringLiteral("SELECT ID, CID, Con FROM 历史 WHERE Fmt=? ORDER BY ID DESC"),
            {formatName}, [&](const sql::Statement &row) {
                if (const qint64 id = qint64(row.ColumnNumber(0)); id != last) {
                    last = id;
                    records.emplace_back(size_t(grid.cols()));
                    records.back()[0].text = row.ColumnText(0);
                    records.back()[1].text = num::Str(qint64(records.size()));
                }
                const auto c = cols.find(qint64(row.ColumnNumber(1)));
                if (c != cols.end())
                    records.back()[size_t(*c)].text = row.ColumnText(2);
                // Rows another copy of the program stored after the count
                // are shown without steps past the end of the bar.
                if (progress && ++stepped <= total)
                    StepIndicator(1, QStringLiteral("pages"));
            });
        // A read that failed part way shows no record, as one that failed
        // at once.
        if (read)
            grid.appendRows(std::move(records));
    }
    AutoFitGridColumns(GridFont(), grid, 1, progress);
    grid.setColWidth(0, 0);
    grid.setRowHeight(0, 0);
    grid.setVisible(true);
    if (progress)
        CloseIndicator();
}

void ApplyHistoryRow(PageControls &page, const GridModel &grid)
{
    const qint32 r = grid.row();
    if (r < grid.fixedRows() || r >= grid.rows())
        return;
    const QHash<qint64, qint32> cols = ColumnsByID(grid);
    ForEachContentControl(page, [&](qint32 index) {
        const auto row = ControlRowOf(page, index);
        if (!row)
            return;
        const auto c = cols.find(row->id);
        if (c != cols.end())
            page.SetControlValue(index, grid.text(r, *c));
    });
}

std::optional<RowRange> SelectedHistoryRows(const GridModel &grid)
{
    qint32 a = grid.row(), b = grid.rowSel();
    if (a > b)
        std::swap(a, b);
    a = std::max(a, grid.fixedRows());
    b = std::min(b, grid.rows() - 1);
    if (a > b)
        return std::nullopt;
    return RowRange {a, b};
}

bool SelectAllHistoryRows(GridModel &grid)
{
    if (grid.dataRows() < 1)
        return false;
    grid.setRow(grid.fixedRows());
    grid.setRowSel(grid.rows() - 1);
    return true;
}

QString DeleteHistoryQuestion(const GridModel &grid, const RowRange &range)
{
    return QStringLiteral("您确定要删除第") + num::Str(qint64(range.first - grid.fixedRows() + 1))
        + QStringLiteral("至第") + num::Str(qint64(range.last - grid.fixedRows() + 1))
        + QStringLiteral("行？");
}

bool DeleteHistoryRows(GridModel &grid, const QString &formatName, const RowRange &range)
{
    const bool deleted = static_cast<bool>(db::RunInTransaction([&](sql::Connection &conn) {
        RowStatements st(conn);
        for (qint32 r = range.first; r <= range.last; ++r)
            if (!st.Exec(QStringLiteral("DELETE FROM 历史 WHERE Fmt=? AND ID=?"),
                         {formatName, qint64(num::Val(grid.text(r, 0)))}))
                return false;
        return true;
    }));
    if (!deleted)
        return false;
    qint32 a = range.first, b = range.last;
    DeleteGridRows(grid, a, b, false);
    return true;
}

} // namespace rec
