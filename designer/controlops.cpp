#include "designer/controlops.h"

#include "core/controlrow.h"
#include "designer/mainstate.h"
#include "designer/selection.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"

#include <cmath>

namespace dsg {

namespace {

// The controls of the given classes that are selected or have the index
// `current`, class by class in index order.
template<typename F>
void ForSelected(MainState &state, std::initializer_list<int> classes, qint32 current, F &&f)
{
    DesignControls &ctls = state.Controls();
    for (int c : classes)
        for (qint32 n = 1; n <= ctls.Count(c); ++n)
            if (DesignControl *k = ctls.GetCtlByIndex(c * 1000 + n))
                if (IsControlSelected(*k) || k->index == current)
                    f(*k);
}

qint32 PageWidth(const MainState &s)
{
    return num::ToLong(s.Page().width);
}
qint32 PageHeight(const MainState &s)
{
    return num::ToLong(s.Page().height);
}

void Written(MainState &state, DesignControl &k)
{
    if (k.cls <= PictureBox)
        state.PlaceControlLabel(k, nullptr, -1);
    state.CtlToGridRow(k);
    state.Controls().Changed(k);
}

} // namespace

void MoveCtl(MainState &state, qint32 dx, qint32 dy, DesignControl &k, int pagePointer)
{
    if (k.cls == LineCtl) {
        if (pagePointer != kPointerSize) {
            k.x1 += dx;
            k.y1 += dy;
        }
        if (pagePointer != kPointerMove) {
            k.x2 += dx;
            k.y2 += dy;
        }
    } else {
        qint32 left = k.left + dx, top = k.top + dy;
        left = qMax(0, left);
        top = qMax(0, top);
        // Second, so a control larger than the page keeps its far edge on it.
        if (left + k.width > PageWidth(state))
            left = PageWidth(state) - k.width;
        if (top + k.height > PageHeight(state))
            top = PageHeight(state) - k.height;
        k.left = left;
        k.top = top;
    }
    Written(state, k);
}

void MoveSelectedCtls(MainState &state, qint32 dx, qint32 dy, qint32 current, int pagePointer)
{
    ForSelected(state, {0, 1, 2, 3, 4}, current,
                [&](DesignControl &k) { MoveCtl(state, dx, dy, k, pagePointer); });
}

void SizeCtl(MainState &state, qint32 dw, qint32 dh, DesignControl &k)
{
    if (k.cls == LineCtl || k.cls == CheckBox)
        return;
    qint32 w = qMax(0, k.width + dw), h = qMax(0, k.height + dh);
    if (k.left + w > PageWidth(state))
        w = PageWidth(state) - k.left;
    if (k.top + h > PageHeight(state))
        h = PageHeight(state) - k.top;
    k.width = qMax(0, w);
    k.height = qMax(0, h);
    Written(state, k);
}

void SizeSelectedCtls(MainState &state, qint32 dw, qint32 dh, qint32 current)
{
    ForSelected(state, {0, 2, 4}, current, [&](DesignControl &k) { SizeCtl(state, dw, dh, k); });
}

void ChangeSelectedFontSize(MainState &state, double delta)
{
    GridModel &g = state.FormatGrid();
    ForSelected(state, {0, 1, 2, 3, 4}, -1, [&](DesignControl &k) {
        const qint32 row = k.Row();
        auto r = fmtgrid::ReadControlRow(g, row);
        if (!r)
            return;
        const double size = r->font.size + delta;
        if (!(size > 0))
            return;
        r->font.size = size;
        fmtgrid::WriteControlRow(g, row, *r);
        state.ApplyGridRowToCtl(row, nullptr);
    });
}

void AlignSelectedCtls(MainState &state, int mode)
{
    if (mode < 0 || mode > 5)
        return;
    const std::initializer_list<int> edges = {0, 1, 2}, sizes = {0, 2};
    const auto classes = mode <= 3 ? edges : sizes;
    qint32 r = -10000;
    ForSelected(state, classes, -1, [&](DesignControl &k) {
        switch (mode) {
        case 0:
            if (r < 0 || k.top < r)
                r = k.top;
            break;
        case 1:
            if (r < 0 || k.left < r)
                r = k.left;
            break;
        case 2:
            r = qMax(r, k.left + k.width);
            break;
        case 3:
            r = qMax(r, k.top + k.height);
            break;
        case 4:
            r = qMax(r, k.width);
            break;
        default:
            r = qMax(r, k.height);
            break;
        }
    });
    if (r < 0) {
        dialogs().Message(QStringLiteral("请先选定多个输入框，再操作此功能！"));
        return;
    }
    const double scale = state.TwipsPerMm();
    const double proposed = std::round(r / scale * 100) / 100;
    const std::optional<QString> answer
        = dialogs().Input(QStringLiteral("请输入设定值(毫米)："), QString(), num::Str(proposed));
    // Cancelling or clearing the prompt would collapse every box onto the
    // page's edge or to nothing: it leaves them as they are.
    if (!answer || num::Trim(*answer).isEmpty())
        return;
    const qint32 v = num::ToLong(num::Val(*answer) * scale);
    ForSelected(state, classes, -1, [&](DesignControl &k) {
        switch (mode) {
        case 0:
            MoveCtl(state, 0, v - k.top, k, kPointerDefault);
            break;
        case 1:
            MoveCtl(state, v - k.left, 0, k, kPointerDefault);
            break;
        case 2:
            MoveCtl(state, v - (k.left + k.width), 0, k, kPointerDefault);
            break;
        case 3:
            MoveCtl(state, 0, v - (k.top + k.height), k, kPointerDefault);
            break;
        case 4:
            SizeCtl(state, v - k.width, 0, k);
            break;
        default:
            SizeCtl(state, 0, v - k.height, k);
            break;
        }
    });
}

} // namespace dsg
