#pragma once
// Sets a surface up for drawing a bar code (one-pixel pen, solid style, the
// bar-code font at the given size) and puts the caller's pen, style and font
// back when the drawing ends.

#include "platform/drawsurface.h"

class BarcodePen
{
public:
    BarcodePen(DrawSurface &target, double fontSize)
        : m_target(target)
        , m_drawWidth(target.DrawWidth())
        , m_drawStyle(target.DrawStyle())
        , m_font(target.Font())
    {
        target.SetDrawWidth(1);
        target.SetFontName(QStringLiteral("宋体"));
        target.SetFontSize(fontSize);
        target.SetDrawStyle(surface::Solid);
    }
    ~BarcodePen()
    {
        m_target.SetDrawWidth(m_drawWidth);
        m_target.SetDrawStyle(m_drawStyle);
        m_target.SetFont(m_font);
    }
    BarcodePen(const BarcodePen &) = delete;
    BarcodePen &operator=(const BarcodePen &) = delete;

private:
    DrawSurface &m_target;
    int m_drawWidth;
    int m_drawStyle;
    surface::Font m_font;
};
