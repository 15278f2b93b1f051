// libFuzzer target: the CSV reader's decoding, logical-line joining and
// quote-aware splitter on arbitrary file bytes. Checks that the splitter's
// markers never leak into a cell, that a line without quotes splits into
// exactly its comma-separated parts, and that the file read line by line
// (as the preview and the import read it) gives the cells of the whole
// text's logical lines.

#include "fuzzsupport.h"
#include "platform/gridmodel.h"
#include "records/csvreader.h"

#include <QDir>
#include <QFile>

#include <QByteArray>
#include <QStringList>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::InitApp(argc, argv);
    return 0;
}

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

    const QString path = QDir(qEnvironmentVariable("WAYBILL_DATA_DIR")).filePath("fz.csv");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return 0;
    f.close();
    GridModel grid;
    grid.setRows(6);
    grid.setCols(8);
    imp::PreviewCsv(grid, path);
    const QStringList first = imp::CsvLogicalLines(text, grid.rows() - 1);
    for (qint32 r = 1; r < grid.rows(); ++r) {
        const QString line = first.value(r - 1);
        const QStringList cells = line.isEmpty() ? QStringList() : line.split(imp::kCellSeparator);
        for (qint32 c = 1; c < grid.cols(); ++c)
            FUZZ_CHECK(grid.text(r, c) == cells.value(c - 1), line);
    }
    return 0;
}
