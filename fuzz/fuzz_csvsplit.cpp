// libFuzzer target: the CSV reader on arbitrary file bytes, as the import
// and the preview read it. Checks that the lines read one by one are the
// whole file's text in the encoding the reader chose (lone surrogates as
// U+FFFD, inner line ends as CR LF, an open last cell closed with a quote),
// that UTF-8 is chosen only for bytes that are UTF-8, that no cell holds a
// surrogate without its partner (so none can be taken for the cell
// separator), that a line without quotes splits into exactly its
// comma-separated parts, and that the preview shows the cells of the first
// lines, also when the lines are found again through the smallest index
// of their starts. Only a file of nothing but NUL bytes is refused.

#include "fuzzsupport.h"
#include "platform/codepage.h"
#include "platform/gridmodel.h"
#include "records/csvreader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringList>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::InitApp(argc, argv);
    return 0;
}

namespace {

// Every line end as LF.
QString Unified(QString s)
{
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(u'\r', u'\n');
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = QDir(qEnvironmentVariable("WAYBILL_DATA_DIR")).filePath("fz.csv");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return 0;
    f.close();

    imp::CsvFile file;
    if (!file.Open(path)) {
        // Only a file of nothing but NUL bytes is refused (its lines are
        // far shorter than the limit).
        const auto mark = imp::ByteOrderMark(bytes.first(std::min<qsizetype>(3, bytes.size())));
        const QByteArray body = bytes.mid(mark ? mark->second : 0);
        FUZZ_CHECK(!body.isEmpty() && body.count('\0') == body.size()
                       && !file.Refusal().isEmpty(),
                   QStringLiteral("not opened"));
        return 0;
    }
    QStringList lines;
    for (qint64 i = 0; i < file.Lines(); ++i)
        lines << file.Line(i);
    FUZZ_CHECK(file.Lines() >= 1, QStringLiteral("no line"));
    // The smallest index (two lines found at a time, four starts kept)
    // finds the same lines, read backwards.
    imp::CsvFile small(imp::CsvIndexSize {2, 4});
    FUZZ_CHECK(small.Open(path) && small.Lines() == file.Lines()
                   && small.UsedLines() == file.UsedLines(),
               QStringLiteral("small index"));
    for (qint64 i = small.Lines() - 1; i >= 0; --i)
        FUZZ_CHECK(small.Line(i) == lines[i], lines[i]);

    // The whole text as the chosen encoding reads it.
    QString whole;
    bool utf8Error = false;
    switch (file.encoding()) {
    case imp::CsvEncoding::CodePage936:
        whole = cp936::Decode(bytes);
        break;
    case imp::CsvEncoding::Utf8: {
        const bool mark = bytes.startsWith("\xEF\xBB\xBF");
        QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless
                             | QStringDecoder::Flag::ConvertInitialBom);
        whole = d.decode(QByteArrayView(bytes).sliced(mark ? 3 : 0));
        utf8Error = !mark && d.hasError();
        break;
    }
    case imp::CsvEncoding::Utf16Le:
    case imp::CsvEncoding::Utf16Be: {
        QStringDecoder d(file.encoding() == imp::CsvEncoding::Utf16Le ? QStringDecoder::Utf16LE
                                                                       : QStringDecoder::Utf16BE,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        // A lone byte at the end is one replacement character.
        const QByteArrayView units = QByteArrayView(bytes).sliced(2);
        whole = d.decode(units.first(units.size() & ~qsizetype(1)));
        if (units.size() % 2)
            whole += QChar(0xFFFD);
        break;
    }
    }
    FUZZ_CHECK(!utf8Error, QStringLiteral("UTF-8 chosen for bytes that are no UTF-8"));
    QString joined = Unified(lines.join(u'\n'));
    if (file.LastLineOpen())
        joined.chop(1);
    whole = Unified(imp::WellFormed(whole));
    FUZZ_CHECK(whole == joined || whole == joined + u'\n', joined);

    for (const QString &line : std::as_const(lines)) {
        const QString split = imp::SplitCsvLine(line);
        for (const QString &cell : split.split(imp::kCellSeparator))
            FUZZ_CHECK(imp::WellFormed(cell) == cell, line);
        if (!line.isEmpty() && !line.contains(u'"'))
            FUZZ_CHECK(split.split(imp::kCellSeparator) == line.split(u','), line);
    }

    GridModel grid;
    grid.setRows(6);
    grid.setCols(8);
    imp::PreviewCsv(grid, path);
    for (qint32 r = 1; r < grid.rows(); ++r) {
        const QString line = lines.value(r - 1);
        const QStringList cells = line.isEmpty()
            ? QStringList()
            : imp::SplitCsvLine(line).split(imp::kCellSeparator);
        for (qint32 c = 1; c < grid.cols(); ++c)
            FUZZ_CHECK(grid.text(r, c) == cells.value(c - 1), line);
    }
    return 0;
}
