// The main window's commands: the tool buttons, the menu bar, the grids'
// and labels' handlers and the layout of the strip above the page.

#include "core/formatgrid.h"
#include "core/gridhelpers.h"
#include "core/helpers.h"
#include "core/settings.h"
#include "core/ui/passwordwindows.h"
#include "core/ui/windowhelpers.h"
#include "designer/commands.h"
#include "designer/controlops.h"
#include "designer/formatops.h"
#include "designer/pageeditor.h"
#include "designer/popupmenu.h"
#include "designer/ui/aboutbox.h"
#include "designer/ui/mainwindow.h"
#include "designer/ui/onlinecommands.h"
#include "designer/ui/pageinput.h"
#include "designer/ui/pagewidget.h"
#include "online/hosts.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"
#include "platform/ui/gridview.h"
#include "properties/ui/propertydialogs.h"

#include <vector>
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <algorithm>

namespace dsg {

using screen::ToPx;

namespace {

// The maker's support contacts (lines Para\QQHelp1 and Para\QQHelp2 of
// section [PQT_V] in settings.ini, a QQ number each), opened as
// instant-messenger chats. No contact is built in: without the setting the
// user is told so.
void OpenSupportChat(int n)
{
    const QString uin = num::Trim(GetRegSetting(QStringLiteral("PQT_V"), QStringLiteral("Para"),
                                                QStringLiteral("QQHelp%1").arg(n)));
    if (uin.isEmpty()) {
        dialogs().Message(QStringLiteral("尚未设置QQ帮助联系人。"));
        return;
    }
    ShellOpen(QStringLiteral("tencent://message/?uin=%1&Site=&Menu=yes").arg(uin));
}

// Runs f on a double click on the watched widget.
class DoubleClickHook : public QObject
{
public:
    DoubleClickHook(QWidget *w, std::function<void()> f)
        : QObject(w)
        , m_f(std::move(f))
    {
        w->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::MouseButtonDblClick)
            m_f();
        return false;
    }

private:
    std::function<void()> m_f;
};

} // namespace

void MainWindow::Com_Click(int index)
{
    if (m_input)
        m_input->Editor().HideHistoryCombo();
    // Import, deleting and clearing DataGrid's rows, the history's export.
    if (m_import->Com_Click(index))
        return;
    switch (index) {
    case 2:
        if (!m_formSize)
            m_formSize = new PageSizeDialog(m_state, this);
        m_formSize->show();
        m_formSize->raise();
        break;
    case 20:
    case 21:
    case 22:
    case 24:
        HistoryCommand(index);
        break;
    case 0: // PrintRecord(True)
    case 1: // BatchPrint
    case 36: // PrintCalibration
        PrintCommand(index);
        break;
    default:
        // 3: the trade download window.
        RunOnlineCommand(*this, index);
        break;
    }
}

void MainWindow::SaveEnded(SaveOutcome outcome)
{
    if (outcome == SaveOutcome::Cancelled)
        return;
    m_unsavedAfterFailure = outcome == SaveOutcome::Failed;
    if (m_unsavedAfterFailure)
        dialogs().Message(SaveFailedMessage(outcome.why));
}

void MainWindow::ShowAbout()
{
    if (!m_about)
        m_about = new Rightform(this);
    m_about->show();
    m_about->raise();
}

