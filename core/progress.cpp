#include "core/progress.h"

#include "platform/numtext.h"

#include <QCoreApplication>
#include <cmath>

namespace {

IndicatorState g_state;
IndicatorView *g_view = nullptr;
std::function<QDateTime()> g_clock;

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
    g_state.caption = caption;
    g_state.total = total;
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
    refresh(false);
    pumpEvents();
}

void StepIndicator(qint32 n, const QString &mode)
{
    if (g_state.total < 1)
        g_state.total = 1;
    const qint64 p = qint64(g_state.position) + n;
    const double f = std::floor(double(p) / g_state.total * 1000.0) / 1000.0;
    g_state.percentText = num::Str(f * 100) + u'%';
    if (!mode.isEmpty()) {
        if (mode.compare(QLatin1String("pages"), Qt::CaseInsensitive) == 0) {
            if (f >= 0.001) {
                const qint64 e = g_state.start.isValid() ? g_state.start.secsTo(now()) : 0;
                const qint64 t = num::RoundToInt64(double(e) / f);
                g_state.timesText
                    = FormatSeconds(e) + u'/' + FormatSeconds(t - e) + u'/' + FormatSeconds(t);
                g_state.counterText = QStringLiteral("(%1/%2)").arg(p).arg(g_state.total);
            }
        } else {
            g_state.caption = mode;
        }
    }
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
    return g_state;
}

void IndicatorClosedByUser()
{
    g_state.shown = false;
}
