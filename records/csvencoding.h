#pragma once
// How the bytes of a CSV file are read. A UTF-8, UTF-16LE or UTF-16BE
// byte-order mark decides. Without one the whole file is read both as UTF-8
// and as code page 936 (GB18030), strictly: a file that is only one of them
// is read in that one, and when both readings are valid the more plausible
// Chinese text wins, a tie staying with code page 936, as does a file that
// is neither. Short files (a name and a telephone number) are the hard
// ones: the two readings are weighed character by character (how common a
// Chinese character is, a traditional form a little less so, how unusual a
// script is in an order list, a Latin letter glued to a Chinese character
// inside one cell, an accented letter or a sign such as "×" beside letters
// or digits, where only signs and unit letters such as "Ω" stand beside a
// number); no statistical detector's confidence is asked. The cost is
// linear in the file.

#include "platform/codepage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <optional>
#include <utility>

namespace imp {

enum class CsvEncoding { CodePage936, Utf8, Utf16Le, Utf16Be };

// The encoding a byte-order mark at the start of a file names, and the
// mark's length; nullopt without a mark.
std::optional<std::pair<CsvEncoding, int>> ByteOrderMark(QByteArrayView head);

// Weighs the two readings of a file without a mark, fed in pieces.
class EncodingVote
{
public:
    void Add(QByteArrayView bytes);
    // True once no further bytes can make the result UTF-8.
    bool Settled() const { return m_utf8.failed; }
    // The decision for the bytes fed so far, taken as the whole file.
    CsvEncoding Result() const;

private:
    // One reading's weight so far: the sum of its characters' weights.
    struct Reading
    {
        bool failed = false;
        std::int64_t cost = 0;
        int prev = 0; // the kind of the last character
        int beforePrev = 0; // and of the one before it
        int prevWeight = 0; // the last character's own weight
        bool prevEuro = false; // the last character is the euro sign
        bool pending = false; // the last character's weight waits for the next
        void Add(char32_t c);
        void End();
    };

    // The UTF-8 sequence being read: its code so far, the continuation bytes
    // still due and the lowest code its length may carry.
    struct Utf8Reader
    {
        char32_t code = 0, min = 0;
        int need = 0;
        char32_t Next(uchar b);
    };
    // Once the code page 936 reading has failed only UTF-8's validity is
    // left to check, a chunk at a time; a sequence cut by a chunk's end
    // waits in m_carry.
    void checkUtf8(QByteArrayView bytes);
    Reading m_utf8, m_gb;
    Utf8Reader m_utf8Reader;
    bool m_onlyUtf8 = false;
    QByteArray m_carry;
    cp936::StrictReader m_gbReader;
};

} // namespace imp
