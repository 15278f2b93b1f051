#include "platform/ui/gridview.h"

#include "platform/mousecodes.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QScrollBar>

namespace {

// The grid's alignment values: 0-2 left, 3-5 centre, 6-8 right, each top,
// centre, bottom; 9 (general) and unset read as left, centred vertically.
Qt::Alignment alignmentOf(qint32 value)
{
    if (value < 0 || value > 8)
        return Qt::AlignLeft | Qt::AlignVCenter;
    static const Qt::Alignment horizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    static const Qt::Alignment vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    return horizontal[value / 3] | vertical[value % 3];
}

QVariant colorRole(qint32 bgr)
{
    return bgr != 0 ? QVariant(num::ColorFromBgr(bgr)) : QVariant();
}

} // namespace

// ---------------------------------------------------------------------------

GridTableModel::GridTableModel(GridModel *grid, QObject *parent)
    : QAbstractTableModel(parent)
    , m_grid(grid)
{
    if (grid) {
        connect(grid, &GridModel::reset, this, &GridTableModel::Reload);
        connect(grid, &GridModel::cellChanged, this, &GridTableModel::onCellChanged);
        connect(grid, &QObject::destroyed, this, &GridTableModel::Reload);
    }
    Reload();
}

void GridTableModel::Reload()
{
    beginResetModel();
    if (m_grid) {
        m_rows = m_grid->rows();
        m_cols = m_grid->cols();
        m_fixedRows = m_grid->fixedRows();
        m_fixedCols = m_grid->fixedCols();
    } else {
        m_rows = m_cols = m_fixedRows = m_fixedCols = 0;
    }
    endResetModel();
}

int GridTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(m_rows - m_fixedRows, 0);
}

int GridTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(m_cols - m_fixedCols, 0);
}

QVariant GridTableModel::data(const QModelIndex &index, int role) const
{
    if (!m_grid || !index.isValid())
        return {};
    const GridModel::Cell *cell
        = m_grid->cell(index.row() + m_fixedRows, index.column() + m_fixedCols);
    if (!cell)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cell->text;
    case Qt::ForegroundRole:
        return colorRole(cell->foreColor);
    case Qt::BackgroundRole:
        return colorRole(cell->backColor);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(alignmentOf(m_grid->colAlignment(index.column() + m_fixedCols)));
    default:
        return {};
    }
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!m_grid)
        return {};
    if (orientation == Qt::Horizontal) {
        const qint32 col = section + m_fixedCols;
        if (role == Qt::DisplayRole) {
            // Every fixed row that has a height shows, one line each.
            QStringList lines;
            for (qint32 r = 0; r < m_fixedRows; ++r) {
                if (m_grid->rowHeight(r) > 0)
                    lines << m_grid->text(r, col);
            }
            return lines.join(u'\n');
        }
        if (role == Qt::ForegroundRole && m_fixedRows > 0)
            return colorRole(m_grid->foreColor(m_fixedRows - 1, col));
        if (role == Qt::BackgroundRole && m_fixedRows > 0)
            return colorRole(m_grid->backColor(m_fixedRows - 1, col));
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        return {};
    }
    if (m_fixedCols < 1)
        return {};
    const qint32 row = section + m_fixedRows;
    const qint32 col = m_fixedCols - 1;
    switch (role) {
    case Qt::DisplayRole:
        return m_grid->text(row, col);
    case Qt::ForegroundRole:
        return colorRole(m_grid->foreColor(row, col));
    case Qt::BackgroundRole:
        return colorRole(m_grid->backColor(row, col));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(alignmentOf(m_grid->colAlignment(col)));
    default:
        return {};
    }
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void GridTableModel::onCellChanged(qint32 row, qint32 col)
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        return;
    if (row < m_fixedRows) {
        if (col >= m_fixedCols)
            Q_EMIT headerDataChanged(Qt::Horizontal, col - m_fixedCols, col - m_fixedCols);
        return;
    }
    if (col == m_fixedCols - 1)
        Q_EMIT headerDataChanged(Qt::Vertical, row - m_fixedRows, row - m_fixedRows);
    if (col >= m_fixedCols) {
        const QModelIndex i = index(row - m_fixedRows, col - m_fixedCols);
        Q_EMIT dataChanged(i, i);
    }
}

