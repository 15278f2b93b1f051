// The main window's record tabs: the record scroll bar HS and the record
// labels R_Num over DataGrid, and the history tab (its grid reloaded when
// the tab is shown, its buttons and the keyword search).

#include "core/gridhelpers.h"
#include "designer/ui/mainwindow.h"
#include "platform/dialogs.h"
#include "records/history.h"
#include "records/recordstep.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

namespace dsg {

void MainWindow::ConnectRecordControls()
{
    // The record scroll bar never keeps the focus.
    m_hs->setFocusPolicy(Qt::NoFocus);
    connect(m_hs, &QScrollBar::valueChanged, this, [this](int v) {
        if (!m_syncing)
            m_state.HS_Change(v);
    });
    connect(m_sst, &QTabWidget::currentChanged, this, [this] { SST_Click(-1); });
    // Clearing DataGrid's records rebinds the scroll bar.
    m_recordScrollHook = InstallRecordScrollHook([this](GridModel &grid) {
        if (&grid == &m_state.DataGrid())
            m_state.SetupRecordScroll();
    });
}

void MainWindow::SST_Click(int)
{
    // The load lets the event loop run; meanwhile this window takes no input
    // (long work), so the history commands act on the whole grid only.
    if (m_sst->currentIndex() == 2)
        rec::LoadHistoryGrid(m_state.HistoryGrid(), m_state.CurrentFormatName());
}

void MainWindow::RecordScrollChanged()
{
    const rec::RecordScroll &s = m_state.RecordScroll();
    m_syncing = true;
    m_hs->setRange(1, s.max);
    m_hs->setValue(s.value);
    m_hs->setEnabled(s.enabled());
    m_syncing = false;
    m_rnum[0]->setText(m_state.RecordCountText());
    m_rnum[1]->setText(m_state.RecordShownText());
    if (QPushButton *b = Com(1))
        b->setEnabled(s.enabled());
}

void MainWindow::HistoryCommand(int index)
{
    GridModel &grid = m_state.HistoryGrid();
    switch (index) {
    case 20:
        if (m_sst->currentIndex() != 0)
            m_sst->setCurrentIndex(0);
        else
            SST_Click(2);
        rec::ApplyHistoryRow(m_state, grid);
        break;
    case 21:
    case 22: {
        if (index == 22 && !rec::SelectAllHistoryRows(grid))
            break;
        const auto range = rec::SelectedHistoryRows(grid);
        if (!range || !dialogs().AskYesNo(rec::DeleteHistoryQuestion(grid, *range)))
            break;
        if (!rec::DeleteHistoryRows(grid, m_state.CurrentFormatName(), *range))
            dialogs().Message(QStringLiteral("删除历史记录失败，记录未作改动！"));
        break;
    }
    case 24: {
        QString text = m_kword->text();
        const rec::FindResult found = rec::FindInGrid(grid, text);
        m_kword->setText(text);
        if (found == rec::FindResult::NotFound)
            dialogs().Message(QStringLiteral("没有查到相关的记录！"));
        break;
    }
    default:
        break;
    }
}

} // namespace dsg
