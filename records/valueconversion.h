#pragma once
// Conversion of what is entered into an input box by the box's data-type
// code: money amounts with or without "￥" and thousands separators, Chinese
// capital numerals for amounts and for the parts of a date, dates in several
// layouts and in the user's own pattern, a percentage and a six-digit
// postcode; the reverse reading of capital amounts for linked boxes; and
// filling every date box of the page with today's date.

#include "core/controlrow.h"

#include <QDateTime>
#include <QString>
#include <functional>

class InputBoxes;

namespace conv {

// Data-type codes with a conversion of their own.
enum Code : qint32 {
    PlainText = 0,
    CapitalYear = 100,
    CapitalMonth = 101,
    CapitalDay = 102,
    CapitalAmount = 103,
    MoneyWithSign = 104,
    MoneyWithoutSign = 105,
    DigitYear = 106,
    DigitMonth = 107,
    DigitDay = 108,
    Postcode = 109,
    DateYMD = 110,
    DateHyphens = 111,
    DateMonthDay = 112,
    DateMonthDayHyphen = 113,
    CapitalDigits = fmtgrid::kCapitalDigitsCode,
    TickMark = 115,
    Percent = 116,
    MoneyPlain = 117,
    MoneySignNoCommas = 118,
    CustomDate = 119,
};

// The clock that gives "today" and "now"; tests install a fixed one.
// An empty function restores the system clock.
void SetClock(std::function<QDateTime()> now);
QDateTime Now();

// Border style of a box of that code: 1 (single) for amounts over cells
// (1 to 99) and digits over cells (201 to 299), else 0.
int BorderForCode(qint32 code);
// The converted text for a box of that code (no border change; an empty
// text stays empty).
QString ConvertByCode(qint32 code, const QString &text);
// Converts a text for input box `index`: sets the box's border by its code
// (unless the text is empty) and returns the converted text, which the
// caller writes into the box.
QString ApplyConversion(InputBoxes &boxes, int index, const QString &text);
// Puts today's date into every date box of the page and converts every
// other box's text again.
void AutoFillDates(InputBoxes &boxes);

// ￥1,234.50: digits and "." kept, two decimals cut (not rounded).
QString FormatMoney(const QString &text);
// 壹佰贰拾叁元肆角伍分: an amount in capital numerals; a text already in
// capitals stays.
QString AmountToCapital(const QString &text);
// Reads a capital amount (code 103) or capital digits (code 114) back into
// digits; other codes give the text unchanged.
QString CapitalToAmount(qint32 code, const QString &text);
QString CapitalToAmount(const InputBoxes &boxes, int index);
// 壹贰叁肆伍 for 123.45: the amount in fen, digit by digit.
QString DigitsToCapitalChars(const QString &text);
// Year (0), month (1) or day (2) in capitals when it is a number in range,
// else the text unchanged.
QString DatePartToCapital(const QString &text, int part);
// A year, month or day in capitals as on bank forms: 零贰, 伍, 零壹拾, 壹拾壹.
QString DayMonthToCapital(const QString &text, int part);
// Year (0), month (1) or day (2) as digits; today's when out of range.
QString DatePartDigits(const QString &text, int part);
// The date of a text formatted with the pattern (YYYY, MM, DD...); empty when
// the text is no date.
QString FormatDateText(const QString &text, const QString &pattern);
// Six digits of a postcode, zero-padded; empty when it has no digit.
QString FormatPostcode(const QString &text);
// The text without the characters that are not in the allowed set.
QString KeepOnlyChars(const QString &text, const QString &allowed);
// The value in the user's pattern for the code (settings table), or in the
// general date-and-time form when no pattern is stored.
QString FormatCustomDate(const QDateTime &value, qint32 code);
// 15%: the amount times 100 followed by "%".
QString FormatPercent(const QString &text);

// Capital numerals for the digits of a text; other characters stay.
QString DigitsToCapitals(const QString &text);
// Digits of a text in capitals (贰拾叁 -> 23, 拾伍 -> 15, 零玖 -> 9).
QString CapitalsToDigits(const QString &text);

// Date reading: Y-M-D with "-", "/" or "." or 年月日, or M-D of this year,
// optionally followed by a time; an invalid QDateTime when it is no date.
QDateTime ReadDate(const QString &text);
// Formats a date with a pattern: YYYY, YY, MM, M, DD, D, HH, H, NN, N, SS, S
// (any case; MM right after an hour means minutes); other characters stand.
QString FormatDatePattern(const QDateTime &value, const QString &pattern);
// The system's short date form and general date-and-time form.
QString ShortDate(const QDate &date);
QString GeneralDateTime(const QDateTime &value);

} // namespace conv
