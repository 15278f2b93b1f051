#include "designer/ui/onlinecommands.h"

#include "core/ui/windowhelpers.h"

#include "designer/ui/mainwindow.h"
#include "online/ui/fmtdown.h"
#include "online/ui/tbdown.h"
#include "online/ui/tbinputmap.h"

#include <QCheckBox>
#include <QMenuBar>
#include <QTabWidget>

namespace dsg {

namespace {

// The mapping windows are children of the main window (so they end with
// it); "disabling the main window" therefore disables its own parts, not
// the window, which would disable the mapping window too.
class MainTradeMapHost : public QObject, public TradeMapHost
{
public:
    explicit MainTradeMapHost(MainWindow &w)
        : QObject(&w)
        , m_w(w)
    { }
    PageControls &Page() override { return m_w.State(); }
    GridModel &RecordsGrid() override { return m_w.State().DataGrid(); }
    void RecordsFilled() override
    {
        m_w.State().SetupRecordScroll();
        if (auto *sst = m_w.findChild<QTabWidget *>(QStringLiteral("SST")))
            sst->setCurrentIndex(1);
    }

private:
    MainWindow &m_w;
};

TBDown *tradeDownload(MainWindow &w)
{
    if (auto *existing = w.findChild<TBDown *>())
        return existing;
    auto *tb = new TBDown(&w);
    CenterForm(tb);
    auto *host = new MainTradeMapHost(w);
    tb->SetMappingOpener([tb, host, &w] {
        auto *map = new TBInputMap(tb->TradeGrid, tb->Chk->isChecked(), *host, &w);
        map->show();
    });
    return tb;
}

} // namespace

bool RunOnlineCommand(MainWindow &window, int index)
{
    if (index == 3) {
        TBDown *tb = tradeDownload(window);
        tb->show();
        tb->raise();
        return true;
    }
    if (index == 37) {
        ShowFmtDown(&window, window.State());
        return true;
    }
    return false;
}

} // namespace dsg
