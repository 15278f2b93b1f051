#include "records/csvencoding.h"

#include <QString>
#include <array>
#include <memory>

namespace imp {

std::optional<std::pair<CsvEncoding, int>> ByteOrderMark(QByteArrayView head)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        return std::pair {CsvEncoding::Utf8, 3};
    if (head.startsWith("\xFF\xFE"))
        return std::pair {CsvEncoding::Utf16Le, 2};
    if (head.startsWith("\xFE\xFF"))
        return std::pair {CsvEncoding::Utf16Be, 2};
    return std::nullopt;
}

namespace {

#include "records/charmodel.inc"

// The model's classes, in the order of the generated tables; the class
// table has one more row, for what a line begins with. A control
// character other than tab, CR and LF is no text: the same bytes in both
// readings, it is skipped, so a file cut short and filled with NUL bytes
// reads as it would without them.
enum Class : uchar { kBlank, kHan, kLetter, kDigit, kPunct, kSign, kScript, kOther, kLineStart, kControl };
static_assert(std::size(kUnseenCost) == kLineStart && std::size(kClassAfter) == kLineStart + 1);

bool IsControl(char32_t c)
{
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0x7F;
}

Class Classify(char32_t c)
{
    if (c == u'\t' || c == u'\n' || c == u'\r' || c == u' ' || c == 0x3000)
        return kBlank;
    if (IsControl(c))
        return kControl;
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= 0xFF21 && c <= 0xFF3A)
        || (c >= 0xFF41 && c <= 0xFF5A))
        return kLetter;
    if ((c >= u'0' && c <= u'9') || (c >= 0xFF10 && c <= 0xFF19))
        return kDigit;
    if (c < 0x80)
        return QByteArrayView("#$%&*+<=>@^`|~").contains(char(c)) ? kSign : kPunct;
    if ((c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF)
        || (c >= 0x20000 && c <= 0x3FFFF))
        return kHan;
    if (c == 0xB5 || c == 0x3A9 || c == 0x3BC || c == 0x2126)
        return kSign; // micro and ohm: units beside numbers
    switch (QChar::category(c)) {
    case QChar::Separator_Space:
        return kBlank;
    case QChar::Symbol_Modifier:
        return kScript; // a spacing diacritic or tone letter (U+02E8): phonetic notation
    case QChar::Number_Other:
    case QChar::Number_Letter:
        return kSign;
    case QChar::Punctuation_Connector:
    case QChar::Punctuation_Dash:
    case QChar::Punctuation_Open:
    case QChar::Punctuation_Close:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
    case QChar::Punctuation_Other:
        // A punctuation mark or sign of one script (the Armenian full stop,
        // an Arabic sign) goes with that script's letters.
        return QChar::script(c) > QChar::Script_Common ? kScript : kPunct;
    case QChar::Symbol_Math:
    case QChar::Symbol_Currency:
    case QChar::Symbol_Other:
        return QChar::script(c) > QChar::Script_Common ? kScript : kSign;
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
        return c >= 0xC0 && c <= 0xFF ? kLetter : kScript; // Western accented letters
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
        return kScript;
    default:
        return kOther; // unassigned, private use, format and C1 control characters
    }
}

struct CharInfo
{
    uchar cost;
    Class kind;
};

// A character the sources never show costs its class's unseen cost.
CharInfo Unseen(char32_t c)
{
    const Class kind = Classify(c);
    return {kind == kControl ? uchar(0) : kUnseenCost[kind], kind};
}

// Cost and class of every character of the first plane.
const std::array<CharInfo, 0x10000> &BmpTable()
{
    static const auto table = [] {
        auto t = std::make_unique<std::array<CharInfo, 0x10000>>();
        for (char32_t c = 0; c < 0x10000; ++c)
            (*t)[c] = Unseen(c);
        for (const CostedChars &costed : kCharCosts)
            for (const char16_t *c = costed.chars; *c; ++c)
                (*t)[*c].cost = costed.cost;
        return t;
    }();
    return *table;
}

CharInfo Info(char32_t c)
{
    return c < 0x10000 ? BmpTable()[c] : Unseen(c);
}

} // namespace

void EncodingVote::Reading::Add(char32_t c)
{
    const CharInfo info = Info(c);
    if (info.kind == kControl)
        return;
    static_assert(kAtLineStart == kLineStart);
    cost += kClassAfter[prev][info.kind] + info.cost;
    prev = c == u'\n' ? kLineStart : info.kind;
}

