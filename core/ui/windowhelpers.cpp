#include "core/ui/windowhelpers.h"

#include "platform/screenscale.h"

#include "core/helpers.h"
#include "core/progress.h"
#include "core/settings.h"
#include "platform/numtext.h"
#include "platform/ui/qtdialogs.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <vector>

namespace {

QRect screenRect(const QWidget *w)
{
    const QScreen *s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 1280, 1024);
}

constexpr const char *kPending = "closeAfterLongWork";

// A nested wait has returned: what waits for nothing under way looks again.
void waitEnded();

} // namespace

void CenterForm(QWidget *w)
{
    const QScreen *s = w ? QGuiApplication::primaryScreen() : nullptr;
    if (!s)
        return;
    // A window not shown yet and never sized takes the size its first
    // showing would give it, so that it is centred at that size.
    if (!w->isVisible() && !w->testAttribute(Qt::WA_Resized))
        w->adjustSize();
    KeepTitleWhole(w);
    const QRect geo = s->geometry();
    const double taskbar
        = TaskbarHeight(screen::ToTwips(geo.height()), s->availableGeometry().bottom() + 1,
                        screen::TwipsPerPixel());
    const QPointF p
        = CenterPosition(screen::ToTwips(geo.width()), screen::ToTwips(geo.height()), taskbar,
                         screen::ToTwips(w->width()), screen::ToTwips(w->height()));
    w->move(screen::ToPx(p.x()), screen::ToPx(p.y()));
}

bool IsFormOpen(const QString &caption)
{
    const auto widgets = QApplication::topLevelWidgets();
    for (const QWidget *w : widgets) {
        if (w->isWindow() && w->isVisible() && w->windowTitle() == caption)
            return true;
    }
    return false;
}

void WaitFormClosed(const QString &caption)
{
    while (IsFormOpen(caption)) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    waitEnded();
}

void WaitWindowClosed(QWidget *window)
{
    const QPointer<QWidget> w(window);
    while (w && w->isVisible()) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    waitEnded();
}

void DeleteWhenUnwound(QWidget *window)
{
    if (!window || !window->testAttribute(Qt::WA_DeleteOnClose))
        return;
    // The main loop is level 1; tests run without one (level 0).
    if (QThread::currentThread()->loopLevel() <= 1)
        return; // the close deletes it as usual
    // The deferred delete of a close inside a wait would run as soon as the
    // wait starts its next short loop.
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    const QPointer<QWidget> w(window);
    WhenNothingUnderWay(window, [w] {
        if (w)
            w->deleteLater();
    });
}

bool PutOffCloseWhileWorking(QWidget *window, QCloseEvent *event)
{
    if (!LongWorkRunning())
        return false;
    event->ignore();
    StopLongWork();
    // A second close meanwhile adds no second try.
    if (window->property(kPending).toBool())
        return true;
    window->setProperty(kPending, true);
    const QPointer<QWidget> w(window);
    WhenNothingUnderWay(window, [w] {
        if (!w)
            return;
        w->setProperty(kPending, false);
        // A window hidden meanwhile was closed some other way; one never
        // shown is closed all the same.
        if (w->isVisible() || !w->testAttribute(Qt::WA_WState_ExplicitShowHide))
            w->close();
    });
    return true;
}

bool ClosePutOff(const QWidget *window)
{
    return window && window->property(kPending).toBool();
}

bool WorkOrQuestionUnderWay()
{
    // The main loop is level 1; tests run without one (level 0).
    return LongWorkRunning() || QApplication::activeModalWidget()
        || QApplication::activePopupWidget() || QThread::currentThread()->loopLevel() > 1;
}

namespace {

// What waits for nothing to be under way. Nothing is polled: the waiting is
// looked at again when what is under way ends (the long work's end, the
// hide or deletion of the modal window or popup) and, for a nested loop of
// other code, when the event loop is about to sleep.
class UnderWayWatch : public QObject
{
public:
    static UnderWayWatch &Instance()
    {
        static auto *watch = new UnderWayWatch();
        return *watch;
    }

    void Add(QObject *context, std::function<void()> then)
    {
        m_waiting.push_back({context, std::move(then)});
        if (WorkOrQuestionUnderWay())
            Arm();
        else
            Post();
    }

