#include "records/xlsbook.h"

#include "platform/numtext.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <freexl.h>

namespace imp {

namespace {

// "YYYY-MM-DD" as "yyyy-m-d"; "HH:MM:SS" as "h:mm:ss".
QString ShortDate(QStringView ymd)
{
    const auto parts = ymd.split(u'-');
    if (parts.size() != 3)
        return ymd.toString();
    return parts[0].toString() + u'-' + QString::number(parts[1].toInt()) + u'-'
        + QString::number(parts[2].toInt());
}

QString ShortTime(QStringView hms)
{
    if (hms.size() >= 2 && hms.at(0) == u'0')
        return hms.mid(1).toString();
    return hms.toString();
}

} // namespace

XlsWorkbook::~XlsWorkbook()
{
    if (m_handle)
        freexl_close(m_handle);
}

int XlsWorkbook::Open(const QString &path)
{
    if (m_handle) {
        freexl_close(m_handle);
        m_handle = nullptr;
    }
    m_selected = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ExcelCannotOpen;
    // A readable file without the compound-document signature is no
    // workbook at all (a text, an .xlsx renamed).
    if (file.read(8) != QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
        return ExcelWrongType;
    file.close();
    const void *h = nullptr;
    const int rc = freexl_open(QFile::encodeName(path).constData(), &h);
    if (rc != FREEXL_OK) {
        if (h)
            freexl_close(h);
        switch (rc) {
        case FREEXL_INVALID_CFBF_HEADER:
        case FREEXL_CFBF_INVALID_SIGNATURE:
        case FREEXL_BIFF_INVALID_BOF:
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            return ExcelWrongType;
        default:
            return ExcelCannotOpen;
        }
    }
    m_handle = h;
    unsigned int password = 0;
    if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK
        && password == FREEXL_BIFF_OBFUSCATED) {
        freexl_close(m_handle);
        m_handle = nullptr;
        return ExcelCannotOpen;
    }
    return ExcelOk;
}

QStringList XlsWorkbook::SheetNames() const
{
    QStringList names;
    unsigned int count = 0;
    if (!m_handle || freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
        return names;
    for (unsigned int i = 0; i < count; ++i) {
        const char *name = nullptr;
        if (freexl_get_worksheet_name(m_handle, quint16(i), &name) == FREEXL_OK && name)
            names << QString::fromUtf8(name);
        else
            names << QString();
    }
    return names;
}

bool XlsWorkbook::SelectSheet(qint32 index)
{
    m_selected = false;
    if (!m_handle || index < 0 || index > 0xFFFF
        || freexl_select_active_worksheet(m_handle, quint16(index)) != FREEXL_OK)
        return false;
    if (freexl_worksheet_dimensions(m_handle, &m_rows, &m_cols) != FREEXL_OK)
        return false;
    m_selected = true;
    return true;
}

bool XlsWorkbook::SelectSheet(const QString &name)
{
    const QStringList names = SheetNames();
    for (qint32 i = 0; i < names.size(); ++i)
        if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return SelectSheet(i);
    m_selected = false;
    return false;
}

QString XlsWorkbook::CellText(qint64 row, qint64 column) const
{
    QString text = RawCellText(row, column);
    // A damaged file can give a string longer than a cell holds; it is cut,
    // never inside a surrogate pair.
    if (text.size() > kMaxCellChars)
        text.truncate(text.at(kMaxCellChars - 1).isHighSurrogate() ? kMaxCellChars - 1
                                                                   : kMaxCellChars);
    return text;
}

QString XlsWorkbook::RawCellText(qint64 row, qint64 column) const
{
    if (!m_selected || row < 1 || column < 1 || row > kMaxSheetRows || column > kMaxSheetCols
        || row > qint64(m_rows) || column > qint64(m_cols))
        return QString();
    FreeXL_CellValue v;
    if (freexl_get_cell_value(m_handle, quint32(row - 1), quint16(column - 1), &v) != FREEXL_OK)
        return QString();
    switch (v.type) {
    case FREEXL_CELL_INT:
        return QString::number(v.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return num::Str(v.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return QString::fromUtf8(v.value.text_value);
    case FREEXL_CELL_DATE:
        return ShortDate(QString::fromUtf8(v.value.text_value));
    case FREEXL_CELL_DATETIME: {
        const QString t = QString::fromUtf8(v.value.text_value);
        const qsizetype blank = t.indexOf(u' ');
        if (blank < 0)
            return ShortDate(t);
        const QStringView time = QStringView(t).mid(blank + 1);
        // A date at midnight is shown as the date alone.
        if (time == u"00:00:00")
            return ShortDate(QStringView(t).left(blank));
        return ShortDate(QStringView(t).left(blank)) + u' ' + ShortTime(time);
    }
    case FREEXL_CELL_TIME:
        return ShortTime(QString::fromUtf8(v.value.text_value));
    default:
        return QString();
    }
}

void AppendFrame(QByteArray &out, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    char length[4];
    qToLittleEndian(quint32(utf8.size()), length);
    out.append(length, 4);
    out.append(utf8);
}

void FrameSplitter::Feed(QByteArrayView bytes)
{
    // The frames already taken are dropped before the buffer grows.
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    m_buffer.append(bytes);
}

std::optional<QByteArrayView> FrameSplitter::Next()
{
    if (m_bad || m_buffer.size() - m_pos < 4)
        return std::nullopt;
    const quint32 length = qFromLittleEndian<quint32>(m_buffer.constData() + m_pos);
    if (qint64(length) > m_longest) {
        m_bad = true;
        return std::nullopt;
    }
    if (qint64(length) > qint64(m_buffer.size() - m_pos - 4))
        return std::nullopt;
    const QByteArrayView frame(m_buffer.constData() + m_pos + 4, qsizetype(length));
    m_pos += 4 + qsizetype(length);
    return frame;
}

std::optional<qint64> FrameNumber(QByteArrayView frame)
{
    QByteArrayView digits = frame;
    const bool negative = digits.startsWith('-');
    if (negative)
        digits = digits.sliced(1);
    if (digits.isEmpty() || digits.size() > 18 || (digits.size() > 1 && digits.front() == '0')
        || (negative && digits == "0"))
        return std::nullopt;
    qint64 n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return negative ? -n : n;
}

namespace {

QByteArray AnswerSheets(const QString &path)
{
    QByteArray out;
    XlsWorkbook book;
    const int rc = book.Open(path);
    AppendFrame(out, QString::number(rc));
    if (rc == ExcelOk)
        for (const QString &name : book.SheetNames())
            AppendFrame(out, name);
    return out;
}

QByteArray AnswerCells(const QString &path, const QString &sheet, qint64 firstRow, qint64 lastRow,
                       const QList<qint64> &columns)
{
    QByteArray out;
    XlsWorkbook book;
    const int rc = book.Open(path);
    AppendFrame(out, QString::number(rc));
    if (rc != ExcelOk)
        return out;
    const bool found = book.SelectSheet(sheet);
    AppendFrame(out, found ? QStringLiteral("1") : QStringLiteral("0"));
    AppendFrame(out, QString::number(book.UsedRows()));
    AppendFrame(out, QString::number(book.UsedCols()));
    const qint64 from = std::max<qint64>(firstRow, 1);
    const qint64 to = std::min(lastRow, book.UsedRows());
    for (qint64 r = from; r <= to; ++r) {
        for (const qint64 c : columns) {
            const QString text = book.CellText(r, c);
            if (text.isEmpty())
                continue;
            AppendFrame(out, QString::number(r));
            AppendFrame(out, QString::number(c));
            AppendFrame(out, text);
        }
    }
    return out;
}

} // namespace

QByteArray AnswerXlsRequest(const QStringList &args)
{
    if (args.size() == 2 && args.at(0) == QLatin1String("sheets"))
        return AnswerSheets(args.at(1));
    if (args.size() == 6 && args.at(0) == QLatin1String("cells")) {
        bool okFirst = false, okLast = false;
        const qint64 first = args.at(3).toLongLong(&okFirst);
        const qint64 last = args.at(4).toLongLong(&okLast);
        QList<qint64> columns;
        bool ok = okFirst && okLast;
        for (const QString &c : args.at(5).split(u',', Qt::SkipEmptyParts)) {
            bool okColumn = false;
            columns << c.toLongLong(&okColumn);
            ok = ok && okColumn;
        }
        // Cells go out row by row, columns rising, each once.
        std::sort(columns.begin(), columns.end());
        columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
        if (ok)
            return AnswerCells(args.at(1), args.at(2), first, last, columns);
    }
    QByteArray out;
    AppendFrame(out, QString::number(ExcelCannotOpen));
    return out;
}

} // namespace imp
