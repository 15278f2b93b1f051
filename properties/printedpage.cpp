#include "properties/printedpage.h"

#include "core/controlrow.h"
#include "platform/numtext.h"
#include "properties/pagecontrols.h"

PrintedPage CollectPageContents(PageControls &page)
{
    PrintedPage out;
    for (qint32 cls = 0; cls <= 2; ++cls) {
        const qint32 n = page.ControlCount(cls);
        for (qint32 i = 1; i <= n; ++i) {
            const qint32 index = cls * 1000 + i;
            QString v = page.ControlValue(index);
            if (v.isEmpty() || (cls == 1 && num::Val(v) == 0))
                continue;
            const std::optional<qint32> row = page.ControlRow(index);
            if (!row)
                continue;
            if (const auto r = fmtgrid::ReadControlRow(page.FormatGrid(), *row))
                out.push_back({r->id, std::move(v)});
        }
    }
    return out;
}
