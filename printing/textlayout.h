#pragma once
// Laying one control's text out on the printer: the text block of a box
// (line breaks, wrapping by measured width, alignment, character and line
// spacing), text spread one character per cell (postcodes, digit boxes),
// amounts over cells, the alignment packed into the line-spacing value, and
// the printer font size at which a sample is as wide as on the page view.
// Everything is in printer twips on a surface that already carries the
// control's font, style and colour. Lines are as high as TextHeight("翊")
// whatever they hold, and a text's top sits at the y it is given.

#include "platform/lengths.h"

#include <QString>
#include <functional>

class DrawSurface;

namespace layout {

// The character whose height every printed line takes.
inline constexpr char16_t kLineSample[] = u"翊";
// The sample measured when a font size is fitted.
inline constexpr char16_t kFitSample[] = u"沃栎软件沃栎软件沃栎软件";

// Alignment in the thousands of a packed value: 0 left, 1 right, 2 centre.
qint32 AlignmentOfPacked(double packed);
// Line spacing (whole mm, signed like the packed value) below the thousands.
double SpacingOfPacked(double packed);

// The printed lines of a text in a box w wide with s after every character:
// CR LF splits source lines (an empty one stays an empty line); a line is cut
// into the longest starts that fit (k characters fit when their width plus
// k - 1 spacings is at most w), at least one character each.
QStringList WrapText(const DrawSurface &surface, const QString &text, Twips w, Twips s);

// Prints a text block with its top at (x, y) in a box w wide; a = 1 right,
// 2 centre, else left. Lines run on below the box.
void PrintTextBlock(DrawSurface &surface, const QString &text, Twips x, Twips y, Twips w, Twips s,
                    Twips ls, qint32 a);
// Prints a line character by character, s after each.
void PrintSpacedLine(DrawSurface &surface, const QString &line, Twips x, Twips y, Twips s);
// Prints one character centred in each of n equal cells across w. With
// a >= 1 a short text is moved right (a = 1: to the last cell, else by half
// the free cells) and a long one starts left of the box the same way.
void PrintTextInCells(DrawSurface &surface, const QString &text, Twips x, Twips y, Twips w,
                      qint32 n, qint32 a);
// Prints an amount over n cells with the fen in the last one: the money form
// ("￥", separators, two decimals) without "." and ",". When it is longer
// than n the "￥" goes first; digits that still do not fit run into the cells
// left of the box, so no digit is lost. formatMoney gives the money form.
void PrintAmountInCells(DrawSurface &surface, const QString &text, Twips x, Twips y, Twips w,
                        qint32 n, const std::function<QString(const QString &)> &formatMoney);

// The amount as printed over n cells (before padding): digits of the money
// form, "￥" dropped when it would not fit.
QString AmountCellText(const QString &money, qint32 n);

// Sets the surface to the font size (with the surface's font name and the
// given bold) at which kFitSample is as wide as target, and returns it: a
// coarse search from 10.5 points (steps of +10 or -4, turned and halved at
// each crossing, never below 0), then up to ten steps of 0.1 point, keeping
// the size whose width is closest to the target.
double FitPrinterFontSize(DrawSurface &surface, Twips target, bool bold);

} // namespace layout
