#pragma once
// The page PG: a child of its frame PFrm, placed and sized from the page
// geometry of the main state. It paints the background picture, the ruler
// grid and the lines of the format, and carries one widget per input box,
// check box, picture box and fixed label plus the prompt labels, each placed
// from the control's twips. Mouse events reach the designer's handlers as
// button, shift and position in twips through one adapter.

#include "designer/mainstate.h"

#include <QWidget>
#include <functional>
#include <unordered_map>

class QLabel;

namespace dsg {

class PageWidget : public QWidget, public ControlObserver
{
    Q_OBJECT
public:
    PageWidget(MainState &state, QWidget *parent);
    ~PageWidget() override;

    // Places and sizes the page from the model.
    void SyncGeometry();

    // The widget of a control (nullptr for lines and unknown indexes) and
    // the prompt label of an index.
    QWidget *ControlWidget(qint32 index) const;
    QLabel *PromptWidget(qint32 index) const;

    // The mouse adapter: kind 0 down, 1 move, 2 up, 3 double click;
    // button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt;
    // x and y in twips on the page.
    using MouseHandler = std::function<void(int kind, int button, int shift, double x, double y)>;
    void SetMouseHandler(MouseHandler h) { m_mouse = std::move(h); }

    // ControlObserver
    void ControlLoaded(DesignControl &ctl) override;
    void ControlChanged(DesignControl &ctl) override;
    void ControlUnloading(DesignControl &ctl) override;
    void LabelChanged(qint32 index, PromptLabel &label) override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void SendMouse(int kind, QMouseEvent *event);
    void ApplyLook(QWidget *w, const DesignControl &ctl);

    MainState &m_state;
    std::unordered_map<qint32, QWidget *> m_widgets;
    std::unordered_map<qint32, QLabel *> m_labels;
    MouseHandler m_mouse;
    bool m_syncing = false;
};

} // namespace dsg
