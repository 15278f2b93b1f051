#include "core/gridhelpers.h"

#include "core/database.h"
#include "core/helpers.h"
#include "core/progress.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"

#include <QDate>
#include <QDateTime>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <cmath>

namespace {

HookSlot<std::function<void(GridModel &)>> g_recordScrollHook;

const QChar kMarkUp(0x25B3); // △ ascending
const QChar kMarkDown(0x25BD); // ▽ descending

// The cell text of one field value by the display rules of bound grids.
QString fieldText(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("yyyy.MM.dd"));
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy.MM.dd"));
    case QMetaType::Bool:
        return BoolToMark(v);
    case QMetaType::Double:
    case QMetaType::Float:
        return num::Str(num::RoundDecimals(v.toDouble(), 2));
    default:
        return num::Text(v);
    }
}

// Fills one cell of a data row from the record by the column's binding.
void fillCell(GridModel &grid, qint32 r, qint32 c, const QString &binding, const sql::ResultSet &rs,
              int rec)
{
    if (binding.isEmpty()) {
        if (c == grid.fixedCols() - 1)
            grid.setText(r, c, num::Str(qint64(r - grid.fixedRows() + 1)));
        return;
    }
    if (binding.contains(u':')) {
        const QStringList parts = binding.split(u':');
        if (parts.size() < 3)
            return;
        const qint64 id = qint64(num::Val(rs.value(rec, parts.at(1))));
        grid.setText(r, c, num::Text(db::GetFieldByID(parts.at(0), id, parts.at(2))));
        return;
    }
    if (binding == QLatin1String("Color")) {
        const QVariant v = rs.value(rec, binding);
        if (v.isValid() && !v.isNull())
            grid.setBackColor(r, c, qint32(qint64(num::Val(v))));
        return;
    }
    grid.setText(r, c, fieldText(rs.value(rec, binding)));
}

QString withoutMarks(QString caption)
{
    caption.remove(kMarkUp);
    caption.remove(kMarkDown);
    return caption;
}

} // namespace

QFont GridFont()
{
    return QGuiApplication::font();
}

HookHandle InstallRecordScrollHook(std::function<void(GridModel &)> hook)
{
    return g_recordScrollHook.Install(std::move(hook));
}

void SetGridColumns(GridModel &grid, const QStringList &names, const QStringList &captions)
{
    if (names.size() != captions.size())
        return;
    const qint32 n = qint32(names.size());
    grid.setVisible(false);
    grid.setCols(n);
    grid.setFixedCols(2);
    grid.setRows(3);
    grid.setFixedRows(2);
    grid.setRows(2);
    grid.setRowHeight(0, 0);
    for (qint32 i = 0; i < n; ++i) {
        grid.setText(0, i, names.at(i));
        grid.setText(1, i, captions.at(i));
        grid.setColAlignment(i, 0);
    }
    grid.setColAlignment(1, 2);
    grid.setVisible(true);
}

void FillGridFromTable(GridModel &grid, const QString &condition, const QString &order,
                       const QVariantList &params)
{
    grid.setVisible(false);
    grid.setRows(2);
    QString query = QStringLiteral("SELECT * FROM ") + grid.tag();
    if (!condition.isEmpty())
        query += QStringLiteral(" WHERE ") + condition;
    if (!order.isEmpty())
        query += QStringLiteral(" ORDER BY ") + order;

    const qint32 captionRow = grid.fixedRows() - 1;
    for (qint32 c = 0; c < grid.cols(); ++c) {
        if (grid.text(captionRow, c) == QLatin1String("序号")) {
            grid.setFixedCols(c + 1);
            break;
        }
    }

    if (const auto rs = db::OpenRecordset(query, params)) {
        QStringList bindings;
        for (qint32 c = 0; c < grid.cols(); ++c)
            bindings << grid.text(0, c);
        for (int rec = 0; rec < rs->size(); ++rec) {
            const qint32 r = grid.addRow();
            for (qint32 c = 0; c < grid.cols(); ++c)
                fillCell(grid, r, c, bindings.at(c), *rs, rec);
        }
    }

    AutoFitGridColumns(GridFont(), grid, 2, true);
    grid.setVisible(true);
}

