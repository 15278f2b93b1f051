#include "platform/safefile.h"

#include <QFile>
#include <QFileInfo>

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <set>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace safefile {

namespace {

const QByteArray kRecordHeader = "safefile-together 1";
const QByteArray kRecordEnd = "end";
const QByteArray kRecordDone = "done";

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype i = path.lastIndexOf('/');
    return i <= 0 ? QByteArray("/") : path.left(i);
}

bool exists(const QByteArray &path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0;
}

// A folder's entries reach the disk only with a sync of the folder itself.
bool syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// A hidden name beside the target, unlikely to be anyone else's.
QByteArray hiddenBeside(const QString &target)
{
    const QFileInfo info(target);
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray tag;
    for (int i = 0; i < 8; ++i)
        tag += digits[QRandomGenerator::global()->bounded(36)];
    return QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                             + u'.')
        + tag;
}

QByteArray recordText(const std::vector<Together::Entry> &entries)
{
    QByteArray out = kRecordHeader + '\n';
    for (const Together::Entry &e : entries)
        out += QByteArray(e.existed ? "1 " : "0 ") + e.target.toPercentEncoding() + ' '
            + e.staged.toPercentEncoding() + ' ' + e.kept.toPercentEncoding() + '\n';
    return out + kRecordEnd + '\n';
}

// The entries of a complete record; nullopt for a record cut short, which
// was never synced and so was left before any file beside a target was made.
std::optional<std::vector<Together::Entry>> parseRecord(const QByteArray &text, bool *done)
{
    const QList<QByteArray> lines = text.split('\n');
    const qsizetype end = lines.indexOf(kRecordEnd);
    if (lines.value(0) != kRecordHeader || end < 1)
        return std::nullopt;
    std::vector<Together::Entry> entries;
    for (qsizetype i = 1; i < end; ++i) {
        const QList<QByteArray> f = lines.at(i).split(' ');
        if (f.size() != 4 || f.at(1).isEmpty() || f.at(2).isEmpty())
            return std::nullopt;
        entries.push_back({QByteArray::fromPercentEncoding(f.at(1)),
                           QByteArray::fromPercentEncoding(f.at(2)),
                           QByteArray::fromPercentEncoding(f.at(3)), f.at(0) == "1"});
    }
    *done = lines.value(end + 1) == kRecordDone;
    return entries;
}

// Every target back to its old bytes, or away when it did not exist; the
// hidden files go. Each step can be repeated, so an undo cut short by
// another kill is completed by the next.
void undo(const std::vector<Together::Entry> &entries)
{
    for (const Together::Entry &e : entries) {
        if (!e.kept.isEmpty() && exists(e.kept)) {
            // Both names may still be one file, where rename does nothing.
            std::rename(e.kept.constData(), e.target.constData());
            ::unlink(e.kept.constData());
        } else if (!e.existed && !exists(e.staged)) {
            ::unlink(e.target.constData()); // the new file, or nothing
        }
        ::unlink(e.staged.constData());
    }
}

// The replacement stands: the old targets' second names go.
void removeKept(const std::vector<Together::Entry> &entries, const StepHook &step)
{
    for (const Together::Entry &e : entries) {
        if (e.kept.isEmpty())
            continue;
        step();
        ::unlink(e.kept.constData());
    }
}

bool syncFolders(const std::vector<Together::Entry> &entries, const StepHook &step)
{
    std::set<QByteArray> folders;
    for (const Together::Entry &e : entries)
        folders.insert(folderOf(e.target));
    bool ok = true;
    for (const QByteArray &f : folders) {
        step();
        ok = syncFolder(f) && ok;
    }
    return ok;
}

