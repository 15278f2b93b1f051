#pragma once
// Page controls over a plain format grid for the tests: one grid row per
// control, the controls of each class numbered in the order they are added
// (index = class * 1000 + number), their values kept beside the grid.

#include "core/controlrow.h"
#include "core/formatgrid.h"
#include "platform/gridmodel.h"
#include "properties/pagecontrols.h"

#include <map>

class GridControls : public PageControls
{
public:
    GridControls() { fmtgrid::LayoutFormatGrid(grid); }
    // Adds a control of its class with a value; returns its index. A row
    // without an id gets 100 + the number of controls before it.
    qint32 Add(fmtgrid::ControlRow row, const QString &value = QString())
    {
        if (row.id == 0)
            row.id = 100 + qint64(rows.size());
        const qint32 index = row.cls * 1000 + ++counts[row.cls];
        rows[index] = fmtgrid::AppendControlRow(grid, row);
        values[index] = value;
        return index;
    }
    // Adds a box of class cls with that prompt; without an id it gets the
    // number of the grid row it lands on.
    qint32 Add(qint32 cls, const QString &prompt, qint64 id = 0)
    {
        fmtgrid::ControlRow r;
        r.cls = cls;
        r.prompt = prompt;
        r.id = id != 0 ? id : grid.rows();
        return Add(r);
    }
    GridModel &FormatGrid() override { return grid; }
    QString FormatName() const override { return name; }
    qint32 ControlCount(qint32 cls) const override
    {
        const auto it = counts.find(cls);
        return it == counts.end() ? 0 : it->second;
    }
    std::optional<qint32> ControlRow(qint32 index) const override
    {
        const auto it = rows.find(index);
        return it == rows.end() ? std::nullopt : std::optional<qint32>(it->second);
    }
    QString ControlValue(qint32 index) const override
    {
        const auto it = values.find(index);
        return it == values.end() ? QString() : it->second;
    }
    void SetControlValue(qint32 index, const QString &value) override { values[index] = value; }

    GridModel grid;
    QString name = QStringLiteral("测试格式");
    std::map<qint32, qint32> counts, rows;
    std::map<qint32, QString> values;
};
