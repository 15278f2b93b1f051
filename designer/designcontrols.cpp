#include "designer/designcontrols.h"

#include "core/controlrow.h"
#include "core/formatgrid.h"
#include "core/helpers.h"
#include "platform/dialogs.h"
#include "platform/fontmap.h"
#include "platform/gridmodel.h"
#include "platform/numtext.h"

#include <QFont>

namespace dsg {

namespace {
constexpr const char *kToolTip = "点击右键可设置、添加、复制或删除输入框。";
} // namespace

qint32 DesignControl::Row() const
{
    return tag.isEmpty() ? 0 : num::ToLong(tag);
}

FontSpec DesignControl::Font() const
{
    return {fontName, fontSize, bold, italic, underline, strikeOut};
}

void DesignControl::SetFont(const FontSpec &font)
{
    fontName = font.name;
    fontSize = font.size;
    bold = font.bold;
    italic = font.italic;
    underline = font.underline;
    strikeOut = font.strikeOut;
}

DesignControls::DesignControls() = default;
DesignControls::~DesignControls() = default;

qint32 DesignControls::Count(int cls) const
{
    if (cls < 0 || cls > 4)
        return 0;
    return qint32(m_ctls[size_t(cls)].size());
}

void DesignControls::ResetCtlCounters()
{
    // Only ever called before anything is loaded; loaded controls would lose
    // their index range, so they go with the counters.
    UnloadAllControls();
}

void DesignControls::UnloadAllControls()
{
    ++m_generation;
    for (int c = 0; c < 5; ++c) {
        auto &arr = m_ctls[size_t(c)];
        if (m_observer)
            for (auto &ctl : arr)
                m_observer->ControlUnloading(*ctl);
        arr.clear();
        if (c < 3)
            m_labels[size_t(c)].clear();
    }
}

DesignControl DesignControls::Template(int cls)
{
    DesignControl t;
    t.cls = cls;
    t.index = cls * 1000;
    switch (cls) {
    case InputBox:
        t.left = 240, t.top = 720, t.width = 855, t.height = 270;
        t.toolTip = QString::fromUtf8(kToolTip);
        break;
    case CheckBox:
        t.left = 240, t.top = 480, t.width = 190, t.height = 190;
        t.toolTip = QString::fromUtf8(kToolTip);
        break;
    case PictureBox:
        t.left = 240, t.top = 1080, t.width = 1215, t.height = 735;
        t.toolTip = QString::fromUtf8(kToolTip);
        break;
    case LineCtl:
        t.x1 = 240, t.y1 = 720, t.x2 = 2400, t.y2 = 720;
        t.borderStyle = 1; // solid
        t.borderColor = 0;
        break;
    case LabelCtl:
        t.left = 240, t.top = 1080, t.width = 570, t.height = 285;
        t.fontSize = 14.25;
        t.backColor = 0xFFFFFF;
        break;
    default:
        break;
    }
    return t;
}

DesignControl *DesignControls::LoadElement(int cls, qint32 row)
{
    if (cls < 0 || cls > 4)
        return nullptr;
    auto &arr = m_ctls[size_t(cls)];
    if (qint32(arr.size()) >= kMaxCtlPerClass)
        return nullptr;
    auto ctl = std::make_unique<DesignControl>(Template(cls));
    ctl->index = cls * 1000 + qint32(arr.size()) + 1;
    ctl->visible = true;
    ctl->tag = num::Str(qint64(row));
    DesignControl *p = ctl.get();
    arr.push_back(std::move(ctl));
    if (cls < 3)
        m_labels[size_t(cls)].push_back(std::make_unique<PromptLabel>());
    if (m_observer)
        m_observer->ControlLoaded(*p);
    return p;
}

DesignControl *DesignControls::GetCtlByIndex(qint32 index) const
{
    if (index < 1 || index > 4999)
        return nullptr;
    const int cls = index / 1000;
    const qint32 n = index % 1000;
    if (n < 1)
        return nullptr;
    const auto &arr = m_ctls[size_t(cls)];
    return n <= qint32(arr.size()) ? arr[size_t(n - 1)].get() : nullptr;
}

PromptLabel *DesignControls::Label(qint32 index) const
{
    if (index < 1 || index > 2999)
        return nullptr;
    const int cls = index / 1000;
    const qint32 n = index % 1000;
    const auto &arr = m_labels[size_t(cls)];
    return n >= 1 && n <= qint32(arr.size()) ? arr[size_t(n - 1)].get() : nullptr;
}

DesignControl *DesignControls::FindCtlByRow(const GridModel &grid, qint32 row) const
{
    const qint32 cls = fmtgrid::RowClass(grid, row);
    if (cls < 0)
        return nullptr;
    for (const auto &ctl : m_ctls[size_t(cls)])
        if (ctl->Row() == row)
            return ctl.get();
    return nullptr;
}

DesignControl *DesignControls::FindCtlByID(const GridModel &grid, qint32 id) const
{
    const qint32 row = fmtgrid::RowOfID(grid, id);
    return row < 0 ? nullptr : FindCtlByRow(grid, row);
}

void DesignControls::ForEach(const std::function<void(DesignControl &)> &f) const
{
    for (const auto &arr : m_ctls)
        for (const auto &ctl : arr)
            f(*ctl);
}

void DesignControls::Changed(DesignControl &ctl)
{
    if (m_observer)
        m_observer->ControlChanged(ctl);
}

void DesignControls::LabelChanged(qint32 index)
{
    if (PromptLabel *l = Label(index); l && m_observer)
        m_observer->LabelChanged(index, *l);
}

void PlaceLabel(const DesignControl &k, PromptLabel &l, int side)
{
    if (k.cls > PictureBox)
        return;
    switch (side) {
    case 0:
        l.left = k.left;
        l.top = k.top - l.height;
        break;
    case 1:
        l.left = k.left - l.width;
        l.top = k.top + 40;
        break;
    case 2:
        l.left = k.left + k.width;
        l.top = k.top + 40;
        break;
    case 3:
        l.left = k.left;
        l.top = k.top + k.height;
        break;
    default:
        break;
    }
}

} // namespace dsg

