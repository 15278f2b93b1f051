#pragma once
// The number and text rules the whole program shares: the leading-number
// reading of texts, rounding halves to the even neighbour, numbers written
// with up to 15 significant digits, blank-only trimming, splitting that keeps
// empty parts and colours held as 0x00BBGGRR values.

#include <QColor>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace num {

// Reads the number at the start of a text: blanks, tabs and line feeds
// anywhere in it are dropped first (a CR is not: it ends the number), then an optional sign, digits
// with at most one
// "." (whatever the locale) and an optional exponent are read; the reading
// stops at the first character that cannot continue the number. "&H1F" and
// "&O17" are read as hexadecimal and octal. No number gives 0; a number
// beyond the range of a double gives the largest one (with its sign).
double Val(QStringView text);
inline double Val(const QString &text)
{
    return Val(QStringView(text));
}
double Val(const QVariant &value);

// Rounds to the nearest whole number, a value exactly halfway going to the
// even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double RoundHalfEven(double value);
qint64 RoundToInt64(double value);
// Whole 32-bit number, rounded half to even and clamped to the 32-bit range.
qint32 ToLong(double value);
qint32 ToLong(QStringView text); // Val then ToLong
inline qint32 ToLong(const QString &text)
{
    return ToLong(QStringView(text));
}

// Rounds to a number of decimals, halves to even on the scaled value.
double RoundDecimals(double value, int decimals);

// Writes a number as plain decimal text, never in exponent form: up to 15
// significant digits, no trailing zeros, no leading blank ("0.3" for
// 0.1 + 0.2, "1000000000000000" for 1e15, "0.00001" for 1e-5).
QString Str(double value);
QString Str(qint64 value);
inline QString Str(int value)
{
    return Str(static_cast<qint64>(value));
}

// Text of a stored value: numbers as Str, Booleans as "True"/"False",
// null as the empty text.
QString Text(const QVariant &value);

// Removes leading and trailing U+0020 blanks only.
QString Trim(const QString &text);

// Splits at every occurrence of the separator and keeps empty parts; an
// empty text gives no parts at all.
QStringList Split(const QString &text, const QString &separator);

// Colours: the program keeps 0x00BBGGRR values (red in the low byte).
QColor ColorFromBgr(qint64 bgr);
qint32 BgrFromColor(const QColor &color);
// "&HBBGGRR" style text of a colour value, as written in messages and files.
QString BgrHex(qint64 bgr);

} // namespace num
