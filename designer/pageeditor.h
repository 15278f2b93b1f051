#pragma once
// The designer's mouse and keyboard on the page: the handlers that the
// page and its design controls call with the original event values (button
// 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt; x and y in twips
// of the control or page that got the event). They select (Ctrl+click,
// rubber band), drag and resize through the drag engine, hover and drag
// lines, open the pop-up menus with the items that fit, hand arrow keys on,
// and carry the input boxes in use (link highlight, key filter, tick-only
// boxes, the drop-down of earlier values, leaving a box).
//
// The page's mode lives in its pointer shape between events (0 nothing
// under the pointer, 2 a line's body, 5 a line's first end, 8 its second
// end). The window shows the state kept here through EditorView.

#include "designer/selection.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <unordered_map>

namespace dsg {

class MainState;
struct DesignControl;

// The history drop-down COMB as the window shows it (twips on the page).
struct HistoryCombo
{
    bool visible = false;
    qint32 left = 0, top = 0, width = 0;
    QString tag; // index of the input box it serves
    QString text;
    qint64 controlId = 0; // the box whose history the list offers
};

// What the window does for the editor.
class EditorView
{
public:
    virtual ~EditorView() = default;
    // A pop-up menu ("-" separators, disabled items greyed) at a page point
    // in twips; the chosen item or -1. The default asks the dialog seam at
    // that point.
    virtual int PopupAtPage(const QStringList &items, double x, double y,
                            const QList<int> &disabled);
    // The page's or a control's pointer shape, tool tip or the band changed.
    virtual void PointersChanged() { }
    virtual void BandChanged() { }
    // A control (index 0: the page) is disabled while its menu is open.
    virtual void ControlEnabled(qint32, bool) { }
    virtual void HistoryComboChanged() { }
    // The selected characters of an input box (start, length) and putting
    // a caret or selection back.
    virtual QPoint TextSelection(qint32) const { return {}; }
    virtual void SetTextSelection(qint32, qint32, qint32) { }
    // The property dialog of a control's class for its row (mCtlSet).
    virtual void ShowPropertyDialog(int cls, qint32 row);
    // The background-picture commands of the page menu.
    virtual void ImportBackground(const QString &formatName);
    virtual void ClearBackground(const QString &formatName);
};

// The message of a command whose part is not in this build yet.
void NotAvailableYet();

class PageEditor
{
public:
    explicit PageEditor(MainState &state);

    void SetView(EditorView *view) { m_view = view ? view : &m_defaultView; }

    // ---- design controls (index = class * 1000 + n) ----
    void CtlMouseDown(qint32 index, int button, int shift, double x, double y);
    void CtlMouseMove(qint32 index, int button, int shift, double x, double y);
    // PG_Click, CC_Click, II_Click: the drop-down goes.
    void HideHistoryCombo();
    // A left click on a check box: the tick flips (not on Ctrl+click, which
    // selects), and the drop-down goes.
    void CC_Click(qint32 index, int shift);

    // ---- the page ----
    void PG_MouseDown(int button, int shift, double x, double y);
    void PG_MouseMove(int button, int shift, double x, double y);
    void PG_MouseUp(int button, int shift, double x, double y);
    // PG_KeyDown and TT_KeyDown: CtlKeyMove for every key.
    void KeyDown(int keyCode, int shift);

    // ---- input boxes in use ----
    void TT_GotFocus(qint32 index);
    void TT_Click(qint32 index);
    void TT_DblClick(qint32 index);
    // The key is dropped when the code comes back 0.
    void TT_KeyPress(qint32 index, int &keyCode);
    void TT_LostFocus(qint32 index);
    // COMB_Change / COMB_Click with the chosen text; COMB_LostFocus.
    void COMB_Change(const QString &text);
    void COMB_LostFocus();
    const HistoryCombo &Combo() const { return m_comb; }

    // ---- drag engine and line hit test ----
    void CtlMouseDrag(DesignControl &ctl, int button, double x, double y, qint32 lock,
                      bool resizable);
    // The first line under the point (nullptr when none); zone gets the hit
    // code of the last line tested.
    DesignControl *LineHoverHint(int button, double x, double y, int &zone);

    // ---- pop-up menus ----
    // The control menu on a control (its items set by class) and the page menu.
    void ShowControlMenu(DesignControl &ctl, double pageX, double pageY);
    void ShowPageMenu(double pageX, double pageY);
    // The control that the last control menu was opened on (index, 0 none).
    qint32 MenuCtl() const { return m_menuCtl; }
    void SetMenuCtl(qint32 index) { m_menuCtl = index; }

    // ---- state shown by the window ----
    int PagePointer() const { return m_pagePointer; }
    void SetPagePointer(int p);
    int CtlPointer(qint32 index) const;
    const QString &PageToolTip() const { return m_pageTip; }
    const Band &CurrentBand() const { return m_band; }
    bool BandShown() const { return m_bandShown; }
    qint32 DragX() const { return m_dragX; }
    qint32 DragY() const { return m_dragY; }
    qint32 HoverLine() const { return m_hoverLine; }
    // Whether focus events are passing through a pop-up menu.
    bool InPopup() const { return m_disabled != -1; }

private:
    qint32 Locked() const;
    void SetCtlPointer(DesignControl &ctl, int p, const QString *tip);
    void ClearLinkHighlights();

    MainState &m_state;
    EditorView m_defaultView;
    EditorView *m_view = &m_defaultView;
    int m_pagePointer = 0;
    std::unordered_map<qint32, int> m_ptr;
    QString m_pageTip;
    Band m_band;
    bool m_bandShown = false;
    qint32 m_dragX = 0, m_dragY = 0;
    qint32 m_hoverLine = 0;
    qint32 m_menuCtl = 0;
    qint32 m_disabled = -1; // the control disabled while its menu is open
    HistoryCombo m_comb;
};

// The link-highlight colours (0x00BBGGRR) and the normal input box ground.
inline constexpr qint32 kChainColor = 0xAAAAFF; // light red: the related chain
inline constexpr qint32 kAddColor = 0xAAFFAA; // light green: adds into the box
inline constexpr qint32 kMultiplyColor = 0xFFAAAA; // light blue: multiplies into it
inline constexpr qint32 kWhite = 0xFFFFFF;

} // namespace dsg
