#pragma once
// The selection of design controls. A control is selected exactly when it
// shows its class's selected look (grey input box or line, flat check box,
// framed picture box or label); there is no list of selected controls, so
// every operation on the selection scans all controls. Here: setting the
// look, the rubber band, counting, and the arrow keys.

#include <QtGlobal>

namespace dsg {

class MainState;
struct DesignControl;
class DesignControls;

// The rubber band: the corner where the left button went down and the one
// under the pointer, page twips, either may be the smaller.
struct Band
{
    qint32 x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// SetControlSelected: clear false gives the selected look, true the normal
// one (a line takes its stored colour back from its row).
void SetControlSelected(MainState &state, DesignControl &ctl, bool clear);
// Flips the control between selected and not.
void FlipSelection(MainState &state, DesignControl &ctl);

// ControlInRect: a box meets the rectangle when it overlaps or touches it; a
// line when either end point lies inside, edges included.
bool ControlInRect(const DesignControl &ctl, qint32 x0, qint32 y0, qint32 x1, qint32 y1);
// SelectInRect: without Ctrl alone (shift != 2) the band becomes the
// selection; with Ctrl it adds to it.
void SelectInRect(MainState &state, const Band &band, int shift);
inline void SelectAllInRect(MainState &state, const Band &band)
{
    SelectInRect(state, band, 0);
}
// CountSelected: selected input boxes and picture boxes.
qint32 CountSelected(const DesignControls &ctls);

// CtlKeyMove: arrows move (no modifier), resize (Shift) or step the font
// size (Ctrl) of the selection by 10 twips or 0.5 points; anything else,
// and any key while the format is locked, does nothing.
void CtlKeyMove(MainState &state, int keyCode, int shift, int pagePointer);

} // namespace dsg
