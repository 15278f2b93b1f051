#pragma once
// The widget-free rules of the property dialogs: which controls an OK acts
// on (every control of the class with the selected look, and the one the
// dialog was opened for) and the edit written into their rows through the
// typed control row, field by field, so that untouched fields keep each
// control's own value; the data-type list of the input-box dialog with what
// each code shows and enables; the related and sum box lists; the line
// spacing shown from column 9.

#include "core/controlrow.h"
#include "properties/propertyhost.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace props {

// The fields a dialog changed; every field left empty stays as each row has it.
struct RowEdits
{
    std::optional<QString> prompt; // column 2
    std::optional<qint32> side; // column 3, as a code 0..3
    std::optional<double> x, y, w, h, spacing; // columns 4 to 8
    // Column 9: line spacing and alignment, packed together.
    std::optional<double> lineSpacing;
    std::optional<qint32> alignment;
    std::optional<FontSpec> font; // columns 11 to 16
    std::optional<qint32> color; // column 10 (0x00BBGGRR, 0 black)
    std::optional<double> fontSize; // column 12 alone: a line's thickness
    std::optional<qint32> cash; // column 18
    std::optional<qint64> rctl, sumId, sumId1; // columns 19 to 21

    bool Empty() const;
    // Writes the set fields into a row. Line spacing and alignment are packed
    // together; a row keeps its own part of the two that was not set.
    void ApplyTo(fmtgrid::ControlRow &row) const;
};

struct AffectedControl
{
    qint32 index = 0;
    qint32 row = 0;
};

// The controls of class cls, in index order, that have the selected look or
// whose row is ctlRow; only those whose row is a data row of the grid.
std::vector<AffectedControl> AffectedControls(PropertyHost &host, qint32 cls, qint32 ctlRow);

// OK of a property dialog: the edits go into the row of every affected
// control, and each row is applied to its control. Nothing happens when the
// edits are empty. Returns the controls written.
std::vector<AffectedControl> ApplyRowEdits(PropertyHost &host, qint32 cls, qint32 ctlRow,
                                           const RowEdits &edits);

// ---- column 9 as the dialogs show it ----

// |v| rounded (halves to even) modulo 1000, with "-" when v is negative:
// -2002.5 shows "-2", 1000 shows "0".
QString LineSpacingText(double packedL);

// ---- the input box's data types ----

// The items of the data-type list, "code｜text", in the list's order.
const QStringList &DataTypeItems();
// The leading number of an item's first three characters.
qint32 ItemCode(const QString &item);
// The first item whose code is listCode; -1 when none.
int FindItemByCode(const QStringList &items, qint32 listCode);

// What the dialog shows for a stored data-type code.
struct DataTypeView
{
    qint32 listCode = 0; // the list item to show (11 and 211 stand for cell counts)
    QString codeCaption; // LCode
    QString cashNum; // the cell count, or the code itself
    bool cashNumEnabled = false;
    bool spacingsEnabled = true;
};
DataTypeView ShowDataTypeInfo(qint32 code);
// Whether the alignment options are enabled for the list's text: not for
// 114 and the per-cell amounts 011.
bool AlignmentEnabled(const QString &listText);
// A cell count outside 1 to 99 becomes "11"; any other text is kept.
QString CheckedCellCount(const QString &text);
// The code OK stores: the cell count (or code) rounded, plus 200 when the
// list's text stands for the per-cell digits.
qint32 StoredDataTypeCode(const QString &cashNumText, const QString &listText);
// An item rewritten with a custom format: the text before its first "：",
// then "：" and the format.
QString WithUserFormat(const QString &item, const QString &format);
// LoadUserFormat: every item containing "自定义" shows the custom format
// stored for its code.
QStringList ItemsWithUserFormats(const QStringList &items);

// ---- related and sum boxes ----

struct BoxList
{
    QStringList items;
    int shown = 0; // the item to show
};
// FillRelatedBoxList: "000000｜没有相关联输入框" first, then every stored
// input box (ID > 0) but the edited row's, as its ID padded to six digits,
// "｜" and its prompt; the item whose ID is |id| is shown.
BoxList RelatedBoxList(const GridModel &grid, qint32 editedRow, qint64 id);

} // namespace props
