// libFuzzer target: the row-by-row PNG reader on arbitrary bytes, at a step
// the first byte chooses. Checks that a picture read has the size the step
// gives (each side of the IHDR divided and rounded down, at least one
// pixel), that no colour of its premultiplied pixels passes its alpha, and
// that one said opaque is.

#include "fuzzsupport.h"
#include "platform/pngreduced.h"

#include <QBuffer>
#include <QtEndian>
#include <algorithm>
#include <utility>
#include <cstdint>

namespace {

// The IHDR's width and height: ancillary chunks may come before it.
std::pair<quint32, quint32> HeaderSize(const QByteArray &png)
{
    for (qsizetype at = 8; at + 16 <= png.size();
         at += 12 + qsizetype(qFromBigEndian<quint32>(png.constData() + at))) {
        if (png.mid(at + 4, 4) == "IHDR")
            return {qFromBigEndian<quint32>(png.constData() + at + 8),
                    qFromBigEndian<quint32>(png.constData() + at + 12)};
    }
    return {0, 0};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int step = 1 + data[0] % 8;
    QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const ReducedPng png = ReadPngReduced(buffer, step, 1 << 22);
    FUZZ_CHECK(png.image.isNull() == (png.fault != ReducedPng::Fault::None),
               QStringLiteral("image and fault disagree"));
    if (png.image.isNull())
        return 0;
    const auto [w, h] = HeaderSize(bytes);
    FUZZ_CHECK(png.image.width() == int(std::max<quint32>(1, w / quint32(step)))
                   && png.image.height() == int(std::max<quint32>(1, h / quint32(step))),
               QStringLiteral("size"));
    for (int y = 0; y < png.image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(png.image.constScanLine(y));
        for (int x = 0; x < png.image.width(); ++x) {
            const QRgb p = line[x];
            FUZZ_CHECK(qRed(p) <= qAlpha(p) && qGreen(p) <= qAlpha(p) && qBlue(p) <= qAlpha(p),
                       QStringLiteral("colour past alpha at %1,%2").arg(x).arg(y));
            FUZZ_CHECK(png.image.hasAlphaChannel() || qAlpha(p) == 255,
                       QStringLiteral("not opaque at %1,%2").arg(x).arg(y));
        }
    }
    return 0;
}
