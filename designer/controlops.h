#pragma once
// Geometry and font changes of design controls on the page: moving and
// resizing one control or the selection, stepping the font size of the
// selection, and the alignment and equal-size commands. Every change of
// position or size is written into the control's FormatGrid row before the
// operation returns, so the saved format follows the page. Boxes and labels
// stay on the page; lines are not bounded.

#include <QtGlobal>

namespace dsg {

class MainState;
struct DesignControl;

// The page's pointer shapes that tell a line move which end moves.
enum PagePointer : int {
    kPointerDefault = 0,
    kPointerCross = 2,
    kPointerText = 3,
    kPointerMove = 5,
    kPointerSize = 8
};

// MoveCtl: a box or label moves by (dx, dy) twips and is kept on the page; a
// line moves its first end (pagePointer 5), its second end (8) or both.
void MoveCtl(MainState &state, qint32 dx, qint32 dy, DesignControl &ctl, int pagePointer);
// MoveSelectedCtls: MoveCtl on every selected control and on the control
// with index current (-1: none); each control moves once.
void MoveSelectedCtls(MainState &state, qint32 dx, qint32 dy, qint32 current, int pagePointer);
// SizeCtl: width and height change by (dw, dh), kept between 0 and the
// page's far edges. Lines and check boxes are left alone.
void SizeCtl(MainState &state, qint32 dw, qint32 dh, DesignControl &ctl);
// SizeSelectedCtls: SizeCtl on the selected input boxes, picture boxes and
// labels and on the control with index current.
void SizeSelectedCtls(MainState &state, qint32 dw, qint32 dh, qint32 current);
// ChangeSelectedFontSize: adds delta points to the stored font size (a
// line's width) of every selected control and applies the row. A step that
// would leave a size at or below 0 is not taken for that control.
void ChangeSelectedFontSize(MainState &state, double delta);
// AlignSelectedCtls: mode 0 top, 1 left, 2 right, 3 bottom edge (input,
// check and picture boxes), 4 width, 5 height (input and picture boxes).
// Asks for the value in millimetres, proposing the extreme one; cancelling
// or an empty answer changes nothing.
void AlignSelectedCtls(MainState &state, int mode);

} // namespace dsg
