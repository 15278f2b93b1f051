#include "records/valueconversion.h"

#include "core/controlrow.h"
#include "core/helpers.h"
#include "core/settings.h"
#include "properties/ctlaccessors.h"
#include "platform/numtext.h"
#include "records/inputboxes.h"

#include <QRegularExpression>
#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace conv {

namespace {

const QString kCapitals = u"零壹贰叁肆伍陆柒捌玖"_s;
const QChar kZero = u'零';
const QChar kTen = u'拾';

// Units of the positions of an amount written in fen, from the right.
const std::array<QChar, 15> kAmountUnits = {u'分', u'角', u'元', u'拾', u'佰', u'仟', u'万', u'拾',
                                            u'佰', u'仟', u'亿', u'拾', u'佰', u'仟', u'万'};
// Units of a group read back by CapitalToAmount.
const std::array<QChar, 5> kGroupUnits = {u'亿', u'万', u'仟', u'佰', u'拾'};

std::function<QDateTime()> &clock()
{
    static std::function<QDateTime()> now;
    return now;
}

bool isCapital(QChar c)
{
    return kCapitals.contains(c);
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A number as text with up to 15 significant digits but never in exponent
// form: money must stay digits, so 1E+17 is written out in full and 1E-06 as
// 0.000001.
QString strPlain(double value)
{
    QString s = num::Str(value);
    const qsizetype e = s.indexOf(u'E');
    if (e < 0)
        return s;
    QString mant = s.left(e);
    const int exp = s.mid(e + 1).toInt();
    QString sign;
    if (mant.startsWith(u'-')) {
        sign = u"-"_s;
        mant.remove(0, 1);
    }
    qsizetype point = mant.indexOf(u'.');
    if (point < 0)
        point = mant.size();
    QString digits = mant;
    digits.remove(u'.');
    point += exp;
    if (point <= 0)
        return sign + u"0."_s + QString(-point, u'0') + digits;
    if (point >= digits.size())
        return sign + digits + QString(point - digits.size(), u'0');
    return sign + digits.left(point) + u'.' + digits.mid(point);
}

// A number as text without the zero before the point of a value below 1.
QString strNoLeadingZero(double value)
{
    QString s = strPlain(value);
    if (s.startsWith(u"0."_s))
        s.remove(0, 1);
    else if (s.startsWith(u"-0."_s))
        s.remove(1, 1);
    return s;
}

QString removeAll(QString s, const QString &chars)
{
    for (const QChar c : chars)
        s.remove(c);
    return s;
}

int todayPart(int part)
{
    const QDate d = Now().date();
    return part == 0 ? d.year() : part == 1 ? d.month() : d.day();
}

// Expands one group of a capital amount (the part before 亿, 万 or 元) to
// its digits, from the group unit at position k down to 拾.
QString expandGroup(const QString &group, int k, bool appendWhenEmpty)
{
    QString g = group;
    g.remove(kZero);
    if (g.isEmpty() ? appendWhenEmpty : !isCapital(g.back()))
        g.append(kZero);
    for (int u = k; u < 5; ++u) {
        const QChar unit = kGroupUnits[u];
        if (g.contains(unit))
            g.remove(unit);
        else
            g.insert(std::min<qsizetype>(u - k, g.size()), kZero);
    }
    return g;
}

int firstUnitIn(const QString &group, int from)
{
    for (int u = from; u < 5; ++u) {
        if (group.contains(kGroupUnits[u]))
            return u;
    }
    return 5;
}

} // namespace

void SetClock(std::function<QDateTime()> now)
{
    clock() = std::move(now);
}

QDateTime Now()
{
    return clock() ? clock()() : QDateTime::currentDateTime();
}

int BorderForCode(qint32 code)
{
    return fmtgrid::IsAmountInCells(code) || fmtgrid::IsDigitsInCells(code) ? 1 : 0;
}

QString DigitsToCapitals(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (isDigit(c))
            c = kCapitals[c.unicode() - u'0'];
    }
    return out;
}

