#include "platform/gridmodel.h"

#include "platform/numtext.h"

#include <algorithm>

#include <cmath>

GridModel::GridModel(QObject *parent)
    : QObject(parent)
{ }

void GridModel::changed()
{
    if (m_visible)
        Q_EMIT reset();
    else
        m_dirty = true;
}

void GridModel::cellTouched(qint32 row, qint32 col)
{
    if (m_visible)
        Q_EMIT cellChanged(row, col);
    else
        m_dirty = true;
}

void GridModel::setRows(qint32 n)
{
    n = std::max<qint32>(n, 0);
    if (n == rows())
        return;
    m_cells.resize(size_t(n), std::vector<Cell>(size_t(m_cols)));
    m_rowHeights.resize(size_t(n), kDefaultRowHeight);
    if (m_fixedRows > n)
        m_fixedRows = n;
    clampCurrent();
    changed();
}

void GridModel::setCols(qint32 n)
{
    n = std::max<qint32>(n, 0);
    if (n == m_cols)
        return;
    m_cols = n;
    for (auto &r : m_cells)
        r.resize(size_t(n));
    m_colWidths.resize(size_t(n), kDefaultColWidth);
    m_colAlign.resize(size_t(n), -1);
    if (m_fixedCols > n)
        m_fixedCols = n;
    clampCurrent();
    changed();
}

void GridModel::setFixedRows(qint32 n)
{
    m_fixedRows = std::clamp<qint32>(n, 0, rows());
    clampCurrent();
    changed();
}

void GridModel::setFixedCols(qint32 n)
{
    m_fixedCols = std::clamp<qint32>(n, 0, m_cols);
    changed();
}

const GridModel::Cell *GridModel::cell(qint32 row, qint32 col) const
{
    if (row < 0 || row >= rows() || col < 0 || col >= m_cols)
        return nullptr;
    return &m_cells[size_t(row)][size_t(col)];
}

GridModel::Cell *GridModel::mutableCell(qint32 row, qint32 col)
{
    return const_cast<Cell *>(cell(row, col));
}

QString GridModel::text(qint32 row, qint32 col) const
{
    const Cell *c = cell(row, col);
    return c ? c->text : QString();
}

void GridModel::setText(qint32 row, qint32 col, const QString &text)
{
    if (Cell *c = mutableCell(row, col)) {
        if (c->text == text)
            return;
        c->text = text;
        cellTouched(row, col);
    }
}

qint32 GridModel::foreColor(qint32 row, qint32 col) const
{
    const Cell *c = cell(row, col);
    return c ? c->foreColor : 0;
}

qint32 GridModel::backColor(qint32 row, qint32 col) const
{
    const Cell *c = cell(row, col);
    return c ? c->backColor : 0;
}

void GridModel::setForeColor(qint32 row, qint32 col, qint32 color)
{
    if (Cell *c = mutableCell(row, col)) {
        c->foreColor = color;
        cellTouched(row, col);
    }
}

void GridModel::setBackColor(qint32 row, qint32 col, qint32 color)
{
    if (Cell *c = mutableCell(row, col)) {
        c->backColor = color;
        cellTouched(row, col);
    }
}

qint32 GridModel::addRow(const QStringList &texts)
{
    insertRow(rows(), texts);
    return rows() - 1;
}

void GridModel::insertRow(qint32 before, const QStringList &texts)
{
    before = std::clamp<qint32>(before, 0, rows());
    std::vector<Cell> r(static_cast<size_t>(m_cols));
    for (qint32 c = 0; c < m_cols && c < texts.size(); ++c)
        r[size_t(c)].text = texts.at(c);
    m_cells.insert(m_cells.begin() + before, std::move(r));
    m_rowHeights.insert(m_rowHeights.begin() + before, kDefaultRowHeight);
    changed();
}

void GridModel::appendRows(std::vector<std::vector<Cell>> rows)
{
    if (rows.empty())
        return;
    m_cells.reserve(m_cells.size() + rows.size());
    for (std::vector<Cell> &r : rows) {
        r.resize(size_t(m_cols));
        m_cells.push_back(std::move(r));
    }
    m_rowHeights.resize(m_cells.size(), kDefaultRowHeight);
    changed();
}

void GridModel::removeRows(qint32 first, qint32 last)
{
    first = std::max<qint32>(first, 0);
    last = std::min<qint32>(last, rows() - 1);
    if (first > last)
        return;
    m_cells.erase(m_cells.begin() + first, m_cells.begin() + last + 1);
    m_rowHeights.erase(m_rowHeights.begin() + first, m_rowHeights.begin() + last + 1);
    if (m_fixedRows > rows())
        m_fixedRows = rows();
    clampCurrent();
    changed();
}

