#include "platform/codepage.h"

#include <cerrno>
#include <iconv.h>

namespace cp936 {

namespace {

QByteArray convert(const char *to, const char *from, const QByteArray &in)
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
    char *dst = out.data();
    size_t dstLeft = static_cast<size_t>(out.size());
    while (srcLeft > 0) {
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        if (r != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            const qsizetype used = dst - out.data();
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = static_cast<size_t>(out.size() - used);
            continue;
        }
        // An invalid or truncated sequence: skip one byte and keep going, so a
        // damaged file still reads as far as it can.
        ++src;
        --srcLeft;
    }
    out.resize(dst - out.data());
    iconv_close(cd);
    return out;
}

} // namespace

QString Decode(const QByteArray &bytes)
{
    const QByteArray u16 = convert("UTF-16LE", "GB18030", bytes);
    return QString(reinterpret_cast<const QChar *>(u16.constData()), u16.size() / 2);
}

QByteArray Encode(const QString &text)
{
    const QByteArray u16(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return convert("GB18030", "UTF-16LE", u16);
}

} // namespace cp936
