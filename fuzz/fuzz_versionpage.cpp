// The version page: the number after the first "(" behind "<title>", and the
// server origin built from any host setting.

#include "fuzzsupport.h"
#include "online/hosts.h"
#include "online/versioncheck.h"

#include <QUrl>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzz::Utf8(data, size);
    const double v = VersionFromPage(text);
    FUZZ_CHECK(std::isfinite(v) && v >= 0, text);

    // Whatever the setting, an origin is a valid URL with a host and no
    // query, to which the callers append their paths.
    for (const char *scheme : {"http", "https"}) {
        const QString origin = hosts::Origin(text, QString::fromLatin1(scheme), 8080);
        if (origin.isEmpty())
            continue;
        const QUrl url(origin + QStringLiteral("/wolisoft/downpage/Pro.asp?ID=51"));
        FUZZ_CHECK(url.isValid() && !url.host().isEmpty() && url.port() >= 0, origin);
        FUZZ_CHECK(url.query() == QLatin1String("ID=51"), origin);
    }
    return 0;
}
