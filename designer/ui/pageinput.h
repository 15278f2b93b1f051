#pragma once
// Turns the Qt events of the page and of the design-control widgets on it
// into the editor's handlers (button, shift, twips), and shows what the
// editor keeps: pointer shapes, tool tips, the rubber band and the history
// drop-down. Qt delivers events the designer must not see: a double click
// is no second press, focus that goes to a pop-up menu or another window is
// not leaving an input box, and presses on labels stay with the label
// instead of reaching the page below it.

#include "designer/pageeditor.h"

#include <QObject>
#include <QPointer>

class QComboBox;
class QWidget;

namespace dsg {

class PageWidget;

class PageInput : public QObject, public EditorView
{
    Q_OBJECT
public:
    PageInput(MainState &state, PageWidget *page);
    ~PageInput() override;

    PageEditor &Editor() { return m_editor; }
    QComboBox *HistoryComboWidget() const { return m_comb; }

    // EditorView
    int PopupAtPage(const QStringList &items, double x, double y,
                    const QList<int> &disabled) override;
    void PointersChanged() override;
    void BandChanged() override;
    void HistoryComboChanged() override;
    QPoint TextSelection(qint32 index) const override;
    void SetTextSelection(qint32 index, qint32 start, qint32 length) override;

    // The window's commands behind the menu items (none: not available).
    std::function<void(int cls, qint32 row)> propertyDialog;
    std::function<void()> importBackground, clearBackground;

    void ShowPropertyDialog(int cls, qint32 row) override;
    void ImportBackground(const QString &formatName) override;
    void ClearBackground(const QString &formatName) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Watch(QWidget *w);
    bool ControlEvent(QWidget *ctl, qint32 index, QObject *watched, QEvent *event);

    PageEditor m_editor;
    QPointer<PageWidget> m_page;
    QWidget *m_band = nullptr;
    QComboBox *m_comb = nullptr;
    bool m_syncing = false;
};

// Windows' virtual key code of a Qt key (the arrows 37 to 40), 0 for keys
// the designer does not use.
int VirtualKey(int qtKey);

} // namespace dsg
