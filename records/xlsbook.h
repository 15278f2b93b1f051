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
// many bytes of UTF-8 text. The helper first writes its greeting frame
// (kXlsGreeting), before it touches the workbook: a helper that ends or
// stalls before it is a helper that cannot run, not a damaged workbook.
// The reply proper follows; its first frame is the error number ("0" when
// the workbook opened). A sheets reply goes on with one frame per sheet
// name. A cells reply goes on with "1" or "0" (the sheet was found or not),
// the sheet's used rows and used columns, then for each non-empty cell of
// the asked rows and columns, row by row and columns rising, three frames:
// row, column and text.
// Rows and columns count from 1; a cell outside the sheet, or outside the
// format's 65,536 rows by 256 columns, is empty. A cell's text is at most
// kMaxCellChars characters, so no frame of a reply is longer than
// kMaxFrameBytes.

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
    ExcelCancelled = 18, // the user stopped the read
    ExcelReaderMissing = 429, // the helper program is missing or cannot run
    ExcelWrongType = 438, // not an Excel workbook
    ExcelBadRowCount = 30009, // the rows and interval give a negative count
};

inline constexpr qint64 kMaxSheetRows = 65536;
inline constexpr qint64 kMaxSheetCols = 256;
// The longest text a cell can hold; a longer one in a damaged file is cut.
inline constexpr qint64 kMaxCellChars = 32767;
// A cell's text in UTF-8 (three bytes at most for each UTF-16 unit); sheet
// names, 255 characters at most, and numbers are shorter.
inline constexpr qint64 kMaxFrameBytes = 3 * kMaxCellChars;
inline constexpr const char *kXlsGreeting = "waybill-xlsread 1";

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
    QString RawCellText(qint64 row, qint64 column) const;

    const void *m_handle = nullptr;
    bool m_selected = false;
    quint32 m_rows = 0;
    quint16 m_cols = 0;
};

// Appends one frame.
void AppendFrame(QByteArray &out, const QString &text);

// Splits a reply into frames as its bytes arrive; it holds only the bytes
// of frames not yet taken, so a reply of any length costs no more memory
// than its longest frame and the bytes fed at once.
class FrameSplitter
{
public:
    // Frames announced longer than `longest` bytes make the reply bad.
    explicit FrameSplitter(qint64 longest = kMaxFrameBytes)
        : m_longest(longest)
    {
    }
    void SetLongest(qint64 longest) { m_longest = longest; }
    void Feed(QByteArrayView bytes);
    // The next whole frame (valid until the next Feed); nullopt when none
    // is complete yet or the reply is bad.
    std::optional<QByteArrayView> Next();
    // A frame announced longer than allowed.
    bool Bad() const { return m_bad; }
    // Every byte fed was taken in whole frames.
    bool AtEnd() const { return m_pos == m_buffer.size(); }

private:
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_longest;
    bool m_bad = false;
};

// A frame as a whole number: an optional minus, then 1 to 18 decimal digits
// without a needless leading zero (the only form the helper writes).
std::optional<qint64> FrameNumber(QByteArrayView frame);

// The reply to a request (the helper's arguments, without the program
// name). A request the helper does not know answers "5" (cannot open).
QByteArray AnswerXlsRequest(const QStringList &args);

} // namespace imp
