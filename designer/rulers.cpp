#include "designer/rulers.h"

#include "platform/codepage.h"
#include "platform/numtext.h"

#include <cmath>

namespace dsg {

namespace {
bool IsCm(double v)
{
    return std::floor(v / 10) * 10 == v;
}
} // namespace

RulerPlan PlanRulers(double pageWidth, double pageHeight, double widthMm)
{
    RulerPlan p;
    if (!(pageWidth > 0) || !(pageHeight > 0) || !(widthMm > 0))
        return p;
    const double s = pageWidth / widthMm;
    const double wMax = num::RoundHalfEven(widthMm);
    const double h = num::RoundHalfEven(pageHeight / pageWidth * widthMm);
    for (double x = 0; x <= wMax; x += 2)
        p.lines.push_back({x * s, 0, x * s, pageHeight, IsCm(x) ? kRulerCmColor : kRulerMmColor});
    for (double y = 0; y <= h; y += 2)
        p.lines.push_back({0, y * s, pageWidth, y * s, IsCm(y) ? kRulerCmColor : kRulerMmColor});
    for (double x = 0; x <= wMax; x += 2) {
        if (!IsCm(x))
            continue;
        const QString t = num::Str(qint64(x / 10));
        const qint32 px = num::ToLong(x * s);
        p.texts.push_back({px, 0, t});
        p.texts.push_back({px, num::ToLong(pageHeight - 260), t});
    }
    for (double y = 0; y <= h; y += 2) {
        if (!IsCm(y) || y / 10 == 0)
            continue;
        const QString t = num::Str(qint64(y / 10));
        const qint32 py = num::ToLong(y * s);
        p.texts.push_back({0, py, t});
        const double right = y / 10 < 10 ? pageWidth - 130 : pageWidth - 260;
        p.texts.push_back({num::ToLong(right), py, t});
    }
    return p;
}

int SmallTextByteCount(const QString &text)
{
    return int(cp936::Encode(text).size());
}

} // namespace dsg
