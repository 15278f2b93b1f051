// The number rules: the leading-number reading of any text, and numbers
// written for the user read back as the same number.

#include "fuzzsupport.h"
#include "platform/numtext.h"

#include <cfloat>
#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzz::Utf16(data, size);
    const double v = num::Val(text);
    FUZZ_CHECK(std::isfinite(v), text);
    num::ToLong(text);
    num::RoundToInt64(v);
    num::Val(fuzz::Utf8(data, size));
    num::Split(text, QStringLiteral("】★【"));
    num::Trim(text);

    if (size >= sizeof(double)) {
        double x;
        std::memcpy(&x, data, sizeof x);
        const QString s = num::Str(x);
        for (QChar c : s)
            FUZZ_CHECK(c.isDigit() || c == u'-' || c == u'.', s);
        if (std::isfinite(x)) {
            // 15 significant digits: the reading is within half a unit of the
            // 15th digit, and writing it again gives the same text.
            const double back = num::Val(s);
            FUZZ_CHECK(std::fabs(back - x) <= std::fabs(x) * 1e-14 || std::fabs(x) < DBL_MIN, s);
            FUZZ_CHECK(num::Str(back) == s || std::fabs(x) < DBL_MIN,
                       s + QStringLiteral(" / ") + num::Str(back));
        }
        num::RoundDecimals(x, int(data[size - 1] % 20) - 4);
        num::ToLong(x);
    }
    return 0;
}
