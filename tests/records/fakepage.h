#pragma once
// A page of boxes for the import tests: a format grid with one row per box
// (class and prompt), the boxes of each class numbered in row order.

#include "core/controlrow.h"
#include "properties/pagecontrols.h"

#include <map>

class FakePage : public PageControls
{
public:
    FakePage() { fmtgrid::LayoutFormatGrid(m_grid); }
    // Adds a box of class cls with that prompt; returns its index.
    qint32 Add(qint32 cls, const QString &prompt, qint64 id = 0)
    {
        fmtgrid::ControlRow r;
        r.cls = cls;
        r.prompt = prompt;
        r.id = id != 0 ? id : m_grid.rows();
        const qint32 row = fmtgrid::AppendControlRow(m_grid, r);
        const qint32 index = cls * 1000 + ++m_counts[size_t(cls)];
        m_rows[index] = row;
        return index;
    }
    GridModel &FormatGrid() override { return m_grid; }
    QString FormatName() const override { return name; }
    qint32 ControlCount(qint32 cls) const override
    {
        return cls >= 0 && cls < 5 ? m_counts[size_t(cls)] : 0;
    }
    std::optional<qint32> ControlRow(qint32 index) const override
    {
        const auto it = m_rows.find(index);
        return it == m_rows.end() ? std::nullopt : std::optional<qint32>(it->second);
    }
    QString ControlValue(qint32 index) const override
    {
        const auto it = values.find(index);
        return it == values.end() ? QString() : it->second;
    }
    void SetControlValue(qint32 index, const QString &value) override { values[index] = value; }

    QString name = QStringLiteral("测试格式");
    std::map<qint32, QString> values;

private:
    GridModel m_grid;
    std::array<qint32, 5> m_counts {};
    std::map<qint32, qint32> m_rows;
};
