#pragma once
// Offset calibration: the calibration page (a black 10 mm square whose
// top-left corner lies 10 mm right of and below the printer's origin, on A4
// portrait), the margins the user measured, and the deviations the wizard
// adds to the current offsets. Offsets are the texts of the offset labels
// (M_X, M_Y) in millimetres, read the lenient way (a text without a number
// reads as 0).

#include <QString>

class FormatHost;
class Printer;

// Asks whether to print the calibration page and prints it; false when the
// user said No or the page could not be printed.
bool PrintCalibrationFigure(Printer &printer);

// The margins typed into the margin window become the offsets.
void ApplyMargins(FormatHost &host, const QString &x, const QString &y);

// The wizard's deviations: content too far left (or else right) by
// horizontal mm, too high (or else low) by vertical mm. Left and up lower
// the offsets, right and down raise them.
void AddDeviations(FormatHost &host, bool left, const QString &horizontal, bool up,
                   const QString &vertical);
