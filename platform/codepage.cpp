#include "platform/codepage.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace cp936 {

namespace {

const QChar kEuro(0x20AC);

// Converts with iconv. At a sequence iconv cannot convert, onInvalid is
// given the rest of the input and appends what stands for its start to the
// output; it returns how many input bytes that used.
template<typename OnInvalid>
QByteArray convert(const char *to, const char *from, const QByteArray &in, OnInvalid onInvalid)
{
    if (in.isEmpty())
        return {};
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    QByteArray out;
    out.resize(in.size() * 4 + 16);
    char *src = const_cast<char *>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    qsizetype used = 0;
    while (srcLeft > 0) {
        char *dst = out.data() + used;
        size_t dstLeft = static_cast<size_t>(out.size() - used);
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        used = dst - out.data();
        if (r != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // An invalid or truncated sequence: stand in for it and go on, so a
        // damaged file still reads as far as it can.
        out.resize(used);
        const size_t n = std::min(srcLeft, onInvalid(src, srcLeft, out));
        src += n;
        srcLeft -= n;
        used = out.size();
        out.resize(qMax(out.size() * 2, qsizetype(srcLeft * 4 + 16)));
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    iconv_close(cd);
    return out;
}

void appendUtf16(QByteArray &out, char16_t c)
{
    out.append(char(c & 0xFF));
    out.append(char(c >> 8));
}

} // namespace

QString Decode(const QByteArray &bytes)
{
    // Code page 936 has the euro sign at 0x80, which GB18030 leaves out; any
    // other byte that starts no character reads as U+FFFD.
    const QByteArray u16 = convert(
        "UTF-16LE", "GB18030", bytes, [](const char *src, size_t, QByteArray &out) -> size_t {
            appendUtf16(out, uchar(*src) == 0x80 ? kEuro.unicode() : char16_t(0xFFFD));
            return 1;
        });
    return QString(reinterpret_cast<const QChar *>(u16.constData()), u16.size() / 2);
}

QByteArray Encode(const QString &text)
{
    // The euro sign is written as code page 936 writes it (0x80); a surrogate
    // without its partner has no character to stand for and becomes "?".
    QByteArray out;
    QString run;
    auto flush = [&] {
        const QByteArray u16(reinterpret_cast<const char *>(run.utf16()), run.size() * 2);
        out += convert("GB18030", "UTF-16LE", u16, [](const char *, size_t, QByteArray &o) {
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

} // namespace cp936
