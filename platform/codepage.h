#pragma once
// Text in the Chinese ANSI code page (936). Files and replies are decoded as
// GB18030, a superset of GBK, so every GBK file reads back exactly; texts are
// encoded as GB18030, which gives the same bytes as GBK for every character
// GBK has and loses nothing for the rest. The euro sign is 0x80 both ways, as
// in code page 936. A byte that starts no character decodes as U+FFFD (never
// dropped); a surrogate without its partner, or one of the few private-use
// characters GB18030 has no bytes for, encodes as "?". StrictReader tells
// whether bytes are code page 936 at all, one character at a time.

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace cp936 {

QString Decode(const QByteArray &bytes);
QByteArray Encode(const QString &text);

// Reads code page 936 bytes one at a time and strictly, to tell whether a
// text is code page 936 at all: Next returns the code point of the
// character a byte completes, kMore while a character is still open, or
// kInvalid when the byte makes the text no code page 936 (0xFF, a lead
// byte without a fitting next byte, a four-byte code outside GB18030's
// ranges, a pair Decode has no character for). A lone 0x80 is the euro
// sign. After kInvalid the reader starts afresh; Open says whether the
// text ends inside a character.
class StrictReader
{
public:
    static constexpr char32_t kMore = 0xFFFFFFFF, kInvalid = 0xFFFFFFFE;
    StrictReader();
    // Single bytes and pairs here, the rest in next(): a big file goes
    // through this once for every byte.
    char32_t Next(uchar b)
    {
        if (m_count == 0) {
            if (b < 0x80)
                return b;
            if (b == 0x80 || b == 0xFF)
                return b == 0x80 ? 0x20AC : kInvalid;
            m_bytes[0] = b;
            m_count = 1;
            return kMore;
        }
        if (m_count == 1 && b >= 0x40 && b != 0x7F && b != 0xFF) {
            m_count = 0;
            const char32_t c = m_pairs[(m_bytes[0] - 0x81) * 191 + b - 0x40];
            return c ? c : kInvalid;
        }
        return next(b);
    }
    bool Open() const { return m_count > 0; }

private:
    char32_t next(uchar b);
    const char32_t *m_pairs; // the character of every pair, 0 for none
    uchar m_bytes[3] = {};
    int m_count = 0;
};

} // namespace cp936
