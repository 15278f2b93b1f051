#include "core/ui/fmtlist.h"

#include "core/exchangefile.h"
#include "core/formatlist.h"
#include "core/globals.h"
#include "core/gridhelpers.h"
#include "core/ui/windowhelpers.h"
#include "platform/ui/gridview.h"

#include <QFrame>
#include <QLabel>

namespace {

HookSlot<std::function<void()>> g_downloadHook;
HookSlot<std::function<bool(const QString &)>> g_deleteHook;

constexpr int kGridWidth = 330;

} // namespace

HookHandle InstallFmtListDownloadHook(std::function<void()> hook)
{
    return g_downloadHook.Install(std::move(hook));
}

HookHandle InstallFmtListDeleteHook(std::function<bool(const QString &)> hook)
{
    return g_deleteHook.Install(std::move(hook));
}

FmtList::FmtList(FormatHost &host, QWidget *parent)
    : ListPreviewWindow({QString::fromUtf8(fmtlist::kFmtListCaption),
                         QStringLiteral("格式模板列表："), QStringLiteral("此格式暂无图片！"),
                         QString::fromUtf8(fmtlist::kFmtListWindowName), kGridWidth,
                         {QStringLiteral("选 择"), QStringLiteral("退 出"),
                          QStringLiteral("下载更多…"), QStringLiteral("导 入"),
                          QStringLiteral("删 除"), QStringLiteral("导 出")}},
                        parent)
    , m_host(host)
{
    for (int i = 0; i < 6; ++i)
        Com[i] = Button(i);
    connect(MSF, &QAbstractItemView::doubleClicked, this, [this] { Com_Click(0); });
    resize(820, 520);
}

void FmtList::Form_Load()
{
    DialogResult.clear();
    // Making the open format's row current shows its preview.
    LoadFmtList(Grid, m_host.CurrentFormatName(), true);
}

void FmtList::closeEvent(QCloseEvent *event)
{
    // Closed by its close box: nothing chosen.
    if (!m_answered)
        DialogResult.clear();
    ListPreviewWindow::closeEvent(event);
}

void FmtList::finish(const QString &answer)
{
    DialogResult = answer;
    *m_answer = answer;
    m_answered = true;
    close();
}

void FmtList::MSF_RowColChange()
{
    const qint32 row = Grid.row();
    TickFmtListRow(Grid, row);
    ShowFmtPicture(FmtListName(Grid, row));
}

void FmtList::Com_Click(int index)
{
    DialogResult.clear();
    const QString name = FmtListName(Grid, Grid.row());
    switch (index) {
    case 0:
        finish(name);
        break;
    case 1:
        finish(m_host.CurrentFormatName());
        break;
    case 2:
        if (const auto download = g_downloadHook.Current())
            download();
        finish(QString());
        break;
    case 3:
        if (ImportFormat(m_host, QString(), true)) {
            LoadFmtList(Grid, m_host.CurrentFormatName(), true);
            MSF_RowColChange();
        }
        break;
    case 4: {
        const auto deleteHook = g_deleteHook.Current();
        if (!name.isEmpty() && deleteHook && deleteHook(name)) {
            qint32 first = Grid.row(), last = Grid.row();
            DeleteGridRows(Grid, first, last, false);
            MSF_RowColChange();
        }
        DialogResult.clear();
        break;
    }
    case 5:
        if (!name.isEmpty())
            ExportFormat(m_host, name);
        break;
    default:
        break;
    }
}

QString ChooseFromFmtList(FormatHost &host)
{
    auto *w = new FmtList(host);
    const auto answer = w->Answer();
    w->show();
    WaitWindowClosed(w);
    DialogResult = *answer;
    return *answer;
}