void GridModel::sortByColumn(qint32 col, bool ascending)
{
    if (col < 0 || col >= m_cols || dataRows() < 2)
        return;
    struct Key
    {
        bool numeric;
        double number;
        QString text;
    };
    auto keyOf = [&](const std::vector<Cell> &r) {
        const QString t = r[size_t(col)].text;
        bool ok = false;
        const double v = num::Trim(t).toDouble(&ok);
        // "nan" and "inf" read as texts: a NaN key would break the ordering.
        ok = ok && std::isfinite(v);
        return Key {ok, ok ? v : 0.0, t};
    };
    auto less = [](const Key &a, const Key &b) {
        if (a.numeric != b.numeric)
            return a.numeric; // numbers before texts
        if (a.numeric)
            return a.number < b.number;
        return QString::localeAwareCompare(a.text, b.text) < 0;
    };
    std::vector<std::pair<Key, size_t>> keys;
    keys.reserve(size_t(dataRows()));
    for (qint32 r = m_fixedRows; r < rows(); ++r)
        keys.emplace_back(keyOf(m_cells[size_t(r)]), size_t(r));
    std::stable_sort(keys.begin(), keys.end(), [&](const auto &a, const auto &b) {
        return ascending ? less(a.first, b.first) : less(b.first, a.first);
    });
    std::vector<std::vector<Cell>> sorted;
    std::vector<qint32> heights;
    sorted.reserve(keys.size());
    for (const auto &k : keys) {
        sorted.push_back(std::move(m_cells[k.second]));
        heights.push_back(m_rowHeights[k.second]);
    }
    for (size_t i = 0; i < sorted.size(); ++i) {
        m_cells[size_t(m_fixedRows) + i] = std::move(sorted[i]);
        m_rowHeights[size_t(m_fixedRows) + i] = heights[i];
    }
    changed();
}

qint32 GridModel::colWidth(qint32 col) const
{
    return col >= 0 && col < m_cols ? m_colWidths[size_t(col)] : 0;
}

void GridModel::setColWidth(qint32 col, qint32 twips)
{
    if (col >= 0 && col < m_cols) {
        m_colWidths[size_t(col)] = std::max<qint32>(twips, 0);
        if (m_visible)
            Q_EMIT geometryChanged();
        else
            m_dirty = true;
    }
}

qint32 GridModel::rowHeight(qint32 row) const
{
    return row >= 0 && row < rows() ? m_rowHeights[size_t(row)] : 0;
}

void GridModel::setRowHeight(qint32 row, qint32 twips)
{
    if (row >= 0 && row < rows()) {
        m_rowHeights[size_t(row)] = std::max<qint32>(twips, 0);
        if (m_visible)
            Q_EMIT geometryChanged();
        else
            m_dirty = true;
    }
}

qint32 GridModel::colAlignment(qint32 col) const
{
    return col >= 0 && col < m_cols ? m_colAlign[size_t(col)] : -1;
}

void GridModel::setColAlignment(qint32 col, qint32 alignment)
{
    if (col >= 0 && col < m_cols)
        m_colAlign[size_t(col)] = alignment;
}

void GridModel::clampCurrent()
{
    const qint32 maxR = std::max<qint32>(rows() - 1, 0);
    const qint32 maxC = std::max<qint32>(m_cols - 1, 0);
    m_row = std::clamp<qint32>(m_row, 0, maxR);
    m_col = std::clamp<qint32>(m_col, 0, maxC);
    m_rowSel = std::clamp<qint32>(m_rowSel, 0, maxR);
    m_colSel = std::clamp<qint32>(m_colSel, 0, maxC);
    // The top row is always a scrolling row (one past the end when there is none).
    m_topRow = std::max(m_fixedRows, std::min(m_topRow, maxR));
}

void GridModel::setRow(qint32 r)
{
    if (r < 0 || r >= rows())
        return;
    m_row = r;
    m_rowSel = r;
    Q_EMIT currentChanged(m_row, m_col);
}

void GridModel::setCol(qint32 c)
{
    if (c < 0 || c >= m_cols)
        return;
    m_col = c;
    m_colSel = c;
    Q_EMIT currentChanged(m_row, m_col);
}

void GridModel::setRowSel(qint32 r)
{
    if (r >= 0 && r < rows() && r != m_rowSel) {
        m_rowSel = r;
        Q_EMIT selectionChanged();
    }
}

void GridModel::setColSel(qint32 c)
{
    if (c >= 0 && c < m_cols && c != m_colSel) {
        m_colSel = c;
        Q_EMIT selectionChanged();
    }
}

void GridModel::setCurrent(qint32 r, qint32 c)
{
    if (r < 0 || r >= rows() || c < 0 || c >= m_cols)
        return;
    m_row = m_rowSel = r;
    m_col = m_colSel = c;
    Q_EMIT currentChanged(m_row, m_col);
}

void GridModel::setTopRow(qint32 r)
{
    if (r < m_fixedRows || r >= rows() || r == m_topRow)
        return;
    m_topRow = r;
    Q_EMIT topRowChanged(r);
}

void GridModel::setVisible(bool visible)
{
    if (m_visible == visible)
        return;
    m_visible = visible;
    if (visible && m_dirty) {
        m_dirty = false;
        Q_EMIT reset();
    }
}

void GridModel::clear()
{
    m_cells.clear();
    m_rowHeights.clear();
    m_colWidths.clear();
    m_colAlign.clear();
    m_cols = m_fixedRows = m_fixedCols = 0;
    m_row = m_col = m_rowSel = m_colSel = m_topRow = m_leftCol = 0;
    changed();
}
