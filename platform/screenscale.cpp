#include "platform/screenscale.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace screen {

namespace {
double g_fixed = 0;
}

double TwipsPerPixel()
{
    if (g_fixed > 0)
        return g_fixed;
    const QScreen *s = QGuiApplication::primaryScreen();
    const double dpi = s ? s->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
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

} // namespace screen
