#include "core/progress.h"

#include "platform/numtext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cmath>
#include <optional>
#include <QPointer>
#include <vector>

namespace {

IndicatorState g_state;
IndicatorView *g_view = nullptr;
std::function<QDateTime()> g_clock;
// Since the window was last drawn; invalid until the first step after a show.
QElapsedTimer g_drawn;
// The texts lag behind the position (steps that were not drawn).
bool g_textsDue = false;
// The position of the last "pages" step whose times and counter are due.
std::optional<qint64> g_pagesDue;

int g_longWork = 0;
// Whether the innermost running work can stop, and the token it shares.
bool g_canStop = false;
bool g_stopped = false;
std::vector<std::pair<QPointer<QObject>, std::function<void()>>> g_onEnded;

QDateTime now()
{
    return g_clock ? g_clock() : QDateTime::currentDateTime();
}

void pumpEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void refresh(bool clearBar)
{
    if (g_view && g_state.shown)
        g_view->Refresh(g_state, clearBar);
}

// The fraction done, cut down to a thousandth.
double fractionDone(qint64 p)
{
    return std::floor(double(p) / g_state.total * 1000.0) / 1000.0;
}

// Brings the texts up to the last step.
void syncTexts()
{
    if (!g_textsDue)
        return;
    g_textsDue = false;
    g_state.percentText = num::Str(fractionDone(g_state.position) * 100) + u'%';
    if (!g_pagesDue)
        return;
    const qint64 p = *g_pagesDue;
    g_pagesDue.reset();
    const double f = fractionDone(p);
    if (f < 0.001)
        return;
    const qint64 e = g_state.start.isValid() ? g_state.start.secsTo(now()) : 0;
    const qint64 t = num::RoundToInt64(double(e) / f);
    g_state.timesText = FormatSeconds(e) + u'/' + FormatSeconds(t - e) + u'/' + FormatSeconds(t);
    g_state.counterText = QStringLiteral("(%1/%2)").arg(p).arg(g_state.total);
}

} // namespace

// A duration as "d:h:m:s" with the leading "0:" parts dropped (at most two).
QString FormatSeconds(qint64 n)
{
    qint64 d = 0, h = 0, m = 0, s = 0;
    if (n > 0) {
        s = n % 60;
        qint64 t = n / 60;
        if (t >= 1) {
            m = t % 60;
            t /= 60;
            if (t >= 1) {
                h = t % 60;
                t /= 60;
                if (t >= 1)
                    d = t % 24;
            }
        }
    }
    QString text = QStringLiteral("%1:%2:%3:%4").arg(d).arg(h).arg(m).arg(s);
    for (int i = 0; i < 2 && text.startsWith(QLatin1String("0:")); ++i)
        text.remove(0, 2);
    return text;
}

void SetIndicatorView(IndicatorView *view)
{
    g_view = view;
}

void SetIndicatorClock(std::function<QDateTime()> clock)
{
    g_clock = std::move(clock);
}

void ShowIndicator(const QString &caption, qint32 total, qint32 &start)
{
    syncTexts();
    g_state.caption = caption;
    g_state.total = total;
    g_drawn.invalidate(); // the first step is drawn
    if (!g_state.shown) {
        // A window just loaded shows its design texts until the first step.
        g_state.percentText = QStringLiteral("0%");
        g_state.counterText.clear();
        g_state.timesText.clear();
        g_state.shown = true;
        if (g_view)
            g_view->Load();
    }
    pumpEvents();
    if (start < 0)
        start = g_state.position;
    g_state.position = start;
    refresh(true);
    g_state.start = now();
    pumpEvents();
}

void ShowIndicator(const QString &caption, qint32 total)
{
    qint32 start = 0;
    ShowIndicator(caption, total, start);
}

void DrawIndicatorBar(qint32 position)
{
    g_state.position = position;
    syncTexts();
    refresh(false);
    pumpEvents();
    g_drawn.start();
}

void StepIndicator(qint32 n, const QString &mode)
{
    if (g_state.total < 1)
        g_state.total = 1;
    const qint64 p = qint64(g_state.position) + n;
    g_textsDue = true;
    if (!mode.isEmpty()) {
        if (mode.compare(QLatin1String("pages"), Qt::CaseInsensitive) == 0)
            g_pagesDue = p;
        else
            g_state.caption = mode;
    }
    g_state.position = qint32(p);
    if (!g_drawn.isValid() || p >= g_state.total || g_drawn.elapsed() >= kIndicatorDrawMs)
        DrawIndicatorBar(qint32(p));
}

void CloseIndicator()
{
    pumpEvents();
    if (g_state.shown) {
        g_state.shown = false;
        if (g_view)
            g_view->Unload();
    }
}

bool IndicatorShown()
{
    return g_state.shown;
}

const IndicatorState &Indicator()
{
    syncTexts();
    return g_state;
}

LongWork::LongWork(WorkStop stop)
    : m_canStop(stop == WorkStop::Can)
    , m_outerCanStop(g_canStop)
{
    // Stoppable work inside stoppable work joins its token.
    if (m_canStop && !(g_longWork > 0 && m_outerCanStop))
        g_stopped = false;
    ++g_longWork;
    g_canStop = m_canStop;
    if (g_view && (g_longWork == 1 || m_canStop != m_outerCanStop))
        g_view->StopAllowed(m_canStop);
}

LongWork::LongWork(const QString &caption, qint32 total, WorkStop stop)
    : LongWork(stop)
{
    m_ownsIndicator = true;
    ShowIndicator(caption, total);
}

LongWork::~LongWork()
{
    if (m_ownsIndicator)
        CloseIndicator();
    --g_longWork;
    g_canStop = g_longWork > 0 && m_outerCanStop;
    if (g_view && g_canStop != m_canStop)
        g_view->StopAllowed(g_canStop);
    if (g_longWork == 0) {
        auto ended = std::move(g_onEnded);
        g_onEnded.clear();
        for (auto &[context, then] : ended)
            if (context)
                then();
    }
}

void OnLongWorkEnded(QObject *context, std::function<void()> then)
{
    g_onEnded.emplace_back(context, std::move(then));
}

bool LongWork::Stopped() const
{
    return g_stopped;
}

bool LongWorkRunning()
{
    return g_longWork > 0;
}

bool WorkStopped()
{
    return g_longWork > 0 && g_stopped;
}

bool WorkStopAllowed()
{
    return g_longWork > 0 && g_canStop;
}

bool StopLongWork()
{
    if (!WorkStopAllowed())
        return false;
    g_stopped = true;
    if (g_state.shown) {
        g_state.shown = false;
        if (g_view)
            g_view->Unload();
    }
    return true;
}
