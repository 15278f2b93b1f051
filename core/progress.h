#pragma once
// The progress indicator shown by every long loop: ShowIndicator before the
// loop, StepIndicator after each item, CloseIndicator at the end. The state
// and texts are computed here; a window (installed by the user interface)
// shows them. IndicatorShown() turns false when the user closes the window,
// which is how the cancellable loops (CancellableWork) learn to stop.
// A step draws the window and lets the event loop run at most every
// kIndicatorDrawMs (and always at the first step after ShowIndicator and at
// the step that reaches the total), so a loop of many small items costs
// little more than the items. The texts of the steps in between are
// worked out when Indicator() is read.
// A loop that lets the event loop run holds a LongWork for its length: a
// window that a close would delete while such work uses it puts the close
// off until the work has ended (core/ui/windowhelpers).

#include <QDateTime>
#include <QString>
#include <QObject>
#include <functional>

// The least time between two drawings of the window by StepIndicator.
constexpr qint64 kIndicatorDrawMs = 50;

struct IndicatorState
{
    QString caption; // IndicatorCaption
    qint32 total = 0; // IndicatorTotal
    qint32 position = 0; // IndicatorPosition
    QDateTime start; // IndicatorStart
    bool shown = false; // IndicatorShown
    QString percentText = QStringLiteral("0%");
    QString counterText; // L1, "(12/40)"
    QString timesText; // L2, "1:5/2:10/3:15"
};

// What a progress window does; the window calls IndicatorClosedByUser() when
// the user closes it.
class IndicatorView
{
public:
    virtual ~IndicatorView() = default;
    virtual void Load() = 0; // create and centre the window
    virtual void Refresh(const IndicatorState &state, bool clearBar) = 0;
    virtual void Unload() = 0;
    // Long work began (true) or ended (false): meanwhile the windows that
    // were open when it began take no input, as under a modal window, so no
    // command starts on a window or a grid the work is using.
    virtual void WorkRunning(bool running) { (void)running; }
};

void SetIndicatorView(IndicatorView *view);
// A duration in seconds as "d:h:m:s" with up to two leading "0:" parts
// dropped: 5 -> "0:5", 65 -> "1:5", 3725 -> "1:2:5"; 0 or less -> "0:0".
QString FormatSeconds(qint64 seconds);
// The clock used for the times; tests fix it.
void SetIndicatorClock(std::function<QDateTime()> clock);

void ShowIndicator(const QString &caption, qint32 total, qint32 &start);
void ShowIndicator(const QString &caption, qint32 total);
void StepIndicator(qint32 n, const QString &mode);
void CloseIndicator();
void DrawIndicatorBar(qint32 position);
bool IndicatorShown();
// The state with the texts of the last step.
const IndicatorState &Indicator();
// Called by the window when the user closes it.
void IndicatorClosedByUser();
// Whether the user closed the window since it was last shown and the work
// has not closed it yet: a read that starts just after such a close (its
// window gone already) is cancelled too.
bool IndicatorClosedByUserSinceShown();

// Marks long work that lets the event loop run (a loop under the progress
// window, a download) for its lifetime; nests.
class LongWork
{
public:
    LongWork();
    ~LongWork();
    LongWork(const LongWork &) = delete;
    LongWork &operator=(const LongWork &) = delete;
};
bool LongWorkRunning();
// Marks, for its lifetime, a loop that stops once IndicatorShown() turns
// false (a read, a download, a batch print); nests. Only meanwhile can the
// user close the progress window: the window of work that cannot stop
// stays until the work ends.
class CancellableWork
{
public:
    CancellableWork();
    ~CancellableWork();
    CancellableWork(const CancellableWork &) = delete;
    CancellableWork &operator=(const CancellableWork &) = delete;
};
bool WorkCanStop();
// Stops the running work as the user's close of the progress window does:
// the window goes and IndicatorShown() turns false. Nothing while no
// cancellable loop runs: that work runs to its end under its window.
void StopLongWork();
