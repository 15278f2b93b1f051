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
#include <algorithm>
#include <vector>

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

ProgressWindow::ProgressWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("进度指示器"));
    setAttribute(Qt::WA_DeleteOnClose);
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

void ProgressWindow::closeEvent(QCloseEvent *event)
{
    // Work that cannot stop keeps its window to its end.
    if (!m_closingByProgram && !WorkCanStop()) {
        event->ignore();
        return;
    }
    if (!m_closingByProgram)
        IndicatorClosedByUser();
    m_closed = true;
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
        m_window = new ProgressWindow();
}

void ProgressWindowView::Refresh(const IndicatorState &state, bool clearBar)
{
    if (!m_window || m_window->closed())
        Load();
    m_window->Show(state, clearBar);
}

void ProgressWindowView::Unload()
{
    if (m_window)
        m_window->CloseByProgram();
    m_window = nullptr;
}

namespace {

// Drops the user's input (mouse, keys, wheel, shortcuts, input methods) to
// the windows that were shown when long work began; the progress window and
// windows the work opens itself (questions, file dialogs) take theirs.
class InputBlock : public QObject
{
public:
    InputBlock()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && !qobject_cast<ProgressWindow *>(w))
                m_blocked.push_back(w);
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *target, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::InputMethod: // an input method's typed text
            break;
        default:
            return false;
        }
        if (!target->isWidgetType())
            return false;
        const QWidget *window = static_cast<QWidget *>(target)->window();
        return std::any_of(m_blocked.begin(), m_blocked.end(),
                           [window](const QPointer<QWidget> &w) { return w == window; });
    }

private:
    std::vector<QPointer<QWidget>> m_blocked;
};

} // namespace

void ProgressWindowView::WorkRunning(bool running)
{
    if (running && QApplication::instance())
        m_inputBlock = std::make_unique<InputBlock>();
    else
        m_inputBlock.reset();
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
