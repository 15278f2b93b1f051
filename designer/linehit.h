#pragma once
// Lines get no mouse events of their own: the page asks which line is under
// the pointer and which part of it was hit, to show the pointer shape that
// decides what a drag does (first end, body, second end).

#include <QtGlobal>

namespace dsg {

struct DesignControl;

// Hit codes of IsPointOnLine.
enum LineHit : int { kLineMiss = -1, kLineFirstEnd = 0, kLineBody = 1, kLineSecondEnd = 2 };

// The tolerance in twips of a line borderWidth pixels wide at twipsPerPixel:
// 30 for thin lines, the whole converted width once half of it reaches 30.
qint32 LineTolerance(qint32 borderWidth, double twipsPerPixel);

// IsPointOnLine: the hit code of page point (x, y) for the line. Ends are
// squares of half-side tol around each end point (the first end wins on a
// short line); the body is tested by the vertical distance to the line, or
// for a line vertical within its width by the span of its y values.
int IsPointOnLine(const DesignControl &line, double x, double y, double twipsPerPixel);

} // namespace dsg