// ---------------------------------------------------------------------------

GridView::GridView(QWidget *parent)
    : QTableView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    for (QHeaderView *h : {horizontalHeader(), verticalHeader()}) {
        h->setMinimumSectionSize(0);
        h->setSectionsClickable(false);
        h->setHighlightSections(false);
        h->setSectionResizeMode(QHeaderView::Interactive);
        h->viewport()->installEventFilter(this);
    }
    verticalHeader()->setDefaultSectionSize(screen::ToPx(GridModel::kDefaultRowHeight));
    viewport()->installEventFilter(this);
    if (auto *corner = findChild<QAbstractButton *>()) {
        corner->installEventFilter(this);
        m_corner = corner;
    }
    setGrid(nullptr);
}

GridModel *GridView::grid() const
{
    return m_grid;
}

void GridView::setGrid(GridModel *grid)
{
    if (m_grid)
        disconnect(m_grid, nullptr, this, nullptr);
    auto *old = m_model;
    QItemSelectionModel *oldSelection = selectionModel();
    m_grid = grid;
    m_model = new GridTableModel(grid, this);
    setModel(m_model);
    delete oldSelection;
    delete old;
    if (grid) {
        connect(grid, &GridModel::reset, this, [this] {
            applyGeometry();
            followModelCurrent(m_grid->row(), m_grid->col());
        });
        connect(grid, &GridModel::geometryChanged, this, &GridView::applyGeometry);
        connect(grid, &GridModel::currentChanged, this, &GridView::followModelCurrent);
        connect(grid, &GridModel::selectionChanged, this, &GridView::followModelSelection);
        connect(grid, &GridModel::cellChanged, this, [this](qint32 row, qint32 col) {
            if (m_corner && row < m_grid->fixedRows() && col < m_grid->fixedCols())
                m_corner->update();
        });
        connect(grid, &GridModel::topRowChanged, this, &GridView::followModelTopRow);
        grid->setWidth(num::ToLong(screen::ToTwips(width())));
    }
    applyGeometry();
    if (grid)
        followModelCurrent(grid->row(), grid->col());
}

void GridView::applyGeometry()
{
    if (!m_grid)
        return;
    const GridModel &g = *m_grid;
    QHeaderView *hh = horizontalHeader();
    QHeaderView *vh = verticalHeader();

    qint32 fixedHeight = 0;
    for (qint32 r = 0; r < g.fixedRows(); ++r)
        fixedHeight += g.rowHeight(r);
    hh->setFixedHeight(screen::ToPx(fixedHeight));
    qint32 fixedWidth = 0;
    for (qint32 c = 0; c < g.fixedCols(); ++c)
        fixedWidth += g.colWidth(c);
    vh->setFixedWidth(screen::ToPx(fixedWidth));

    for (qint32 c = g.fixedCols(); c < g.cols(); ++c)
        hh->resizeSection(c - g.fixedCols(), screen::ToPx(g.colWidth(c)));
    // Rows of the default height need no call of their own (large grids).
    const int defaultHeight = vh->defaultSectionSize();
    for (qint32 r = g.fixedRows(); r < g.rows(); ++r) {
        const int px = screen::ToPx(g.rowHeight(r));
        if (px != defaultHeight || vh->sectionSize(r - g.fixedRows()) != px)
            vh->resizeSection(r - g.fixedRows(), px);
    }
    updateGeometries();
}

