#include "records/xlsreader.h"

#include "core/gridhelpers.h"
#include "core/progress.h"
#include "platform/gridmodel.h"
#include "records/datagrid.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace imp {

namespace {

constexpr const char *kHelperName = "waybill-xlsread";
// How long the reading waits for the helper before the event loop runs.
constexpr int kSliceMs = 40;
// The most bytes taken from the pipe between two turns of the event loop.
constexpr qsizetype kBytesPerSlice = 1 << 20;
// Texts this long are shared between the cells that hold them; shorter
// ones cost little more than the record of the cell.
constexpr qsizetype kSharedTextChars = 32;

// A reply read frame by frame as it arrives.
class ReplyReader
{
public:
    virtual ~ReplyReader() = default;
    // false: the reply is malformed or holds what was not asked for.
    virtual bool Take(QByteArrayView frame) = 0;
    // The frames taken so far are a whole reply.
    virtual bool Complete() const = 0;
    // How much of the reply has come, 0 to 1.
    virtual double Done() const { return 0; }
    // The most bytes the reply can take.
    virtual qint64 Ceiling() const = 0;
    // The longest frame the reply can hold.
    virtual qint64 LongestFrame() const { return kMaxFrameBytes; }
};

// A reply's first frame: an error number the helper gives.
std::optional<int> OpenResult(QByteArrayView frame)
{
    const std::optional<qint64> rc = FrameNumber(frame);
    if (rc && (*rc == ExcelOk || *rc == ExcelCannotOpen || *rc == ExcelWrongType))
        return int(*rc);
    return std::nullopt;
}

class SheetsReply : public ReplyReader
{
public:
    bool Take(QByteArrayView frame) override
    {
        if (!m_opened) {
            const std::optional<int> rc = OpenResult(frame);
            if (!rc)
                return false;
            m_opened = true;
            result.error = *rc;
            return true;
        }
        // Sheets are counted in 16 bits.
        if (result.error != ExcelOk || result.names.size() >= 0xFFFF)
            return false;
        result.names << QString::fromUtf8(frame);
        return true;
    }
    bool Complete() const override { return m_opened; }
    // A workbook's sheets, each name at most 255 characters.
    qint64 Ceiling() const override { return 24 + 0xFFFF * (4 + kLongestName); }
    qint64 LongestFrame() const override { return kLongestName; }

    XlsSheetNames result;

private:
    static constexpr qint64 kLongestName = 3 * 255;
    bool m_opened = false;
};

class CellsReply : public ReplyReader
{
public:
    explicit CellsReply(const XlsCellRequest &request)
        : m_request(request)
        , m_asked(size_t(kMaxSheetCols + 1), false)
    {
        for (const qint64 c : request.columns)
            if (c >= 1 && c <= kMaxSheetCols)
                m_asked[size_t(c)] = true;
    }

    bool Take(QByteArrayView frame) override
    {
        if (m_header == 0) {
            const std::optional<int> rc = OpenResult(frame);
            if (!rc)
                return false;
            result.error = *rc;
            ++m_header;
            return true;
        }
        if (result.error != ExcelOk)
            return false; // nothing follows a failed open
        if (m_header < 4) {
            const std::optional<qint64> n = FrameNumber(frame);
            const qint64 highest[] = {0, 1, 0xFFFFFFFFLL, 0xFFFF};
            if (!n || *n < 0 || *n > highest[m_header])
                return false;
            if (m_header == 1)
                result.sheetFound = *n == 1;
            else if (m_header == 2)
                result.usedRows = *n;
            else
                result.usedCols = *n;
            ++m_header;
            return true;
        }
        switch (m_part++ % 3) {
        case 0:
            return (m_row = FrameNumber(frame)).has_value();
        case 1:
            return (m_column = FrameNumber(frame)).has_value();
        default: {
            // Only the cells asked for, each once, in order.
            if (*m_row < m_request.firstRow || *m_row > m_request.lastRow || *m_column < 1
                || *m_column > kMaxSheetCols || !m_asked[size_t(*m_column)])
                return false;
            // A long text met before is kept once: a damaged file whose cells
            // all name one long shared string costs that string only.
            QString text = QString::fromUtf8(frame);
            if (text.size() >= kSharedTextChars) {
                const auto known = m_texts.constFind(text);
                if (known != m_texts.cend())
                    text = *known;
                else
                    m_texts.insert(text);
            }
            return result.Append(*m_row, *m_column, text);
        }
        }
    }