void MainWindow::WireCommands()
{
    const auto on = [this](const char *name, std::function<void()> f) {
        if (QAction *a = menuBar()->findChild<QAction *>(QString::fromLatin1(name)))
            connect(a, &QAction::triggered, this, std::move(f));
    };
    on("mNewFmt", [this] { SaveEnded(NewFormat(m_state)); });
    // The value prompt takes the focus; the page gets it back, so that the
    // arrow keys act on the selection again.
    const auto align = [this, &on](const char *name, std::vector<int> modes) {
        on(name, [this, modes] {
            for (const int m : modes)
                AlignSelectedCtls(m_state, m);
            activateWindow();
            Page()->setFocus(Qt::OtherFocusReason);
        });
    };
    align("mAlignLeft", {1});
    align("mAlignRight", {2});
    align("mAlignTop", {0});
    align("mAlighBottom", {3});
    align("mAlighWidth", {4});
    align("mAlighHight", {5});
    align("mAlignSize", {5, 4});
    const auto tick = [this, &on](const char *name, Tick t) {
        on(name, [this, t] {
            ToggleTick(m_state, t);
            CaptionsChanged();
        });
    };
    tick("mSetPaper", Tick::SetPaper);
    tick("mDiTuPrint", Tick::DiTuPrint);
    tick("mPrintRulers", Tick::PrintRulers);
    on("mSetCrlfChr", [] { SetCrlfChr(); });
    on("mPSDSet", [this] {
        if (!m_modiPsd) {
            m_modiPsd = new ModiPSD(this);
            m_modiPsd->setWindowFlag(Qt::Window);
            m_modiPsd->setAttribute(Qt::WA_DeleteOnClose);
            CenterForm(m_modiPsd);
        }
        m_modiPsd->show();
        m_modiPsd->raise();
    });
    on("mModeFmt", [] {
        const QString url = hosts::HelpPageUrl(23);
        if (url.isEmpty())
            NotAvailableYet();
        else
            ShellOpen(url);
    });
    on("mMoreHelp", [] {
        ShellOpen(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("HDX.CHM")));
    });
    on("mQQOnline1", [] { OpenSupportChat(1); });
    on("mQQOnline2", [] { OpenSupportChat(2); });
    on("mAbout", [this] { ShowAbout(); });

    new DoubleClickHook(m_lfmt0, [this] { m_state.SelectFormat(QString(), false); });
    if (auto *lf1 = m_pic[0]->findChild<QLabel *>(QStringLiteral("LFMT1")))
        new DoubleClickHook(lf1, [this] { m_state.SelectFormat(QString(), false); });

    // 设置内容框 on a control or a FormatGrid row: its class's dialog.
    m_input->propertyDialog = [this](int cls, qint32 row) { m_propDialogs->Show(cls, row); };
    // The page menu's background-picture items.
    m_input->importBackground = [this] { m_import->ImportBackgroundPicture(); };
    m_input->clearBackground = [this] { m_import->ClearBackgroundPicture(); };

    // A click on a header sorts the history or FormatGrid; a double click
    // on a FormatGrid row opens its control's properties.
    for (GridView *v : {m_historyView, m_formatView})
        connect(v, &GridView::mouseDown, this, [v](int, int, double x, double y) {
            if (GridModel *g = v->grid())
                SortGridByColumn(v->font(), *g, x, y);
        });
    connect(m_formatView, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &i) {
        GridModel &g = m_state.FormatGrid();
        const qint32 row = g.fixedRows() + i.row();
        if (row < g.fixedRows() || row >= g.rows())
            return;
        if (DesignControl *c = m_state.Controls().FindCtlByRow(g, row)) {
            m_input->Editor().SetMenuCtl(c->index);
            mCtlSet_Click(c->index);
        }
    });
    connect(m_fmsf, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &i) {
        GridModel *g = m_fmsf->grid();
        if (!g)
            return;
        const qint32 row = g->fixedRows() + i.row();
        if (row >= g->fixedRows() && row < g->rows())
            m_state.SelectFormat(g->text(row, 3), false);
    });
    connect(m_fmsf, &GridView::mouseDown, this, [this](int button, int, double, double y) {
        GridModel *g = m_fmsf->grid();
        if (button != 2 || !g)
            return;
        const qint32 row = GridRowFromY(*g, y);
        DisplayCurrentRow(*g, row, m_shownRow);
        // Not offered on the open format's row, which is marked in column 2.
        if (!g->text(row, 2).isEmpty())
            return;
        const QPoint at = QCursor::pos() + QPoint(2, 0);
        if (dialogs().PopupMenu({QStringLiteral("删除格式")}, at) == 0) {
            g->setRow(row);
            DeleteListedFormat(m_state, *g);
        }
    });
}

void MainWindow::ArrangeToolStrip()
{
    QWidget *pic = m_pic[0];
    const int gap = 4;
    const int stripHeight = ToPx(1000);
    const int row1 = ToPx(60), row2 = ToPx(520), rowHeight = ToPx(330);
    int x = 0;
    // Buttons as wide as their captions, not the style's minimum width.
    const auto compact = [](QPushButton *b) {
        b->setMinimumWidth(0);
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(b->text()) + 16);
    };
    for (const char *name : {"Frame2_1", "Frame2_0"})
        if (auto *g = pic->findChild<QGroupBox *>(QString::fromLatin1(name)))
            for (QPushButton *b : g->findChildren<QPushButton *>())
                compact(b);
    const auto fit = [](QWidget *w) {
        auto *b = qobject_cast<QPushButton *>(w);
        return !w ? 0
            : b   ? b->fontMetrics().horizontalAdvance(b->text()) + 16
                  : w->sizeHint().width();
    };
    for (const char *name : {"Frame2_1", "Frame2_0"})
        if (auto *g = pic->findChild<QGroupBox *>(QString::fromLatin1(name))) {
            const int w = fit(g);
            g->setGeometry(x, 0, w, stripHeight);
            x += w + gap;
        }
    // The zoom buttons in a row, the format's name below them.
    int zx = x;
    for (QPushButton *b : m_zm) {
        const int w = fit(b);
        b->setGeometry(zx, row1, w, rowHeight);
        zx += w + 2;
    }
    auto *lf1 = pic->findChild<QLabel *>(QStringLiteral("LFMT1"));
    int lx = x;
    if (lf1) {
        lf1->setGeometry(lx, row2, fit(lf1), rowHeight);
        lx += fit(lf1);
    }
    m_lfmt0->setGeometry(lx, row2, fit(m_lfmt0), rowHeight);
    x = qMax(zx, lx + fit(m_lfmt0)) + gap;
    // Print and batch print in one column, the two downloads in the next.
    QPushButton *print = Com(0), *batch = Com(1), *down = Com(3), *downFmt = Com(37);
    const int pw = std::max(fit(print), fit(batch));
    print->setGeometry(x, row1, pw, rowHeight);
    batch->setGeometry(x, row2, pw, rowHeight);
    const int dw = std::max(fit(down), fit(downFmt));
    down->setGeometry(x + pw + 2, row1, dw, rowHeight);
    downFmt->setGeometry(x + pw + 2, row2, dw, rowHeight);
    x += pw + 2 + dw + gap;
    const int fw = fit(m_frm1);
    m_frm1->setGeometry(x, 0, fw, stripHeight);
}

} // namespace dsg
