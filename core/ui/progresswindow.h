#pragma once
// The progress window "进度指示器": the caption label, the item counter, the
// bar with the percentage and the times on it. It shows what the progress
// state holds. It is application-modal and transient for the window that was
// active when it opened; it has a close box only while the running work can
// stop, and closing it stops that work (StopLongWork).

#include "core/progress.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

class QLabel;

// The bar: a picture that keeps what was drawn on it until it is cleared.
class IndicatorBar : public QWidget
{
    Q_OBJECT
public:
    explicit IndicatorBar(QWidget *parent = nullptr);
    void Clear();
    // Fills from the left edge to fraction × width over the full height.
    void FillTo(double fraction);
    const QImage &picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage m_picture;
};

class ProgressWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget *parent = nullptr);

    void Show(const IndicatorState &state, bool clearBar);
    // Closes without counting as the user's close.
    void CloseByProgram();
    void ShowCloseBox(bool on);
    bool closed() const { return m_closed; }

    QLabel *LBL = nullptr;
    QLabel *L1 = nullptr;
    IndicatorBar *Pic = nullptr;
    QLabel *Percent = nullptr;
    QLabel *L2 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool m_closingByProgram = false;
    bool m_closed = false;
};

// The IndicatorView that creates the window on Load and destroys it on Unload.
class ProgressWindowView : public IndicatorView
{
public:
    ~ProgressWindowView() override;
    void Load() override;
    void Refresh(const IndicatorState &state, bool clearBar) override;
    void Unload() override;
    void StopAllowed(bool canStop) override;
    ProgressWindow *window() const { return m_window; }

private:
    QPointer<ProgressWindow> m_window;
};

// Installs the progress window as the indicator's view (once, at start-up).
void InstallProgressWindow();
// The window while it is loaded, else nullptr.
ProgressWindow *CurrentProgressWindow();
