#pragma once
// What the items of the designer's pop-up menus do: the control menu
// (copy controls, link chain, picture and bar code, copy and paste text),
// the page menu (dates, clearing the contents) and the format menu (delete
// a format). Each works on the control or grid the menu was opened on.

#include <QPoint>
#include <QString>
#include <QtGlobal>

class GridModel;

namespace dsg {

class MainState;
struct DesignControl;

// mCopyCtl: asks how many copies; each qualifying control (the menu's one
// and every selected one) gets that many copies 200 twips further up and
// left each, prompt captions numbered on; the originals end selected.
void CopyControls(MainState &state, DesignControl &menuCtl);
// mRtlCtl: the menu's input box, then the selected input boxes in index
// order, linked in a ring through their related-box IDs.
void BuildLinkChain(MainState &state, DesignControl &menuCtl);
// mAddPic: a picture file into a picture box; one that cannot be read is
// told and the box keeps what it showed.
void AddPicture(MainState &state, DesignControl &box);
// mInputBarCode: asks for the bar-code digits; cancelling changes nothing,
// an empty answer clears the box.
void InputBarCode(MainState &state, DesignControl &box);
// mCopy: the selected text (start, length) of an input box, or all of it,
// or a label's caption, onto the clipboard when not empty.
void CopyText(const DesignControl &ctl, QPoint selection);
// mPaste: the clipboard's text at the caret or over the selection of an
// input box, or as a label's caption (stored in its row). The caret's new
// place is returned (-1 when nothing was pasted).
qint32 PasteText(MainState &state, DesignControl &ctl, QPoint selection);
// mClearCtl: clears the selected input, check and picture boxes, or all of
// them when no input or picture box is selected. Boxes without a prompt
// caption keep their fixed text.
void ClearContents(MainState &state);
// mDelFmt: deletes the format of the list's current row when the format
// operations agree, and removes that row.
void DeleteListedFormat(MainState &state, GridModel &list);

// Trailing digits of a caption numbered on: "收件人1" + 2 = "收件人3",
// "电话" + 1 = "电话1".
QString NumberedCaption(const QString &caption, qint32 add);

} // namespace dsg