    bool Complete() const override
    {
        return (m_header == 1 && result.error != ExcelOk) || (m_header == 4 && m_part % 3 == 0);
    }

    double Done() const override
    {
        const qint64 last = std::min(m_request.lastRow, result.usedRows);
        if (!m_row || last < m_request.firstRow)
            return 0;
        return double(*m_row - m_request.firstRow + 1) / double(last - m_request.firstRow + 1);
    }

    qint64 Ceiling() const override { return CellsReplyCeiling(m_request); }

    XlsCells result;

private:
    const XlsCellRequest &m_request;
    std::vector<bool> m_asked;
    QSet<QString> m_texts;
    int m_header = 0;
    qint64 m_part = 0;
    std::optional<qint64> m_row, m_column;
};

// Feeds a whole reply to a reader; whether it read as a whole reply.
bool ReadWhole(const QByteArray &reply, ReplyReader &reader)
{
    if (reply.size() > reader.Ceiling())
        return false;
    FrameSplitter frames(reader.LongestFrame());
    frames.Feed(reply);
    while (const std::optional<QByteArrayView> frame = frames.Next())
        if (!reader.Take(*frame))
            return false;
    return !frames.Bad() && frames.AtEnd() && reader.Complete();
}

// One run of the helper: a process group of its own, its standard output
// a pipe that the program reads without blocking.
class HelperRun
{
public:
    HelperRun() = default;
    HelperRun(const HelperRun &) = delete;
    HelperRun &operator=(const HelperRun &) = delete;
    ~HelperRun() { End(); }

    // false when the program could not be started.
    bool Start(const QString &program, const QStringList &args)
    {
        QList<QByteArray> bytes {QFile::encodeName(program)};
        for (const QString &a : args)
            bytes << QFile::encodeName(a);
        std::vector<char *> argv;
        for (QByteArray &b : bytes)
            argv.push_back(b.data());
        argv.push_back(nullptr);
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return false;
        posix_spawn_file_actions_t files;
        posix_spawnattr_t attr;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&files, out[1], 1);
        posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_init(&attr);
        // A group of its own, so that whatever it starts ends with it; the
        // signals in their default state (a broken pipe ends it).
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setpgroup(&attr, 0);
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setsigdefault(&attr, &all);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK
                                     | POSIX_SPAWN_SETSIGDEF);
        const int rc = posix_spawn(&m_pid, argv[0], &files, &attr, argv.data(), environ);
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&files);
        close(out[1]);
        if (rc != 0) {
            m_pid = -1;
            close(out[0]);
            return false;
        }
        m_out = out[0];
        fcntl(m_out, F_SETFL, fcntl(m_out, F_GETFL) | O_NONBLOCK);
        return true;
    }

    // Waits up to `ms` for output, then takes what is there (at most
    // kBytesPerSlice); false once the output has ended.
    bool Read(int ms, QByteArray &chunk)
    {
        chunk.clear();
        if (m_out < 0)
            return false;
        pollfd p {m_out, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0)
            return true;
        char buffer[65536];
        while (chunk.size() < kBytesPerSlice) {
            const ssize_t n = read(m_out, buffer, sizeof buffer);
            if (n > 0) {
                chunk.append(buffer, n);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                return true;
            close(m_out);
            m_out = -1;
            return !chunk.isEmpty();
        }
        return true;
    }

    // The helper itself has ended (it is not reaped yet, so its process
    // group cannot be another's).
    bool Ended() const
    {
        siginfo_t info {};
        return m_pid > 0 && waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0
            && info.si_pid == m_pid;
    }

    // Ends the whole process group and reaps the helper; true when the
    // helper had ended by itself with exit status 0.
    bool End()
    {
        if (m_out >= 0) {
            close(m_out);
            m_out = -1;
        }
        if (m_pid <= 0)
            return false;
        const bool ended = Ended();
        kill(-m_pid, SIGKILL);
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) { }
        m_pid = -1;
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
};

