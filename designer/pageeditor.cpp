#include "designer/pageeditor.h"

#include "core/controlrow.h"
#include "core/helpers.h"
#include "designer/controlops.h"
#include "designer/linehit.h"
#include "designer/mainstate.h"
#include "designer/popupmenu.h"
#include "designer/recordservices.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"
#include "properties/ctlaccessors.h"

#include <cmath>
#include <functional>
#include <vector>

namespace dsg {

namespace {

const QString kMoveTip
    = QStringLiteral("提示：按住鼠标左键(别松开),拖动鼠标,即可移动本输入框位置。");
const QString kSizeTip
    = QStringLiteral("提示：按住鼠标左键(别松开),拖动鼠标,即可改变本输入框大小。");
const QString kTextTip = QStringLiteral("提示：点击鼠标左键,可以输入内容。");
const QString kLineTip = QStringLiteral("提示：按住鼠标左键(别松开),拖动鼠标,即可拖动本线条。");
const QString kBandTip = QStringLiteral("按住鼠标左键并拖动鼠标可以选中需要修改的输入框。");
const QString kKeyTip
    = QStringLiteral("箭头键->移动位置，Shift+箭头键->改变控件大小，Ctrl+箭头键->改变字体大小！");

qint32 Whole(double v)
{
    return num::ToLong(v);
}

struct MenuItem
{
    QString caption; // "-" for a separator
    std::function<void()> run;
    bool enabled = true;
};

int Popup(EditorView &view, const std::vector<MenuItem> &items, double x, double y)
{
    QStringList captions;
    QList<int> disabled;
    for (const MenuItem &m : items) {
        if (!m.enabled)
            disabled << int(captions.size());
        captions << m.caption;
    }
    return view.PopupAtPage(captions, x, y, disabled);
}

} // namespace

void NotAvailableYet()
{
    dialogs().Message(QStringLiteral("该功能尚未提供。"));
}

int EditorView::PopupAtPage(const QStringList &items, double x, double y,
                            const QList<int> &disabled)
{
    return dialogs().PopupMenu(items, QPoint(Whole(x), Whole(y)), disabled);
}

void EditorView::ShowPropertyDialog(int, qint32)
{
    NotAvailableYet();
}

void EditorView::ImportBackground(const QString &)
{
    NotAvailableYet();
}

void EditorView::ClearBackground(const QString &)
{
    NotAvailableYet();
}

PageEditor::PageEditor(MainState &state)
    : m_state(state)
{ }

qint32 PageEditor::Locked() const
{
    return m_state.Option(2);
}

void PageEditor::SetPagePointer(int p)
{
    if (m_pagePointer == p)
        return;
    m_pagePointer = p;
    m_view->PointersChanged();
}

int PageEditor::CtlPointer(qint32 index) const
{
    auto it = m_ptr.find(index);
    return it == m_ptr.end() ? 0 : it->second;
}

void PageEditor::SetCtlPointer(DesignControl &k, int p, const QString *tip)
{
    const bool changed = CtlPointer(k.index) != p;
    m_ptr[k.index] = p;
    if (tip && k.toolTip != *tip) {
        k.toolTip = *tip;
        m_state.Controls().Changed(k);
    }
    if (changed)
        m_view->PointersChanged();
}

// ------------------------------------------------------------ design controls

void PageEditor::ClearLinkHighlights()
{
    DesignControls &ctls = m_state.Controls();
    for (qint32 n = 1; n <= ctls.Count(InputBox); ++n)
        if (DesignControl *t = ctls.GetCtlByIndex(n))
            if (t->backColor == kChainColor || t->backColor == kAddColor
                || t->backColor == kMultiplyColor) {
                t->backColor = kWhite;
                ctls.Changed(*t);
            }
}

void PageEditor::CtlMouseDown(qint32 index, int button, int shift, double x, double y)
{
    DesignControl *k = m_state.GetCtlByIndex(index);
    if (!k || k->cls == LineCtl)
        return;
    if (k->cls == InputBox && shift != 2)
        ClearLinkHighlights();
    if (button != 2) {
        if (shift == 2) {
            FlipSelection(m_state, *k);
            // The border changed: the picture or bar code is drawn again.
            if (k->cls == PictureBox) {
                SetPictureContent(m_state, *k, k->linkItem);
                m_state.Controls().Changed(*k);
            }
        }
        if (k->cls == CheckBox || k->cls == PictureBox)
            HideHistoryCombo();
        return;
    }
    ShowControlMenu(*k, k->left + x + 20, k->top + y);
}

void PageEditor::CtlMouseMove(qint32 index, int button, int, double x, double y)
{
    DesignControl *k = m_state.GetCtlByIndex(index);
    if (!k || k->cls == LineCtl)
        return;
    CtlMouseDrag(*k, button, x, y, Locked(), k->cls != CheckBox);
    if (k->cls == PictureBox && Locked() == 0 && button == 1) {
        SetPictureContent(m_state, *k, k->linkItem);
        m_state.Controls().Changed(*k);
    }
}

void PageEditor::CC_Click(qint32 index, int shift)
{
    if (DesignControl *k = m_state.GetCtlByIndex(index); k && k->cls == CheckBox && shift != 2) {
        k->value = k->value == 0 ? 1 : 0;
        m_state.Controls().Changed(*k);
    }
    HideHistoryCombo();
}

void PageEditor::HideHistoryCombo()
{
    if (!m_comb.visible)
        return;
    m_comb.visible = false;
    m_view->HistoryComboChanged();
}

// ----------------------------------------------------------------- drag engine

void PageEditor::CtlMouseDrag(DesignControl &k, int button, double x, double y, qint32 lock,
                              bool resizable)
{
    if (lock == 1) {
        if (k.cls != LineCtl)
            SetCtlPointer(k, kPointerDefault, nullptr);
        return;
    }
    const bool beyond = std::fabs(x - m_dragX) > 12 || std::fabs(y - m_dragY) > 12;
    if (button == 1) {
        if (k.cls == LineCtl) {
            if (beyond) {
                MoveSelectedCtls(m_state, Whole(x - m_dragX), Whole(y - m_dragY), k.index,
                                 m_pagePointer);
                m_dragX = Whole(x);
                m_dragY = Whole(y);
            }
            return;
        }
        const int p = CtlPointer(k.index);
        if ((p == kPointerMove || m_pagePointer == kPointerCross) && beyond)
            // The grabbed point is under the pointer again after the move, so
            // the reference stays.
            MoveSelectedCtls(m_state, Whole(x - m_dragX), Whole(y - m_dragY), k.index,
                             m_pagePointer);
        if (p == kPointerSize && beyond) {
            SizeSelectedCtls(m_state, Whole(x - m_dragX), Whole(y - m_dragY), k.index);
            m_dragX = Whole(x);
            m_dragY = Whole(y);
        }
        return;
    }
    if (k.cls == LineCtl)
        return;
    if (x < 100 && y < 100) {
        SetCtlPointer(k, kPointerMove, &kMoveTip);
    } else if (x > k.width - 100 && y > k.height - 100) {
        if (!resizable)
            return;
        SetCtlPointer(k, kPointerSize, &kSizeTip);
    } else {
        SetCtlPointer(k, kPointerText, &kTextTip);
    }
    m_dragX = Whole(x);
    m_dragY = Whole(y);
}

DesignControl *PageEditor::LineHoverHint(int button, double x, double y, int &zone)
{
    zone = kLineMiss;
    if (Locked() != 0)
        return nullptr;
    DesignControls &ctls = m_state.Controls();
    DesignControl *found = nullptr;
    for (qint32 i = 3001; i <= 3000 + ctls.Count(LineCtl); ++i) {
        DesignControl *l = ctls.GetCtlByIndex(i);
        if (!l)
            continue;
        zone = IsPointOnLine(*l, x, y, screen::TwipsPerPixel());
        if (zone >= 0) {
            found = l;
            break;
        }
    }
    if (found) {
        if (zone == kLineFirstEnd)
            SetPagePointer(kPointerMove);
        else if (zone == kLineBody && m_pagePointer == kPointerDefault)
            SetPagePointer(kPointerCross);
        else if (zone == kLineSecondEnd)
            SetPagePointer(kPointerSize);
        m_dragX = Whole(x);
        m_dragY = Whole(y);
        if (m_pageTip != kLineTip) {
            m_pageTip = kLineTip;
            m_view->PointersChanged();
        }
        return found;
    }
    if (button != 1 && m_pagePointer != kPointerDefault)
        SetPagePointer(kPointerDefault);
    return nullptr;
}

// ----------------------------------------------------------------------- page

void PageEditor::PG_MouseDown(int button, int shift, double x, double y)
{
    if (button != 2) {
        HideHistoryCombo();
        if (Locked() == 1) {
            // Locked: no band and no line toggle, but a plain click still
            // ends the selection, whose look would otherwise stay.
            if (shift != 2)
                SelectAllInRect(m_state, {Whole(x), Whole(y), Whole(x), Whole(y)});
            return;
        }
        m_pageTip = kBandTip;
        m_view->PointersChanged();
        m_band = {Whole(x), Whole(y), Whole(x), Whole(y)};
        if (m_pagePointer == kPointerCross) {
            int zone = 0;
            if (DesignControl *line = LineHoverHint(button, x, y, zone))
                FlipSelection(m_state, *line);
        }
        if (shift != 2)
            SelectAllInRect(m_state, m_band);
        return;
    }
    if (m_pagePointer == kPointerCross) {
        if (DesignControl *line = m_state.GetCtlByIndex(m_hoverLine))
            ShowControlMenu(*line, x + 20, y);
        return;
    }
    ShowPageMenu(x + 20, y);
    if (shift != 2)
        SelectAllInRect(m_state, m_band);
}

void PageEditor::PG_MouseMove(int button, int shift, double x, double y)
{
    if (Locked() == 1) {
        SetPagePointer(kPointerDefault);
        return;
    }
    if (m_pagePointer == kPointerDefault && button == 1) {
        if (std::fabs(x - m_band.x1) <= 100 && std::fabs(y - m_band.y1) <= 100)
            return;
        m_band.x1 = Whole(x);
        m_band.y1 = Whole(y);
        m_bandShown = true;
        m_view->BandChanged();
        SelectInRect(m_state, m_band, shift);
        return;
    }
    int zone = 0;
    if (m_pagePointer == kPointerCross && button == 1) {
        LineHoverHint(button, x, y, zone);
        if (DesignControl *l = m_state.GetCtlByIndex(m_hoverLine))
            CtlMouseDrag(*l, button, x, y, Locked(), true);
        return;
    }
    if ((m_pagePointer == kPointerMove || m_pagePointer == kPointerSize) && button == 1) {
        if (DesignControl *l = m_state.GetCtlByIndex(m_hoverLine))
            CtlMouseDrag(*l, button, x, y, Locked(), true);
        return;
    }
    DesignControl *line = LineHoverHint(button, x, y, zone);
    if (line && button == 1)
        CtlMouseDrag(*line, button, x, y, Locked(), true);
    m_hoverLine = line ? line->index : 0;
}

void PageEditor::PG_MouseUp(int button, int, double, double)
{
    if (button != 1)
        return;
    SetPagePointer(kPointerDefault);
    if (Locked() == 1)
        return;
    m_pageTip = kKeyTip;
    m_view->PointersChanged();
    // The redraw is what takes the band off the page.
    m_bandShown = false;
    m_view->BandChanged();
    m_state.DrawRulers();
}

void PageEditor::KeyDown(int keyCode, int shift)
{
    CtlKeyMove(m_state, keyCode, shift, m_pagePointer);
}

// -------------------------------------------------------------- pop-up menus

void PageEditor::ShowControlMenu(DesignControl &k, double px, double py)
{
    const qint32 index = k.index;
    const int cls = k.cls;
    std::vector<MenuItem> items;
    // The format lock disables the property dialog (and would disable adding
    // and deleting, which this menu does not offer).
    items.push_back({QStringLiteral("设置内容框"),
                     [this, index] {
                         if (DesignControl *c = m_state.GetCtlByIndex(index))
                             m_view->ShowPropertyDialog(c->cls, c->Row());
                     },
                     Locked() != 1});
    // The items by class: input boxes link and copy text, picture boxes take
    // pictures and bar codes, labels copy text; the others set properties only.
    if (cls == InputBox || cls == PictureBox || cls == LabelCtl)
        items.push_back({QStringLiteral("-"), {}});
    if (cls == InputBox)
        items.push_back({QStringLiteral("建立关联链"), [this, index] {
                             if (DesignControl *c = m_state.GetCtlByIndex(index))
                                 BuildLinkChain(m_state, *c);
                         }});
    if (cls == PictureBox) {
        items.push_back({QStringLiteral("添加  图片"), [this, index] {
                             if (DesignControl *c = m_state.GetCtlByIndex(index))
                                 AddPicture(m_state, *c);
                         }});
        items.push_back({QStringLiteral("输入条形码"), [this, index] {
                             if (DesignControl *c = m_state.GetCtlByIndex(index))
                                 InputBarCode(m_state, *c);
                         }});
    }
    if (cls == InputBox)
        items.push_back({QStringLiteral("-"), {}});
    if (cls == InputBox || cls == LabelCtl) {
        items.push_back({QStringLiteral("复制文本"), [this, index] {
                             if (DesignControl *c = m_state.GetCtlByIndex(index))
                                 CopyText(*c, m_view->TextSelection(index));
                         }});
        items.push_back({QStringLiteral("粘贴文本"), [this, index] {
                             DesignControl *c = m_state.GetCtlByIndex(index);
                             if (!c)
                                 return;
                             const qint32 caret
                                 = PasteText(m_state, *c, m_view->TextSelection(index));
                             if (caret >= 0 && c->cls == InputBox)
                                 m_view->SetTextSelection(index, caret, 0);
                         }});
    }
    m_menuCtl = index;
    const qint32 disable = cls == LineCtl ? 0 : index;
    m_disabled = disable;
    m_view->ControlEnabled(disable, false);
    const int chosen = Popup(*m_view, items, px, py);
    m_view->ControlEnabled(disable, true);
    m_disabled = -1;
    if (chosen >= 0 && chosen < int(items.size()) && items[size_t(chosen)].enabled
        && items[size_t(chosen)].run)
        items[size_t(chosen)].run();
}

void PageEditor::ShowPageMenu(double px, double py)
{
    std::vector<MenuItem> items = {
        {QStringLiteral("自动生成日期"), [this] { m_state.AutoFillDates(); }},
        {QStringLiteral("-"), {}},
        {QStringLiteral("清空内容框"), [this] { ClearContents(m_state); }},
        {QStringLiteral("-"), {}},
        {QStringLiteral("更换背景图"),
         [this] { m_view->ImportBackground(m_state.CurrentFormatName()); }},
        {QStringLiteral("清除背景图"),
         [this] { m_view->ClearBackground(m_state.CurrentFormatName()); }},
    };
    m_disabled = 0;
    m_view->ControlEnabled(0, false);
    const int chosen = Popup(*m_view, items, px, py);
    m_view->ControlEnabled(0, true);
    m_disabled = -1;
    if (chosen >= 0 && chosen < int(items.size()) && items[size_t(chosen)].run)
        items[size_t(chosen)].run();
}

// --------------------------------------------------------- input boxes in use

void PageEditor::TT_GotFocus(qint32 index)
{
    DesignControls &ctls = m_state.Controls();
    DesignControl *box = ctls.GetCtlByIndex(index);
    if (!box || box->cls != InputBox || IsControlSelected(*box))
        return;
    // The box before it is disabled only while its menu is open.
    if (index > 1 && m_disabled == index - 1)
        return;
    const std::optional<qint32> own = GetCtlID(index);
    const auto paint = [&](DesignControl &c, qint32 color) {
        if (c.cls != InputBox || IsControlSelected(c) || c.backColor == color)
            return;
        c.backColor = color;
        ctls.Changed(c);
    };
    qint32 cur = index;
    for (int step = 0; step < 201; ++step) {
        const qint32 id = GetCtlRCtl(cur);
        if (id == 0)
            break;
        const std::optional<qint32> next = FindCtlByID(id);
        if (!next)
            break;
        if (DesignControl *c = ctls.GetCtlByIndex(*next))
            paint(*c, kChainColor);
        if (own && id == *own)
            break;
        cur = *next;
    }
    for (const auto &sumOf : {GetCtlSumID, GetCtlSumID1})
        for (qint32 n = 1; n <= ctls.Count(InputBox); ++n) {
            const qint32 s = sumOf(n);
            if (s == 0 || GetCtlIndexByID(std::abs(qint64(s))) != index)
                continue;
            if (DesignControl *c = ctls.GetCtlByIndex(n))
                paint(*c, s < 0 ? kMultiplyColor : kAddColor);
        }
}

void PageEditor::TT_Click(qint32 index)
{
    DesignControl *box = m_state.GetCtlByIndex(index);
    if (!box || box->cls != InputBox)
        return;
    if (GetCtlCash(index) == 115) {
        box->text = box->text.isEmpty() ? QStringLiteral("√") : QString();
        m_state.Controls().Changed(*box);
    }
    HideHistoryCombo();
}

void PageEditor::TT_DblClick(qint32 index)
{
    DesignControl *box = m_state.GetCtlByIndex(index);
    if (!box || box->cls != InputBox)
        return;
    m_comb = HistoryCombo();
    m_comb.top = box->top;
    m_comb.left = box->left;
    m_comb.width = box->width + 300;
    m_comb.visible = true;
    m_comb.tag = num::Str(qint64(index));
    m_comb.text = box->text;
    // The window fills the list with the distinct contents printed earlier
    // in this box.
    m_comb.controlId = GetCtlID(index).value_or(0);
    m_view->HistoryComboChanged();
}

void PageEditor::TT_KeyPress(qint32 index, int &keyCode)
{
    const DesignControl *box = m_state.GetCtlByIndex(index);
    if (!box)
        return;
    const auto r = fmtgrid::ReadControlRow(m_state.FormatGrid(), box->Row());
    if (!r)
        return;
    if ((r->cash >= 1 && r->cash <= 99) || (r->cash >= 105 && r->cash <= 108))
        NumericKeyFilter(keyCode);
}

void PageEditor::TT_LostFocus(qint32 index)
{
    dsg::TT_LostFocus(m_state, index);
}

void PageEditor::COMB_Change(const QString &text)
{
    m_comb.text = text;
    const qint32 index = num::ToLong(m_comb.tag);
    DesignControl *box = m_state.GetCtlByIndex(index);
    if (!box || box->cls != InputBox)
        return;
    box->text = text;
    m_state.Controls().Changed(*box);
    TT_LostFocus(index);
}

void PageEditor::COMB_LostFocus()
{
    HideHistoryCombo();
}

} // namespace dsg