namespace {

// Each column's texts from a row on, estimated from cached per-character
// advances (shaping every text is slow for a big grid of tens of thousands
// of rows); a text holding characters outside the basic plane is kept to be
// measured exactly. One pass over the rows for all columns: a row's cells
// lie together, so a pass per column would fetch every row again.
struct ColumnEstimate
{
    double best = 0;
    std::vector<std::pair<double, qint32>> estimates;
    std::vector<qint32> exact;
};

std::vector<ColumnEstimate> EstimateTexts(const QFontMetricsF &fm, const GridModel &grid,
                                          qint32 firstCol, qint32 firstRow)
{
    std::vector<ColumnEstimate> cols(size_t(std::max(grid.cols(), 0)));
    std::vector<float> advances(0x10000, -1.0f);
    for (qint32 r = firstRow; r < grid.rows(); ++r) {
        const std::vector<GridModel::Cell> &cells = grid.rowCells(r);
        for (qint32 c = std::max(firstCol, 0); c < grid.cols(); ++c) {
            const QString &t = cells[size_t(c)].text;
            if (t.isEmpty())
                continue;
            ColumnEstimate &e = cols[size_t(c)];
            double w = 0;
            bool plain = true;
            for (const QChar ch : t) {
                if (ch.isSurrogate()) {
                    plain = false;
                    break;
                }
                float &a = advances[ch.unicode()];
                if (a < 0)
                    a = float(fm.horizontalAdvance(ch));
                w += a;
            }
            if (!plain)
                e.exact.push_back(r);
            else {
                e.estimates.emplace_back(w, r);
                e.best = std::max(e.best, w);
            }
        }
    }
    return cols;
}

// The widest text of column c in pixels: only the texts with the largest
// estimates and those kept for an exact measure are shaped.
double WidestText(const QFontMetricsF &fm, const GridModel &grid, qint32 c, ColumnEstimate &e)
{
    auto &estimates = e.estimates;
    // The largest estimates (at most 32, none far below the widest).
    constexpr size_t kCandidates = 32;
    if (estimates.size() > kCandidates) {
        std::nth_element(estimates.begin(), estimates.begin() + kCandidates, estimates.end(),
                         [](const auto &a, const auto &b) { return a.first > b.first; });
        estimates.resize(kCandidates);
    }
    double px = 0;
    for (const auto &[w, r] : estimates)
        if (w >= e.best * 0.97 - 2)
            px = std::max(px, fm.horizontalAdvance(grid.rowCells(r)[size_t(c)].text));
    for (const qint32 r : e.exact)
        px = std::max(px, fm.horizontalAdvance(grid.rowCells(r)[size_t(c)].text));
    return px;
}

} // namespace

qint32 FittedColumnWidth(double textPx)
{
    const double room = std::max(100.0, std::ceil(screen::ToTwips(GridModel::kTextRoomPx)));
    return num::ToLong(std::ceil(screen::ToTwips(std::ceil(textPx))) + room);
}

void AutoFitGridColumns(const QFont &font, GridModel &grid, qint32 first, bool progress)
{
    const bool showProgress = progress && grid.rows() > 200;
    std::optional<LongWork> work;
    if (showProgress) {
        work.emplace();
        ShowIndicator(QStringLiteral("正在做交易数据表格进行格式设置……"), grid.cols());
    }
    if (grid.rows() <= grid.fixedRows())
        first = 0;
    first = std::max<qint32>(first, 0);
    const QFontMetricsF fm(font);
    const qint32 lastFixed = grid.fixedCols() - 1;
    std::vector<ColumnEstimate> estimates = EstimateTexts(fm, grid, lastFixed, first);
    for (qint32 c = 0; c < grid.cols(); ++c) {
        if (c < lastFixed) {
            grid.setColWidth(c, 0);
        } else {
            double px = WidestText(fm, grid, c, estimates[size_t(c)]);
            if (grid.fixedRows() > 0 && px != 0)
                px = std::max(px, fm.horizontalAdvance(grid.text(grid.fixedRows() - 1, c)));
            double w = px != 0 ? FittedColumnWidth(px) : 50;
            // Without a known width (never shown) no column is capped.
            if (grid.width() > 0 && w > grid.width() / 2.0)
                w = grid.width() / 2.0;
            grid.setColWidth(c, num::ToLong(w));
        }
        if (showProgress)
            StepIndicator(1, QStringLiteral("pages"));
    }
    if (showProgress)
        CloseIndicator();
}

void ClearGridRecords(GridModel &grid, bool ask)
{
    if (ask && !dialogs().AskYesNo(QStringLiteral("您确定要清除所有记录？")))
        return;
    grid.setRows(grid.fixedRows());
    if (const auto hook = g_recordScrollHook.Current())
        hook(grid);
}