// Runs the helper on one request and hands its reply to the reader as it
// arrives; ExcelOk when the helper gave a whole reply and ended with 0.
int RunHelper(const QStringList &args, const QDeadlineTimer &deadline, ReplyReader &reader)
{
    const QString program = XlsHelperProgram();
    HelperRun run;
    if (program.isEmpty() || !run.Start(program, args))
        return ExcelReaderMissing;
    // Cancelled when the user stops the work the read runs in (also before
    // the read began).
    const bool watched = WorkStopAllowed();
    const QByteArrayView greeting(kXlsGreeting);
    FrameSplitter frames(greeting.size());
    bool greeted = false, open = true;
    qint64 received = 0;
    QByteArray chunk;
    // A failure before the greeting is the helper's, after it the workbook's.
    const auto failed = [&greeted] { return greeted ? ExcelCannotOpen : ExcelReaderMissing; };
    for (;;) {
        // Whatever the helper wrote before it ended is in the pipe by now; a
        // child it left may hold the pipe open, so its end is not awaited.
        const bool ended = run.Ended();
        // A helper still at work when the time is up was slow, not broken
        // (the reads before it may have spent the time): the workbook could
        // not be read in time, whether or not it had greeted.
        if (deadline.hasExpired())
            return ended ? failed() : ExcelCannotOpen;
        if (open) {
            const qint64 left = deadline.isForever() ? kSliceMs : deadline.remainingTime();
            open = run.Read(ended ? 0 : int(std::min<qint64>(kSliceMs, left)), chunk);
        } else if (!ended) {
            chunk.clear();
            usleep(5000); // the output has ended before the helper
        }
        received += chunk.size();
        if (received > 4 + greeting.size() + reader.Ceiling())
            return ExcelCannotOpen;
        frames.Feed(chunk);
        while (const std::optional<QByteArrayView> frame = frames.Next()) {
            if (!greeted) {
                if (*frame != greeting)
                    return ExcelReaderMissing;
                greeted = true;
                frames.SetLongest(reader.LongestFrame());
            } else if (!reader.Take(*frame)) {
                return ExcelCannotOpen;
            }
        }
        if (frames.Bad())
            return failed();
        if (watched) {
            DrawIndicatorBar(qint32(reader.Done() * Indicator().total));
            if (WorkStopped())
                return ExcelCancelled;
        }
        if (ended && (!open || chunk.isEmpty()))
            break;
    }
    if (!run.End())
        return failed();
    return greeted && frames.AtEnd() && reader.Complete() ? ExcelOk : failed();
}

qint64 CellKey(qint64 row, qint64 column)
{
    return row * (kMaxSheetCols + 1) + column;
}

