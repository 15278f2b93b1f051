#pragma once
// The main window's commands that are more than a call: the new format,
// the line-break marker, the three ticked settings and the about box's text.
// The tool buttons and menus dispatch here and to the other parts.

#include "designer/formatops.h"

#include <QString>

namespace dsg {

class MainState;

// The three ticked settings of the 设置 menu, stored under Validate by name.
enum class Tick { SetPaper, DiTuPrint, PrintRulers };

// mNewFmt: asks for the name, width and height (refusing 0, sizes below 0
// and ratios outside 1:20 to 20:1), asks before overwriting a stored
// format of that name, keeps the open format's default record, stores the
// empty format under the new name and only then empties the page. Any
// cancel or No, and any write the database or the disk refuses, leaves the
// open format as it was on the page and in the table. The open format's
// picture lands with the new format's rows or not at all; step, when given,
// is called before each file operation of its copy (tests stop there).
SaveOutcome NewFormat(MainState &state, const safefile::StepHook &step = {});
// mSetCrlfChr: asks for the line-break marker; an empty answer or cancel
// keeps the old one.
void SetCrlfChr();
// Flips a ticked setting, stores "1" or "" and returns the new tick.
bool ToggleTick(MainState &state, Tick tick);
// The about box's version line with the placeholder replaced.
QString AboutVersionText(const QString &caption);

} // namespace dsg

class GridModel;

namespace dsg {

// DisplayCurrentRow: highlights row r of the grid (&HDDDDDD) and whitens
// the row remembered from the last call, then remembers r. The remembered
// row is one for all grids; nothing happens for r equal to it or a fixed row.
void DisplayCurrentRow(GridModel &grid, qint32 r, qint32 &remembered);

} // namespace dsg