QString CapitalsToDigits(const QString &text)
{
    QString s = text;
    for (QChar &c : s) {
        const qsizetype i = kCapitals.indexOf(c);
        if (i >= 0)
            c = QChar(char16_t(u'0' + i));
    }
    if (s.startsWith(kTen))
        s[0] = u'1';
    if (s.endsWith(kTen))
        s[s.size() - 1] = u'0';
    s.remove(kTen);
    QString digits;
    for (const QChar c : s) {
        if (isDigit(c))
            digits.append(c);
    }
    if (digits.startsWith(u'0'))
        digits.remove(0, 1);
    return digits;
}

QString FormatMoney(const QString &text)
{
    if (text.isEmpty())
        return text;
    QString kept;
    for (const QChar c : text) {
        if (isDigit(c) || c == u'.')
            kept.append(c);
    }
    QString s = u"￥"_s + num::Trim(strNoLeadingZero(num::Val(kept)));
    const qsizetype dot = s.indexOf(u'.');
    if (dot < 0)
        s += u".00"_s;
    else if (dot == s.size() - 1)
        s += u"00"_s;
    else if (s.size() - 1 - dot == 1)
        s += u'0';
    else if (s.size() - 1 - dot > 2)
        s.truncate(dot + 3);
    if (s.size() > 1 && s[1] == u'.')
        s.insert(1, u'0');
    for (qsizetype i = s.size() - 6; i >= 2; i -= 3)
        s.insert(i, u',');
    return s;
}

QString AmountToCapital(const QString &text)
{
    if (text.isEmpty() || isCapital(text[0]))
        return text;
    const QString fen = removeAll(FormatMoney(text), u",￥."_s);
    const QString digits = num::Str(num::Val(fen));
    for (const QChar c : digits) {
        if (!isDigit(c))
            return text; // beyond the 15 positions the units cover
    }
    const QString caps = num::Trim(DigitsToCapitals(digits));
    const qsizetype n = caps.size();
    if (n > 15)
        return text;

    std::array<QString, 15> a;
    for (qsizetype i = 0; i < n; ++i)
        a[i] = QString(caps[n - 1 - i]) + kAmountUnits[i];
    // A run of zeros collapses to one 零; the jiao and fen places stay.
    for (qsizetype i = n - 1; i >= 0; --i) {
        if (a[i].startsWith(kZero)) {
            a[i] = kZero;
            for (qsizetype j = i - 1; j >= 2 && a[j].startsWith(kZero); --j)
                a[j].clear();
        }
    }
    if (n > 10) {
        if (a[10].isEmpty())
            a[10] = u"亿"_s;
        else if (a[10].startsWith(kZero))
            a[10] = u"亿零"_s;
    }
    if (n > 6) {
        if (a[6].isEmpty())
            a[6] = u"万"_s;
        else if (a[6].startsWith(kZero))
            a[6] = u"万零"_s;
    }
    if (n > 2 && (a[2].isEmpty() || a[2].startsWith(kZero)))
        a[2] = u"元"_s;

    QString s;
    for (int i = 14; i >= 0; --i)
        s += a[i];
    s.replace(u"零万"_s, u"万零"_s);
    s.replace(u"零亿"_s, u"亿零"_s);
    s.replace(u"零零"_s, u"零"_s);
    s.replace(u"零元"_s, u"元"_s);
    if (s.endsWith(kZero))
        s.chop(1);
    if (!s.endsWith(u'分'))
        s += u'整';
    if (s == u"整"_s || s == u"元整"_s)
        s = u"零元整"_s;
    s.replace(u"亿万"_s, u"亿"_s);
    return s;
}

