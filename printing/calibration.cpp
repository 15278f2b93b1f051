#include "printing/calibration.h"

#include "core/formathost.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"
#include "printing/printer.h"

using namespace lengths_literals;

bool PrintCalibrationFigure(Printer &printer)
{
    if (!dialogs().AskYesNo(
            QStringLiteral("您是否需要打印校验图形？如果要打印，请在打印机中放好A4纸一张。"),
            QStringLiteral("校验图形打印")))
        return false;
    printer.SetOrientation(QPageLayout::Portrait);
    printer.SetPageSize(QPageSize(QPageSize::A4));
    DrawSurface &s = printer.Surface();
    s.SetOrigin(0_tw, 0_tw);
    s.Box(ToTwips(10_mm), ToTwips(10_mm), ToTwips(20_mm), ToTwips(20_mm), 0, true);
    return s.EndDoc();
}

void ApplyMargins(FormatHost &host, const QString &x, const QString &y)
{
    host.SetOffsetTexts(num::Str(num::Val(x)), num::Str(num::Val(y)));
}

void AddDeviations(FormatHost &host, bool left, const QString &horizontal, bool up,
                   const QString &vertical)
{
    const double dx = left ? -num::Val(horizontal) : num::Val(horizontal);
    const double dy = up ? -num::Val(vertical) : num::Val(vertical);
    host.SetOffsetTexts(num::Str(num::Val(host.OffsetXText()) + dx),
                        num::Str(num::Val(host.OffsetYText()) + dy));
}
