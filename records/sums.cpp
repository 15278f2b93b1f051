#include "records/sums.h"

#include "core/formatgrid.h"
#include "core/helpers.h"
#include "platform/numtext.h"
#include "records/pagecontents.h"
#include "records/valueconversion.h"

#include <optional>
#include <vector>

namespace rec {

namespace {

constexpr int kChainRounds = 101;

struct Target
{
    qint32 index = 0;
    double value = 0;
    bool empty = false;
};

Target &TargetAt(std::vector<Target> &list, qint32 index, double start)
{
    for (Target &t : list)
        if (t.index == index)
            return t;
    list.push_back({index, start, false});
    return list.back();
}

// Collects the targets of every input box in index order; product (true)
// or sum (false).
std::vector<Target> CollectTargets(PageControls &page, bool product)
{
    std::vector<Target> list;
    std::optional<ControlIndexByID> byId;
    const qint32 n = page.ControlCount(0);
    for (qint32 i = 1; i <= n; ++i) {
        const auto row = ControlRowOf(page, i);
        if (!row)
            continue;
        const SumTargets t = SumTargetsOf(row->sumId, row->sumId1);
        const qint64 id = product ? t.product : t.sum;
        if (id == 0)
            continue;
        if (!byId)
            byId.emplace(page, 0, 0);
        const qint32 target = byId->IndexOf(id);
        if (target == 0)
            continue;
        const QString text = page.ControlValue(i);
        if (product) {
            Target &p = TargetAt(list, target, 1);
            if (text.isEmpty())
                p.empty = true;
            else if (!p.empty)
                p.value *= ParseNumberText(text);
        } else {
            TargetAt(list, target, 0).value += ParseNumberText(text);
        }
    }
    return list;
}

void WriteTargets(PageControls &page, const std::vector<Target> &list)
{
    PageInputBoxes boxes(page);
    for (const Target &t : list) {
        if (t.empty) {
            page.SetInputText(t.index, QString());
            continue;
        }
        const QString text = conv::ApplyConversion(boxes, t.index, num::Str(t.value));
        if (text != page.ControlValue(t.index)) {
            page.SetInputText(t.index, text);
            ConvertLinkedBoxes(page, t.index);
        }
    }
}

} // namespace

SumTargets SumTargetsOf(qint64 sumId, qint64 sumId1)
{
    SumTargets out;
    for (const qint64 ref : {sumId, sumId1}) {
        const fmtgrid::SumTarget t = fmtgrid::DecodeSumRef(ref);
        if (t.id == 0)
            continue;
        qint64 &slot = t.multiply ? out.product : out.sum;
        if (slot == 0)
            slot = t.id;
    }
    return out;
}

void RecalcSums(PageControls &page)
{
    WriteTargets(page, CollectTargets(page, false));
}

void RecalcProducts(PageControls &page)
{
    WriteTargets(page, CollectTargets(page, true));
}

void WalkLinkedChain(PageControls &page, qint32 index, bool digitsOnHandOver,
                     const std::function<void(qint32)> &visited)
{
    const auto first = ControlRowOf(page, index);
    if (!first || index < 1 || index > page.ControlCount(0))
        return;
    const qint64 startId = first->id;
    PageInputBoxes boxes(page);
    std::optional<ControlIndexByID> byId;
    qint32 current = index;
    for (int round = 0; round < kChainRounds; ++round) {
        page.SetInputText(current,
                          conv::ApplyConversion(boxes, current, page.ControlValue(current)));
        if (visited)
            visited(current);
        const auto row = ControlRowOf(page, current);
        const qint64 link = row ? row->rctl : 0;
        if (link == 0 || link == startId)
            return;
        if (!byId)
            byId.emplace(page, 0, 0);
        const qint32 next = byId->IndexOf(link);
        if (next == 0)
            return;
        page.SetInputText(next,
                          digitsOnHandOver ? conv::CapitalToAmount(boxes, current)
                                           : page.ControlValue(current));
        current = next;
    }
}

void ConvertLinkedBoxes(PageControls &page, qint32 index)
{
    WalkLinkedChain(page, index, true, {});
}

} // namespace rec
