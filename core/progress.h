#pragma once
// The progress indicator shown by every long loop: ShowIndicator before the
// loop, StepIndicator after each item, CloseIndicator at the end. The state
// and texts are computed here; a window (installed by the user interface)
// shows them. IndicatorShown() turns false when the user closes the window;
// the loops that can stop watch the token of their LongWork (below).
// A step draws the window and lets the event loop run at most every
// kIndicatorDrawMs (and always at the first step after ShowIndicator and at
// the step that reaches the total), so a loop of many small items costs
// little more than the items. The texts of the steps in between are
// worked out when Indicator() is read.

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

// What a progress window does; the window calls StopLongWork() when the
// user closes it.
class IndicatorView
{
public:
    virtual ~IndicatorView() = default;
    virtual void Load() = 0; // create and centre the window
    virtual void Refresh(const IndicatorState &state, bool clearBar) = 0;
    virtual void Unload() = 0;
    // Whether the running work can be stopped changed (work began or ended):
    // the window shows its close box only while it can.
    virtual void StopAllowed(bool canStop) { (void)canStop; }
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
// Whether the user may stop a piece of long work (by closing the progress
// window or the main window): only where nothing has been changed yet or
// where what was done can be said (a read, a download, a batch print).
enum class WorkStop { Cannot, Can };

// Long work that lets the event loop run (a loop under the progress window,
// a download), declared where it begins and held for its length. The
// outermost stoppable work owns a stop token that the work nested in it
// joins: a stop of a download inside a format download stops both. The
// user can stop the work only while the innermost running work can stop;
// the progress window has a close box only then. A stoppable work nested
// in one that cannot stop has a token of its own.
// Meanwhile the progress window is application-modal: the other windows
// take no input, and a close of a window that the work uses is put off
// (core/ui/windowhelpers).
class LongWork
{
public:
    explicit LongWork(WorkStop stop = WorkStop::Cannot);
    // Also shows the progress window (caption, total) and closes it at the end.
    LongWork(const QString &caption, qint32 total, WorkStop stop);
    ~LongWork();
    LongWork(const LongWork &) = delete;
    LongWork &operator=(const LongWork &) = delete;
    // The stop token: true once the user stopped this work or the work it joined.
    bool Stopped() const;

private:
    bool m_canStop;
    bool m_outerCanStop;
    bool m_ownsIndicator = false;
};
bool LongWorkRunning();
// Runs `then` once, when the outermost running work has ended (not when
// `context` is gone by then).
void OnLongWorkEnded(QObject *context, std::function<void()> then);
// The stop token of the running work (false when none runs).
bool WorkStopped();
// Whether the innermost running work can be stopped.
bool WorkStopAllowed();
// Stops the running work as the user's close of the progress window does:
// the token is set, the window goes and IndicatorShown() turns false. False
// (and nothing done) when the innermost work cannot stop or none runs.
bool StopLongWork();