// The rows and columns of the sheet that the records' entries can name: the
// columns of the parts, and the rows from the first record's to the last
// record's with the parts' offsets, a row of room either side for the
// rounding, within the sheet's largest size.
XlsCellRequest CellsNeeded(const QString &sheet, const QStringList &merged, qint64 first,
                           qint64 interval, qint64 records)
{
    XlsCellRequest request;
    request.sheet = sheet;
    std::set<qint64> columns;
    double lowOffset = std::numeric_limits<double>::infinity(), highOffset = -lowOffset;
    for (const QString &entry : merged) {
        for (const MapPart &p : CompileMapEntry(entry)) {
            if (p.literal || p.failed || p.column < 1 || p.column > kMaxSheetCols)
                continue;
            columns.insert(p.column);
            lowOffset = std::min(lowOffset, p.rowOffset);
            highOffset = std::max(highOffset, p.rowOffset);
        }
    }
    if (records <= 0 || columns.empty())
        return request;
    const double a = double(first), b = double(first) + double(records - 1) * double(interval);
    const double low = std::max(std::min(a, b) + lowOffset - 1, 1.0);
    const double high = std::min(std::max(a, b) + highOffset + 1, double(kMaxSheetRows));
    if (!(low <= high))
        return request;
    request.firstRow = qint64(low);
    request.lastRow = qint64(high);
    request.columns = QList<qint64>(columns.begin(), columns.end());
    return request;
}

} // namespace

QString ExcelErrorMessage(int error)
{
    switch (error) {
    case ExcelWrongType:
        return QStringLiteral("文件类型不对，请选择Excel文档！");
    case ExcelCannotOpen:
        return QStringLiteral("无法打开Excel文件，请检查后重新输入文件名及路径！");
    case ExcelNoSuchSheet:
        return QStringLiteral("输入表格名称有误，无法打开表格，请重新输入！");
    case 1004:
        return QStringLiteral("输入表格列号超界，请重新输入！");
    case ExcelReaderMissing:
        return QStringLiteral("读取Excel文件的程序") + QLatin1String(kHelperName)
            + QStringLiteral("无法运行，请重新安装本软件，并让它留在本软件所在的文件夹中！");
    case ExcelCancelled:
        return QStringLiteral("EXCEL文件的读取已停止，没有导入任何记录。");
    default:
        return QStringLiteral("未知错误，错误号：") + (error >= 0 ? QStringLiteral(" ") : QString())
            + QString::number(error) + QStringLiteral("　请检查输入值！");
    }
}

QString XlsHelperProgram()
{
    const QDir dir(QCoreApplication::applicationDirPath());
    for (const QString &candidate :
         {dir.filePath(QLatin1String(kHelperName)),
          dir.filePath(QLatin1String("../bin/") + QLatin1String(kHelperName))}) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return QString();
}

QString XlsCells::Text(qint64 row, qint64 column) const
{
    if (row < 1 || row > kMaxSheetRows || column < 1 || column > kMaxSheetCols)
        return QString();
    const qint64 key = CellKey(row, column);
    const auto it = std::lower_bound(m_cells.begin(), m_cells.end(), key,
                                     [](const auto &cell, qint64 k) { return cell.first < k; });
    return it != m_cells.end() && it->first == key ? it->second : QString();
}

bool XlsCells::Append(qint64 row, qint64 column, const QString &text)
{
    if (row < 1 || row > kMaxSheetRows || column < 1 || column > kMaxSheetCols)
        return false;
    const qint64 key = CellKey(row, column);
    if (!m_cells.empty() && m_cells.back().first >= key)
        return false;
    m_cells.emplace_back(key, text);
    return true;
}

std::optional<XlsSheetNames> ParseSheetsReply(const QByteArray &reply)
{
    SheetsReply reader;
    return ReadWhole(reply, reader) ? std::optional(reader.result) : std::nullopt;
}

std::optional<XlsCells> ParseCellsReply(const QByteArray &reply, const XlsCellRequest &request)
{
    CellsReply reader(request);
    return ReadWhole(reply, reader) ? std::optional(std::move(reader.result)) : std::nullopt;
}

qint64 CellsReplyCeiling(const XlsCellRequest &request)
{
    // The error number and the sheet's found flag, rows and columns; then
    // for each cell its row, column and text.
    const qint64 header = 4 * (4 + 20);
    const qint64 rows = std::clamp<qint64>(
        std::min(request.lastRow, kMaxSheetRows) - std::max<qint64>(request.firstRow, 1) + 1, 0,
        kMaxSheetRows);
    const qint64 columns = std::min<qint64>(request.columns.size(), kMaxSheetCols);
    return header + rows * columns * (3 * 4 + 5 + 3 + kMaxFrameBytes);
}

