#pragma once
// How the control accessors reach the design controls and the format grid
// of the open format. A design control is named by its index (class * 1000
// + n); the designer implements ControlSet over its control arrays and
// installs it with the grid, tests install their own.

#include "platform/gridmodel.h"
#include "platform/hookslot.h"

#include <QString>
#include <optional>

class ControlSet
{
public:
    virtual ~ControlSet() = default;
    // The Tag (the grid row, as text) of the loaded control with that index;
    // nullopt when no control with that index is loaded.
    virtual std::optional<QString> ControlTag(qint32 index) const = 0;
};

// The design controls in use, until the handle goes; nullptr when none are
// installed (every lookup then finds no control). Not owned.
HookHandle InstallControlSet(ControlSet *controls);
ControlSet *controlSet();

// The format grid of the open format (MSF(3)), until the handle goes; not
// owned. nullptr: no grid, every accessor reads nothing.
HookHandle InstallFormatGridModel(GridModel *grid);
GridModel *formatGridModel();
