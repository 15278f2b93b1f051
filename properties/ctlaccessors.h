#pragma once
// Reading a design control's parameters from its row of the format grid,
// and finding controls by row or by ID. A control is named by its index
// (class * 1000 + n); its row is the number in its Tag. The row is read as
// one typed control row (core/controlrow.h), so cell texts become numbers
// by the rules of that reader. Packing the alignment into the line spacing
// is fmtgrid::PackAlign.

#include "core/formatgrid.h"

#include <QString>
#include <optional>

// Column 0: the control's ID (temporary before the first save). nullopt when
// the control has no readable row.
std::optional<qint32> GetCtlID(qint32 ctlIndex);
// Column 18: the data-type code; 0 when unreadable.
qint32 GetCtlCash(qint32 ctlIndex);
// Column 19: the ID of the related box; 0 for none or when unreadable.
qint32 GetCtlRCtl(qint32 ctlIndex);
// Columns 20 and 21: the signed sum targets (fmtgrid::DecodeSumRef tells
// target and form); 0 for none or when unreadable.
qint32 GetCtlSumID(qint32 ctlIndex);
qint32 GetCtlSumID1(qint32 ctlIndex);
// Column 3 as a side code 0 to 3; 0 when unreadable.
qint32 GetCtlDir(qint32 ctlIndex);

// The control of a grid row: the class from column 17, then the loaded
// control of that class whose Tag holds the row; nullopt when none.
std::optional<qint32> FindCtlByRow(qint32 row);
// The control of the first data row whose column 0 equals the ID.
std::optional<qint32> FindCtlByID(qint64 id);
// The index of the control of a row; nullopt when the row has none.
std::optional<qint32> GetCtlIndexByRow(qint32 row);
// The index of the control with that ID; 0 for an ID below 1 or none.
qint32 GetCtlIndexByID(qint64 id);

// Prompt-label sides: "上方" 0, "左边" 1, "右边" 2, "下方" 3.
inline qint32 DirNameToCode(const QString &name)
{
    return fmtgrid::DirNameToCode(name);
}
inline QString DirCodeToName(qint64 code)
{
    return fmtgrid::DirCodeToName(code);
}

// Custom date patterns live in table 参数 under "自定义类型" followed by the
// data-type code; the reader also takes the older key with the code first.
QString CustomDateFormatKey(qint32 code);
QString ReadCustomDateFormat(qint32 code);
bool SaveCustomDateFormat(qint32 code, const QString &pattern);
