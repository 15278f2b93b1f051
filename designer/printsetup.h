#pragma once
// The print engine's view of the main-window state: the state serves as the
// page controls and the format host, this view gives the ruler tick, the
// background picture, the pictures of picture boxes and the frame's width,
// the money form converts amounts and the history stores the printed pages.
// The main window's print commands and the batch benchmark build their
// print context here.

#include "designer/mainstate.h"
#include "printing/printengine.h"

namespace dsg {

class StatePrintView : public print::PrintView
{
public:
    explicit StatePrintView(MainState &state)
        : m_state(state)
    { }
    bool PrintRulersTicked() const override { return m_state.printRulersTicked; }
    QImage BackgroundPicture() const override { return m_state.BackgroundPicture(); }
    QImage ControlPicture(qint32 index) const override;
    double FrameWidthTwips() const override { return m_state.Page().frameWidth; }

private:
    MainState &m_state;
};

print::PrintContext PrintContextFor(MainState &state, print::PrintView &view, print::PrintUi &ui);
// HS over DataGrid; each record is shown through ShowGridRow.
print::RecordScroll RecordScrollFor(MainState &state);

} // namespace dsg
