#include "designer/selection.h"

#include "core/controlrow.h"
#include "core/gridhelpers.h"
#include "designer/controlops.h"
#include "designer/mainstate.h"

namespace dsg {

void SetControlSelected(MainState &state, DesignControl &k, bool clear)
{
    if (k.selected == !clear)
        return;
    k.selected = !clear;
    if (k.cls == LineCtl && clear)
        if (auto r = fmtgrid::ReadControlRow(state.FormatGrid(), k.Row()))
            k.borderColor = r->color;
    state.Controls().Changed(k);
}

void FlipSelection(MainState &state, DesignControl &k)
{
    SetControlSelected(state, k, IsControlSelected(k));
}

bool ControlInRect(const DesignControl &k, qint32 x0, qint32 y0, qint32 x1, qint32 y1)
{
    // Afterwards x1 >= x0 and y1 >= y0.
    SwapIfGreater(x1, x0);
    SwapIfGreater(y1, y0);
    if (k.cls == LineCtl) {
        const auto in
            = [&](qint32 x, qint32 y) { return x0 <= x && x <= x1 && y0 <= y && y <= y1; };
        return in(k.x1, k.y1) || in(k.x2, k.y2);
    }
    return !(k.left + k.width < x0 || k.left > x1 || k.top > y1 || k.top + k.height < y0);
}

void SelectInRect(MainState &state, const Band &b, int shift)
{
    state.Controls().ForEach([&](DesignControl &k) {
        const bool m = ControlInRect(k, b.x0, b.y0, b.x1, b.y1);
        if (shift != 2)
            SetControlSelected(state, k, !m);
        else if (m)
            SetControlSelected(state, k, false);
    });
}

qint32 CountSelected(const DesignControls &ctls)
{
    qint32 n = 0;
    ctls.ForEach([&](DesignControl &k) {
        if ((k.cls == InputBox || k.cls == PictureBox) && IsControlSelected(k))
            ++n;
    });
    return n;
}

void CtlKeyMove(MainState &state, int key, int shift, int pagePointer)
{
    // A locked format ("锁定格式") is not changed by keys either.
    if (key < 37 || key > 40 || state.Option(2) == 1)
        return;
    const qint32 dx = key == 37 ? -10 : key == 39 ? 10 : 0;
    const qint32 dy = key == 38 ? -10 : key == 40 ? 10 : 0;
    switch (shift) {
    case 0:
        MoveSelectedCtls(state, dx, dy, -1, pagePointer);
        break;
    case 1:
        SizeSelectedCtls(state, dx, dy, -1);
        break;
    case 2:
        ChangeSelectedFontSize(state, key == 37 || key == 38 ? -0.5 : 0.5);
        break;
    default:
        break;
    }
}

} // namespace dsg
