#include "platform/codepage.h"

#include <QStringList>
#include <algorithm>
#include <vector>
#include <cerrno>
#include <iconv.h>

namespace cp936 {

namespace {

const QChar kEuro(0x20AC);

// Converts with iconv into Out (QByteArray, or QString for UTF-16 in the
// machine's byte order), written in place so a big text is never held
// twice. Either way the output takes at most twice the input's bytes (a
// GB18030 byte gives at most one UTF-16 unit; a UTF-16 unit at most four
// bytes). At a sequence iconv cannot convert, onInvalid is given the rest of
// the input and appends what stands for its start to the output; it returns
// how many input bytes that used.
template<typename Out, typename OnInvalid>
Out convert(const char *to, const char *from, const QByteArray &in, OnInvalid onInvalid)
{
    constexpr qsizetype unit = sizeof(typename Out::value_type);
    const auto units = [](qsizetype bytes) { return (bytes + unit - 1) / unit; };
    if (in.isEmpty())
        return {};
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    Out out;
    out.resize(units(in.size() * 2 + 16));
    const auto bytes = [&out] { return reinterpret_cast<char *>(out.data()); };
    char *src = const_cast<char *>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    qsizetype used = 0; // bytes
    while (srcLeft > 0) {
        char *dst = bytes() + used;
        size_t dstLeft = static_cast<size_t>(out.size() * unit - used);
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        used = dst - bytes();
        if (r != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // An invalid or truncated sequence: stand in for it and go on, so a
        // damaged file still reads as far as it can.
        out.resize(used / unit);
        const size_t n = std::min(srcLeft, onInvalid(src, srcLeft, out));
        src += n;
        srcLeft -= n;
        used = out.size() * unit;
        out.resize(qMax(out.size() + units(qsizetype(srcLeft) * 2 + 16), out.size() * 3 / 2));
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used / unit);
    iconv_close(cd);
    return out;
}

} // namespace

QString Decode(const QByteArray &bytes)
{
    // Code page 936 has the euro sign at 0x80, which GB18030 leaves out; any
    // other byte that starts no character reads as U+FFFD.
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "UTF-16LE is QString's order here");
    return convert<QString>("UTF-16LE", "GB18030", bytes,
                            [](const char *src, size_t, QString &out) -> size_t {
                                out.append(uchar(*src) == 0x80 ? kEuro : QChar(0xFFFD));
                                return 1;
                            });
}

QByteArray Encode(const QString &text)
{
    // The euro sign is written as code page 936 writes it (0x80); a surrogate
    // without its partner has no character to stand for and becomes "?".
    QByteArray out;
    QString run;
    auto flush = [&] {
        const QByteArray u16(reinterpret_cast<const char *>(run.utf16()), run.size() * 2);
        out += convert<QByteArray>("GB18030", "UTF-16LE", u16, [](const char *, size_t, QByteArray &o) {
            o.append('?');
            return size_t(2);
        });
        run.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            run += c;
            run += text.at(++i);
        } else if (c == kEuro || c.isSurrogate()) {
            flush();
            out.append(c == kEuro ? '\x80' : '?');
        } else {
            run += c;
        }
    }
    flush();
    return out;
}

namespace {

// The character of every two-byte code (lead 0x81..0xFE, trail 0x40..0xFE
// but 0x7F) as Decode reads it, 0 where it has none. Each pair is decoded
// with a line end after it, so a pair without a character stays apart. A
// few pairs (FE51, FE52, FE53, FE6C, FE76, FE91) are ideographs outside
// the BMP.
const std::vector<char32_t> &PairTable()
{
    static const std::vector<char32_t> table = [] {
        QByteArray bytes;
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            for (int trail = 0x40; trail <= 0xFE; ++trail)
                if (trail != 0x7F)
                    bytes += char(lead), bytes += char(trail), bytes += '\n';
        const QStringList chars = Decode(bytes).split(u'\n');
        std::vector<char32_t> out(size_t(126 * 191), 0);
        qsizetype k = 0;
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F)
                    continue;
                const QList<uint> c = chars.value(k++).toUcs4();
                if (c.size() == 1 && c.at(0) != 0xFFFD && !QChar::isSurrogate(c.at(0)))
                    out[size_t((lead - 0x81) * 191 + trail - 0x40)] = c.at(0);
            }
        return out;
    }();
    return table;
}

// Four-byte codes count from 0x81308130; the BMP ones end at 0x8431A439,
// the others begin at 0x90308130 for U+10000 and run to U+10FFFF.
constexpr char32_t kLastBmpFour = 39419, kFirstPlaneFour = 189000;

} // namespace

StrictReader::StrictReader()
    : m_pairs(PairTable().data())
{ }

char32_t StrictReader::next(uchar b)
{
    const auto fail = [this] {
        m_count = 0;
        return kInvalid;
    };
    switch (m_count) {
    case 1: // a lead byte: a digit begins a four-byte code, else no pair
        if (b < 0x30 || b > 0x39)
            return fail();
        m_bytes[m_count++] = b;
        return kMore;
    case 2:
        if (b < 0x81 || b == 0xFF)
            return fail();
        m_bytes[m_count++] = b;
        return kMore;
    default: {
        if (b < 0x30 || b > 0x39)
            return fail();
        m_count = 0;
        const char32_t linear = (((char32_t(m_bytes[0]) - 0x81) * 10 + (m_bytes[1] - 0x30)) * 126
                                 + (m_bytes[2] - 0x81))
                * 10
            + (b - 0x30);
        if (linear >= kFirstPlaneFour && linear - kFirstPlaneFour <= 0xFFFFF)
            return 0x10000 + (linear - kFirstPlaneFour);
        if (linear > kLastBmpFour)
            return kInvalid;
        // Rare in a text that could be another encoding: decoded as it comes.
        const QString c = Decode(QByteArray(reinterpret_cast<const char *>(m_bytes), 3) + char(b));
        return c.size() == 1 && c.at(0) != QChar(0xFFFD) ? c.at(0).unicode() : kInvalid;
    }
    }
}

} // namespace cp936