void EncodingVote::Reading::End()
{
    Add(u'\n');
}

char32_t EncodingVote::Utf8Reader::Next(uchar b)
{
    constexpr char32_t more = cp936::StrictReader::kMore, invalid = cp936::StrictReader::kInvalid;
    if (need == 0) {
        if (b < 0x80)
            return b;
        if (b >= 0xC2 && b <= 0xDF)
            need = 1, code = b & 0x1F, min = 0x80;
        else if (b >= 0xE0 && b <= 0xEF)
            need = 2, code = b & 0x0F, min = 0x800;
        else if (b >= 0xF0 && b <= 0xF4)
            need = 3, code = b & 0x07, min = 0x10000;
        else
            return invalid;
        return more;
    }
    if ((b & 0xC0) != 0x80) {
        need = 0;
        return invalid;
    }
    code = (code << 6) | (b & 0x3F);
    if (--need > 0)
        return more;
    // Over-long forms, surrogates and codes past U+10FFFF are no UTF-8.
    if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return invalid;
    return code;
}

void EncodingVote::Add(QByteArrayView bytes)
{
    if (m_onlyUtf8) {
        checkUtf8(bytes);
        return;
    }
    constexpr char32_t more = cp936::StrictReader::kMore, invalid = cp936::StrictReader::kInvalid;
    const char *p = bytes.data(), *const end = p + bytes.size();
    while (p < end && !m_utf8.failed) {
        if (m_gb.failed && m_utf8Reader.need == 0) {
            m_onlyUtf8 = true;
            checkUtf8(QByteArrayView(p, end - p));
            return;
        }
        // A run of ASCII between whole characters of both readings costs
        // both the same but for the class changes at its ends: only its
        // first and last characters that are text are weighed.
        if (uchar(*p) < 0x80 && m_utf8Reader.need == 0 && !m_gbReader.Open()) {
            const char *q = p + 1;
            while (q < end && uchar(*q) < 0x80)
                ++q;
            const char *first = p, *last = q - 1;
            while (first < last && IsControl(uchar(*first)))
                ++first;
            while (last > first && IsControl(uchar(*last)))
                --last;
            for (Reading *r : {&m_utf8, &m_gb}) {
                r->Add(uchar(*first));
                if (last > first)
                    r->Add(uchar(*last));
            }
            p = q;
            continue;
        }
        const uchar b = uchar(*p++);
        const char32_t u = m_utf8Reader.Next(b);
        if (u == invalid) {
            m_utf8.failed = true;
            break;
        }
        if (m_gb.failed)
            continue;
        if (u != more)
            m_utf8.Add(u);
        const char32_t g = m_gbReader.Next(b);
        if (g == invalid)
            m_gb.failed = true;
        else if (g != more)
            m_gb.Add(g);
    }
}

void EncodingVote::checkUtf8(QByteArrayView chunk)
{
    if (m_onlyUtf8 && m_utf8.failed)
        return;
    const QByteArray joined = m_carry.isEmpty() ? QByteArray() : m_carry + chunk.toByteArray();
    const QByteArrayView bytes = m_carry.isEmpty() ? chunk : QByteArrayView(joined);
    qsizetype cut = bytes.size();
    for (qsizetype back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const uchar lead = uchar(bytes.at(bytes.size() - back));
        if (lead < 0x80)
            break; // ASCII: no sequence is cut
        if (lead < 0xC0)
            continue; // a continuation byte
        const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (length > back)
            cut = bytes.size() - back;
        break;
    }
    if (!bytes.first(cut).isValidUtf8())
        m_utf8.failed = true;
    m_carry = bytes.sliced(cut).toByteArray();
}

CsvEncoding EncodingVote::Result() const
{
    if (m_utf8.failed || m_utf8Reader.need > 0 || !m_carry.isEmpty())
        return CsvEncoding::CodePage936;
    if (m_gb.failed || m_gbReader.Open())
        return CsvEncoding::Utf8;
    Reading utf8 = m_utf8, gb = m_gb;
    utf8.End();
    gb.End();
    return utf8.cost < gb.cost ? CsvEncoding::Utf8 : CsvEncoding::CodePage936;
}

} // namespace imp
