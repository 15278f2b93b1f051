// The main window's way to the property dialogs: mCtlSet_Click, adding a
// control through its dialog, and the "设置内容框" item of the control menu,
// which opens the dialog of the first selected control (or of the control
// of FormatGrid's current row).

#include "designer/ui/mainwindow.h"
#include "platform/dialogs.h"
#include "properties/ui/propertydialog.h"

#include <QAction>
#include <QMenu>

namespace dsg {

void MainWindow::mCtlSet_Click(qint32 index)
{
    const DesignControl *c = m_state.GetCtlByIndex(index);
    if (!c || c->cls < 0 || c->cls > 4)
        return;
    m_propDialogs->Show(c->cls, c->Row());
}

void MainWindow::AddControlWithDialog(int cls)
{
    m_propDialogs->AddAndShow(cls);
}

void MainWindow::WirePropertyCommands(QMenu *ctlMenu)
{
    QAction *set = ctlMenu->addAction(QStringLiteral("设置内容框"));
    set->setObjectName(QStringLiteral("mCtlSet"));
    connect(set, &QAction::triggered, this, [this] {
        qint32 index = 0;
        m_state.Controls().ForEach([&](DesignControl &c) {
            if (index == 0 && IsControlSelected(c))
                index = c.index;
        });
        const GridModel &g = m_state.FormatGrid();
        if (index == 0 && g.row() >= g.fixedRows() && g.row() < g.rows())
            if (const DesignControl *c = m_state.Controls().FindCtlByRow(g, g.row()))
                index = c->index;
        if (index == 0) {
            dialogs().Message(QStringLiteral("请先选定要设置的内容框。"));
            return;
        }
        mCtlSet_Click(index);
    });
}

} // namespace dsg
