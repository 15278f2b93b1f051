#pragma once
// The button and shift codes that mouse handlers take, as the program's
// handlers expect them: buttons 1 left, 2 right, 4 middle; shift 1 Shift,
// 2 Ctrl, 4 Alt. Several buttons or keys add up. The one adapter from Qt's
// flags for every window.

#include <QtCore/qnamespace.h>

namespace mouse {

inline int ButtonCode(Qt::MouseButtons b)
{
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0)
        | (b & Qt::MiddleButton ? 4 : 0);
}

inline int ShiftCode(Qt::KeyboardModifiers m)
{
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0)
        | (m & Qt::AltModifier ? 4 : 0);
}

} // namespace mouse
