#pragma once
// A widget-free grid with the semantics the program relies on: rows and
// columns counted from 0 with the fixed ones included, text and a fore and
// back colour per cell (0 = the default colour), widths and heights in
// twips, a Tag, the current cell and the selection, the top visible row.
// Views (GridView) observe it through its signals; no widget per cell.

#include <QObject>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <vector>

class GridModel : public QObject
{
    Q_OBJECT
public:
    struct Cell
    {
        QString text;
        qint32 foreColor = 0; // 0x00BBGGRR, 0 = default
        qint32 backColor = 0;
    };

    static constexpr qint32 kDefaultRowHeight = 255;
    // Room a view keeps beside a cell's or a header's text, in pixels: the
    // style's text margins on both sides and the grid line, with a little
    // to spare, so that a column fitted to its text never cuts it short.
    static constexpr int kTextRoomPx = 12;
    static constexpr qint32 kDefaultColWidth = 960;
    // Grids are measured in twips at 15 twips per screen pixel; every
    // conversion between the two goes through these.

    explicit GridModel(QObject *parent = nullptr);

    // Size. Growing adds empty rows/columns; shrinking drops them. The fixed
    // counts stay below the totals.
    qint32 rows() const { return qint32(m_cells.size()); }
    qint32 cols() const { return m_cols; }
    void setRows(qint32 n);
    void setCols(qint32 n);
    qint32 fixedRows() const { return m_fixedRows; }
    qint32 fixedCols() const { return m_fixedCols; }
    void setFixedRows(qint32 n);
    void setFixedCols(qint32 n);
    // Data rows: rows() - fixedRows().
    qint32 dataRows() const { return rows() - m_fixedRows; }

    // Cells; reads outside the grid give empty text and colour 0, writes are ignored.
    QString text(qint32 row, qint32 col) const;
    void setText(qint32 row, qint32 col, const QString &text);
    qint32 foreColor(qint32 row, qint32 col) const;
    qint32 backColor(qint32 row, qint32 col) const;
    void setForeColor(qint32 row, qint32 col, qint32 color);
    void setBackColor(qint32 row, qint32 col, qint32 color);
    const Cell *cell(qint32 row, qint32 col) const;

    // Row operations.
    // Appends a row whose cells take the tab-separated texts; returns its number.
    qint32 addRow(const QStringList &texts = {});
    void insertRow(qint32 before, const QStringList &texts = {});
    // Appends whole rows in one step (a big load builds its cells first):
    // each row is cut or padded to the column count.
    void appendRows(std::vector<std::vector<Cell>> rows);
    // Removes rows [first, last] with their texts and colours.
    void removeRows(qint32 first, qint32 last);
    const std::vector<Cell> &rowCells(qint32 row) const { return m_cells.at(size_t(row)); }

    // Sorts the data rows by a column: texts that read as numbers compare as
    // numbers (and before texts), the others as text. Stable.
    void sortByColumn(qint32 col, bool ascending);

    // Geometry in twips.
    qint32 colWidth(qint32 col) const;
    void setColWidth(qint32 col, qint32 twips);
    qint32 rowHeight(qint32 row) const;
    void setRowHeight(qint32 row, qint32 twips);
    // 0 left-top, 2 left-bottom, ... (the grid's alignment values); -1 = default.
    qint32 colAlignment(qint32 col) const;
    void setColAlignment(qint32 col, qint32 alignment);

    QString tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    // Current cell and selection (Row, Col, RowSel, ColSel).
    qint32 row() const { return m_row; }
    qint32 col() const { return m_col; }
    qint32 rowSel() const { return m_rowSel; }
    qint32 colSel() const { return m_colSel; }
    void setRow(qint32 r);
    void setCol(qint32 c);
    void setRowSel(qint32 r);
    void setColSel(qint32 c);
    void setCurrent(qint32 r, qint32 c);
    qint32 topRow() const { return m_topRow; }
    void setTopRow(qint32 r);
    // The first scrolling column shown at the left (kept by the view).
    qint32 leftCol() const { return std::max(m_leftCol, m_fixedCols); }
    void setLeftCol(qint32 c) { m_leftCol = c; }
    // The grid's width in twips as shown (kept by the view); 0 = not shown.
    qint32 width() const { return m_width; }
    void setWidth(qint32 twips) { m_width = std::max<qint32>(twips, 0); }

    // Hiding the grid during a large update: views repaint once at the end.
    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);

    // Removes everything: no rows, no columns, no fixed parts.
    void clear();

Q_SIGNALS:
    // The whole content or shape changed (rows added/removed, sort, resize).
    void reset();
    void cellChanged(qint32 row, qint32 col);
    void geometryChanged();
    void currentChanged(qint32 row, qint32 col);
    // RowSel or ColSel moved: the selection is Row..RowSel by Col..ColSel.
    void selectionChanged();
    void topRowChanged(qint32 row);

private:
    void changed();
    void cellTouched(qint32 row, qint32 col);
    Cell *mutableCell(qint32 row, qint32 col);
    void clampCurrent();

    std::vector<std::vector<Cell>> m_cells;
    qint32 m_cols = 0;
    qint32 m_fixedRows = 0;
    qint32 m_fixedCols = 0;
    std::vector<qint32> m_colWidths;
    std::vector<qint32> m_colAlign;
    std::vector<qint32> m_rowHeights;
    QString m_tag;
    qint32 m_row = 0;
    qint32 m_col = 0;
    qint32 m_rowSel = 0;
    qint32 m_colSel = 0;
    qint32 m_topRow = 0;
    qint32 m_leftCol = 0;
    qint32 m_width = 0;
    bool m_visible = true;
    bool m_dirty = false;
};
