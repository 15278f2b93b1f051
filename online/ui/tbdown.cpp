#include "online/ui/tbdown.h"

#include "core/gridhelpers.h"
#include "core/helpers.h"
#include "core/progress.h"
#include "core/settings.h"
#include "online/hosts.h"
#include "online/pagehelpers.h"
#include "online/tradegrid.h"
#include "online/trademap.h"
#include "online/ui/webdom.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"
#include "platform/ui/gridview.h"
#include "platform/ui/qtdialogs.h"
#include "records/gridexport.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

using screen::ToPx;

constexpr qint32 kGridTop = 360;
constexpr qint32 kSplitterHeight = 75;
constexpr qint32 kBottomLeft = 530;

const char *const kCaptions[7] = {"提取当前页交易", "打印快递单",   "清空表格", "删除记录",
                                  "清除关闭的交易", "提取所有交易", "导出记录"};

} // namespace

TBDown::TBDown(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("淘宝交易下载"));
    for (int i = 0; i < 7; ++i) {
        Com[i] = new QPushButton(QString::fromUtf8(kCaptions[i]), this);
        Com[i]->setObjectName(QStringLiteral("Com%1").arg(i));
        connect(Com[i], &QPushButton::clicked, this, [this, i] { Com_Click(i); });
    }
    Label1 = new QLabel(QStringLiteral("卖家："), this);
    TShop = new QLineEdit(this);
    TShop->setObjectName(QStringLiteral("TShop"));
    Chk = new QCheckBox(QStringLiteral("自动合并同一收件人快递记录"), this);
    Chk->setObjectName(QStringLiteral("Chk"));
    connect(Chk, &QCheckBox::clicked, this, &TBDown::Chk_Click);
    MSF = new GridView(this);
    MSF->setObjectName(QStringLiteral("MSF"));
    MSF->setGrid(&TradeGrid);
    SL = new QFrame(this);
    SL->setObjectName(QStringLiteral("SL"));
    SL->setFrameShape(QFrame::HLine);
    SL->setCursor(Qt::SizeVerCursor);
    SL->installEventFilter(this);
    BrowserMessage = new QLabel(this);
    BrowserMessage->setObjectName(QStringLiteral("BrowserMessage"));
    BrowserMessage->setWordWrap(true);
    BrowserMessage->setAlignment(Qt::AlignCenter);
    BrowserMessage->hide();
    if (const QString problem = BrowserStartProblem(); !problem.isEmpty()) {
        // No browser at all: the grid and its buttons still work.
        showBrowserMessage(problem);
    } else {
        WB = new QWebEngineView(this);
        WB->setObjectName(QStringLiteral("WB"));
        m_dom = new WebDom(WB->page(), this);
        ShareMarketplaceCookies(WB->page()->profile());
        connect(WB->page(), &QWebEnginePage::renderProcessTerminated, this,
                [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                    if (status != QWebEnginePage::NormalTerminationStatus)
                        showBrowserMessage(QString::fromUtf8(kBrowserFailed));
                });
    }
    resize(ToPx(12000), ToPx(9000));
    // Laid out now, so that the window has its final size before it is placed.
    layoutControls();
}

TBDown::~TBDown() = default;

void TBDown::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QWidget::showEvent(event);
}

void TBDown::Form_Load()
{
    const QString s = ReadParam(QString::fromUtf8(kSplitterKey));
    if (!s.isEmpty())
        m_slTop = num::ToLong(s);
    const qint32 limit = qint32(screen::ToTwips(height())) - kSplitterHeight - kBottomLeft;
    if (m_slTop > limit)
        m_slTop = limit;
    InitTradeGrid(TradeGrid);
    const QString login = hosts::LoginPageUrl();
    // Without a browser its message stands in its place.
    if (WB && login.isEmpty())
        WB->setHtml(QStringLiteral("<html><body><p>")
                    + QString::fromUtf8(kNoMarketplaceHost)
                          .toHtmlEscaped()
                          .replace(u'\n', QStringLiteral("<br>"))
                    + QStringLiteral("</p></body></html>"));
    else if (WB)
        WB->load(QUrl(login));
    Chk->setChecked(!ReadParam(QString::fromUtf8(kMergeKey)).isEmpty());
    layoutControls();
}

void TBDown::layoutControls()
{
    const qint32 w = qint32(screen::ToTwips(width()));
    const qint32 h = qint32(screen::ToTwips(height()));
    qint32 x = 0;
    for (QPushButton *b : Com) {
        const int bw = b->sizeHint().width();
        b->setGeometry(ToPx(x), 0, bw, ToPx(kGridTop - 15));
        x += qint32(screen::ToTwips(bw)) + 30;
    }
    Label1->setGeometry(ToPx(x), 0, Label1->sizeHint().width(), ToPx(kGridTop - 15));
    x += qint32(screen::ToTwips(Label1->sizeHint().width()));
    TShop->setGeometry(ToPx(x), 0, ToPx(1500), ToPx(kGridTop - 15));
    x += 1560;
    Chk->setGeometry(ToPx(x), 0, Chk->sizeHint().width(), ToPx(kGridTop - 15));
    // The window is never narrower than its tool bar, nor than its title.
    KeepTitleWhole(this, Chk->geometry().right() + 1 + ToPx(30));
    MSF->setGeometry(0, ToPx(kGridTop), ToPx(std::max(w - 90, 300)),
                     ToPx(std::max(m_slTop - kGridTop, 30)));
    SL->setGeometry(0, ToPx(m_slTop), ToPx(w), ToPx(kSplitterHeight));
    const qint32 top = m_slTop + kSplitterHeight;
    const QRect browser(0, ToPx(top), ToPx(std::max(w - 120, 300)),
                        ToPx(std::max(h - top - 500, 30)));
    if (WB)
        WB->setGeometry(browser);
    BrowserMessage->setGeometry(browser);
}