XlsSheetNames ReadSheetNames(const QString &path, QDeadlineTimer deadline)
{
    SheetsReply reader;
    const int rc = RunHelper({QStringLiteral("sheets"), path}, deadline, reader);
    if (rc != ExcelOk) {
        XlsSheetNames failed;
        failed.error = rc;
        return failed;
    }
    return reader.result;
}

XlsCells ReadSheetCells(const QString &path, const XlsCellRequest &request,
                        QDeadlineTimer deadline)
{
    QStringList columns;
    for (const qint64 c : request.columns)
        columns << QString::number(c);
    CellsReply reader(request);
    const int rc = RunHelper({QStringLiteral("cells"), path, request.sheet,
                              QString::number(request.firstRow), QString::number(request.lastRow),
                              columns.join(u',')},
                             deadline, reader);
    if (rc != ExcelOk) {
        XlsCells failed;
        failed.error = rc;
        return failed;
    }
    return std::move(reader.result);
}

int ReadExcelData(GridModel &grid, const QString &path, const QString &sheetName, qint64 first,
                  qint64 last, const ColumnMaps &maps, qint64 interval, PageControls &page,
                  const QString &lineBreakMarker, QDeadlineTimer deadline)
{
    const std::optional<qint64> records = RecordCount(first, last, interval);
    if (!records)
        return ExcelDivisionByZero;
    if (*records < 0 || *records > std::numeric_limits<qint32>::max() - 2)
        return ExcelBadRowCount;
    QStringList merged = MergeFieldArrays(maps);
    CleanColumnMaps(merged);
    // The workbook is read before the grid is touched: a file that cannot
    // be read leaves the records of the last import as they were. Only the
    // read can be cancelled.
    XlsCells cells;
    {
        const LongWork work(WorkStop::Can);
        ShowIndicator(QString::fromUtf8(kReadingCaption), 100);
        cells = ReadSheetCells(path, CellsNeeded(sheetName, merged, first, interval, *records),
                               deadline);
    }
    if (cells.error != ExcelOk) {
        CloseIndicator();
        return cells.error;
    }
    // A wrong sheet name reads no cell; the records keep their count and
    // their quoted texts. Records past the sheet's last used row are none.
    PrepareDataGrid(grid, qint32(*records), maps, page);
    grid.setRows(grid.fixedRows()
                 + qint32(RecordsWithinData(*records, first, interval, cells.usedRows)));
    FillDataGrid(
        grid, merged, first, interval,
        [&cells](qint64 row, qint32 column) { return cells.Text(row, column); }, lineBreakMarker,
        true);
    AutoFitGridColumns(GridFont(), grid, grid.fixedRows(), true);
    CloseIndicator();
    return ExcelOk;
}

int PreviewExcel(GridModel &grid, const QString &path, const QString &sheetName,
                 QDeadlineTimer deadline)
{
    const LongWork work(WorkStop::Can);
    ShowIndicator(QString::fromUtf8(kReadingCaption), 20);
    XlsCellRequest request;
    request.sheet = sheetName;
    request.lastRow = std::min<qint64>(19, grid.rows() - 1);
    for (qint64 c = 1; c <= 59 && c < grid.cols(); ++c)
        request.columns << c;
    // The bar follows the rows as the helper sends them.
    const XlsCells cells = ReadSheetCells(path, request, deadline);
    int rc = cells.error;
    if (rc == ExcelOk && !cells.sheetFound)
        rc = ExcelNoSuchSheet;
    if (rc == ExcelOk) {
        for (qint32 r = 1; r <= request.lastRow; ++r) {
            for (const qint64 c : request.columns)
                grid.setText(r, qint32(c), cells.Text(r, c));
        }
    }
    CloseIndicator();
    return rc;
}

} // namespace imp
