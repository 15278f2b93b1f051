// The .xls reading on arbitrary file bytes. The workbook side (FreeXL, as the
// helper program runs it: the sheet list, then the first sheet's cells) runs
// in a forked worker within a time limit, as the program runs the helper;
// FreeXL crashing or hanging on a damaged file ends that worker only, and
// the input is a failed read, as in the program. Checks that whatever the
// worker answers reads back as replies, and that the reply readers take any
// bytes.

#include "fuzzsupport.h"
#include "records/xlsreader.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sanitizer/common_interface_defs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A workbook of a few kilobytes reads in milliseconds; FreeXL loops forever on
// some damaged ones.
constexpr int kTimeLimitMs = 1000;

QString InputPath()
{
    return QDir(qEnvironmentVariable("WAYBILL_DATA_DIR")).filePath("fz.xls");
}

// The cells asked of the first sheet (the sheet's name aside).
imp::XlsCellRequest CellsAsked(const QString &sheet)
{
    return {sheet, 1, 40, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 256}};
}

// The workbook side for one input: the sheet list, then the first sheet's
// cells; the two replies with the first one's length ahead of them.
QByteArray AnswerBoth()
{
    const QString path = InputPath();
    const QByteArray sheets = imp::AnswerXlsRequest({QStringLiteral("sheets"), path});
    const std::optional<imp::XlsSheetNames> names = imp::ParseSheetsReply(sheets);
    const QString first = names && !names->names.isEmpty() ? names->names.first() : QString();
    // The columns out of order and one twice, as a request may give them.
    const QByteArray cells = imp::AnswerXlsRequest(
        {QStringLiteral("cells"), path, first, QStringLiteral("1"), QStringLiteral("40"),
         QStringLiteral("12,1,2,3,4,5,6,7,8,9,10,11,256,2")});
    char length[4];
    qToLittleEndian(quint32(sheets.size()), length);
    return QByteArray(length, 4) + sheets + cells;
}

void QuietExit()
{
    _exit(3);
}

bool WriteAll(int fd, const char *data, qsizetype size)
{
    for (qsizetype done = 0; done < size;) {
        const ssize_t n = write(fd, data + done, size_t(size - done));
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// A forked worker that answers for the input file once per byte it is sent,
// each answer a 4-byte length and the bytes. A fork per input would cost
// far more than the reading; a worker that crashed or hung is replaced.
class Worker
{
public:
    // nullopt when the worker crashed, failed or overran the limit (it is
    // then killed).
    std::optional<QByteArray> Answer()
    {
        if (m_pid <= 0)
            Start();
        const std::optional<QByteArray> out = Ask();
        if (!out)
            Stop();
        return out;
    }

private:
    void Start()
    {
        int toWorker[2], fromWorker[2];
        if (pipe(toWorker) != 0 || pipe(fromWorker) != 0)
            fuzz::Fail("pipe", __FILE__, __LINE__, QString());
        m_pid = fork();
        if (m_pid < 0)
            fuzz::Fail("fork", __FILE__, __LINE__, QString());
        if (m_pid == 0) {
            // A crash in FreeXL is expected here: it ends the worker quietly,
            // without the fuzzer's crash report or saved input.
            close(toWorker[1]);
            close(fromWorker[0]);
            for (const int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
                std::signal(sig, SIG_DFL);
            __sanitizer_set_death_callback(QuietExit);
            dup2(open("/dev/null", O_WRONLY), 2);
            char go;
            while (read(toWorker[0], &go, 1) == 1) {
                const QByteArray out = AnswerBoth();
                char length[4];
                qToLittleEndian(quint32(out.size()), length);
                if (!WriteAll(fromWorker[1], length, 4)
                    || !WriteAll(fromWorker[1], out.constData(), out.size()))
                    _exit(2);
            }
            _exit(0);
        }
        close(toWorker[0]);
        close(fromWorker[1]);
        m_to = toWorker[1];
        m_from = fromWorker[0];
    }

    void Stop()
    {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        close(m_to);
        close(m_from);
        m_pid = -1;
    }

    // Reads exactly size bytes within the time left; false at an end or a
    // timeout.
    bool Read(char *data, qsizetype size, int &left)
    {
        for (qsizetype done = 0; done < size;) {
            pollfd p {m_from, POLLIN, 0};
            const int ready = poll(&p, 1, 100);
            if (ready == 0 && (left -= 100) <= 0)
                return false;
            if (ready <= 0)
                continue;
            const ssize_t n = read(m_from, data + done, size_t(size - done));
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

    std::optional<QByteArray> Ask()
    {
        if (!WriteAll(m_to, "g", 1))
            return std::nullopt;
        int left = kTimeLimitMs;
        char length[4];
        if (!Read(length, 4, left))
            return std::nullopt;
        QByteArray out(qsizetype(qFromLittleEndian<quint32>(length)), Qt::Uninitialized);
        if (!Read(out.data(), out.size(), left))
            return std::nullopt;
        return out;
    }

    pid_t m_pid = -1;
    int m_to = -1, m_from = -1;
};

} // namespace

// A small quarantine keeps the fuzzer's memory small, and with it the cost of
// forking a new worker after each crash.
extern "C" const char *__asan_default_options()
{
    return "quarantine_size_mb=8";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::InitApp(argc, argv);
    // A worker that died leaves its pipe closed: a failed write, no signal.
    std::signal(SIGPIPE, SIG_IGN);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    // Any bytes as a reply: read or refused, nothing else.
    (void)imp::ParseSheetsReply(bytes);
    (void)imp::ParseCellsReply(bytes, CellsAsked(QString()));

    const QString path = InputPath();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        fuzz::Fail("write the input file", __FILE__, __LINE__, path);
    f.close();
    static Worker worker;
    const std::optional<QByteArray> out = worker.Answer();
    if (!out)
        return 0; // FreeXL crashed or hung: a failed read
    FUZZ_CHECK(out->size() >= 4, QString::number(out->size()));
    const qint64 length = qFromLittleEndian<quint32>(out->constData());
    FUZZ_CHECK(4 + length <= out->size(), QString::number(length));
    const QByteArray sheets = out->mid(4, length), cells = out->mid(4 + length);
    FUZZ_CHECK(imp::ParseSheetsReply(sheets), QString::fromLatin1(sheets.left(64).toHex()));
    FUZZ_CHECK(imp::ParseCellsReply(cells, CellsAsked(QString())),
               QString::fromLatin1(cells.left(64).toHex()));
    return 0;
}
