#pragma once
// Code 39 bar codes, drawn onto a drawing surface (the printer or a picture
// box). The text is drawn in capitals between start and stop stars, without a
// check character. Each symbol character is five bars and four spaces, wide
// elements three modules wide and narrow elements one module, followed by a
// gap of three modules. The caller first asks FitCode39Module for the widest
// whole-twip module that fits the box, then draws with PrintCode39.

#include "platform/lengths.h"

#include <QString>
#include <array>
#include <vector>

class DrawSurface;

// The pattern table: entry i is nine characters "0"/"1", the five bars and
// then the four spaces of the character of index i, "1" meaning wide.
using Code39Table = std::array<QString, 40>;
const Code39Table &InitCode39Table();

// Index of a character in the table ("0"-"9", "A"-"Z", "-", "%", "$", "*"),
// -1 for a character that cannot be drawn.
int Code39Index(QChar c);

// The text as drawn: in capitals, with a "*" added in front and at the end
// where there is none.
QString PrepareCode39Text(const QString &text);

// The elements of a drawing, x counted in whole twips from 0.
struct Code39Layout
{
    struct Bar
    {
        qint64 x;
        qint64 width;
    };
    struct Char
    {
        qint64 x; // left edge of the character's pattern
        QChar c;
    };
    std::vector<Bar> bars;
    std::vector<Char> chars;
    qint64 width = 0; // total advance, gaps included
    bool refused = false; // some character could not be drawn (and was left out)
};
Code39Layout LayoutCode39(const QString &text, Twips module);

// Width of the drawn code; 0 for an empty text. Draws nothing and shows no
// message.
Twips MeasureCode39(const QString &text, Twips module);
// The widest whole-twip module whose code is no wider than the available
// width; 0 for an empty text. Shows no message.
Twips FitCode39Module(const QString &text, Twips availableWidth);

// Draws the code with its top-left corner at (left, top) and the given
// height, with the module width in printer twips. With show text and a font
// size above 0 the characters are printed in a line under the bars, each under
// its own pattern. Characters that cannot be drawn are left out and reported
// in one message per drawing.
void PrintCode39(DrawSurface &target, const QString &text, Mm left, Mm top, Mm height, Twips module,
                 double fontSize, bool showText);

// The message shown for characters that cannot be drawn.
QString Code39InvalidCharMessage();
