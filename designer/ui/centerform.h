#pragma once
// CenterForm: moves a window to the centre of the screen's work area,
// keeping its size.

class QWidget;

namespace dsg {

void CenterForm(QWidget *window);

} // namespace dsg