QString CapitalToAmount(qint32 code, const QString &text)
{
    if (code == CapitalDigits) {
        QString s = text;
        for (QChar &c : s) {
            const qsizetype i = kCapitals.indexOf(c);
            if (i >= 0)
                c = QChar(char16_t(u'0' + i));
        }
        return s;
    }
    if (code != CapitalAmount)
        return text;

    QString rest = text;
    rest.remove(u'整');
    auto cut = [&rest](qsizetype p, QString &group) {
        if (p < 0)
            return false;
        group = rest.left(p);
        rest = rest.mid(p + 1);
        return true;
    };
    QString yi, wan, yuan;
    const bool hasYi = cut(rest.lastIndexOf(u'亿'), yi);
    const bool hasWan = cut(rest.indexOf(u'万'), wan);
    const bool hasYuan = cut(rest.indexOf(u'元'), yuan);

    QString yiDigits, wanDigits, yuanDigits;
    if (hasYi)
        yiDigits = expandGroup(yi, firstUnitIn(yi, 0), false);
    if (hasWan)
        wanDigits = expandGroup(wan, !yiDigits.isEmpty() ? 2 : firstUnitIn(wan, 2), true);
    else if (hasYi)
        wanDigits = u"零零零零"_s;
    if (hasYuan) {
        const bool higher = !yiDigits.isEmpty() || !wanDigits.isEmpty();
        yuanDigits = expandGroup(yuan, higher ? 2 : firstUnitIn(yuan, 2), true);
    }

    QString jiao;
    const qsizetype p = rest.indexOf(u'角');
    if (p >= 0) {
        jiao = rest.left(p);
        rest = rest.mid(p + 1);
    } else {
        jiao = kZero;
        if (rest.startsWith(kZero))
            rest.remove(0, 1);
    }
    rest.remove(u'分');
    return CapitalToAmount(CapitalDigits, yiDigits + wanDigits + yuanDigits + u'.' + jiao + rest);
}

QString CapitalToAmount(const InputBoxes &boxes, int index)
{
    return CapitalToAmount(boxes.BoxCode(index), boxes.BoxText(index));
}

QString DigitsToCapitalChars(const QString &text)
{
    if (text.isEmpty() || isCapital(text[0]))
        return text;
    const double fen = num::RoundHalfEven(ParseNumberText(text) * 100);
    if (std::fabs(fen) >= 1e15)
        return text; // beyond 15 digits the amount cannot be written exactly
    const QString digits = QString::number(qint64(fen));
    QString out;
    for (const QChar c : digits)
        out.append(kCapitals[isDigit(c) ? c.unicode() - u'0' : 0]);
    return out;
}

QString DayMonthToCapital(const QString &text, int part)
{
    const qint32 n = num::ToLong(num::Val(text));
    // Blanks around the number would otherwise count as characters (a day
    // "5 " would become 伍拾).
    QString s = DigitsToCapitals(num::Trim(text));
    if (s.size() == 1) {
        if (!(part == 1 && n >= 3 && n <= 9))
            s.prepend(kZero);
    } else if (s.size() == 2) {
        if (s[1] != kZero && s[0] != kZero)
            s.insert(1, kTen);
        else if (s[1] == kZero)
            s[1] = kTen;
    }
    if (s.size() == 2 && n % 10 == 0)
        s.prepend(kZero);
    return s;
}

QString DatePartToCapital(const QString &text, int part)
{
    if (text.isEmpty() || !isDigit(text[0]))
        return text;
    const double v = num::Val(text);
    const bool inRange = part == 0 ? (v >= 2000 && v <= 3000)
        : part == 1                ? (v >= 1 && v <= 12)
                                   : (v >= 1 && v <= 31);
    return inRange ? DayMonthToCapital(text, part) : text;
}

QString DatePartDigits(const QString &text, int part)
{
    const qint32 n = num::ToLong(num::Val(CapitalsToDigits(num::Trim(text))));
    const bool inRange = part == 0 ? (n >= 1000 && n <= 5000)
        : part == 1                ? (n >= 1 && n <= 12)
                                   : (n >= 1 && n <= 31);
    return num::Str(inRange ? n : todayPart(part));
}

