// libFuzzer target: the reducing JPEG reader on arbitrary bytes, at a step
// the first byte chooses, its store bounded at 64 MB. Checks that a picture
// read has the size the step gives (each side of the header divided and
// rounded up) and the format of its colour space.

#include "fuzzsupport.h"
#include "platform/jpegreduced.h"

#include <QBuffer>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int step = 1 << (data[0] % 4);
    QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImage::Format chosenFormat = QImage::Format_Invalid;
    // The fuzzer's own memory stays small: a header past 4,000² is refused.
    const auto choose = [&](QSize full, QImage::Format f) {
        chosenFormat = f;
        return qint64(full.width()) * full.height() > 4000LL * 4000 ? 16 : step;
    };
    const ReducedJpeg jpeg = ReadJpegReduced(buffer, choose, 64 << 20);
    FUZZ_CHECK(jpeg.image.isNull() == (jpeg.fault != ReducedJpeg::Fault::None),
               QStringLiteral("image and fault disagree"));
    if (jpeg.image.isNull())
        return 0;
    const QSize full = jpeg.fileSize;
    FUZZ_CHECK(jpeg.image.width() == (full.width() + step - 1) / step
                   && jpeg.image.height() == (full.height() + step - 1) / step,
               QStringLiteral("size"));
    FUZZ_CHECK(jpeg.image.format() == chosenFormat, QStringLiteral("format"));
    return 0;
}
