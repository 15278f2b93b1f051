#include "core/ui/listpreview.h"

#include "core/formatlist.h"
#include "core/ui/windowhelpers.h"
#include "platform/picturefile.h"
#include "platform/ui/gridview.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace {

// The window's margins and the parts the resize keeps, in pixels (990 and
// 500 twips of the original layout).
constexpr int kMargin = 8;
constexpr int kTop = 26;
constexpr int kHeightLeft = 66;
constexpr int kRightLeft = 33;
constexpr int kButtonHeight = 28;
constexpr int kButtonWidth = 96;

} // namespace

ListPreviewWindow::ListPreviewWindow(const Look &look, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_windowName(look.windowName)
    , m_noPicture(look.noPicture)
    , m_gridWidth(look.gridWidth)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(look.title);
    m_listCaption = new QLabel(look.listCaption, this);
    m_previewCaption = new QLabel(QStringLiteral("格式模板预览："), this);
    MSF = new GridView(this);
    MSF->setObjectName(QStringLiteral("MSF"));
    MSF->setGrid(&Grid);
    Frm = new QFrame(this);
    Frm->setFrameShape(QFrame::NoFrame);
    Frm->setAutoFillBackground(true);
    Img = new QLabel(Frm);
    Img->setScaledContents(true);
    VS = new QScrollBar(Qt::Vertical, this);
    VS->setEnabled(false);
    LBL = new QLabel(look.noPicture, Frm);
    LBL->setAlignment(Qt::AlignCenter);
    LBL->setWordWrap(true);
    for (int i = 0; i < look.buttons.size(); ++i) {
        auto *b = new QPushButton(look.buttons.at(i), this);
        b->setObjectName(QStringLiteral("Com%1").arg(i));
        connect(b, &QPushButton::clicked, this, [this, i] { Com_Click(i); });
        m_buttons.push_back(b);
    }
    connect(&Grid, &GridModel::currentChanged, this, [this] { MSF_RowColChange(); });
    connect(VS, &QScrollBar::valueChanged, this, &ListPreviewWindow::VS_Change);
}

void ListPreviewWindow::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        m_loaded = true;
        LoadWindowPos(this, m_windowName);
        CenterForm(this);
        layoutControls();
        Img->setGeometry(0, 0, Frm->width(), Frm->height());
        Form_Load();
    }
    QWidget::showEvent(event);
}

void ListPreviewWindow::layoutControls()
{
    const int gridHeight = std::max(40, height() - kHeightLeft);
    m_listCaption->setGeometry(kMargin, 4, m_gridWidth, 20);
    MSF->setGeometry(kMargin, kTop, m_gridWidth, gridHeight);
    const int frmLeft = kMargin + m_gridWidth + kMargin;
    m_previewCaption->setGeometry(frmLeft, 4, 200, 20);
    const int frmWidth = std::max(20, width() - frmLeft - kRightLeft);
    Frm->setGeometry(frmLeft, kTop, frmWidth, gridHeight);
    VS->setGeometry(frmLeft + frmWidth, kTop, 16, gridHeight);
    LBL->setGeometry(0, 0, frmWidth, gridHeight);
    const int buttonTop = kTop + gridHeight + 6;
    for (size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setGeometry(kMargin + int(i) * (kButtonWidth + 8), buttonTop, kButtonWidth,
                                  kButtonHeight);
}

void ListPreviewWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
    const bool hadPicture = !Img->pixmap().isNull();
    Img->setGeometry(0, 0, Frm->width(), Frm->height());
    if (hadPicture && m_loaded)
        MSF_RowColChange();
}

void ListPreviewWindow::closeEvent(QCloseEvent *event)
{
    SaveWindowPos(this, m_windowName);
    QWidget::closeEvent(event);
}

void ListPreviewWindow::VS_Change(int value)
{
    Img->move(0, int(FmtPictureTop(value, Frm->height())));
}

FmtPictureShown LoadFmtPicture(QLabel *image, const QString &picture, QWidget *frame,
                               QScrollBar *scroll)
{
    if (!image || !frame)
        return {};
    const QString path = FmtPicturePath(picture);
    image->clear();
    image->setGeometry(0, 0, image->width(), frame->height());
    const PictureRead read = ReadPicture(path);
    if (read.image.isNull() || read.image.width() <= 0) {
        if (scroll)
            scroll->setEnabled(false);
        return {false, PictureFaultText(path, read)};
    }
    const QImage &pic = read.image;
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
    return {true, {}};
}

void ListPreviewWindow::ShowFmtPicture(const QString &picture)
{
    const FmtPictureShown r = LoadFmtPicture(Img, picture, Frm, VS);
    LBL->setText(r.fault.isEmpty() ? m_noPicture : r.fault);
    LBL->setVisible(!r.shown);
}

