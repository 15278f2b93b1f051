#pragma once
// What the property dialogs need of the designer beyond the page controls
// (grid, controls of each class with their rows and values): the selected
// look, applying a row to its control, leaving an input box, adding a
// control, and a count that tells when the controls were rebuilt. The
// designer's main-window state implements it and hands it to the dialogs;
// tests implement it over a plain grid. A picture box's content is shown
// again through SetControlValue(index, ControlValue(index)).

#include "properties/pagecontrols.h"

#include <QtGlobal>
#include <optional>

class PropertyHost : public PageControls
{
public:
    // Whether the control shows its selected look.
    virtual bool ControlSelected(qint32 index) const = 0;
    // ApplyGridRowToCtl for a row, the control found by the row.
    virtual void ApplyRowToControl(qint32 row) = 0;
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