void TBDown::showBrowserMessage(const QString &text)
{
    if (WB)
        WB->hide();
    BrowserMessage->setText(text);
    BrowserMessage->show();
    BrowserMessage->raise();
}

void TBDown::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

bool TBDown::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == SL) {
        if (event->type() == QEvent::MouseButtonPress) {
            qint32 x = 0;
            GetCursorPosTwips(x, m_dragY);
            return true;
        }
        if (event->type() == QEvent::MouseMove
            && (static_cast<QMouseEvent *>(event)->buttons() & Qt::LeftButton)) {
            qint32 x = 0, y = 0;
            GetCursorPosTwips(x, y);
            const qint32 h = qint32(screen::ToTwips(height()));
            qint32 top = m_slTop + (y - m_dragY);
            top = std::max(top, kGridTop + 30);
            top = std::min(top, h - kSplitterHeight - kBottomLeft);
            m_slTop = top;
            m_dragY = y;
            layoutControls();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TBDown::closeEvent(QCloseEvent *event)
{
    SaveParam(QString::fromUtf8(kSplitterKey), num::Str(qint64(m_slTop)));
    hide();
    event->ignore();
}

void TBDown::Chk_Click()
{
    SaveParam(QString::fromUtf8(kMergeKey), Chk->isChecked() ? QStringLiteral("True") : QString());
}

void TBDown::GetShoper()
{
    TShop->setText(SellerNickFromPage(GetPageHtml(m_dom)));
}

void TBDown::Com_Click(int index)
{
    switch (index) {
    case 0: {
        if (!m_dom)
            return;
        QPointer<TBDown> self(this);
        {
            // The address fetches let the event loop run: no button meanwhile.
            const LongWork work(QStringLiteral("正在提取交易信息..."), 1, WorkStop::Cannot);
            if (TShop->text().isEmpty())
                GetShoper();
            ExtractTradeTable(m_dom, TradeGrid, false);
        }
        if (!self)
            return;
        AutoFitGridColumns(GridFont(), TradeGrid, 1, true);
        break;
    }
    case 1:
        if (m_openMapping)
            m_openMapping();
        hide();
        break;
    case 2:
        TradeGrid.setRows(TradeGrid.fixedRows());
        break;
    case 3: {
        qint32 first = TradeGrid.row(), last = TradeGrid.rowSel();
        DeleteGridRows(TradeGrid, first, last, false);
        break;
    }
    case 4:
        removeClosedTrades();
        break;
    case 5:
        if (m_dom)
            extractAll();
        break;
    case 6:
        imp::ExportGrid(TradeGrid, QString::fromUtf8(tmap::kExportTitle));
        break;
    default:
        break;
    }
}

void TBDown::removeClosedTrades()
{
    const LongWork work;
    qint32 start = 0;
    ShowIndicator(QStringLiteral("正在查找并清除关闭的交易..."), TradeGrid.dataRows(), start);
    for (qint32 r = TradeGrid.rows() - 1; r >= TradeGrid.fixedRows(); --r) {
        if (TradeGrid.text(r, trade::Status) == QString::fromUtf8(trade::kClosed)) {
            qint32 a = r, b = r;
            DeleteGridRows(TradeGrid, a, b, false);
        }
        StepIndicator(1, QStringLiteral("pages"));
    }
    CloseIndicator();
}

void TBDown::extractAll()
{
    QPointer<TBDown> self(this);
    const LongWork work(QStringLiteral("正在提取交易信息..."), 500, WorkStop::Can);
    if (TShop->text().isEmpty())
        GetShoper();
    int pages = 0;
    for (int pass = 0; pass <= 500 && self; ++pass) {
        const int loads = m_dom->LoadsFinished();
        const QString before
            = m_dom->ElementInnerHtml(QStringLiteral("J_ListTable")).value_or(QString());
        if (!self || !ExtractTradeTable(m_dom, TradeGrid, true) || !self)
            break;
        ++pages;
        // The clicked link loads the next page: read it only once it is there.
        if (!WaitForNextPage(*m_dom, loads, before, [&work] { return work.Stopped(); }) || !self)
            break;
        if (work.Stopped())
            break;
        StepIndicator(1, QStringLiteral("pages"));
    }
    if (!self)
        return;
    AutoFitGridColumns(GridFont(), TradeGrid, 1, true);
    if (work.Stopped())
        dialogs().Message(QStringLiteral("提取已停止：已提取%1页交易信息，其后的页未提取。").arg(pages));
}
