#pragma once
// A page for the records tests: controls of classes 0 to 2 over a plain
// format grid, each with its row and value; the line-break marker rule is
// left out (the designer's own tests cover it).

#include "core/controlrow.h"
#include "properties/pagecontrols.h"

#include <array>
#include <vector>

class TestPage : public PageControls
{
public:
    struct Ctl
    {
        qint32 row = 0;
        QString value;
        int border = -1; // -1: never set
    };

    TestPage() { fmtgrid::LayoutFormatGrid(grid); }

    // Adds a control of the row's class; returns its index.
    qint32 Add(fmtgrid::ControlRow row, const QString &value = {})
    {
        const qint32 r = fmtgrid::AppendControlRow(grid, row);
        auto &list = ctls[size_t(row.cls)];
        list.push_back({r, value});
        return row.cls * 1000 + qint32(list.size());
    }
    Ctl &At(qint32 index) { return ctls[size_t(index / 1000)].at(size_t(index % 1000 - 1)); }
    QString Text(qint32 index) { return At(index).value; }

    GridModel &FormatGrid() override { return grid; }
    QString FormatName() const override { return name; }
    qint32 ControlCount(qint32 cls) const override
    {
        return cls >= 0 && cls < 3 ? qint32(ctls[size_t(cls)].size()) : 0;
    }
    std::optional<qint32> ControlRow(qint32 index) const override
    {
        const Ctl *c = Find(index);
        return c ? std::optional<qint32>(c->row) : std::nullopt;
    }
    QString ControlValue(qint32 index) const override
    {
        const Ctl *c = Find(index);
        return c ? c->value : QString();
    }
    void SetControlValue(qint32 index, const QString &value) override
    {
        if (Ctl *c = const_cast<Ctl *>(Find(index)))
            c->value = value;
        sets.push_back(index);
    }
    void SetInputBorder(qint32 index, int style) override { At(index).border = style; }

    GridModel grid;
    QString name = QStringLiteral("测试格式");
    std::array<std::vector<Ctl>, 3> ctls;
    std::vector<qint32> sets; // SetControlValue calls, in order

private:
    const Ctl *Find(qint32 index) const
    {
        const qint32 cls = index / 1000, n = index % 1000;
        if (cls < 0 || cls > 2 || n < 1 || n > qint32(ctls[size_t(cls)].size()))
            return nullptr;
        return &ctls[size_t(cls)][size_t(n - 1)];
    }
};

// A control row of the class with that ID and data-type code.
inline fmtgrid::ControlRow Row(qint32 cls, qint64 id, qint32 cash = 0, qint64 rctl = 0,
                               qint64 sumId = 0, qint64 sumId1 = 0)
{
    fmtgrid::ControlRow r;
    r.cls = cls;
    r.id = id;
    r.prompt = QStringLiteral("框%1").arg(id);
    r.w = 40;
    r.h = 8;
    r.cash = cash;
    r.rctl = rctl;
    r.sumId = sumId;
    r.sumId1 = sumId1;
    return r;
}
