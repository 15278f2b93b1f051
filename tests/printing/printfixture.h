#pragma once
// Test doubles for the print engine: page controls over a plain format grid,
// a printer over the recording surface or a PDF file, a view and scripted
// questions.

#include "core/controlrow.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "platform/gridmodel.h"
#include "support/recordingsurface.h"
#include "printing/printengine.h"
#include "properties/pagecontrols.h"

#include <map>

class GridControls : public PageControls
{
public:
    GridControls() { fmtgrid::LayoutFormatGrid(grid); }
    // Adds a control of its class with a value; returns its index.
    qint32 Add(fmtgrid::ControlRow row, const QString &value = QString())
    {
        if (row.id == 0)
            row.id = 100 + qint64(rows.size());
        const qint32 index = row.cls * 1000 + ++counts[row.cls];
        rows[index] = fmtgrid::AppendControlRow(grid, row);
        values[index] = value;
        return index;
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

class RecordingPrinter : public Printer
{
public:
    explicit RecordingPrinter(RecordingSurface &s)
        : surface(s)
    { }
    QString DeviceName() const override { return QStringLiteral("记录"); }
    DrawSurface &Surface() override { return surface; }
    void SetOrientation(QPageLayout::Orientation o) override { orientation = o; }
    void SetPageSize(const QPageSize &size) override { page = size; }
    QPageSize PageSize() const override { return page; }
    QList<QPageSize> SupportedPageSizes() const override { return {}; }
    bool SupportsCustomPageSize() const override { return customOk; }

    RecordingSurface &surface;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QPageSize page {QPageSize::A4};
    bool customOk = true;
};

class TestView : public print::PrintView
{
public:
    bool PrintRulersTicked() const override { return rulers; }
    QImage BackgroundPicture() const override { return background; }
    QImage ControlPicture(qint32) const override { return picture; }
    double FrameWidthTwips() const override { return frameWidth; }
    bool rulers = false;
    QImage background, picture;
    double frameWidth = 0;
};

// Hands out the printers it is given, one per question; nullptr cancels.
class TestUi : public print::PrintUi
{
public:
    std::unique_ptr<Printer> ChoosePrinter() override
    {
        ++chooserShown;
        return std::move(next);
    }
    QString AskBatchRange(qint32 value, qint32 max) override
    {
        askedValue = value;
        askedMax = max;
        return range;
    }
    std::unique_ptr<Printer> next;
    QString range;
    qint32 askedValue = 0, askedMax = 0;
    int chooserShown = 0;
};

// A whole print set-up around the controls, recording the history handed on.
struct PrintRig
{
    GridControls controls;
    FormatHostState host;
    TestView view;
    TestUi ui;
    std::vector<std::vector<PrintedPage>> stored;
    print::PrintContext ctx {controls,
                             host,
                             view,
                             ui,
                             [](const QString &t) { return t; },
                             [this](const QString &, const std::vector<PrintedPage> &p) {
                                 stored.push_back(p);
                                 return true;
                             }};
    PrintRig()
    {
        host.width = QStringLiteral("230");
        host.height = QStringLiteral("127");
        host.offsetX = QStringLiteral("10");
        host.offsetY = QStringLiteral("10");
    }
};

inline fmtgrid::ControlRow Box(qint32 cls, double x, double y, double w, double h, qint32 cash = 0)
{
    fmtgrid::ControlRow r;
    r.cls = cls;
    r.x = x;
    r.y = y;
    r.w = w;
    r.h = h;
    r.cash = cash;
    r.font.size = 10;
    return r;
}
