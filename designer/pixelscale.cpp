#include "designer/pixelscale.h"

#include "core/helpers.h"

#include <cmath>

namespace dsg {

namespace {
double g_fixed = 0;
}

double TwipsPerPixel()
{
    if (g_fixed > 0)
        return g_fixed;
    const double f = ::TwipsPerPixel();
    return f > 0 ? f : 15.0;
}

void SetTwipsPerPixel(double f)
{
    g_fixed = f > 0 ? f : 0;
}

int ToPx(double twips)
{
    return int(std::lround(twips / TwipsPerPixel()));
}

double ToTwips(double pixels)
{
    return pixels * TwipsPerPixel();
}

} // namespace dsg
