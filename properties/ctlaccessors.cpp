#include "properties/ctlaccessors.h"

#include "core/controlrow.h"
#include "core/globals.h"
#include "core/settings.h"
#include "platform/numtext.h"
#include "properties/controlset.h"

#include <cmath>

using namespace fmtgrid;

namespace {

// The data row a control's Tag names; nullopt when it names none.
std::optional<qint32> rowOf(qint32 ctlIndex)
{
    const ControlSet *controls = controlSet();
    const GridModel *grid = formatGridModel();
    if (!controls || !grid)
        return std::nullopt;
    const auto tag = controls->ControlTag(ctlIndex);
    if (!tag)
        return std::nullopt;
    const qint32 row = num::ToLong(*tag);
    if (row < grid->fixedRows() || row >= grid->rows())
        return std::nullopt;
    return row;
}

std::optional<fmtgrid::ControlRow> rowValue(qint32 ctlIndex)
{
    const auto row = rowOf(ctlIndex);
    if (!row)
        return std::nullopt;
    return ReadControlRow(*formatGridModel(), *row);
}

} // namespace

std::optional<qint32> GetCtlID(qint32 ctlIndex)
{
    const auto v = rowValue(ctlIndex);
    return v ? std::optional<qint32>(qint32(v->id)) : std::nullopt;
}

qint32 GetCtlCash(qint32 ctlIndex)
{
    const auto v = rowValue(ctlIndex);
    return v ? v->cash : 0;
}

qint32 GetCtlRCtl(qint32 ctlIndex)
{
    const auto v = rowValue(ctlIndex);
    return v ? qint32(v->rctl) : 0;
}

qint32 GetCtlSumID(qint32 ctlIndex)
{
    const auto v = rowValue(ctlIndex);
    return v ? qint32(v->sumId) : 0;
}

qint32 GetCtlSumID1(qint32 ctlIndex)
{
    const auto v = rowValue(ctlIndex);
    return v ? qint32(v->sumId1) : 0;
}

qint32 GetCtlDir(qint32 ctlIndex)
{
    const auto v = rowValue(ctlIndex);
    return v ? v->side : 0;
}

std::optional<qint32> FindCtlByRow(qint32 row)
{
    const ControlSet *controls = controlSet();
    const GridModel *grid = formatGridModel();
    // A fixed row or a row past the end has no control (a Tag of 0 means "no row").
    const qint32 cls = grid ? fmtgrid::RowClass(*grid, row) : -1;
    if (!controls || cls < 0)
        return std::nullopt;
    for (qint32 index = FirstCtlID(cls); index <= LastCtlID(cls); ++index) {
        const auto tag = controls->ControlTag(index);
        if (tag && !num::Trim(*tag).isEmpty() && num::ToLong(*tag) == row)
            return index;
    }
    return std::nullopt;
}

std::optional<qint32> FindCtlByID(qint64 id)
{
    const GridModel *grid = formatGridModel();
    const qint32 row = grid ? fmtgrid::RowOfID(*grid, id) : -1;
    if (row < 0)
        return std::nullopt;
    return FindCtlByRow(row);
}

std::optional<qint32> GetCtlIndexByRow(qint32 row)
{
    return FindCtlByRow(row);
}

qint32 GetCtlIndexByID(qint64 id)
{
    if (id < 1)
        return 0;
    return FindCtlByID(id).value_or(0);
}

QString CustomDateFormatKey(qint32 code)
{
    return QStringLiteral("自定义类型") + num::Str(qint64(code));
}

QString ReadCustomDateFormat(qint32 code)
{
    const QString value = ReadParam(CustomDateFormatKey(code));
    if (!value.isEmpty())
        return value;
    return ReadParam(num::Str(qint64(code)) + QStringLiteral("自定义类型"));
}

bool SaveCustomDateFormat(qint32 code, const QString &pattern)
{
    return SaveParam(CustomDateFormatKey(code), pattern);
}
