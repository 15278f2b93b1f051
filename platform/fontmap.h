#pragma once
// Fonts and pens as the program stores them, and the one mapping of each to
// Qt. Formats name Windows faces (宋体, 黑体, ...); the mapping substitutes the
// CJK faces installed here, so the page, the printer and the picture boxes
// all draw a stored font the same way.

#include <QFont>
#include <QString>

class QPen;

// A stored font: face name, size in points and the four styles.
struct FontSpec
{
    QString name = QStringLiteral("宋体");
    double size = 9; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const FontSpec &) const = default;
};

namespace fontmap {

// The face installed here that stands in for a stored face name: 宋体,
// SimSun, 新宋体 and NSimSun → AR PL UMing; 黑体, SimHei, 微软雅黑 and
// Microsoft YaHei → WenQuanYi Zen Hei; any other name is kept as it is.
QString SubstituteFace(const QString &name);

// The QFont of a stored font with the face substituted. The size is set in
// pixels when pixelSize > 0 (a painter drawing in twips asks for the size in
// twips), else in points.
QFont ToQFont(const FontSpec &font, double pixelSize = 0);

// A stored font as the font dialog takes and gives it: the stored face name
// kept as it is (宋体 stays 宋体), the size in points (9 when not positive).
QFont DialogFont(const FontSpec &font);
FontSpec FromDialogFont(const QFont &font);

// Drawing styles of the printer and the picture boxes (DrawStyle):
// 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 transparent,
// 6 inside solid. A line's own border style (the Cash column of a line
// row) counts one higher: 0 transparent, 1 solid, 2 dash, ... 6 inside solid.
enum LineStyle {
    Solid = 0,
    Dash = 1,
    Dot = 2,
    DashDot = 3,
    DashDotDot = 4,
    Transparent = 5,
    InsideSolid = 6,
};

// The Qt pen style of a stored line style; an unknown style draws solid.
// Dashes apply only to lines one device pixel wide, as on the printer: a
// wider line is solid (or no line for Transparent).
Qt::PenStyle ToPenStyle(qint32 style, int widthPixels = 1);
// The Qt pen style of a line's border style, as the page shows it.
Qt::PenStyle LinePenStyle(qint32 borderStyle, int widthPixels = 1);

} // namespace fontmap
