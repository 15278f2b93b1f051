#pragma once
// Sums, products and linked boxes of the page's input boxes. A box's SumID
// and SumID1 name the box it adds into (adding form) or multiplies into
// (multiplying form; fmtgrid::DecodeSumRef tells which, also for targets not
// saved yet); its RCtl names a linked box that shows the same value in its
// own form. A box adds into at most one target (SumID when it adds, else
// SumID1) and multiplies into at most one (likewise).

#include <QtGlobal>
#include <functional>

class PageControls;

namespace rec {

// Recomputes every sum target from the current texts: totals converted by
// the target's data type and written only when they change the target's
// text, after which the target's linked chain is converted. A target that
// is no input box of the page is passed over.
void RecalcSums(PageControls &page);

// The same for products: factors multiplied per target, starting from 1; an
// empty factor box empties its target.
void RecalcProducts(PageControls &page);

// Converts input box `index` by its data type and walks its chain of linked
// boxes: each box hands its value on (a capital amount or capital digits
// turned back into digits) and the next converts it by its own type. Ends
// at a box without a link, a link to no input box, a link back to the first
// box, or after 101 rounds (the guard against loops).
void ConvertLinkedBoxes(PageControls &page, qint32 index);

// The chain walk itself: with digitsOnHandOver false the converted text is
// handed on as it stands. `visited` (may be empty) is told every box that
// was converted, in order.
void WalkLinkedChain(PageControls &page, qint32 index, bool digitsOnHandOver,
                     const std::function<void(qint32)> &visited);

// The box's sum and product targets as control IDs (0: none).
struct SumTargets
{
    qint64 sum = 0;
    qint64 product = 0;
};
SumTargets SumTargetsOf(qint64 sumId, qint64 sumId1);

} // namespace rec
