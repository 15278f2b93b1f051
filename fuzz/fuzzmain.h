#pragma once
// Shared helpers of the fuzz targets.

#include <QString>
#include <cstddef>
#include <cstdint>

// The input as text (invalid UTF-8 becomes replacement characters).
inline QString FuzzText(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}
