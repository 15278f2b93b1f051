#include "online/ui/fmtdown.h"

#include "core/formatlist.h"
#include "core/gridhelpers.h"
#include "core/helpers.h"
#include "core/ui/fmtlist.h"
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
    : QWidget(parent, Qt::Window)
    , m_host(host)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("可供下载的格式模板"));
    m_listCaption = new QLabel(QStringLiteral("可供下载的格式模板列表："), this);
    m_previewCaption = new QLabel(QStringLiteral("格式模板预览："), this);
    MSF = new GridView(this);
    MSF->setObjectName(QStringLiteral("MSF"));
    MSF->setGrid(&Grid);
    Frm = new QFrame(this);
    Frm->setAutoFillBackground(true);
    Img = new QLabel(Frm);
    Img->setScaledContents(true);
    VS = new QScrollBar(Qt::Vertical, this);
    VS->setEnabled(false);
    LBL = new QLabel(QString::fromUtf8(catalogue::kNoPicture), Frm);
    LBL->setAlignment(Qt::AlignCenter);
    const char *captions[2] = {"重新下载", "导入格式"};
    for (int i = 0; i < 2; ++i) {
        Com[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        Com[i]->setObjectName(QStringLiteral("Com%1").arg(i));
        connect(Com[i], &QPushButton::clicked, this, [this, i] { Com_Click(i); });
    }
    connect(&Grid, &GridModel::currentChanged, this, [this] { MSF_RowColChange(); });
    connect(VS, &QScrollBar::valueChanged, this, &FmtDown::VS_Change);
    resize(860, 520);
}

void FmtDown::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QWidget::showEvent(event);
}

void FmtDown::Form_Load()
{
    LoadWindowPos(this, QString::fromUtf8(catalogue::kWindowName));
    CenterForm(this);
    layoutControls();
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

void FmtDown::layoutControls()
{
    LayoutListPreview(this, {m_listCaption, MSF, m_previewCaption, Frm, VS, LBL}, kGridWidth, Com,
                      2);
}

void FmtDown::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
    const bool hadPicture = !Img->pixmap().isNull();
    Img->setGeometry(0, 0, Frm->width(), Frm->height());
    if (hadPicture && m_loaded)
        MSF_RowColChange();
}

void FmtDown::closeEvent(QCloseEvent *event)
{
    SaveWindowPos(this, QString::fromUtf8(catalogue::kWindowName));
    QWidget::closeEvent(event);
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
    LBL->setVisible(cache.isEmpty() || !LoadFmtPicture(Img, cache, Frm, VS));
}

void FmtDown::VS_Change(int value)
{
    Img->move(0, int(FmtPictureTop(value, Frm->height())));
}

void ShowFmtDown(QWidget *owner, FormatHost &host)
{
    FmtDown *w
        = owner ? owner->findChild<FmtDown *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!w)
        w = new FmtDown(host, owner);
    w->show();
    w->raise();
    w->activateWindow();
}
