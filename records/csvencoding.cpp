#include "records/csvencoding.h"

#include <QString>
#include <algorithm>
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

#include "records/hanfrequency.inc"

// What a character is, for the weights that depend on its neighbours.
enum Kind : uchar {
    kOther,
    kHan, // a Chinese character
    kScript, // a letter of a script other than Latin
    kKana, // Japanese kana: foreign beside Latin letters, at home beside Chinese
    kLetter, // an ASCII letter
    kDigit,
    kSpace,
    kLatin, // an accented Latin letter: plausible inside a word only
    kSign, // "×", "°", "±" ...: plausible beside letters or digits
    kOddAscii, // "\", "|", "{" ...: seldom beside a Chinese character
};

// Weights, roughly the surprise of meeting the character in an order list.
// Every Chinese character weighs at least a few points, so a reading that
// splits the same bytes into more characters (UTF-8 read as GB18030 gives
// three for two) pays for each. A traditional form weighs a little more
// than its simplified form: in a simplified order list it is the less
// likely reading ("磺胺" in UTF-8 reads as code page 936 "纾鸿兒").
constexpr int kHanBandWeight[] = {6, 7, 8, 10, 12};
constexpr int kTraditionalBandWeight[] = {8, 9, 10, 12, 14};
constexpr int kRareHan = 15, kExtensionHan = 19, kExotic = 28, kPrivate = 24, kInvalidChar = 30;
constexpr int kLatinAlone = 18, kLatinInWord = 6, kSignAlone = 18, kSignBeside = 8;
// A Chinese character (or a letter of another script) glued to an ASCII
// letter: "姬L" is how a short GBK name can read as UTF-8; a Chinese
// character glued to a letter of another script ("帼Ҭ"); a Chinese
// character standing alone beside digits or a blank ("楼599", "漏 2024"),
// which is how a sign of a Latin text reads as code page 936; likewise a
// letter of another script or an accented letter standing alone beside
// digits or a blank ("23ƿ", "10Ь"), which is how a Chinese unit beside a
// number ("23瓶", "10鞋") reads as UTF-8. Only signs and the unit letters
// "Ω" and "µ" are at home beside a number.
constexpr int kGlue = 12;
// A Chinese character glued to an ASCII letter (or to a sign such as "\")
// weighs at least as a rare one, whatever its band: "賬B" is how the GBK
// name "璩珺" reads as UTF-8, and a light character there makes such a
// reading no likelier.
constexpr int kGluedHan = kRareHan;

struct CharInfo
{
    uchar weight = kExotic;
    Kind kind = kScript;
};

// Weight and kind of every BMP character.
const std::array<CharInfo, 0x10000> &BmpTable()
{
    static const auto table = [] {
        auto t = std::make_unique<std::array<CharInfo, 0x10000>>();
        const auto set = [&t](char32_t from, char32_t to, int weight, Kind kind = kOther) {
            for (char32_t c = from; c <= to; ++c)
                (*t)[c] = CharInfo {uchar(weight), kind};
        };
        set(0x00, 0x7F, 0, kOther);
        set(u'A', u'Z', 0, kLetter);
        set(u'a', u'z', 0, kLetter);
        set(u'0', u'9', 0, kDigit);
        set(u' ', u' ', 0, kSpace);
        for (const char16_t c : u"@\\^`{|}~")
            (*t)[c] = CharInfo {0, kOddAscii};
        set(0xA1, 0xBF, 0, kSign);
        set(0xC0, 0x24F, 0, kLatin);
        set(0xD7, 0xD7, 0, kSign);
        set(0xF7, 0xF7, 0, kSign);
        set(0x1E00, 0x1EFF, 0, kLatin);
        set(0x370, 0x4FF, 18, kScript); // Greek, Cyrillic
        set(0x2000, 0x206F, 8, kOther); // dashes, quotes, "…", "‰", "※"
        set(0x20AC, 0x20AC, 0, kSign);
        set(0x2100, 0x218F, 10, kOther); // "℃", "№", Roman numerals
        set(0x2190, 0x23FF, 12, kOther); // arrows, mathematics
        set(0x2460, 0x24FF, 10, kOther); // "①"
        set(0x2500, 0x27BF, 12, kOther); // boxes, shapes, "★", "✓"
        set(0x2E80, 0x2FDF, 20, kOther); // radicals
        set(0x3000, 0x303F, 6, kOther); // "、", "。", "《", "【"
        set(0x3040, 0x30FF, 14, kKana);
        set(0x3100, 0x312F, 18, kScript); // bopomofo
        set(0x3200, 0x33FF, 12, kOther); // "㈠", "㎡"
        set(0x3400, 0x4DBF, kExtensionHan, kHan);
        set(0x4E00, 0x9FFF, kRareHan, kHan);
        set(0xAC00, 0xD7AF, 24, kScript); // Hangul
        set(0xE000, 0xF8FF, kPrivate, kOther);
        set(0xF900, 0xFAFF, kExtensionHan, kHan);
        set(0xFE30, 0xFE6F, 10, kOther); // vertical and small forms: "﹝", "﹖"
        set(0xFF01, 0xFFEF, 6, kOther); // full-width forms: "，", "（", "Ａ"
        set(0xFFFD, 0xFFFF, kInvalidChar, kOther);
        // Letters used as units beside numbers: ohm, micro.
        set(0x3A9, 0x3A9, 0, kSign);
        set(0x3BC, 0x3BC, 0, kSign);
        // Code points no character is assigned to yet: heaviest, and glued to
        // a letter, a digit or a Chinese character they pay as a letter of
        // another script does.
        for (char32_t c = 0x80; c < 0x10000; ++c)
            if (QChar::category(c) == QChar::Other_NotAssigned)
                (*t)[c] = CharInfo {kInvalidChar, kScript};
        const auto bands = [&t](const char16_t *const(&texts)[5], const int(&weights)[5]) {
            for (int band = 0; band < 5; ++band)
                for (const char16_t *text = texts[band]; *text; ++text)
                    (*t)[*text] = CharInfo {uchar(weights[band]), kHan};
        };
        bands(kHanBands, kHanBandWeight);
        bands(kTraditionalBands, kTraditionalBandWeight);
        return t;
    }();
    return *table;
}

