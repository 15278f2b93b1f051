#include "designer/ui/importcommands.h"

#include "core/gridhelpers.h"
#include "designer/mainstate.h"
#include "records/gridexport.h"
#include "records/importfile.h"

#include <QPointer>

namespace dsg {

ImportCommands::ImportCommands(QWidget *window, MainState &state)
    : m_window(window)
    , m_state(state)
{ }

imp::ImportHost ImportCommands::Host()
{
    imp::ImportHost host;
    host.mainWindow = m_window;
    host.page = &m_state;
    host.dataGrid = &m_state.DataGrid();
    host.choice = &m_choice;
    host.afterImport = [this] {
        m_state.SetupRecordScroll();
        m_state.DataGrid().setVisible(true);
    };
    return host;
}

bool ImportCommands::Com_Click(int index)
{
    switch (index) {
    case 10: {
        imp::ImportHost host = Host();
        // The sheet choice waits; the main window (and these commands with
        // it) may be gone when it returns.
        const QPointer<QWidget> alive(m_window);
        imp::SelectImportFile(1, host);
        if (alive)
            imp::ShowImportMapping(host);
        return true;
    }
    case 11: {
        GridModel &grid = m_state.DataGrid();
        qint32 first = grid.row(), last = grid.rowSel();
        DeleteGridRows(grid, first, last, true);
        m_state.SetupRecordScroll();
        return true;
    }
    case 12:
        ClearGridRecords(m_state.DataGrid(), true);
        m_state.SetupRecordScroll();
        return true;
    case 23:
        imp::ExportGrid(m_state.HistoryGrid(), QString::fromUtf8(kHistoryExportTitle));
        return true;
    default:
        return false;
    }
}

void ImportCommands::AutoImport(StartupRecord &record)
{
    imp::ImportHost host = Host();
    imp::AutoImport(record, host);
}

void ImportCommands::ImportBackgroundPicture()
{
    const QString name = m_state.FormatName();
    if (imp::ImportBackgroundPicture(name)) {
        m_state.LoadBackgroundPicture(name);
        m_state.O2_Click(4);
    }
}

void ImportCommands::ClearBackgroundPicture()
{
    const QString name = m_state.FormatName();
    if (imp::ClearBackgroundPicture(name)) {
        m_state.LoadBackgroundPicture(name);
        m_state.O2_Click(4);
    }
}

} // namespace dsg
