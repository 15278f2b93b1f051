#include "designer/printsetup.h"

#include "records/history.h"
#include "records/valueconversion.h"

namespace dsg {

QImage StatePrintView::ControlPicture(qint32 index) const
{
    const DesignControl *c = m_state.GetCtlByIndex(index);
    return c ? c->picture : QImage();
}

print::PrintContext PrintContextFor(MainState &state, print::PrintView &view, print::PrintUi &ui)
{
    return {state, state, view, ui, &conv::FormatMoney, &rec::AppendHistoryRecords,
            ReadBarCodeStandard()};
}

print::RecordScroll RecordScrollFor(MainState &state)
{
    const rec::RecordScroll &hs = state.RecordScroll();
    return {hs.value, hs.max, [&state](qint32 row) { state.ShowGridRow(state.DataGrid(), row); },
            [&state](qint32 row) { state.FillGridRow(state.DataGrid(), row); }};
}

} // namespace dsg
