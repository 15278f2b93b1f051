#include "properties/printedpage.h"

#include "core/controlrow.h"
#include "platform/numtext.h"
#include "properties/pagecontrols.h"

PrintedPage CollectPageContents(PageControls &page)
{
    PrintedPage out;
    ForEachContentControl(page, [&](qint32 index) {
        QString v = page.ControlValue(index);
        if (v.isEmpty() || (index / 1000 == 1 && num::Val(v) == 0))
            return;
        const std::optional<qint32> row = page.ControlRow(index);
        if (!row)
            return;
        if (const auto r = fmtgrid::ReadControlRow(page.FormatGrid(), *row))
            out.push_back({r->id, std::move(v)});
    });
    return out;
}
