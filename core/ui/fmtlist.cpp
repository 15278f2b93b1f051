#include "core/ui/fmtlist.h"

#include "core/exchangefile.h"
#include "core/formatlist.h"
#include "core/globals.h"
#include "core/gridhelpers.h"
#include "core/ui/windowhelpers.h"
#include "platform/ui/gridview.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

namespace {

HookSlot<std::function<void()>> g_downloadHook;
HookSlot<std::function<bool(const QString &)>> g_deleteHook;

// The window's margins and the parts the resize keeps, in pixels (990 and
// 500 twips of the original layout).
constexpr int kMargin = 8;
constexpr int kTop = 26;
constexpr int kGridWidth = 330;
constexpr int kHeightLeft = 66;
constexpr int kRightLeft = 33;
constexpr int kButtonHeight = 28;

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
    : QWidget(parent, Qt::Window)
    , m_host(host)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(fmtlist::kFmtListCaption));
    m_listCaption = new QLabel(QStringLiteral("格式模板列表："), this);
    m_previewCaption = new QLabel(QStringLiteral("格式模板预览："), this);
    MSF = new GridView(this);
    MSF->setGrid(&Grid);
    Frm = new QFrame(this);
    Frm->setFrameShape(QFrame::NoFrame);
    Frm->setAutoFillBackground(true);
    Img = new QLabel(Frm);
    Img->setScaledContents(true);
    VS = new QScrollBar(Qt::Vertical, this);
    VS->setEnabled(false);
    LBL = new QLabel(QStringLiteral("此格式暂无图片！"), Frm);
    LBL->setAlignment(Qt::AlignCenter);
    const char *captions[6] = {"选 择", "退 出", "下载更多…", "导 入", "删 除", "导 出"};
    for (int i = 0; i < 6; ++i) {
        Com[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        connect(Com[i], &QPushButton::clicked, this, [this, i] { Com_Click(i); });
    }
    connect(&Grid, &GridModel::currentChanged, this, [this] { MSF_RowColChange(); });
    connect(MSF, &QAbstractItemView::doubleClicked, this, [this] { Com_Click(0); });
    connect(VS, &QScrollBar::valueChanged, this, &FmtList::VS_Change);
    resize(820, 520);
}

void FmtList::Form_Load()
{
    DialogResult.clear();
    LoadWindowPos(this, QString::fromUtf8(fmtlist::kFmtListWindowName));
    CenterForm(this);
    layoutControls();
    Img->setGeometry(0, 0, Frm->width(), Frm->height());
    // Making the open format's row current shows its preview.
    LoadFmtList(Grid, m_host.CurrentFormatName(), true);
}

void FmtList::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QWidget::showEvent(event);
}

void FmtList::layoutControls()
{
    LayoutListPreview(this, {m_listCaption, MSF, m_previewCaption, Frm, VS, LBL}, kGridWidth, Com,
                      6);
}

void LayoutListPreview(QWidget *window, const ListPreviewParts &p, int gridWidth,
                       QPushButton *const *buttons, int buttonCount)
{
    const int gridHeight = std::max(40, window->height() - kHeightLeft);
    p.listCaption->setGeometry(kMargin, 4, gridWidth, 20);
    p.grid->setGeometry(kMargin, kTop, gridWidth, gridHeight);
    const int frmLeft = kMargin + gridWidth + kMargin;
    p.previewCaption->setGeometry(frmLeft, 4, 200, 20);
    const int frmWidth = std::max(20, window->width() - frmLeft - kRightLeft);
    p.frame->setGeometry(frmLeft, kTop, frmWidth, gridHeight);
    p.scroll->setGeometry(frmLeft + frmWidth, kTop, 16, gridHeight);
    p.noPicture->setGeometry(0, 0, frmWidth, gridHeight);
    const int buttonTop = kTop + gridHeight + 6;
    const int buttonWidth = 96;
    for (int i = 0; i < buttonCount; ++i)
        buttons[i]->setGeometry(kMargin + i * (buttonWidth + 8), buttonTop, buttonWidth,
                                kButtonHeight);
}

void FmtList::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
    const bool hadPicture = !Img->pixmap().isNull();
    Img->setGeometry(0, 0, Frm->width(), Frm->height());
    if (hadPicture && m_loaded)
        MSF_RowColChange();
}

void FmtList::closeEvent(QCloseEvent *event)
{
    // Closed by its close box: nothing chosen.
    if (!m_answered)
        DialogResult.clear();
    SaveWindowPos(this, QString::fromUtf8(fmtlist::kFmtListWindowName));
    QWidget::closeEvent(event);
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
    LBL->setVisible(!LoadFmtPicture(Img, FmtListName(Grid, row), Frm, VS));
}

void FmtList::VS_Change(int value)
{
    Img->move(0, int(FmtPictureTop(value, Frm->height())));
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

bool LoadFmtPicture(QLabel *image, const QString &picture, QWidget *frame, QScrollBar *scroll)
{
    if (!image || !frame)
        return false;
    const QString path = FmtPicturePath(picture);
    image->clear();
    image->setGeometry(0, 0, image->width(), frame->height());
    if (!QFileInfo::exists(path)) {
        if (scroll)
            scroll->setEnabled(false);
        return false;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage pic = reader.read();
    if (pic.isNull() || pic.width() <= 0) {
        if (scroll)
            scroll->setEnabled(false);
        return false;
    }
    const FmtPicturePlan plan
        = PlanFmtPicture(pic.width(), pic.height(), image->width(), frame->height());
    image->resize(image->width(), int(plan.imageHeight + 0.5));
    if (scroll) {
        scroll->blockSignals(true);
        scroll->setEnabled(plan.scroll);
        if (plan.scroll) {
            scroll->setMinimum(0);
            scroll->setMaximum(plan.maximum);
            scroll->setValue(0);
            scroll->setSingleStep(1);
            scroll->setPageStep(10);
        }
        scroll->blockSignals(false);
    }
    image->setPixmap(QPixmap::fromImage(pic));
    return true;
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
