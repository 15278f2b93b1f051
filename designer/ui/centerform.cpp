#include "designer/ui/centerform.h"

#include "designer/pagegeometry.h"
#include "platform/screenscale.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace dsg {

using screen::ToPx;
using screen::ToTwips;
using screen::TwipsPerPixel;

void CenterForm(QWidget *w)
{
    const QScreen *s = w ? QGuiApplication::primaryScreen() : nullptr;
    if (!s)
        return;
    const QRect geo = s->geometry();
    const double taskbar = TaskbarHeight(ToTwips(geo.height()), s->availableGeometry().bottom() + 1,
                                         TwipsPerPixel());
    const QPointF p = CenterPosition(ToTwips(geo.width()), ToTwips(geo.height()), taskbar,
                                     ToTwips(w->width()), ToTwips(w->height()));
    w->move(ToPx(p.x()), ToPx(p.y()));
}

} // namespace dsg