bool GridView::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type t = event->type();
    if (t == QEvent::Paint && watched == m_corner) {
        paintCorner(m_corner);
        return true;
    }
    if ((t == QEvent::MouseButtonPress || t == QEvent::MouseButtonRelease
         || t == QEvent::MouseButtonDblClick)
        && watched->isWidgetType()) {
        auto *me = static_cast<QMouseEvent *>(event);
        auto *w = static_cast<QWidget *>(watched);
        const QPoint p
            = w->mapTo(this, me->position().toPoint()) - QPoint(frameWidth(), frameWidth());
        const double x = num::ToLong(screen::ToTwips(p.x()));
        const double y = num::ToLong(screen::ToTwips(p.y()));
        if (t == QEvent::MouseButtonRelease)
            Q_EMIT mouseUp(mouse::ButtonCode(me->button()), mouse::ShiftCode(me->modifiers()), x,
                           y);
        else if (t == QEvent::MouseButtonPress)
            Q_EMIT mouseDown(mouse::ButtonCode(me->button()), mouse::ShiftCode(me->modifiers()), x,
                             y);
        // The corner cell does nothing of its own (no select-all).
        if (qobject_cast<QAbstractButton *>(w))
            return true;
    }
    return QTableView::eventFilter(watched, event);
}

void GridView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    if (m_grid)
        m_grid->setWidth(num::ToLong(screen::ToTwips(width())));
}

void GridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !m_grid || !current.isValid())
        return;
    const qint32 r = current.row() + m_grid->fixedRows();
    const qint32 c = current.column() + m_grid->fixedCols();
    m_syncing = true;
    m_grid->setCurrent(r, c);
    m_syncing = false;
    Q_EMIT rowColChange(r, c);
}

void GridView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTableView::selectionChanged(selected, deselected);
    if (m_syncing || !m_grid || !selectionModel())
        return;
    const QModelIndex cur = currentIndex();
    if (!cur.isValid())
        return;
    // RowSel/ColSel: the corner of the selected range opposite the current cell.
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        if (!range.contains(cur))
            continue;
        const int rs = range.top() == cur.row() ? range.bottom() : range.top();
        const int cs = range.left() == cur.column() ? range.right() : range.left();
        m_syncing = true;
        m_grid->setRowSel(rs + m_grid->fixedRows());
        m_grid->setColSel(cs + m_grid->fixedCols());
        m_syncing = false;
        return;
    }
}

void GridView::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    syncScrollPosition();
}

void GridView::syncScrollPosition()
{
    if (!m_grid || m_syncing)
        return;
    const int r = rowAt(0);
    const int c = columnAt(0);
    m_syncing = true;
    if (r >= 0)
        m_grid->setTopRow(r + m_grid->fixedRows());
    if (c >= 0)
        m_grid->setLeftCol(c + m_grid->fixedCols());
    m_syncing = false;
}

void GridView::followModelCurrent(qint32 row, qint32 col)
{
    if (m_syncing || !m_grid)
        return;
    const QModelIndex i = m_model->index(row - m_grid->fixedRows(), col - m_grid->fixedCols());
    m_syncing = true;
    if (i.isValid())
        setCurrentIndex(i);
    m_syncing = false;
}

void GridView::followModelSelection()
{
    if (m_syncing || !m_grid || !selectionModel())
        return;
    const GridModel &g = *m_grid;
    const QModelIndex a = m_model->index(g.row() - g.fixedRows(), g.col() - g.fixedCols());
    const QModelIndex b = m_model->index(g.rowSel() - g.fixedRows(), g.colSel() - g.fixedCols());
    if (!a.isValid() || !b.isValid())
        return;
    m_syncing = true;
    selectionModel()->select(QItemSelection(a, b), QItemSelectionModel::ClearAndSelect);
    m_syncing = false;
}

void GridView::paintCorner(QWidget *corner)
{
    QStyleOptionHeader opt;
    opt.initFrom(corner);
    opt.state |= QStyle::State_Raised;
    opt.position = QStyleOptionHeader::OnlyOneSection;
    opt.rect = corner->rect();
    if (m_grid && m_grid->fixedRows() > 0 && m_grid->fixedCols() > 0)
        opt.text = m_grid->text(m_grid->fixedRows() - 1, m_grid->fixedCols() - 1);
    opt.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    QPainter p(corner);
    corner->style()->drawControl(QStyle::CE_Header, &opt, &p, corner);
}

void GridView::followModelTopRow(qint32 row)
{
    if (m_syncing || !m_grid)
        return;
    const QModelIndex i = m_model->index(row - m_grid->fixedRows(), 0);
    if (!i.isValid())
        return;
    m_syncing = true;
    scrollTo(i, QAbstractItemView::PositionAtTop);
    m_syncing = false;
}
