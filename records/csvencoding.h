#pragma once
// How the bytes of a CSV file are read. A UTF-8, UTF-16LE or UTF-16BE
// byte-order mark decides. Without one the whole file is read both as UTF-8
// and as code page 936 (GB18030), strictly: a file that is only one of them
// is read in that one, and when both readings are valid the likelier text
// wins, a tie staying with code page 936, as does a file that is neither.
// How likely a reading is comes from one character model
// (records/charmodel.inc, made by tools/charmodel.py from packaged text):
// its cost is the sum, over its characters, of the surprise of the
// character's class (Chinese character, Latin letter, digit, punctuation,
// sign, letter of another script, blank, other) after the class before it
// (or at the start of a line) and of the character within its class.
// Short files (a name and a telephone number) are the hard ones; no
// statistical detector's confidence is asked. The cost is linear in the
// file.

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
    // One reading's cost so far: its surprise under the character model,
    // and the class of its last character.
    struct Reading
    {
        bool failed = false;
        std::int64_t cost = 0;
        // The model's row for what a line begins with: each line, the
        // first one too, starts there.
        static constexpr uchar kAtLineStart = 8;
        uchar prev = kAtLineStart;
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
