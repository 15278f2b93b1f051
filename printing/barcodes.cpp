#include "printing/barcodes.h"

#include "core/settings.h"
#include "platform/drawsurface.h"
#include "platform/numtext.h"
#include "printing/code39.h"
#include "printing/ean13.h"

BarCodeStandard BarCodeStandardFromText(const QString &value)
{
    return num::Val(value) == 0 ? BarCodeStandard::Code39 : BarCodeStandard::EAN13;
}

BarCodeStandard ReadBarCodeStandard()
{
    return BarCodeStandardFromText(ReadParam(QStringLiteral("StrBarCodeStand")));
}

void DrawBarCode(DrawSurface &target, BarCodeStandard standard, const QString &text, Mm left,
                 Mm top, Mm width, Mm height, double fontSize, bool showText)
{
    if (standard == BarCodeStandard::EAN13) {
        DrawEAN13(target, text, left, top, width, height, fontSize, showText);
        return;
    }
    const Twips module = FitCode39Module(text, ToTwips(width));
    PrintCode39(target, text, left, top, height, module, fontSize, showText);
}
