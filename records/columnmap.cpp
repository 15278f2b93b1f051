#include "records/columnmap.h"

#include "platform/codepage.h"
#include "platform/numtext.h"

#include <cmath>
#include <limits>

namespace imp {

QStringList MergeFieldArrays(const ColumnMaps &maps)
{
    QStringList merged;
    merged.reserve(maps.Count());
    merged << maps.text << maps.check << maps.picture;
    return merged;
}

QString CleanColumnMap(const QString &entry)
{
    QString e = entry;
    e.replace(QChar(0x201D), QLatin1Char('"'));
    e.replace(QChar(0x201C), QLatin1Char('"'));
    e.replace(QChar(0xFF0C), QLatin1Char(','));
    e = num::Trim(e);
    if (e.startsWith(QLatin1Char(',')))
        e.remove(0, 1);
    if (e.endsWith(QLatin1Char(',')))
        e.chop(1);
    return e;
}

void CleanColumnMaps(QStringList &merged)
{
    for (QString &e : merged)
        e = CleanColumnMap(e);
}

namespace {

// The character's code as code page 936 gives it: one byte for ASCII, two
// bytes read as a signed 16-bit number, "?" (63) for what the code page
// lacks.
qint32 AnsiCode(QChar c)
{
    if (c.unicode() < 0x80)
        return c.unicode();
    const QByteArray b = cp936::Encode(QString(c));
    if (b.size() == 2)
        return qint16(quint16((quint8(b[0]) << 8) | quint8(b[1])));
    return 63;
}

bool Fits16(qint32 v)
{
    return v >= std::numeric_limits<qint16>::min() && v <= std::numeric_limits<qint16>::max();
}

} // namespace

std::optional<qint16> ColumnNumber(const QString &letters)
{
    const QString t = num::Trim(letters).toUpper();
    if (t.isEmpty())
        return std::nullopt;
    if (t.size() >= 3)
        return qint16(0);
    qint32 n = AnsiCode(t.at(0)) - 64;
    if (t.size() == 2) {
        if (!Fits16(n) || !Fits16(n * 26))
            return std::nullopt;
        n = n * 26 + (AnsiCode(t.at(1)) - 64);
    }
    if (!Fits16(n))
        return std::nullopt;
    return qint16(std::max(n, 1));
}

QString ColumnLetters(qint32 n)
{
    const qint32 q = qint32(std::floor((n - 0.5) / 26));
    const qint32 r = n - 26 * q;
    QString s;
    if (q > 0)
        s += QChar(64 + q);
    if (r > 0)
        s += QChar(64 + r);
    return s;
}

CompiledMap CompileMapEntry(const QString &entry)
{
    CompiledMap parts;
    if (entry.isEmpty())
        return parts;
    const QStringList pieces = entry.split(QLatin1Char(','));
    parts.reserve(size_t(pieces.size()));
    for (QString p : pieces) {
        p.remove(QLatin1Char('\r'));
        p.remove(QLatin1Char('\n'));
        p = num::Trim(p);
        MapPart part;
        if (p.size() >= 2 && p.startsWith(QLatin1Char('"')) && p.endsWith(QLatin1Char('"'))) {
            part.literal = true;
            part.text = p.mid(1, p.size() - 2);
        } else if (p == QLatin1String("\"")) {
            part.failed = true; // one quote is no literal and no column
        } else {
            const qsizetype plus = p.lastIndexOf(QLatin1Char('+'));
            if (plus >= 0) {
                part.rowOffset = num::Val(QStringView(p).mid(plus + 1));
                p.truncate(plus);
            }
            const std::optional<qint16> col = ColumnNumber(p);
            part.failed = !col;
            part.column = col.value_or(0);
        }
        parts.push_back(std::move(part));
    }
    return parts;
}

QString EvaluateMapEntry(const CompiledMap &map, qint64 firstRow, const CellReader &cell,
                         const QString &lineBreakMarker)
{
    QString value;
    for (const MapPart &p : map) {
        if (p.literal) {
            value += p.text;
        } else if (!p.failed && p.column > 0) {
            const double row = num::RoundHalfEven(double(firstRow) + p.rowOffset);
            if (row >= 1 && row <= double(std::numeric_limits<qint32>::max()))
                value += cell(qint64(row), p.column);
        }
    }
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'))) {
        value.replace(QLatin1String("\r\n"), lineBreakMarker);
        value.replace(QLatin1Char('\n'), lineBreakMarker);
        value.replace(QLatin1Char('\r'), lineBreakMarker);
    }
    return value;
}

void DropTrailingTab(QString &value)
{
    if (value.endsWith(QLatin1Char('\t')))
        value.chop(1);
}

std::optional<qint64> RecordCount(qint64 first, qint64 last, qint64 interval)
{
    if (interval == 0)
        return std::nullopt;
    const qint64 span = last - first + 1;
    return span / interval + (span % interval > 0 ? 1 : 0);
}

qint64 RecordsWithinData(qint64 records, qint64 first, qint64 interval, qint64 usedRows)
{
    if (usedRows <= 0 || interval <= 0 || records <= 0)
        return records;
    if (first > usedRows)
        return 0;
    return std::min(records, (usedRows - first) / interval + 1);
}

} // namespace imp
