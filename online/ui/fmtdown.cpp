#include "online/ui/fmtdown.h"

#include "core/formatlist.h"
#include "core/gridhelpers.h"
#include "core/helpers.h"
#include "core/ui/windowhelpers.h"
#include "online/catalogue.h"
#include "platform/dialogs.h"
#include "platform/ui/gridview.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

namespace {

constexpr int kGridWidth = 420;

} // namespace

FmtDown::FmtDown(FormatHost &host, QWidget *parent)
    : ListPreviewWindow({QStringLiteral("可供下载的格式模板"),
                         QStringLiteral("可供下载的格式模板列表："),
                         QString::fromUtf8(catalogue::kNoPicture),
                         QString::fromUtf8(catalogue::kWindowName), kGridWidth,
                         {QStringLiteral("重新下载"), QStringLiteral("导入格式")}},
                        parent)
    , m_host(host)
{
    for (int i = 0; i < 2; ++i)
        Com[i] = Button(i);
    resize(860, 520);
}

void FmtDown::Form_Load()
{
    loadList();
    if (Grid.dataRows() < 1)
        DownWebFmt();
}

void FmtDown::loadList()
{
    catalogue::LoadWebFmtList(Grid);
    if (Grid.dataRows() > 0)
        Grid.setCurrent(Grid.fixedRows(), catalogue::ColTick);
    MSF_RowColChange();
}

void FmtDown::Com_Click(int index)
{
    if (index == 0)
        DownWebFmt();
    else if (index == 1)
        DownInputFmt();
}

void FmtDown::DownWebFmt()
{
    if (catalogue::CatalogueUrl().isEmpty()) {
        dialogs().Message(QString::fromUtf8(kNoMakerHost));
        return;
    }
    QPointer<FmtDown> self(this);
    const bool stored = catalogue::DownWebFmt();
    if (self && stored)
        loadList();
}

void FmtDown::DownInputFmt()
{
    const qint32 r = Grid.row();
    if (r < Grid.fixedRows() || r >= Grid.rows())
        return;
    catalogue::DownInputFmt(m_host, Grid.text(r, catalogue::ColName),
                            Grid.text(r, catalogue::ColFile), Grid.text(r, catalogue::ColPicture));
}

void FmtDown::MSF_RowColChange()
{
    const qint32 row = Grid.row();
    if (row >= Grid.fixedRows() && row < Grid.rows()) {
        Grid.setColSel(Grid.cols() - 1);
        Grid.setRowSel(row);
    }
    for (qint32 r = Grid.fixedRows(); r < Grid.rows(); ++r)
        Grid.setText(r, catalogue::ColTick, BoolToMark(r == row));
    if (row < Grid.fixedRows() || row >= Grid.rows()) {
        Img->clear();
        LBL->setVisible(true);
        return;
    }
    QPointer<FmtDown> self(this);
    const QString cache = catalogue::FetchPreview(Grid.text(row, catalogue::ColPicture));
    if (!self)
        return;
    LBL->setVisible(cache.isEmpty() || !LoadFmtPicture(Img, cache, Frm, VS).shown);
}

void ShowFmtDown(QWidget *owner, FormatHost &host)
{
    if (catalogue::CatalogueUrl().isEmpty()) {
        dialogs().Message(QString::fromUtf8(kNoMakerHost));
        return;
    }
    FmtDown *w
        = owner ? owner->findChild<FmtDown *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!w)
        w = new FmtDown(host, owner);
    w->show();
    w->raise();
    w->activateWindow();
}
