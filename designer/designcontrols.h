#pragma once
// The design controls of the open format, kept without widgets: five control
// arrays (input boxes, check boxes, picture boxes, lines, fixed labels) and
// the prompt labels of the first three classes. A control's index is
// class * 1000 + n with n = 1 .. count(class); the owner hands the indexes
// out, finds controls by index, row or ID, and tells an observer (the page
// widget) when controls come, change or go. Positions and sizes are twips
// on the page; widgets are placed from these values, never the other way.

#include "platform/fontmap.h"

#include <QImage>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class GridModel;

namespace dsg {

enum CtlClass : int { InputBox = 0, CheckBox = 1, PictureBox = 2, LineCtl = 3, LabelCtl = 4 };

// The most controls one class may hold, so that an index never reaches the
// next class's range.
inline constexpr qint32 kMaxCtlPerClass = 999;

// The prompt label LL(index) of an input box, check box or picture box.
struct PromptLabel
{
    QString caption = QStringLiteral("标签");
    qint32 left = 0, top = 0, width = 420, height = 210;
    bool visible = true;
};

// One design control. Which fields matter depends on the class: lines use
// x1..y2, borderColor, borderWidth and borderStyle; the other classes use
// left/top/width/height and the font.
struct DesignControl
{
    int cls = InputBox;
    qint32 index = 0;
    QString tag; // FormatGrid row as text

    qint32 left = 0, top = 0, width = 0, height = 0;
    qint32 x1 = 0, y1 = 0, x2 = 0, y2 = 0;

    QString fontName = QStringLiteral("宋体");
    double fontSize = 9;
    bool bold = false, italic = false, underline = false, strikeOut = false;
    qint32 foreColor = 0; // 0x00BBGGRR
    qint32 backColor = 0xFFFFFF; // input boxes
    qint32 borderColor = 0; // lines
    qint32 borderWidth = 1; // lines: pixels
    qint32 borderStyle = 0; // lines: style; boxes: 0 none, 1 single
    qint32 alignment = 0; // 0 left, 1 right, 2 centre
    qint32 appearance = 1; // check boxes: 1 3-D, 0 flat

    QString caption = QStringLiteral("标签"); // fixed labels
    QString text; // input boxes
    qint32 value = 0; // check boxes: 0, 1, 2
    QString linkItem; // picture boxes: path or bar-code text
    QImage picture; // picture boxes: what they show
    bool barCodePending = false; // picture boxes: a bar code whose picture is not drawn yet
    QString toolTip;
    bool visible = true;
    bool selected = false; // shown by the class's selected look

    // Row number held in the tag (its leading number; empty reads as 0).
    qint32 Row() const;
    // The font fields as one stored font, and back.
    FontSpec Font() const;
    void SetFont(const FontSpec &font);
};

// Told about every change so that a view can follow.
class ControlObserver
{
public:
    virtual ~ControlObserver() = default;
    // A control was loaded; its look follows with ControlChanged.
    virtual void ControlLoaded(DesignControl &ctl) = 0;
    virtual void ControlChanged(DesignControl &ctl) = 0;
    virtual void ControlUnloading(DesignControl &ctl) = 0;
    virtual void LabelChanged(qint32 index, PromptLabel &label) = 0;
};

class DesignControls
{
public:
    DesignControls();
    ~DesignControls();

    void SetObserver(ControlObserver *observer) { m_observer = observer; }

    // CtlCount(c).
    qint32 Count(int cls) const;
    // ResetCtlCounters: all five counts to 0; loads and unloads nothing.
    void ResetCtlCounters();
    // UnloadAllControls: every control and prompt label goes, counts to 0.
    void UnloadAllControls();
    // Rises with every UnloadAllControls, so that a holder of a row number
    // can tell that the controls were rebuilt since it took it.
    quint64 Generation() const { return m_generation; }

    // LoadNewControl without the grid: the next element of the class, a copy
    // of the class's template, with its prompt label; its tag is the row.
    // nullptr for a class outside 0..4 or a class that already holds
    // kMaxCtlPerClass controls (the caller reports that).
    DesignControl *LoadElement(int cls, qint32 row);

    // GetCtlByIndex: 1..999 TT, 1001..1999 CC, 2001..2999 II,
    // 3001..3999 LN, 4001..4999 LB; none above the class's count.
    DesignControl *GetCtlByIndex(qint32 index) const;
    // LL(index), for loaded controls of classes 0..2.
    PromptLabel *Label(qint32 index) const;
    // The control of a FormatGrid row (class from column 17, then the
    // element whose tag holds that row).
    DesignControl *FindCtlByRow(const GridModel &grid, qint32 row) const;
    // The control whose row holds that ID in column 0.
    DesignControl *FindCtlByID(const GridModel &grid, qint32 id) const;

    // Calls f for every loaded control, class by class in index order.
    void ForEach(const std::function<void(DesignControl &)> &f) const;

    // Tell the observer that a control or label was changed.
    void Changed(DesignControl &ctl);
    void LabelChanged(qint32 index);

    // The template elements TT(0), CC(1000), II(2000), LN(3000), LB(4000).
    static DesignControl Template(int cls);

private:
    std::array<std::vector<std::unique_ptr<DesignControl>>, 5> m_ctls;
    std::array<std::vector<std::unique_ptr<PromptLabel>>, 3> m_labels;
    ControlObserver *m_observer = nullptr;
    quint64 m_generation = 0;
};

// IsControlSelected: whether the control shows its selected look.
inline bool IsControlSelected(const DesignControl &ctl)
{
    return ctl.selected;
}

// PlaceControlLabel: puts the prompt label beside its control on side s
// (0 above, 1 left, 2 right, 3 below; any other side leaves it).
void PlaceLabel(const DesignControl &ctl, PromptLabel &label, int side);

// The selected look's grey (input box back colour, line colour).
inline constexpr qint32 kSelectedGrey = 0xD0D0D0;

} // namespace dsg

namespace dsg {

// The font part of a common dialog: what FontToDialog fills and the font
// dialog of the dialog seam shows.
struct FontDialogState
{
    QString name = QStringLiteral("宋体");
    double size = 9;
    bool bold = false, italic = false, underline = false, strikeOut = false;
    qint32 color = 0; // 0x00BBGGRR
};

// FontToDialog: the control's font and colour into the dialog state.
void FontToDialog(FontDialogState &dlg, const DesignControl &ctl);
// FontFromDialog: with show, the font dialog opens on the state (false when
// cancelled: nothing changes); with apply, the state's font and colour go
// onto the control. True unless cancelled.
bool FontFromDialog(FontDialogState &dlg, DesignControl &ctl, bool show, bool apply);

// ChooseCtlFont: the font dialog on a box's font and colour; OK puts the
// chosen font and colour on the box, cancel leaves it as it was.
void ChooseCtlFont(DesignControl &box);

// GridFontToCtl: a FormatGrid row's font (name, size without zoom, colour,
// bold, italic, underline, strikethrough) onto a property dialog's sample
// box. CtlFontToGrid: the sample box's font back into the row.
void GridFontToCtl(const GridModel &grid, qint32 row, DesignControl &sample);
void CtlFontToGrid(GridModel &grid, qint32 row, const DesignControl &sample);

} // namespace dsg
