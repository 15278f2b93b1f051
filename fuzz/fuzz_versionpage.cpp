// The version page: the number after the first "(" behind "<title>", and the
// page's URL built from any host setting.

#include "fuzzsupport.h"
#include "online/versioncheck.h"

#include <QUrl>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzz::Utf8(data, size);
    const double v = VersionFromPage(text);
    FUZZ_CHECK(std::isfinite(v) && v >= 0, text);

    const QString url = VersionPageUrlFor(text, 51);
    if (!url.isEmpty())
        FUZZ_CHECK(url.endsWith(QLatin1String("/wolisoft/downpage/Pro.asp?ID=51")), url);
    return 0;
}
