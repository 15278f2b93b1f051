#include "platform/numtext.h"

#include <QDateTime>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace num {

namespace {

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

double readRadix(const QString &s, qsizetype i, int radix)
{
    double v = 0;
    for (; i < s.size(); ++i) {
        int d = -1;
        const QChar c = s.at(i);
        if (c >= u'0' && c <= u'9')
            d = c.unicode() - u'0';
        else if (radix == 16 && c.toUpper() >= u'A' && c.toUpper() <= u'F')
            d = c.toUpper().unicode() - u'A' + 10;
        if (d < 0 || d >= radix)
            break;
        v = v * radix + d;
    }
    return v;
}

} // namespace

double Val(QStringView text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!isSkipped(c))
            s.append(c);
    if (s.size() >= 2 && s.at(0) == u'&') {
        const QChar k = s.at(1).toUpper();
        if (k == u'H')
            return readRadix(s, 2, 16);
        if (k == u'O')
            return readRadix(s, 2, 8);
    }
    QByteArray digits;
    qsizetype i = 0;
    if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-'))
        digits.append(static_cast<char>(s.at(i++).unicode()));
    bool anyDigit = false;
    bool point = false;
    for (; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c >= u'0' && c <= u'9') {
            digits.append(static_cast<char>(c.unicode()));
            anyDigit = true;
        } else if (c == u'.' && !point) {
            digits.append('.');
            point = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return 0;
    if (i < s.size()) {
        const QChar e = s.at(i).toUpper();
        if (e == u'E' || e == u'D') {
            QByteArray exp("e");
            qsizetype j = i + 1;
            if (j < s.size() && (s.at(j) == u'+' || s.at(j) == u'-'))
                exp.append(static_cast<char>(s.at(j++).unicode()));
            bool expDigit = false;
            for (; j < s.size() && s.at(j) >= u'0' && s.at(j) <= u'9'; ++j) {
                exp.append(static_cast<char>(s.at(j).unicode()));
                expDigit = true;
            }
            if (expDigit)
                digits.append(exp);
        }
    }
    // A number beyond the range of a double reads as the largest one, so the
    // text Str writes for it reads back as the same number.
    const double v = std::strtod(digits.constData(), nullptr);
    if (std::isinf(v))
        return std::copysign(std::numeric_limits<double>::max(), v);
    return std::isfinite(v) ? v : 0;
}

double Val(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return 0;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? -1 : 0;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    default:
        return Val(QStringView(value.toString()));
    }
}

double RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return 0;
    // The program never changes the rounding mode from its default,
    // round-to-nearest-even, which is exactly the rule wanted here.
    return std::nearbyint(value);
}

qint64 RoundToInt64(double value)
{
    const double r = RoundHalfEven(value);
    if (r >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (r <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(r);
}

qint32 ToLong(double value)
{
    const double r = RoundHalfEven(value);
    if (r > std::numeric_limits<qint32>::max())
        return std::numeric_limits<qint32>::max();
    if (r < std::numeric_limits<qint32>::min())
        return std::numeric_limits<qint32>::min();
    return static_cast<qint32>(r);
}

qint32 ToLong(QStringView text)
{
    return ToLong(Val(text));
}

double RoundDecimals(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double scaled = value * scale;
    // Undo binary noise first so that 2.675 (stored as 2.67499999...) is
    // treated as the halfway value the user typed.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", scaled);
    return RoundHalfEven(std::strtod(buf, nullptr)) / scale;
}

QString Str(double value)
{
    if (!std::isfinite(value) || value == 0)
        return QStringLiteral("0");
    // 15 significant digits in exponent form first ("-1.23450000000000e-05"),
    // then written out with the point moved: never an exponent.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    const QByteArray e(buf);
    const qsizetype ePos = e.indexOf('e');
    const int exp = e.mid(ePos + 1).toInt();
    const bool negative = e.startsWith('-');
    QByteArray digits = e.left(ePos);
    digits.remove(0, negative ? 1 : 0);
    digits.remove(1, 1); // the point after the first digit
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);
    const qsizetype point = exp + 1; // digits before the point
    QByteArray out;
    if (point <= 0)
        out = "0." + QByteArray(-point, '0') + digits;
    else if (point >= digits.size())
        out = digits + QByteArray(point - digits.size(), '0');
    else
        out = digits.left(point) + '.' + digits.mid(point);
    return QString::fromLatin1(negative ? "-" + out : out);
}

QString Str(qint64 value)
{
    return QString::number(value);
}

QString Text(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return Str(value.toDouble());
    default:
        return value.toString();
    }
}

QString Trim(const QString &text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text.at(b) == u' ')
        ++b;
    while (e > b && text.at(e - 1) == u' ')
        --e;
    return text.mid(b, e - b);
}

QStringList Split(const QString &text, const QString &separator)
{
    if (text.isEmpty())
        return {};
    if (separator.isEmpty())
        return {text};
    return text.split(separator, Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QColor ColorFromBgr(qint64 bgr)
{
    const quint32 v = static_cast<quint32>(bgr) & 0xFFFFFFu;
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

qint32 BgrFromColor(const QColor &color)
{
    return qint32(color.red()) | (qint32(color.green()) << 8) | (qint32(color.blue()) << 16);
}

QString BgrHex(qint64 bgr)
{
    return QStringLiteral("&H") + QString::number(bgr, 16).toUpper();
}

} // namespace num
