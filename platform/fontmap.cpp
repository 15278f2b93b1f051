#include "platform/fontmap.h"

#include <QHash>

namespace fontmap {

QString SubstituteFace(const QString &name)
{
    static const QHash<QString, QString> table = {
        {QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN")},
        {QStringLiteral("新宋体"), QStringLiteral("AR PL UMing CN")},
        {QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN")},
        {QStringLiteral("NSimSun"), QStringLiteral("AR PL UMing CN")},
        {QStringLiteral("黑体"), QStringLiteral("WenQuanYi Zen Hei")},
        {QStringLiteral("SimHei"), QStringLiteral("WenQuanYi Zen Hei")},
        {QStringLiteral("微软雅黑"), QStringLiteral("WenQuanYi Zen Hei")},
        {QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Zen Hei")},
    };
    const auto it = table.constFind(name.trimmed());
    return it == table.constEnd() ? name : *it;
}

QFont ToQFont(const FontSpec &spec, double pixelSize)
{
    QFont font(SubstituteFace(spec.name));
    if (pixelSize > 0)
        font.setPixelSize(std::max(1, qRound(pixelSize)));
    else if (spec.size > 0)
        font.setPointSizeF(spec.size);
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    font.setUnderline(spec.underline);
    font.setStrikeOut(spec.strikeOut);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QFont DialogFont(const FontSpec &spec)
{
    QFont f(spec.name.isEmpty() ? QStringLiteral("宋体") : spec.name);
    f.setPointSizeF(spec.size > 0 ? spec.size : 9);
    f.setBold(spec.bold);
    f.setItalic(spec.italic);
    f.setUnderline(spec.underline);
    f.setStrikeOut(spec.strikeOut);
    return f;
}

FontSpec FromDialogFont(const QFont &f)
{
    FontSpec spec;
    spec.name = f.family();
    spec.size = f.pointSizeF();
    spec.bold = f.bold();
    spec.italic = f.italic();
    spec.underline = f.underline();
    spec.strikeOut = f.strikeOut();
    return spec;
}

Qt::PenStyle ToPenStyle(qint32 style, int widthPixels)
{
    if (style == Transparent)
        return Qt::NoPen;
    if (widthPixels > 1)
        return Qt::SolidLine;
    switch (style) {
    case Dash:
        return Qt::DashLine;
    case Dot:
        return Qt::DotLine;
    case DashDot:
        return Qt::DashDotLine;
    case DashDotDot:
        return Qt::DashDotDotLine;
    default:
        return Qt::SolidLine;
    }
}

Qt::PenStyle LinePenStyle(qint32 borderStyle, int widthPixels)
{
    if (borderStyle <= 0)
        return Qt::NoPen;
    if (borderStyle >= 6)
        return Qt::SolidLine; // inside solid
    return ToPenStyle(borderStyle - 1, widthPixels);
}

} // namespace fontmap
