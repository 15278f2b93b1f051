#pragma once
// What the property dialogs need of the designer: the format grid, the
// design controls of each class with their rows and selected look, applying
// a row to its control, showing a picture box's content again, leaving an
// input box, adding a control, and a count that tells when the controls
// were rebuilt. The designer's main-window state implements it and hands it
// to the dialogs; tests implement it over a plain grid.

#include "platform/gridmodel.h"

#include <QtGlobal>
#include <optional>

class PropertyHost
{
public:
    virtual ~PropertyHost() = default;

    // The format grid of the open format.
    virtual GridModel &FormatGrid() = 0;
    // Loaded controls of a class; their indexes run cls*1000+1 .. cls*1000+count.
    virtual qint32 ControlsOfClass(qint32 cls) const = 0;
    // The row in the control's Tag; nullopt when no such control is loaded.
    virtual std::optional<qint32> RowOfControl(qint32 index) const = 0;
    // Whether the control shows its selected look.
    virtual bool ControlSelected(qint32 index) const = 0;
    // ApplyGridRowToCtl for a row, the control found by the row.
    virtual void ApplyRowToControl(qint32 row) = 0;
    // SetPictureContent(box, its link item): a bar code is drawn again at the
    // box's size and font.
    virtual void RedrawPictureContent(qint32 index) = 0;
    // TT_LostFocus(index): the box's value converted by its data type, its
    // linked and sum boxes updated.
    virtual void InputBoxLeft(qint32 index) = 0;
    // Adds a control of class cls with a new last row (AddControl); the new
    // row, or nullopt when refused (the designer has said why).
    virtual std::optional<qint32> AddControlOfClass(qint32 cls) = 0;
    // Changes whenever the controls are rebuilt from the grid (a format
    // opened, reloaded, controls deleted), after which row numbers may name
    // other controls.
    virtual quint64 ControlsGeneration() const = 0;
};
