// libFuzzer target: the column-map language. The first line of the input
// is a map entry, the rest the cells of a small sheet (lines of
// comma-separated cells). Cleaning, parsing and evaluating must not crash,
// read rows below 1, or leave a line break in the value.

#include "records/columnmap.h"

#include <QByteArray>
#include <QStringList>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype nl = input.indexOf(u'\n');
    const QString entry = nl < 0 ? input : input.left(nl);
    const QStringList rows = nl < 0 ? QStringList() : input.mid(nl + 1).split(u'\n');

    (void)imp::ColumnNumber(entry);
    const imp::CompiledMap map = imp::CompileMapEntry(imp::CleanColumnMap(entry));
    const imp::CellReader cell = [&](qint64 row, qint32 column) -> QString {
        if (row < 1 || column < 1)
            std::abort();
        if (row > rows.size())
            return QString();
        const QStringList cells = rows.at(row - 1).split(u',');
        return column <= cells.size() ? cells.at(column - 1) : QString();
    };
    for (const qint64 first : {qint64(1), qint64(2), qint64(30000)}) {
        QString v = imp::EvaluateMapEntry(map, first, cell, QStringLiteral("//"));
        imp::DropTrailingTab(v);
        if (v.contains(u'\r') || v.contains(u'\n'))
            std::abort();
    }
    for (qint32 n = 1; n <= 702; n += 37)
        if (imp::ColumnNumber(imp::ColumnLetters(n)) != n)
            std::abort();
    return 0;
}
