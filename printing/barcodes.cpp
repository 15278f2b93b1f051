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

void DrawBarCode(DrawSurface &target, BarCodeStandard standard, const QString &text, double leftMm,
                 double topMm, double widthMm, double heightMm, double fontSize, bool showText)
{
    if (standard == BarCodeStandard::EAN13) {
        DrawEAN13(target, text, leftMm, topMm, heightMm, widthMm, fontSize, showText);
        return;
    }
    const double module = FitCode39Module(text, surface::MmToTwips(widthMm));
    PrintCode39(target, text, leftMm, topMm, heightMm, module, fontSize, showText);
}
