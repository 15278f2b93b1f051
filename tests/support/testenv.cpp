#include "testenv.h"

#include "core/apppaths.h"
#include "core/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

void DataDirTest::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    m_processDataDir = qgetenv(paths::kDataDirVariable);
    qputenv(paths::kDataDirVariable, m_dir.path().toUtf8());
    db::CloseConnection();
    setDialogs(&dlg);
}

void DataDirTest::TearDown()
{
    db::CloseConnection();
    setDialogs(nullptr);
    // Back to the process's own folder (tests/support/testmain.h).
    if (m_processDataDir.isEmpty())
        qunsetenv(paths::kDataDirVariable);
    else
        qputenv(paths::kDataDirVariable, m_processDataDir);
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int RunCommand(const QString &program, const QStringList &args, QByteArray *out)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return -1;
    if (out)
        *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QString OnFullDisk(qint64 limit, const std::function<QString()> &work)
{
    int fds[2];
    if (pipe(fds) != 0)
        return QStringLiteral("<no pipe>");
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit lim {};
        getrlimit(RLIMIT_FSIZE, &lim);
        const rlim_t hard = lim.rlim_max;
        lim.rlim_cur = rlim_t(limit);
        setrlimit(RLIMIT_FSIZE, &lim);
        const QByteArray answer = work().toUtf8();
        lim.rlim_cur = hard;
        setrlimit(RLIMIT_FSIZE, &lim);
        qsizetype done = 0;
        while (done < answer.size()) {
            const ssize_t n = ::write(fds[1], answer.constData() + done, size_t(answer.size() - done));
            if (n <= 0)
                break;
            done += n;
        }
        ::close(fds[1]);
        _exit(0);
    }
    ::close(fds[1]);
    QByteArray answer;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        answer.append(buf, n);
    ::close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("<no answer>");
    return QString::fromUtf8(answer);
}

FullDiskScope::FullDiskScope(qint64 limit)
{
    struct rlimit lim {};
    getrlimit(RLIMIT_FSIZE, &lim);
    m_old = lim.rlim_cur;
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    lim.rlim_cur = rlim_t(limit);
    setrlimit(RLIMIT_FSIZE, &lim);
}

FullDiskScope::~FullDiskScope()
{
    struct rlimit lim {};
    getrlimit(RLIMIT_FSIZE, &lim);
    lim.rlim_cur = rlim_t(m_old);
    setrlimit(RLIMIT_FSIZE, &lim);
    std::signal(SIGXFSZ, m_oldHandler);
}

namespace {

constexpr qint64 kPageSize = 1024; // the database's page size

// Overwrites bytes in the middle of a page.
bool DamagePage(const QString &file, qint64 page)
{
    QFile f(file);
    return f.open(QIODevice::ReadWrite) && f.seek((page - 1) * kPageSize + kPageSize / 2)
        && f.write(QByteArray(16, '\x5a')) == 16;
}

// Whether the queries read back whole from the file.
bool Reads(const QString &file, const QStringList &queries)
{
    auto conn = sql::Connection::Open(file, db::kDatabasePassword);
    for (const QString &q : queries)
        if (!conn || !conn->Query(q))
            return false;
    return true;
}

} // namespace

bool NoteAsUnchanged(const QString &file)
{
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0)
        return false;
    QByteArray state;
    for (const qint64 v :
         {qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size), qint64(st.st_mtim.tv_sec),
          qint64(st.st_mtim.tv_nsec), qint64(st.st_ctim.tv_sec), qint64(st.st_ctim.tv_nsec)})
        state += QByteArray::number(v) + ' ';
    QFile note(file + QStringLiteral(".checked"));
    return note.open(QIODevice::WriteOnly) && note.write(state) == state.size();
}

bool DamagePageUnder(const QString &file, const QString &broken, const QStringList &whole)
{
    const QString trial = file + QStringLiteral(".trial");
    for (qint64 page = 2; page <= QFileInfo(file).size() / kPageSize; ++page) {
        QFile::remove(trial);
        if (!QFile::copy(file, trial) || !DamagePage(trial, page))
            return false;
        if (!Reads(trial, {broken}) && Reads(trial, whole)) {
            QFile::remove(trial);
            return DamagePage(file, page);
        }
    }
    QFile::remove(trial);
    return false;
}

SmallDisk::SmallDisk(const QString &folder, qint64 bytes)
    : m_folder(QFile::encodeName(folder))
{
    const QByteArray options = "size=" + QByteArray::number(bytes);
    m_on = ::mount("smalldisk", m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                   options.constData())
        == 0;
}

SmallDisk::~SmallDisk()
{
    if (m_on)
        ::umount2(m_folder.constData(), MNT_DETACH);
}

bool SmallDisk::LeaveRoom(qint64 room)
{
    const QByteArray filler = m_folder + "/.filler";
    const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const QByteArray block(4096, 'f');
    qint64 size = 0;
    ssize_t n;
    while ((n = ::write(fd, block.constData(), size_t(block.size()))) > 0)
        size += n;
    const bool full = n < 0 && errno == ENOSPC && size >= room;
    const bool ok = full && ::ftruncate(fd, off_t(size - room)) == 0;
    ::close(fd);
    return ok;
}

AppendOnlyFolder::AppendOnlyFolder(const QString &folder)
{
    m_fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_CLOEXEC);
    int flags = 0;
    if (m_fd >= 0 && ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
        m_flags = flags;
        flags |= FS_APPEND_FL;
        if (::ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0)
            return;
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

AppendOnlyFolder::~AppendOnlyFolder()
{
    if (m_fd < 0)
        return;
    ::ioctl(m_fd, FS_IOC_SETFLAGS, &m_flags);
    ::close(m_fd);
}

QStringList FilesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QStringList MessageBoxes(const ScriptedDialogs &d)
{
    QStringList out;
    for (const auto &s : d.shown())
        if (s.kind == QLatin1String("message"))
            out << s.text;
    return out;
}

bool SaveA4Scan(const QString &path, int top, int bottom)
{
    QImage scan(4960, 7016, QImage::Format_RGB32);
    scan.fill(QColor(bottom, bottom, bottom));
    QPainter(&scan).fillRect(0, 0, scan.width(), scan.height() / 2, QColor(top, top, top));
    return scan.save(path, "JPG", 80);
}

qint64 HeapHeldBytes()
{
#if defined(__SANITIZE_ADDRESS__)
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 m = mallinfo2();
    return qint64(m.uordblks + m.hblkhd);
#endif
}
