// The main window's state as the property dialogs see it (PropertyHost).

#include "designer/mainstate.h"
#include "designer/recordservices.h"

namespace dsg {

bool MainState::ControlSelected(qint32 index) const
{
    const DesignControl *ctl = m_ctls.GetCtlByIndex(index);
    return ctl && IsControlSelected(*ctl);
}

void MainState::ApplyRowToControl(qint32 row)
{
    ApplyGridRowToCtl(row, nullptr);
}

void MainState::InputBoxLeft(qint32 index)
{
    if (index >= 1 && index <= m_ctls.Count(InputBox))
        TT_LostFocus(*this, index);
}

std::optional<qint32> MainState::AddControlOfClass(qint32 cls)
{
    int c = cls;
    const DesignControl *ctl = AddControl(c);
    if (!ctl)
        return std::nullopt;
    return ctl->Row();
}

quint64 MainState::ControlsGeneration() const
{
    return m_ctls.Generation();
}

} // namespace dsg
