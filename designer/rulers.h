#pragma once
// The ruler grid of the page: a light line every 2 mm, an orange one every
// centimetre, and the centimetre numbers along the four edges. Computed as a
// list of lines and texts in page twips; the page widget paints them.

#include <QString>
#include <vector>

namespace dsg {

inline constexpr qint32 kRulerCmColor = 0x0072FF;
inline constexpr qint32 kRulerMmColor = 0x8DC0FF;
// Cell height of the ruler numbers' font, pixels.
inline constexpr int kRulerFontPixels = 15;

struct RulerLine
{
    double x1, y1, x2, y2;
    qint32 color; // 0x00BBGGRR
};

struct RulerText
{
    qint32 x, y; // twips, top-left of the text
    QString text;
};

struct RulerPlan
{
    std::vector<RulerLine> lines;
    std::vector<RulerText> texts;
};

// The grid for a page of pageWidth x pageHeight twips showing paper
// widthMm wide. Empty when either length or the width is not above 0.
RulerPlan PlanRulers(double pageWidth, double pageHeight, double widthMm);

// Bytes of the text in code page 936: 2 per character, 1 per character
// whose code is at most 255.
int SmallTextByteCount(const QString &text);

} // namespace dsg
