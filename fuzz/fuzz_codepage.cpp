// Code page 936: any bytes decode (nothing dropped silently), any text
// encodes, and what was decoded encodes and decodes back to itself. Bytes
// the strict reader takes whole decode to exactly the characters it gave,
// and bytes that decode without a replacement character it takes whole.

#include "fuzzsupport.h"
#include "platform/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QString decoded = cp936::Decode(bytes);
    FUZZ_CHECK(bytes.isEmpty() == decoded.isEmpty(), decoded);
    FUZZ_CHECK(cp936::Decode(cp936::Encode(decoded)) == decoded, decoded);

    cp936::StrictReader strict;
    QList<uint> read;
    bool valid = true;
    for (const char b : bytes) {
        const char32_t c = strict.Next(uchar(b));
        if (c == cp936::StrictReader::kInvalid)
            valid = false;
        else if (c != cp936::StrictReader::kMore)
            read << uint(c);
    }
    if (valid && !strict.Open())
        FUZZ_CHECK(read == decoded.toUcs4(), decoded);
    // Bytes the decoder reads without a replacement character are code
    // page 936 to the strict reader too.
    if (!decoded.contains(QChar(0xFFFD)))
        FUZZ_CHECK(valid && !strict.Open(), decoded);

    // Raw code units, lone surrogates included: each lone surrogate becomes
    // "?" and everything else comes back as it was, character for character.
    const QString text = fuzz::Utf16(data, size);
    QString expected = text;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const QChar c = expected.at(i);
        if (c.isHighSurrogate() && i + 1 < expected.size() && expected.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            expected[i] = u'?';
    }
    // A few private-use characters have no bytes in GB18030 (their codes
    // went to real characters) and are written as "?" too.
    const QList<uint> back = cp936::Decode(cp936::Encode(text)).toUcs4();
    const QList<uint> want = expected.toUcs4();
    FUZZ_CHECK(back.size() == want.size(), text);
    for (qsizetype i = 0; i < back.size(); ++i)
        FUZZ_CHECK(back[i] == want[i] || (back[i] == u'?' && want[i] >= 0xE000 && want[i] < 0xF900),
                   text);
    return 0;
}
