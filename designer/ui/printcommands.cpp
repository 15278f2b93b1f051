// The main window's print commands: print the waybill shown (Com 0,
// m_PCom0), print a range of the imported records (Com 1, m_PCom1), the
// calibration page and margins (Com 36 "校准"), the calibration wizard
// (mWizard) and the bar-code standard (mStrBarCodeStand). The engine gets the
// window state as parameters: the main-window state as page controls and
// format host, a view over it and the print windows for its questions; the
// printed pages go to the history in one write.

#include "core/helpers.h"
#include "core/ui/windowhelpers.h"
#include "designer/printsetup.h"
#include "designer/ui/mainwindow.h"
#include "online/hosts.h"
#include "platform/dialogs.h"
#include "printing/printengine.h"
#include "printing/ui/printwindows.h"

#include <QAction>
#include <QMenuBar>

namespace dsg {

namespace {

// Help page n of the maker's server.
void OpenHelpPage(int page)
{
    const QString url = hosts::HelpPageUrl(page);
    if (url.isEmpty()) {
        dialogs().Message(QStringLiteral("没有设置服务器地址，无法打开帮助页面。"));
        return;
    }
    ShellOpen(url);
}

} // namespace

void MainWindow::PrintCommand(int index)
{
    if (index == 36) {
        PrintCalibration(m_state, this);
        return;
    }
    StatePrintView view(m_state);
    WindowPrintUi ui(m_state.CurrentFormatName(), this);
    print::PrintContext ctx = PrintContextFor(m_state, view, ui);
    if (index == 0)
        print::PrintRecord(ctx);
    else if (index == 1)
        print::BatchPrint(ctx, RecordScrollFor(m_state));
}

void MainWindow::WirePrintCommands()
{
    const auto on = [this](const char *name, std::function<void()> f) {
        if (QAction *a = menuBar()->findChild<QAction *>(QString::fromLatin1(name)))
            connect(a, &QAction::triggered, this, std::move(f));
    };
    on("m_PCom0", [this] { PrintCommand(0); });
    on("m_PCom1", [this] { PrintCommand(1); });
    on("mWizard", [this] { (new ValWizard(m_state, &OpenHelpPage, this))->show(); });
    on("mStrBarCodeStand", [this] {
        MainState &state = m_state;
        // Every picture box shows its content again in the new standard.
        auto *chooser = new StrCodeStand(
            [&state] {
                for (qint32 n = 1; n <= state.ControlCount(2); ++n)
                    state.SetControlValue(2000 + n, state.ControlValue(2000 + n));
            },
            this);
        CenterForm(chooser);
        chooser->show();
    });
}

} // namespace dsg
