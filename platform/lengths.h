#pragma once
// Lengths at the drawing boundary. The program works in several unit spaces:
// millimetres (the format grid, the database), printer twips (the drawing
// surface, 56.6928 to the millimetre), page twips on the screen (the page's
// width in twips over the format's width in millimetres, core/helpers.h) and
// pixels (platform/screenscale.h); paper sizes of PDF and of printer
// descriptions come in typographic points. Millimetres, printer twips and
// points are distinct types here, so a millimetre value cannot be handed to a routine that draws
// in twips (or back) without a named conversion. Page twips stay plain whole
// numbers behind their own conversion (MmToPageTwips).

template<class Unit> struct Length
{
    double v = 0;

    constexpr Length() = default;
    constexpr explicit Length(double value)
        : v(value)
    { }

    constexpr Length operator+(Length o) const { return Length(v + o.v); }
    constexpr Length operator-(Length o) const { return Length(v - o.v); }
    constexpr Length operator-() const { return Length(-v); }
    constexpr Length operator*(double k) const { return Length(v * k); }
    constexpr Length operator/(double k) const { return Length(v / k); }
    // The ratio of two lengths of one unit is a plain number.
    constexpr double operator/(Length o) const { return v / o.v; }
    constexpr Length &operator+=(Length o)
    {
        v += o.v;
        return *this;
    }
    constexpr Length &operator-=(Length o)
    {
        v -= o.v;
        return *this;
    }
    // Written out: moc cannot read <compare>, and windows include this.
    constexpr bool operator==(Length o) const { return v == o.v; }
    constexpr bool operator!=(Length o) const { return v != o.v; }
    constexpr bool operator<(Length o) const { return v < o.v; }
    constexpr bool operator<=(Length o) const { return v <= o.v; }
    constexpr bool operator>(Length o) const { return v > o.v; }
    constexpr bool operator>=(Length o) const { return v >= o.v; }
};

template<class Unit> constexpr Length<Unit> operator*(double k, Length<Unit> l)
{
    return l * k;
}

struct MmUnit;
struct TwipsUnit;
struct PointUnit;
// Millimetres on paper.
using Mm = Length<MmUnit>;
// Printer twips: 1440 to the inch, 56.6928 to the millimetre (the constant
// is 56.6928 exactly, not 1440 / 25.4, so stored offsets keep their meaning).
using Twips = Length<TwipsUnit>;
// Typographic points, 72 to the inch.
using Pt = Length<PointUnit>;

inline constexpr double kTwipsPerMm = 56.6928;
// Twips per typographic point.
inline constexpr double kTwipsPerPoint = 20.0;
inline constexpr double kMmPerPoint = 25.4 / 72;

constexpr Twips ToTwips(Mm mm)
{
    return Twips(mm.v * kTwipsPerMm);
}
constexpr Mm ToMm(Twips tw)
{
    return Mm(tw.v / kTwipsPerMm);
}
constexpr Mm ToMm(Pt pt)
{
    return Mm(pt.v * kMmPerPoint);
}
constexpr Pt ToPt(Mm mm)
{
    return Pt(mm.v / kMmPerPoint);
}

namespace lengths_literals {
constexpr Mm operator""_mm(long double v)
{
    return Mm(double(v));
}
constexpr Mm operator""_mm(unsigned long long v)
{
    return Mm(double(v));
}
constexpr Twips operator""_tw(long double v)
{
    return Twips(double(v));
}
constexpr Twips operator""_tw(unsigned long long v)
{
    return Twips(double(v));
}
} // namespace lengths_literals
