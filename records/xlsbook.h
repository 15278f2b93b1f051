#pragma once
// The workbook side of reading .xls files: FreeXL in the process that reads
// the file (the helper program waybill-xlsread), and the framed reply it
// writes for the program. FreeXL can crash or hang on a damaged file, so the
// program never calls it itself (records/xlsreader.h starts the helper).
//
// A request is the helper's arguments:
//   sheets <path>
//   cells <path> <sheet> <first row> <last row> <columns, comma-separated>
// A reply is a run of frames, each a 4-byte little-endian length and that
// many bytes of UTF-8 text. The first frame is the error number ("0" when
// the workbook opened). A sheets reply goes on with one frame per sheet
// name. A cells reply goes on with "1" or "0" (the sheet was found or not),
// the sheet's used rows and used columns, then for each non-empty cell of
// the asked rows and columns, row by row and columns rising, three frames:
// row, column and text.
// Rows and columns count from 1; a cell outside the sheet, or outside the
// format's 65,536 rows by 256 columns, is empty.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

namespace imp {

// Error numbers of a workbook read.
enum ExcelError : int {
    ExcelOk = 0,
    ExcelCannotOpen = 5, // missing, unreadable, protected or damaged file
    ExcelNoSuchSheet = 9, // the sheet name is not in the workbook
    ExcelDivisionByZero = 11, // an interval of 0
    ExcelWrongType = 438, // not an Excel workbook
    ExcelBadRowCount = 30009, // the rows and interval give a negative count
};

inline constexpr qint64 kMaxSheetRows = 65536;
inline constexpr qint64 kMaxSheetCols = 256;

// Cell texts as Excel gives a cell's value as text: numbers with up to 15
// significant digits (13800138000 stays "13800138000"), dates as
// "yyyy-m-d", times as "h:mm:ss".
class XlsWorkbook
{
public:
    XlsWorkbook() = default;
    ~XlsWorkbook();
    XlsWorkbook(const XlsWorkbook &) = delete;
    XlsWorkbook &operator=(const XlsWorkbook &) = delete;

    // 0, or ExcelCannotOpen / ExcelWrongType.
    int Open(const QString &path);
    QStringList SheetNames() const;
    // Makes the sheet of that name (compared without regard to case)
    // current; false when the workbook has none such.
    bool SelectSheet(const QString &name);
    bool SelectSheet(qint32 index);
    // The current sheet's cell; "" outside it.
    QString CellText(qint64 row, qint64 column) const;
    // The current sheet's last used row and column (its dimensions); 0 for
    // an empty sheet or none selected.
    qint64 UsedRows() const { return m_selected ? qint64(m_rows) : 0; }
    qint64 UsedCols() const { return m_selected ? qint64(m_cols) : 0; }

private:
    const void *m_handle = nullptr;
    bool m_selected = false;
    quint32 m_rows = 0;
    quint16 m_cols = 0;
};

// Appends one frame.
void AppendFrame(QByteArray &out, const QString &text);

// Reads a reply frame by frame.
class FrameReader
{
public:
    explicit FrameReader(const QByteArray &reply)
        : m_reply(reply)
    {
    }
    // The next frame; nullopt at the end or when the frame is cut short.
    std::optional<QString> Next();
    // The next frame as a whole number (decimal digits, an optional minus).
    std::optional<qint64> NextNumber();
    bool AtEnd() const { return m_pos == m_reply.size(); }

private:
    std::optional<QByteArrayView> NextBytes();

    const QByteArray &m_reply;
    qsizetype m_pos = 0;
};

// The reply to a request (the helper's arguments, without the program
// name). A request the helper does not know answers "5" (cannot open).
QByteArray AnswerXlsRequest(const QStringList &args);

} // namespace imp
