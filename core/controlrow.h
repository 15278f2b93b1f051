#pragma once
// One design control's row of the format grid as a plain value, with the one
// reader from a grid row and the one writer back to it. Everything that reads
// or writes a control's parameters (the designer's synchronisation, the print
// engine, the property dialogs, the import) goes through this type, so the
// number rules are applied in one place: numbers are the leading number of
// the cell (0 when none), whole numbers round halves to the even neighbour,
// booleans are any non-empty text, the colour is the cell's background with
// 0x010101 read as black.

#include "core/formatgrid.h"
#include "platform/fontmap.h"

#include <QString>
#include <optional>

namespace fmtgrid {

struct ControlRow
{
    qint64 id = 0;     // column 0; temporary IDs below -2^30
    qint32 cls = 0;    // column 17: 0 input, 1 check, 2 picture, 3 line, 4 label
    QString prompt;    // column 2: prompt text; a label's caption; "线条" for a line
    qint32 side = 0;   // column 3 as a code: 0 上方, 1 左边, 2 右边, 3 下方
    double x = 0;      // columns 4 to 7 in mm; a line's X1, Y1, X2, Y2
    double y = 0;
    double w = 0;
    double h = 0;
    double spacing = 0; // column 8: character spacing in mm
    double packedL = 0; // column 9: line spacing with the alignment in its thousands
    qint32 color = 0;   // column 10: 0x00BBGGRR, 0 black
    FontSpec font;      // columns 11 to 16; size at zoom factor 1 (a line: its width)
    qint32 cash = 0;    // column 18: data-type code; a line's style
    qint64 rctl = 0;    // column 19: ID of the related box, 0 none
    qint64 sumId = 0;   // columns 20 and 21: signed sum targets (DecodeSumRef)
    qint64 sumId1 = 0;

    // Text alignment packed into L: the whole part of |L| / 1000 (0 left,
    // 1 right, 2 centre; other values are kept as read).
    qint32 Alignment() const;
    // Line spacing in mm without the alignment: sign(L) * (|L| - 1000 * a).
    double LineSpacing() const;
    // Packs spacing and alignment into L (PackAlign's rule).
    void SetLineSpacing(double spacing, qint32 alignment);

    bool operator==(const ControlRow &) const = default;
};

// The row of a data row of the grid; nullopt for a fixed row or a row past
// the end. A class outside 0 to 4 is returned as read (RowClass tells
// whether the row has a control).
std::optional<ControlRow> ReadControlRow(const GridModel &grid, qint32 row);

// Writes every column but the serial number (1) into an existing data row;
// false (nothing written) for a fixed row or a row past the end. Numbers are
// written in plain decimal with up to 15 significant digits, booleans as "√"
// or "", the side as its name, the colour into the cell's background. A
// non-empty cell that already reads as its new value keeps its text ("1.50"
// stays when the value is 1.5), so writing back a row read with
// ReadControlRow changes only the fields that were changed.
bool WriteControlRow(GridModel &grid, qint32 row, const ControlRow &value);

// Appends a data row holding the value (its serial number row - 1, every
// column written) and returns the row number.
qint32 AppendControlRow(GridModel &grid, const ControlRow &value);

// Data-type codes (column 18) of input boxes that lay their text over the
// cells of a printed form: amounts over 1 to 99 cells, and digits over cells
// (201 to 299, code - 200 cells).
inline bool IsAmountInCells(qint32 code)
{
    return code >= 1 && code <= 99;
}
inline bool IsDigitsInCells(qint32 code)
{
    return code >= 201 && code <= 299;
}
// Capital digits (壹贰叁), shown like an amount at the right of the box.
inline constexpr qint32 kCapitalDigitsCode = 114;
// Whether an input box of that code shows its text at the right.
inline bool IsRightAlignedCode(qint32 code)
{
    return IsAmountInCells(code) || code == kCapitalDigitsCode;
}

// Line spacing x with the alignment a in its thousands:
// sign(x) * (|x| + 1000 * a), x >= 0 counting as positive.
double PackAlign(double x, qint32 alignment);

} // namespace fmtgrid