CharInfo Info(char32_t c)
{
    if (c < 0x10000)
        return BmpTable()[c];
    if (c >= 0x20000 && c <= 0x3FFFF)
        return {kExtensionHan + 2, kHan};
    // Unassigned code points (most of the planes above the first), then
    // the private-use planes.
    switch (QChar::category(c)) {
    case QChar::Other_NotAssigned:
        return {kInvalidChar, kScript};
    case QChar::Other_PrivateUse:
        return {kPrivate, kOther};
    default:
        break;
    }
    if (c >= 0x1F000 && c <= 0x1FAFF) // emoji
        return {10, kOther};
    return {kExotic, kScript};
}

} // namespace

void EncodingVote::Reading::Add(char32_t c)
{
    const CharInfo info = Info(c);
    int weight = info.weight;
    // A Latin letter or sign waits for its next character: beside a letter
    // or digit it belongs to a word or a quantity; a sign may also stand
    // between blanks ("½ inch", "a · b").
    const auto settle = [](int kind, bool beside) {
        return kind == kLatin ? (beside ? kLatinInWord : kLatinAlone)
                              : (beside ? kSignBeside : kSignAlone);
    };
    const auto besideSign = [](int kind) {
        return kind == kLetter || kind == kDigit || kind == kSpace;
    };
    if (pending) {
        cost += settle(prev, prev == kSign ? besideSign(info.kind) : info.kind == kLetter);
        pending = false;
    }
    if (info.kind == kLatin || info.kind == kSign) {
        if (prev == kLetter || (info.kind == kSign && besideSign(prev)))
            weight += settle(info.kind, true);
        else
            pending = true;
    }
    const auto foreign = [](int kind) { return kind == kHan || kind == kScript || kind == kKana; };
    if ((foreign(info.kind) && prev == kLetter) || (info.kind == kLetter && foreign(prev)))
        weight += kGlue;
    // A Chinese character glued to an ASCII sign that Chinese text seldom
    // holds: "鎬籠" in code page 936 reads as UTF-8 "总\".
    if ((info.kind == kHan && prev == kOddAscii) || (info.kind == kOddAscii && prev == kHan))
        weight += kGlue;
    // Glued to either, a Chinese character weighs as a rare one (once).
    const auto ascii = [](int kind) { return kind == kLetter || kind == kOddAscii; };
    if (info.kind == kHan && ascii(prev))
        weight += std::max(0, kGluedHan - info.weight);
    else if (ascii(info.kind) && prev == kHan && !ascii(beforePrev))
        weight += std::max(0, kGluedHan - prevWeight);
    // The euro sign is code page 936's lone byte 0x80: between Chinese
    // characters it is the middle of a UTF-8 character.
    const bool euro = c == 0x20AC;
    if ((info.kind == kHan && (prev == kScript || prevEuro))
        || ((info.kind == kScript || euro) && prev == kHan))
        weight += kGlue;
    // A Chinese character without a Chinese neighbour, or a letter of
    // another script or an accented one without a letter neighbour, beside
    // digits or a blank: known once the character after it is.
    const auto apart = [](int kind) { return kind == kDigit || kind == kSpace; };
    const auto letter
        = [](int kind) { return kind == kScript || kind == kLatin || kind == kLetter; };
    const bool lone = prev == kHan
        ? beforePrev != kHan && info.kind != kHan
        : (prev == kScript || prev == kLatin) && !letter(beforePrev) && !letter(info.kind);
    if (lone && (apart(beforePrev) || apart(info.kind)))
        weight += kGlue;
    cost += weight;
    beforePrev = prev;
    prev = info.kind;
    prevWeight = info.weight;
    prevEuro = euro;
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
        // A run of ASCII between whole characters of both readings weighs
        // only through its first and last characters.
        if (uchar(*p) < 0x80 && m_utf8Reader.need == 0 && !m_gbReader.Open()) {
            const char *q = p + 1;
            while (q < end && uchar(*q) < 0x80)
                ++q;
            for (Reading *r : {&m_utf8, &m_gb}) {
                r->Add(uchar(*p));
                if (q - p > 1)
                    r->Add(uchar(q[-1]));
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
