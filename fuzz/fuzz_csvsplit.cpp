// libFuzzer target: the CSV reader's decoding, logical-line joining and
// quote-aware splitter on arbitrary file bytes. Checks that the splitter's
// markers never leak into a cell and that a line without quotes splits
// into exactly its comma-separated parts.

#include "records/csvreader.h"

#include <QByteArray>
#include <QStringList>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = imp::DecodeCsvBytes(bytes);
    const QStringList lines = imp::CsvLogicalLines(text);
    for (const QString &line : lines) {
        for (const QString &cell : line.split(imp::kCellSeparator))
            if (cell.contains(imp::kQuoteMark) || cell.contains(imp::kCommaMark))
                std::abort();
    }
    // A line of plain text and commas: one cell per comma-separated part.
    QString plain = text;
    plain.remove(QLatin1Char('"'));
    plain.remove(QLatin1Char('\r'));
    plain.remove(QLatin1Char('\n'));
    if (!plain.isEmpty()) {
        const std::optional<QString> t = imp::SplitCsvLineChecked(plain);
        if (!t || t->split(imp::kCellSeparator) != plain.split(QLatin1Char(',')))
            std::abort();
    }
    return 0;
}
