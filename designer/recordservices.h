#pragma once
// The records part's services as the designer calls them on its page: the
// default record, automatic dates, the lost-focus processing of an input box
// (products, sums, conversion and linked boxes), the contents of picture
// boxes and the history record of a printed page. (The automatic import is
// the main window's import commands, designer/ui/importcommands.)

#include "platform/sqlitedb.h"

#include <QString>
#include <QtGlobal>

namespace dsg {

class MainState;
struct DesignControl;

// Rewrites the format's default record from the page (table 默认); when the
// database refused, the old record is kept and the result names the fault.
sql::Status SaveDefaultRecord(MainState &state, const QString &formatName);
// Puts the format's default record into the design controls, matched by ID.
void LoadDefaultRecord(MainState &state, const QString &formatName);
// Fills input boxes of the date types with today's date and converts the
// other boxes' texts again.
void AutoFillDates(MainState &state);
// Leaving input box `index` (also run after a value was put into it by
// code): with a non-empty text, products and sums are recomputed when the
// box feeds one, the chain of each sum target is converted and whitened,
// and the box's own text is converted along its linked chain.
void TT_LostFocus(MainState &state, qint32 index);
// Shows a picture file or a bar code in a picture box and keeps the content
// as its link item. With drawBarCode false a bar code's picture is left
// for DrawPendingBarCode (the box shows nothing until then). A picture file
// that cannot be read is told through the state (once for each file).
void SetPictureContent(MainState &state, DesignControl &box, const QString &content,
                       bool drawBarCode = true);
// Draws the bar code a box was given without its picture, in the stored
// standard; nothing for any other box.
void DrawPendingBarCode(DesignControl &box);
// The page's contents appended to the history of the open format.
bool SaveHistoryRecord(MainState &state);

} // namespace dsg