QString KeepOnlyChars(const QString &text, const QString &allowed)
{
    QString s = text;
    for (qsizetype i = s.size() - 1; i >= 0; --i) {
        if (!allowed.contains(s[i]))
            s.remove(i, 1);
    }
    return s;
}

QString FormatPostcode(const QString &text)
{
    QString s = KeepOnlyChars(text, u"0123456789"_s).left(6);
    if (!s.isEmpty() && s.size() < 6)
        s = QString(6 - s.size(), u'0') + s;
    return s;
}

QString FormatPercent(const QString &text)
{
    return num::Str(ParseNumberText(text) * 100) + u'%';
}

QDateTime ReadDate(const QString &text)
{
    static const QString time = uR"((?:\s+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$)"_s;
    static const QRegularExpression ymd(
        uR"(^\s*(\d{1,4})\s*[-/.年]\s*(\d{1,2})\s*[-/.月]\s*(\d{1,2})\s*日?)"_s + time);
    static const QRegularExpression md(uR"(^\s*(\d{1,2})\s*[-/月]\s*(\d{1,2})\s*日?)"_s + time);
    int year, month, day, first;
    QRegularExpressionMatch m = ymd.match(text);
    if (m.hasMatch()) {
        year = m.captured(1).toInt();
        if (m.captured(1).size() <= 2)
            year += year < 30 ? 2000 : 1900;
        month = m.captured(2).toInt();
        day = m.captured(3).toInt();
        first = 4;
    } else {
        m = md.match(text);
        if (!m.hasMatch())
            return {};
        year = Now().date().year();
        month = m.captured(1).toInt();
        day = m.captured(2).toInt();
        first = 3;
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return {};
    QTime t(0, 0);
    if (m.capturedLength(first) > 0) {
        t = QTime(m.captured(first).toInt(), m.captured(first + 1).toInt(),
                  m.captured(first + 2).toInt());
        if (!t.isValid())
            return {};
    }
    return QDateTime(date, t);
}

QString FormatDatePattern(const QDateTime &value, const QString &pattern)
{
    const QDate d = value.date();
    const QTime t = value.time();
    auto two = [](int v) { return QString::number(v).rightJustified(2, u'0'); };
    QString out;
    bool afterHour = false;
    qsizetype i = 0;
    auto at = [&](const char16_t *token) {
        const QString tok = QString::fromUtf16(token);
        return pattern.mid(i, tok.size()).compare(tok, Qt::CaseInsensitive) == 0;
    };
    while (i < pattern.size()) {
        QString piece;
        qsizetype len = 0;
        bool hour = false;
        if (at(u"yyyy")) {
            piece = QString::number(d.year()).rightJustified(4, u'0'), len = 4;
        } else if (at(u"yy")) {
            piece = two(d.year() % 100), len = 2;
        } else if (at(u"mm")) {
            piece = afterHour ? two(t.minute()) : two(d.month()), len = 2;
        } else if (at(u"m")) {
            piece = QString::number(afterHour ? t.minute() : d.month()), len = 1;
        } else if (at(u"dd")) {
            piece = two(d.day()), len = 2;
        } else if (at(u"d")) {
            piece = QString::number(d.day()), len = 1;
        } else if (at(u"hh")) {
            piece = two(t.hour()), len = 2, hour = true;
        } else if (at(u"h")) {
            piece = QString::number(t.hour()), len = 1, hour = true;
        } else if (at(u"nn")) {
            piece = two(t.minute()), len = 2;
        } else if (at(u"n")) {
            piece = QString::number(t.minute()), len = 1;
        } else if (at(u"ss")) {
            piece = two(t.second()), len = 2;
        } else if (at(u"s")) {
            piece = QString::number(t.second()), len = 1;
        }
        if (len > 0) {
            out += piece;
            i += len;
            afterHour = hour;
        } else {
            // A separator keeps "hh:mm" reading as hours and minutes.
            if (pattern[i].isLetterOrNumber())
                afterHour = false;
            out += pattern[i++];
        }
    }
    return out;
}

QString ShortDate(const QDate &date)
{
    return date.toString(u"yyyy-MM-dd"_s);
}

QString GeneralDateTime(const QDateTime &value)
{
    if (value.time() == QTime(0, 0))
        return ShortDate(value.date());
    return value.toString(u"yyyy-MM-dd HH:mm:ss"_s);
}

QString FormatDateText(const QString &text, const QString &pattern)
{
    const QDateTime dt = ReadDate(text);
    return dt.isValid() ? FormatDatePattern(dt, pattern) : QString();
}

QString FormatCustomDate(const QDateTime &value, qint32 code)
{
    const QString pattern = ReadCustomDateFormat(code);
    return pattern.isEmpty() ? GeneralDateTime(value) : FormatDatePattern(value, pattern);
}

QString ConvertByCode(qint32 code, const QString &text)
{
    if (text.isEmpty())
        return text;
    if (fmtgrid::IsAmountInCells(code))
        return FormatMoney(text);
    switch (code) {
    case CapitalYear:
    case CapitalMonth:
    case CapitalDay:
        return DatePartToCapital(text, code - CapitalYear);
    case CapitalAmount:
        return AmountToCapital(text);
    case MoneyWithSign:
        return FormatMoney(text);
    case MoneyWithoutSign:
        return removeAll(FormatMoney(text), u"￥"_s);
    case DigitYear:
    case DigitMonth:
    case DigitDay:
        return DatePartDigits(text, code - DigitYear);
    case Postcode:
        return FormatPostcode(text);
    case DateYMD:
        return FormatDateText(text, u"YYYY年MM月DD日"_s);
    case DateHyphens:
        return FormatDateText(text, u"YYYY-MM-DD"_s);
    case DateMonthDay:
        return FormatDateText(text, u"MM月DD日"_s);
    case DateMonthDayHyphen:
        return FormatDateText(text, u"MM-DD"_s);
    case CapitalDigits:
        return DigitsToCapitalChars(text);
    case Percent:
        return FormatPercent(text);
    case MoneyPlain:
        return removeAll(FormatMoney(text), u"￥,"_s);
    case MoneySignNoCommas:
        return removeAll(FormatMoney(text), u","_s);
    case CustomDate: {
        const QDateTime dt = ReadDate(text);
        return dt.isValid() ? FormatCustomDate(dt, code) : text;
    }
    default:
        return text;
    }
}

QString ApplyConversion(InputBoxes &boxes, int index, const QString &text)
{
    if (text.isEmpty())
        return text;
    const qint32 code = boxes.BoxCode(index);
    boxes.SetBoxBorder(index, BorderForCode(code));
    return ConvertByCode(code, text);
}

void AutoFillDates(InputBoxes &boxes)
{
    const QDateTime now = Now();
    for (int i = 1; i <= boxes.InputBoxCount(); ++i) {
        const qint32 code = boxes.BoxCode(i);
        QString text;
        switch (code) {
        case CapitalYear:
        case DigitYear:
            text = num::Str(qint64(now.date().year()));
            break;
        case CapitalMonth:
        case DigitMonth:
            text = num::Str(qint64(now.date().month()));
            break;
        case CapitalDay:
        case DigitDay:
            text = num::Str(qint64(now.date().day()));
            break;
        case DateYMD:
        case DateHyphens:
        case DateMonthDay:
        case DateMonthDayHyphen:
            text = ShortDate(now.date());
            break;
        case CustomDate:
            text = FormatCustomDate(now, CustomDate);
            break;
        default:
            text = boxes.BoxText(i);
            break;
        }
        boxes.SetBoxText(i, ApplyConversion(boxes, i, text));
    }
}

} // namespace conv
