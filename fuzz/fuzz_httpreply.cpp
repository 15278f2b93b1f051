// The cut of an HTTP answer: decoded, cut before the last "<BR>", "<+>" made
// CR LF, only when the marker is there.

#include "fuzzsupport.h"
#include "online/http.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte picks the marker the caller waits for.
    static const QString markers[] = {QStringLiteral("</title>"), QStringLiteral("<+>"),
                                      QStringLiteral("<BR>"), QStringLiteral("成功")};
    if (size == 0)
        return 0;
    const QString &marker = markers[data[0] % std::size(markers)];
    QString reply = QStringLiteral("kept");
    const bool found = CutReply(fuzz::Bytes(data + 1, size - 1), marker, reply);
    FUZZ_CHECK(!found || !reply.contains(QLatin1String("<+>")) || marker == "<+>", reply);
    return 0;
}