bool removeRecord(const QByteArray &record, const StepHook &step)
{
    step();
    const bool ok = ::unlink(record.constData()) == 0 || errno == ENOENT;
    step();
    syncFolder(folderOf(record));
    return ok;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Writes or appends to the record and syncs it.
bool writeRecord(const QByteArray &record, const QByteArray &bytes, int flags,
                 const StepHook &step)
{
    step();
    const int fd = ::open(record.constData(), O_WRONLY | O_CLOEXEC | flags, 0600);
    if (fd < 0)
        return false;
    step();
    bool ok = writeAll(fd, bytes);
    step();
    ok = ok && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

} // namespace

Writer::Writer(const QString &path)
    : m_save(path)
{ }

Writer::Writer(const QString &staged, std::optional<QFileDevice::Permissions> permissions,
               const StepHook *step)
    : m_staged(staged)
    , m_isStaged(true)
    , m_permissions(permissions)
    , m_step(step)
{ }

Writer::~Writer()
{
    if (!m_isStaged && m_save.isOpen())
        m_save.cancelWriting(); // QSaveFile drops the temporary file
}

QFileDevice &Writer::file()
{
    return m_isStaged ? static_cast<QFileDevice &>(m_staged) : m_save;
}

const QFileDevice &Writer::file() const
{
    return m_isStaged ? static_cast<const QFileDevice &>(m_staged) : m_save;
}

void Writer::step() const
{
    if (m_step && *m_step)
        (*m_step)();
}

bool Writer::noted(bool ok)
{
    if (!ok && m_errno == 0)
        m_errno = errno;
    return ok;
}

bool Writer::Open()
{
    // Unbuffered, so that a failed write shows at once: QSaveFile does not
    // notice a failure of the buffer's last flush and would rename an
    // incomplete file over the target.
    if (m_isStaged) {
        step();
        m_ok = m_staged.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)
            && (!m_permissions || m_staged.setPermissions(*m_permissions));
    } else {
        m_ok = m_save.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    return noted(m_ok);
}

bool Writer::Write(const QByteArray &bytes)
{
    if (m_ok && !bytes.isEmpty()) {
        step();
        m_ok = noted(file().write(bytes) == bytes.size());
    }
    return m_ok;
}

QString Writer::PathForLibrary() const
{
    // The link under /proc opens the same file, even one without a name.
    return file().isOpen() ? QStringLiteral("/proc/self/fd/%1").arg(file().handle()) : QString();
}

bool Writer::Finish()
{
    if (!file().isOpen())
        return false;
    // A delayed allocation can still fail at the sync; QSaveFile ignores that.
    if (m_ok) {
        step();
        m_ok = noted(file().flush() && ::fsync(file().handle()) == 0);
    }
    if (!m_ok)
        Cancel();
    return m_ok;
}

void Writer::Cancel()
{
    if (!file().isOpen())
        return;
    m_ok = false;
    if (m_isStaged) {
        m_staged.close(); // the Together removes the file
        return;
    }
    m_save.cancelWriting();
    m_save.commit(); // removes the temporary file
}

bool Writer::Commit()
{
    return !m_isStaged && Finish() && noted(m_save.commit());
}

Together::Together(const QString &record, const QStringList &targets, StepHook step)
    : m_record(record)
    , m_targets(targets)
    , m_step(step ? std::move(step) : StepHook([] { }))
{ }

Together::~Together()
{
    Undo();
}

bool Together::Undo()
{
    if (m_open) {
        m_open = false;
        for (auto &w : m_writers)
            w->Cancel();
        undo(m_entries);
        syncFolders(m_entries, m_step);
        removeRecord(QFile::encodeName(m_record), m_step);
    }
    return false;
}

bool Together::Open()
{
    if (m_open || !Recover(m_record))
        return false;
    std::vector<std::optional<QFileDevice::Permissions>> permissions;
    for (const QString &t : m_targets) {
        // A link is followed: the file it names is replaced, as by a Writer.
        const QFileInfo info(t);
        Entry e;
        e.existed = info.exists();
        const QString target = e.existed ? info.canonicalFilePath() : info.absoluteFilePath();
        e.target = QFile::encodeName(target);
        e.staged = hiddenBeside(target);
        if (e.existed)
            e.kept = hiddenBeside(target);
        m_entries.push_back(e);
        // A replaced file keeps its permissions; a new one gets the usual.
        permissions.push_back(e.existed ? std::optional(info.permissions()) : std::nullopt);
    }
    // The record is on the disk before any file it names is made.
    const QByteArray record = QFile::encodeName(m_record);
    m_open = true;
    if (!writeRecord(record, recordText(m_entries), O_CREAT | O_TRUNC, m_step)) {
        ::unlink(record.constData());
        m_open = false;
        return false;
    }
    m_step();
    if (!syncFolder(folderOf(record)))
        return Undo();
    for (size_t i = 0; i < m_entries.size(); ++i) {
        m_writers.push_back(std::unique_ptr<Writer>(
            new Writer(QFile::decodeName(m_entries[i].staged), permissions[i], &m_step)));
        if (!m_writers.back()->Open())
            return Undo();
    }
    return true;
}

bool Together::Commit()
{
    if (!m_open)
        return false;
    bool ok = true;
    for (auto &w : m_writers)
        ok = w->Finish() && ok;
    for (auto &w : m_writers)
        w->Cancel(); // closes the synced files
    // The old targets get their second names (hard links: they need no room
    // on the disk), then the new files take the targets' places.
    for (const Entry &e : m_entries) {
        if (!ok || e.kept.isEmpty())
            continue;
        m_step();
        ok = ::link(e.target.constData(), e.kept.constData()) == 0;
    }
    ok = ok && syncFolders(m_entries, m_step);
    for (const Entry &e : m_entries) {
        if (!ok)
            break;
        m_step();
        ok = std::rename(e.staged.constData(), e.target.constData()) == 0;
    }
    ok = ok && syncFolders(m_entries, m_step);
    const QByteArray record = QFile::encodeName(m_record);
    ok = ok && writeRecord(record, kRecordDone + '\n', O_APPEND, m_step);
    if (!ok)
        return Undo();
    // Done: what is left to remove is the same whether it happens now or
    // at the next recovery.
    m_open = false;
    removeKept(m_entries, m_step);
    syncFolders(m_entries, m_step);
    removeRecord(record, m_step);
    return true;
}

bool Recover(const QString &recordPath)
{
    const QByteArray record = QFile::encodeName(recordPath);
    if (!exists(record))
        return true;
    QFile f(recordPath);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    bool done = false;
    const auto entries = parseRecord(f.readAll(), &done);
    f.close();
    const StepHook none = [] { };
    if (entries) {
        if (done) {
            removeKept(*entries, none);
            for (const Together::Entry &e : *entries)
                ::unlink(e.staged.constData());
        } else {
            undo(*entries);
        }
        syncFolders(*entries, none);
    }
    return removeRecord(record, none);
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    Writer w(path);
    return w.Open() && w.Write(bytes) && w.Commit();
}

bool CopyInto(const QString &from, Writer &to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    while (!in.atEnd()) {
        const QByteArray block = in.read(1 << 20);
        if (block.isEmpty() && in.error() != QFileDevice::NoError)
            return false;
        if (!to.Write(block))
            return false;
    }
    return in.error() == QFileDevice::NoError;
}

bool CopyFile(const QString &from, const QString &to)
{
    const QFileInfo a(from), b(to);
    if (b.exists() && a.canonicalFilePath() == b.canonicalFilePath())
        return true;
    if (!a.exists())
        return false;
    Writer w(to);
    return w.Open() && CopyInto(from, w) && w.Commit();
}

bool ReplaceWithFinished(const QString &temporary, const QString &target)
{
    const QByteArray tmp = QFile::encodeName(temporary);
    bool ok = false;
    const int fd = ::open(tmp.constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ok = ::fsync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
    }
    ok = ok && std::rename(tmp.constData(), QFile::encodeName(target).constData()) == 0;
    if (!ok)
        ::unlink(tmp.constData());
    return ok;
}

} // namespace safefile