void DeleteGridRows(GridModel &grid, qint32 &first, qint32 &last, bool ask)
{
    if (grid.rows() <= grid.fixedRows()) {
        grid.setVisible(true);
        return;
    }
    grid.setVisible(false);
    SwapIfGreater(last, first);
    const qint32 fixed = grid.fixedRows();
    if (first < fixed)
        first = fixed;
    if (last >= grid.rows())
        last = grid.rows() - 1;
    if (first > last) {
        grid.setVisible(true);
        return;
    }
    if (ask
        && !dialogs().AskYesNo(QStringLiteral("您确定要删除第") + num::Str(first - fixed + 1)
                               + QStringLiteral("至第") + num::Str(last - fixed + 1)
                               + QStringLiteral("行？"))) {
        grid.setVisible(true);
        return;
    }
    // Whole rows go, with their colours; the rows after them keep numbers in sequence.
    grid.removeRows(first, last);
    const qint32 numberCol = grid.fixedCols() - 1;
    if (numberCol >= 0) {
        for (qint32 r = first; r < grid.rows(); ++r)
            grid.setText(r, numberCol, num::Str(r - fixed + 1));
    }
    grid.setVisible(true);
}

void SortGridByColumn(const QFont &font, GridModel &grid, double x, double y)
{
    double h = 0;
    for (qint32 r = 0; r < grid.fixedRows(); ++r)
        h += grid.rowHeight(r);
    if (y >= h)
        return;
    double w = 0;
    for (qint32 c = 0; c < grid.fixedCols(); ++c)
        w += grid.colWidth(c);
    if (x <= w) {
        AutoFitGridColumns(font, grid, 2, true);
        return;
    }
    for (qint32 c = grid.leftCol(); c < grid.cols(); ++c) {
        w += grid.colWidth(c);
        if (x < w) {
            SetSortMark(grid, c);
            return;
        }
    }
}

void SetSortMark(GridModel &grid, qint32 c)
{
    if (c < 0 || c >= grid.cols() || grid.fixedRows() < 1)
        return;
    const qint32 captionRow = grid.fixedRows() - 1;
    for (qint32 i = grid.fixedCols(); i < grid.cols(); ++i) {
        if (i != c)
            grid.setText(captionRow, i, withoutMarks(grid.text(captionRow, i)));
    }
    grid.setCol(c);
    QString caption = grid.text(captionRow, c);
    bool ascending = true;
    if (caption.endsWith(kMarkUp)) {
        caption.chop(1);
        caption += kMarkDown;
        ascending = false;
    } else if (caption.endsWith(kMarkDown)) {
        caption.chop(1);
        caption += kMarkUp;
    } else {
        caption += kMarkUp;
    }
    grid.setText(captionRow, c, caption);
    grid.sortByColumn(c, ascending);
    const qint32 numberCol = grid.fixedCols() - 1;
    if (numberCol >= 0) {
        for (qint32 r = grid.fixedRows(); r < grid.rows(); ++r)
            grid.setText(r, numberCol, num::Str(r - grid.fixedRows() + 1));
    }
}

qint32 GridRowFromY(const GridModel &grid, double y)
{
    double h = grid.rowHeight(1);
    qint32 r = grid.topRow();
    while (r <= grid.rows() - 1) {
        if (y < h)
            break;
        h += grid.rowHeight(r);
        ++r;
    }
    return r - 1;
}

GridCellPos GridCellText(const GridModel &grid, qint32 firstRow, qint32 firstCol, qint32 lastRow,
                         qint32 lastCol, const QString &value)
{
    for (qint32 r = firstRow; r <= lastRow; ++r) {
        for (qint32 c = firstCol; c <= lastCol; ++c) {
            if (grid.cell(r, c) && grid.text(r, c) == value)
                return {r, c};
        }
    }
    return {};
}

void SetCellForeColor(GridModel &grid, qint32 row, qint32 color)
{
    for (qint32 c = 0; c < grid.cols(); ++c)
        grid.setForeColor(row, c, color);
}

void SetRowBackColor(GridModel &grid, qint32 row, qint32 color)
{
    if (row < grid.fixedRows() || row >= grid.rows())
        return;
    for (qint32 c = grid.fixedCols(); c < grid.cols(); ++c)
        grid.setBackColor(row, c, color);
}

void SelectGridRow(GridModel &grid, qint32 color)
{
    grid.setVisible(false);
    for (qint32 r = grid.fixedRows(); r < grid.rows(); ++r) {
        for (qint32 c = 0; c < grid.cols(); ++c)
            grid.setForeColor(r, c, color);
    }
    grid.setVisible(true);
}

qint32 GetCellProperty(const GridModel &grid, qint32 row, qint32 col, bool foreColor)
{
    const qint32 v = foreColor ? grid.foreColor(row, col) : grid.backColor(row, col);
    return v == kGridBlack ? 0 : v;
}

void SetCellColor(GridModel &grid, qint32 row, qint32 col, qint32 &color, bool foreColor)
{
    if (color == 0)
        color = kGridBlack;
    if (foreColor)
        grid.setForeColor(row, col, color);
    else
        grid.setBackColor(row, col, color);
}