namespace dsg {

void FontToDialog(FontDialogState &dlg, const DesignControl &ctl)
{
    dlg.name = ctl.fontName.isEmpty() ? QStringLiteral("宋体") : ctl.fontName;
    dlg.size = ctl.fontSize;
    dlg.bold = ctl.bold;
    dlg.italic = ctl.italic;
    dlg.underline = ctl.underline;
    dlg.strikeOut = ctl.strikeOut;
    dlg.color = ctl.cls == LineCtl ? ctl.borderColor : ctl.foreColor;
}

bool FontFromDialog(FontDialogState &dlg, DesignControl &ctl, bool show, bool apply)
{
    if (show) {
        FontSpec f {dlg.name, dlg.size, dlg.bold, dlg.italic, dlg.underline, dlg.strikeOut};
        if (!ChooseStoredFont(f, dlg.color))
            return false;
        dlg.name = f.name;
        dlg.size = f.size;
        dlg.bold = f.bold;
        dlg.italic = f.italic;
        dlg.underline = f.underline;
        dlg.strikeOut = f.strikeOut;
    }
    if (apply) {
        ctl.fontName = dlg.name;
        // A size of 0 would be refused by the control: the smallest one is set.
        ctl.fontSize = dlg.size > 0 ? dlg.size : 0.1;
        ctl.bold = dlg.bold;
        ctl.italic = dlg.italic;
        ctl.underline = dlg.underline;
        ctl.strikeOut = dlg.strikeOut;
        ctl.foreColor = dlg.color;
    }
    return true;
}

void ChooseCtlFont(DesignControl &box)
{
    FontDialogState dlg;
    FontToDialog(dlg, box);
    // A cancelled dialog leaves the box as it was.
    FontFromDialog(dlg, box, true, true);
}

void GridFontToCtl(const GridModel &grid, qint32 row, DesignControl &sample)
{
    const auto v = fmtgrid::ReadControlRow(grid, row);
    if (!v)
        return;
    FontSpec font = v->font;
    // The stored size as it stands, without the page's zoom.
    if (font.size <= 0)
        font.size = sample.fontSize;
    sample.SetFont(font);
    sample.foreColor = v->color;
}

void CtlFontToGrid(GridModel &grid, qint32 row, const DesignControl &sample)
{
    auto v = fmtgrid::ReadControlRow(grid, row);
    if (!v)
        return;
    v->font = sample.Font();
    v->color = sample.foreColor;
    fmtgrid::WriteControlRow(grid, row, *v);
}

} // namespace dsg
