#include "properties/controlset.h"

namespace {
ControlSet *g_controls = nullptr;
GridModel *g_grid = nullptr;
} // namespace

void SetControlSet(ControlSet *controls)
{
    g_controls = controls;
}

ControlSet *controlSet()
{
    return g_controls;
}

void SetFormatGridModel(GridModel *grid)
{
    g_grid = grid;
}

GridModel *formatGridModel()
{
    return g_grid;
}
