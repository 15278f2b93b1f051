#pragma once
// The progress indicator shown by every long loop: ShowIndicator before the
// loop, StepIndicator after each item, CloseIndicator at the end. The state
// and texts are computed here; a window (installed by the user interface)
// shows them. IndicatorShown() turns false when the user closes the window,
// which is how the cancellable loops learn to stop.

#include <QDateTime>
#include <QString>
#include <functional>

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
const IndicatorState &Indicator();
// Called by the window when the user closes it.
void IndicatorClosedByUser();
