#pragma once
// Shows a GridModel: the scrolling cells as a table, the visible fixed rows
// as the column header (rows of height 0 stay hidden) and the row number
// column (the last fixed column) as the row header, so the fixed parts stay
// put while the cells scroll, as in the grid the program expects. Widths and
// heights come from the model's twips. The current cell, the selection, the
// top row and the first shown column are kept in step with the model both
// ways; the corner over the row numbers shows that column's caption.
// Mouse presses are reported in twips from the grid's top left, header
// included, so that the grid helpers can be called with them.

#include "platform/gridmodel.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>

// The table model over the scrolling part of a GridModel: view row i is grid
// row fixedRows + i, view column j is grid column fixedCols + j.
class GridTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit GridTableModel(GridModel *grid, QObject *parent = nullptr);

    GridModel *grid() const { return m_grid; }
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Refreshes after a change of the grid's shape (GridModel::reset).
    void Reload();

private:
    void onCellChanged(qint32 row, qint32 col);

    QPointer<GridModel> m_grid;
    qint32 m_rows = 0; // shape last reported to the views
    qint32 m_cols = 0;
    qint32 m_fixedRows = 0;
    qint32 m_fixedCols = 0;
};

class GridView : public QTableView
{
    Q_OBJECT
public:
    explicit GridView(QWidget *parent = nullptr);

    void setGrid(GridModel *grid);
    GridModel *grid() const;

Q_SIGNALS:
    // button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt; the
    // position in twips from the grid's top left (the header included).
    void mouseDown(int button, int shift, double xTwips, double yTwips);
    void mouseUp(int button, int shift, double xTwips, double yTwips);
    // The current cell changed by the user (grid row and column).
    void rowColChange(qint32 row, qint32 col);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void applyGeometry();
    void followModelCurrent(qint32 row, qint32 col);
    void followModelTopRow(qint32 row);
    // Selects Row..RowSel by Col..ColSel of the model (its scrolling part).
    void followModelSelection();
    // The corner over the row numbers: a header cell with the caption of
    // the last fixed column.
    void paintCorner(QWidget *corner);
    void syncScrollPosition();

    GridTableModel *m_model = nullptr;
    QPointer<GridModel> m_grid;
    bool m_syncing = false;
    QPointer<QWidget> m_corner;
};
