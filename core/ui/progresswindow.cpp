#include "core/ui/progresswindow.h"
#include "core/ui/windowhelpers.h"

#include "platform/screenscale.h"

#include "platform/numtext.h"
#include "platform/ui/qtdialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace {

// Positions are laid out in twips.
int px(int twips)
{
    return screen::ToPx(twips);
}

QRect twipRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

QLabel *makeLabel(QWidget *parent, const QRect &r, const QColor &color, Qt::Alignment align,
                  const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setGeometry(r);
    l->setAlignment(align);
    l->setAttribute(Qt::WA_TranslucentBackground);
    l->setAutoFillBackground(false);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, color);
    l->setPalette(pal);
    return l;
}

ProgressWindowView *g_installed = nullptr;

} // namespace

IndicatorBar::IndicatorBar(QWidget *parent)
    : QWidget(parent)
{ }

void IndicatorBar::resizeEvent(QResizeEvent *)
{
    if (m_picture.size() != size()) {
        QImage next(size(), QImage::Format_RGB32);
        next.fill(palette().color(QPalette::Window));
        QPainter p(&next);
        p.drawImage(0, 0, m_picture);
        m_picture = next;
    }
}

void IndicatorBar::Clear()
{
    if (m_picture.size() != size())
        m_picture = QImage(size(), QImage::Format_RGB32);
    m_picture.fill(palette().color(QPalette::Window));
    update();
}

void IndicatorBar::FillTo(double fraction)
{
    if (m_picture.isNull())
        Clear();
    // Drawn over what is there: a shorter bar leaves the longer one visible.
    const int w = num::ToLong(fraction * m_picture.width());
    if (w > 0) {
        QPainter p(&m_picture);
        p.fillRect(QRect(0, 0, w, m_picture.height()), num::ColorFromBgr(0xFF0000));
    }
    update();
}

void IndicatorBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, m_picture);
}

// ---------------------------------------------------------------------------

// The window the progress window stays in front of: the active one, else the
// first shown window of the program (the main window).
static QWidget *progressOwner()
{
    QWidget *active = QApplication::activeWindow();
    if (active && !qobject_cast<ProgressWindow *>(active))
        return active;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowType() == Qt::Window && !qobject_cast<ProgressWindow *>(w))
            return w;
    return nullptr;
}

ProgressWindow::ProgressWindow(QWidget *parent)
    // A dialog, so that the window system is told whose window it stays in
    // front of (a plain window gets no transient hint, and the window
    // manager may raise the main window over it).
    : QWidget(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                  | (WorkStopAllowed() ? Qt::WindowCloseButtonHint : Qt::WindowType(0)))
{
    setWindowTitle(QStringLiteral("进度指示器"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Kept in front of the windows it blocks (a parent makes it transient
    // for its window); they take no input, shortcuts and input methods among it.
    setWindowModality(Qt::ApplicationModal);
    // The work closes it, also while a question of the work is open.
    setProperty(kNoDialogOwner, true);
    setFixedSize(px(8715), px(720));

    LBL = makeLabel(this, twipRect(75, 105, 1080, 180), num::ColorFromBgr(0xFF0000),
                    Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("进度条指示器"));
    LBL->adjustSize();
    L1 = makeLabel(this, twipRect(2850, 105, 5805, 255), num::ColorFromBgr(0x0000FF),
                   Qt::AlignRight | Qt::AlignVCenter, QString());
    Pic = new IndicatorBar(this);
    Pic->setGeometry(twipRect(60, 360, 8580, 285));
    Pic->Clear();
    Percent = makeLabel(Pic, twipRect(-60, 0, 8565, 270), num::ColorFromBgr(0x0000FF),
                        Qt::AlignCenter, QStringLiteral("0%"));
    QFont f(QStringLiteral("宋体"), 12);
    f.setBold(true);
    Percent->setFont(f);
    L2 = makeLabel(Pic, twipRect(45, 0, 8505, 405), Qt::black, Qt::AlignRight | Qt::AlignTop,
                   QString());

    // Centred on the screen's work area.
    CenterForm(this);
}

void ProgressWindow::Show(const IndicatorState &state, bool clearBar)
{
    if (LBL->text() != state.caption) {
        LBL->setText(state.caption);
        LBL->adjustSize();
    }
    Percent->setText(state.percentText);
    L1->setText(state.counterText);
    L2->setText(state.timesText);
    if (clearBar)
        Pic->Clear();
    if (state.total != 0)
        Pic->FillTo(double(state.position) / state.total);
    if (!isVisible())
        show();
}

void ProgressWindow::CloseByProgram()
{
    m_closingByProgram = true;
    close();
}

void ProgressWindow::ShowCloseBox(bool on)
{
    if (windowFlags().testFlag(Qt::WindowCloseButtonHint) == on)
        return;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowCloseButtonHint, on);
    if (visible)
        show();
}

void ProgressWindow::closeEvent(QCloseEvent *event)
{
    // A close the window manager sends without a close box (Alt+F4) stops
    // only work that can stop.
    if (!m_closingByProgram && !WorkStopAllowed()) {
        event->ignore();
        return;
    }
    m_closed = true;
    if (!m_closingByProgram)
        StopLongWork();
    event->accept();
}

// ---------------------------------------------------------------------------

ProgressWindowView::~ProgressWindowView()
{
    if (m_window)
        m_window->CloseByProgram();
}

void ProgressWindowView::Load()
{
    // A window closed by the user is on its way out: the next loop gets a new one.
    if (!m_window || m_window->closed())
        m_window = new ProgressWindow(progressOwner());
}

void ProgressWindowView::Refresh(const IndicatorState &state, bool clearBar)
{
    if (!m_window || m_window->closed())
        Load();
    m_window->Show(state, clearBar);
}

void ProgressWindowView::Unload()
{
    if (m_window && !m_window->closed())
        m_window->CloseByProgram();
    m_window = nullptr;
}

void ProgressWindowView::StopAllowed(bool canStop)
{
    if (m_window && !m_window->closed())
        m_window->ShowCloseBox(canStop);
}

void InstallProgressWindow()
{
    if (!g_installed)
        g_installed = new ProgressWindowView();
    SetIndicatorView(g_installed);
}

ProgressWindow *CurrentProgressWindow()
{
    ProgressWindow *w = g_installed ? g_installed->window() : nullptr;
    return w && !w->closed() ? w : nullptr;
}
