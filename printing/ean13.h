#pragma once
// EAN-13 bar codes, drawn onto a drawing surface (the printer or a picture
// box). Any text is made into a valid 13-digit code (non-digits dropped,
// padded with zeros, check digit computed), encoded into 95 modules and drawn
// as filled black bars scaled to the width of the box, with the first digit
// left of the bars and the other twelve under them.

#include "platform/lengths.h"

#include <QString>
#include <vector>

class DrawSurface;

// The 13-digit code of a text: cut to 13 characters, non-digits removed,
// padded on the left to 12 digits, the first 12 kept and the check digit
// appended.
QString NormalizeEAN13(const QString &text);
// The text with every "0" and "1" swapped.
QString InvertBits(const QString &bits);
// The 95-module string ("1" dark) of a code; the code is replaced by its
// normalised 13-digit form.
QString EncodeEAN13(QString &code);
// The module string collapsed into runs: a dark run of n modules is 10 + n,
// a light run n.
std::vector<qint16> EAN13Runs(const QString &modules);
// True for the runs (counted from 0) that are guard bars.
bool IsEAN13GuardRun(int index);

// Draws the symbol of the text in the box at (left, top) of the given width
// and height (the argument order of DrawBarCode). With show text and a font
// size of 2 points or more the digits are printed under the bars.
void DrawEAN13(DrawSurface &target, const QString &text, Mm left, Mm top, Mm width, Mm height,
               double fontSize, bool showText);
