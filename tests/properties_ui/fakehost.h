#pragma once
// A PropertyHost over a plain format grid: controls are index -> row, the
// selection a set, and every call the dialogs make is recorded.

#include "core/controlrow.h"
#include "core/formatgrid.h"
#include "properties/propertyhost.h"

#include <QMap>
#include <map>
#include <set>
#include <vector>

class FakeHost : public PropertyHost
{
public:
    FakeHost() { fmtgrid::LayoutFormatGrid(grid); }

    // Appends a row for a new control of the row's class; returns its index.
    qint32 Add(const fmtgrid::ControlRow &r, bool selected = false)
    {
        const qint32 row = fmtgrid::AppendControlRow(grid, r);
        const qint32 index = r.cls * 1000 + ++counts[size_t(r.cls)];
        rows[index] = row;
        if (selected)
            this->selected.insert(index);
        return index;
    }
    fmtgrid::ControlRow Row(qint32 index) const
    {
        return *fmtgrid::ReadControlRow(grid, rows.at(index));
    }

    GridModel &FormatGrid() override { return grid; }
    QString FormatName() const override { return QStringLiteral("测试"); }
    qint32 ControlCount(qint32 cls) const override { return counts[size_t(cls)]; }
    QString ControlValue(qint32 index) const override { return values.value(index); }
    // A picture box shows its content again: recorded as a redraw.
    void SetControlValue(qint32 index, const QString &value) override
    {
        values[index] = value;
        redrawn.push_back(index);
    }
    std::optional<qint32> ControlRow(qint32 index) const override
    {
        const auto it = rows.find(index);
        return it == rows.end() ? std::nullopt : std::optional<qint32>(it->second);
    }
    bool ControlSelected(qint32 index) const override { return selected.count(index) > 0; }
    void ApplyRowToControl(qint32 row) override { applied.push_back(row); }
    void InputBoxLeft(qint32 index) override { left.push_back(index); }
    std::optional<qint32> AddControlOfClass(qint32 cls) override
    {
        fmtgrid::ControlRow r;
        r.cls = cls;
        r.id = NewTempCtlID(grid);
        return rows.at(Add(r));
    }
    quint64 ControlsGeneration() const override { return generation; }

    GridModel grid;
    std::array<qint32, 5> counts {};
    std::map<qint32, qint32> rows;
    std::set<qint32> selected;
    QMap<qint32, QString> values;
    std::vector<qint32> applied, redrawn, left;
    quint64 generation = 0;
};
