#include "designer/recordservices.h"

#include "designer/mainstate.h"
#include "printing/barcodes.h"
#include "records/defaultrecord.h"
#include "records/history.h"
#include "records/pagecontents.h"
#include "records/picturecontent.h"
#include "records/sums.h"

namespace dsg {

sql::Status SaveDefaultRecord(MainState &state, const QString &formatName)
{
    return rec::SaveDefaultRecord(state, formatName);
}

void LoadDefaultRecord(MainState &state, const QString &formatName)
{
    rec::LoadDefaultRecord(state, formatName);
}

void AutoFillDates(MainState &state)
{
    rec::AutoFillDates(state);
}

void TT_LostFocus(MainState &state, qint32 index)
{
    DesignControl *box = state.GetCtlByIndex(index);
    if (!box || box->cls != InputBox || box->text.isEmpty())
        return;
    const auto row = rec::ControlRowOf(state, index);
    if (!row)
        return;
    // SumID, then SumID1: each that names a target recomputes everything
    // and converts the chain of the sum target it adds into.
    for (const qint64 ref : {row->sumId, row->sumId1}) {
        if (ref == 0)
            continue;
        rec::RecalcProducts(state);
        rec::RecalcSums(state);
        const fmtgrid::SumTarget t = fmtgrid::DecodeSumRef(ref);
        if (t.multiply)
            continue;
        const qint32 target = rec::ControlIndexByID(state, 0, 0).IndexOf(t.id);
        if (target == 0)
            continue;
        rec::WalkLinkedChain(state, target, false, [&state](qint32 i) {
            if (DesignControl *c = state.GetCtlByIndex(i);
                c && !c->selected && c->backColor != 0xFFFFFF) {
                c->backColor = 0xFFFFFF;
                state.Controls().Changed(*c);
            }
        });
    }
    rec::ConvertLinkedBoxes(state, index);
}

void SetPictureContent(MainState &state, DesignControl &box, const QString &content,
                       bool drawBarCode)
{
    rec::PictureBoxLook look {box.linkItem, box.picture, box.toolTip, {}};
    std::optional<BarCodeStandard> standard;
    if (drawBarCode && rec::IsBarCodeContent(content))
        standard = ReadBarCodeStandard();
    if (!rec::SetPictureContent(look, content, box.width, box.height, box.fontSize, standard))
        return;
    box.linkItem = look.linkItem;
    box.picture = look.picture;
    box.toolTip = look.toolTip;
    box.barCodePending = !standard && rec::IsBarCodeContent(content);
    state.TellPictureFault(look.fault);
}

void DrawPendingBarCode(DesignControl &box)
{
    if (!box.barCodePending)
        return;
    box.barCodePending = false;
    if (rec::IsBarCodeContent(box.linkItem))
        box.picture = rec::BarCodePicture(box.linkItem, box.width, box.height, box.fontSize,
                                          ReadBarCodeStandard());
}

bool SaveHistoryRecord(MainState &state)
{
    return rec::SaveHistoryRecord(state, state.CurrentFormatName());
}

} // namespace dsg
