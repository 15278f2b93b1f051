#pragma once
// The bar-code standard chosen for picture boxes (setting StrBarCodeStand)
// and drawing a box's bar code in that standard.

#include "platform/lengths.h"

#include <QString>

class DrawSurface;

enum class BarCodeStandard { Code39, EAN13 };

// "0", an absent or empty value, or any text that reads as 0: Code 39;
// any other number: EAN-13.
BarCodeStandard BarCodeStandardFromText(const QString &value);
// The standard stored in the settings table.
BarCodeStandard ReadBarCodeStandard();

// Draws the text as a bar code of the standard into the box at (left, top)
// of the given width and height: Code 39 with the widest module that fits
// the box's width, or EAN-13 scaled to it.
void DrawBarCode(DrawSurface &target, BarCodeStandard standard, const QString &text, Mm left,
                 Mm top, Mm width, Mm height, double fontSize, bool showText);
