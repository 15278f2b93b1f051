#include "properties/controlset.h"

namespace {
HookSlot<ControlSet *> g_controls;
HookSlot<GridModel *> g_grid;
} // namespace

HookHandle InstallControlSet(ControlSet *controls)
{
    return g_controls.Install(controls);
}

ControlSet *controlSet()
{
    return g_controls.Current();
}

HookHandle InstallFormatGridModel(GridModel *grid)
{
    return g_grid.Install(grid);
}

GridModel *formatGridModel()
{
    return g_grid.Current();
}
