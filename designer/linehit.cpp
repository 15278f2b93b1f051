#include "designer/linehit.h"

#include "designer/designcontrols.h"
#include "platform/numtext.h"

#include <cmath>

namespace dsg {

qint32 LineTolerance(qint32 borderWidth, double twipsPerPixel)
{
    const qint32 tol = num::ToLong(borderWidth * twipsPerPixel);
    return tol / 2.0 < 30 ? 30 : tol;
}

int IsPointOnLine(const DesignControl &k, double x, double y, double tpp)
{
    const double w = k.borderWidth * tpp;
    const qint32 tol = LineTolerance(k.borderWidth, tpp);
    qint32 x1 = k.x1, y1 = k.y1, x2 = k.x2, y2 = k.y2;
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    if (x < x1 - tol || x > x2 + tol || y < y1 - tol || y > y2 + tol)
        return kLineMiss;
    const auto nearEnd = [&](double ex, double ey) {
        return ex - tol <= x && x <= ex + tol && ey - tol <= y && y <= ey + tol;
    };
    if (nearEnd(k.x1, k.y1))
        return kLineFirstEnd;
    if (nearEnd(k.x2, k.y2))
        return kLineSecondEnd;
    if (std::fabs(double(k.x2) - k.x1) > w) {
        const double slope = double(k.y2 - k.y1) / double(k.x2 - k.x1);
        const double v = num::RoundHalfEven((k.x2 - x) * slope + y);
        return k.y2 - tol <= v && v <= k.y2 + tol ? kLineBody : kLineMiss;
    }
    return y1 <= y && y <= y2 ? kLineBody : kLineMiss;
}

} // namespace dsg