    void Post()
    {
        if (m_posted || m_waiting.empty())
            return;
        m_posted = true;
        QTimer::singleShot(0, this, [this] {
            m_posted = false;
            Run();
        });
    }

protected:
    bool eventFilter(QObject *target, QEvent *event) override
    {
        if (target == m_watched && event->type() == QEvent::Hide)
            Post();
        return false;
    }

private:
    struct Waiting
    {
        QPointer<QObject> context;
        std::function<void()> then;
    };

    // Runs the first that waits; each runs alone, since it may put work or
    // a question under way for the others.
    void Run()
    {
        while (!m_waiting.empty() && !m_waiting.front().context)
            m_waiting.erase(m_waiting.begin());
        if (m_waiting.empty()) {
            Disarm();
            return;
        }
        if (WorkOrQuestionUnderWay()) {
            Arm();
            return;
        }
        const std::function<void()> then = std::move(m_waiting.front().then);
        m_waiting.erase(m_waiting.begin());
        then();
        if (m_waiting.empty())
            Disarm();
        else
            Post();
    }

    void Arm()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            modal = QApplication::activePopupWidget();
        if (modal != m_watched) {
            if (m_watched)
                m_watched->removeEventFilter(this);
            m_watched = modal;
            if (modal) {
                modal->installEventFilter(this);
                connect(modal, &QObject::destroyed, this, [this] { Post(); });
            }
        }
        if (LongWorkRunning() && !m_onWorkEnd) {
            m_onWorkEnd = true;
            OnLongWorkEnded(this, [this] {
                m_onWorkEnd = false;
                Post();
            });
        }
        if (!m_idle)
            m_idle = connect(QAbstractEventDispatcher::instance(),
                             &QAbstractEventDispatcher::aboutToBlock, this, [this] {
                                 if (!WorkOrQuestionUnderWay())
                                     Post();
                             });
    }

    void Disarm()
    {
        if (m_watched)
            m_watched->removeEventFilter(this);
        m_watched = nullptr;
        disconnect(m_idle);
        m_idle = {};
    }

    std::vector<Waiting> m_waiting;
    QPointer<QWidget> m_watched;
    QMetaObject::Connection m_idle;
    bool m_posted = false;
    bool m_onWorkEnd = false;
};

void waitEnded()
{
    UnderWayWatch::Instance().Post();
}

} // namespace

void WhenNothingUnderWay(QObject *context, std::function<void()> then)
{
    if (context)
        UnderWayWatch::Instance().Add(context, std::move(then));
}

void SetTopMost(QWidget *window)
{
    if (!window)
        return;
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (visible)
        window->show();
}

void SaveWindowPos(QWidget *window, const QString &name)
{
    if (!window)
        return;
    const double k = screen::TwipsPerPixel();
    const QRect screen = screenRect(window);
    const QString value
        = WindowPosText(num::ToLong(window->x() * k), num::ToLong(window->y() * k),
                        num::ToLong(window->width() * k), num::ToLong(window->height() * k),
                        num::ToLong(screen.width() * k));
    SaveWindowPosText(name, value);
}

void LoadWindowPos(QWidget *window, const QString &name)
{
    if (!window)
        return;
    const double k = screen::TwipsPerPixel();
    const QRect screen = screenRect(window);
    const WindowPlacement plan
        = PlanWindowPos(ReadParam(QString::fromUtf8(kWindowPosPrefix) + name),
                        num::ToLong(screen.width() * k), num::ToLong(screen.height() * k));
    if (plan.move)
        window->move(num::ToLong(plan.left / k), num::ToLong(plan.top / k));
    if (plan.resize)
        window->resize(num::ToLong(plan.width / k), num::ToLong(plan.height / k));
}

void FillHistoryCombo(QComboBox *combo, qint64 controlId)
{
    if (!combo)
        return;
    const QString text = combo->currentText();
    const QStringList values = HistoryValues(controlId);
    combo->clear();
    combo->addItems(values);
    if (combo->isEditable())
        combo->setEditText(text);
    else
        combo->setCurrentIndex(int(values.indexOf(text)));
}
