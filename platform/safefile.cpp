#include "platform/safefile.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <set>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace safefile {

namespace {

const QByteArray kRecordHeader = "safefile-together 1";
const QByteArray kRecordEnd = "end";
const QByteArray kRecordMade = "made";
const QByteArray kRecordDone = "done";
constexpr int kTagLength = 8;

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype i = path.lastIndexOf('/');
    return i <= 0 ? QByteArray("/") : path.left(i);
}

QByteArray nameOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

bool exists(const QByteArray &path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0;
}

// A file's identity: device, inode, size and modification time. A file
// restored from a backup or copied to another computer has another.
QByteArray identity(const QByteArray &path)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return QByteArray::number(qulonglong(st.st_dev), 16) + '-'
        + QByteArray::number(qulonglong(st.st_ino), 16) + '-'
        + QByteArray::number(qlonglong(st.st_size), 16) + '-'
        + QByteArray::number(qlonglong(st.st_mtim.tv_sec), 16) + '-'
        + QByteArray::number(qlonglong(st.st_mtim.tv_nsec), 16);
}

// Whether the file at the name has the recorded identity; "-" (the name did
// not exist) and an empty identity match nothing, nor does anything but a
// regular file.
bool hasIdentity(const QByteArray &path, const QByteArray &id)
{
    return !id.isEmpty() && id != "-" && identity(path) == id;
}

// Whether a refused hard link means the file system has none (FAT, exFAT)
// or too many already, rather than a file that may not be linked or moved
// (append-only or immutable), which a move would not get past either.
bool noHardLinks(int error, const QByteArray &path)
{
    if (error == EOPNOTSUPP || error == ENOSYS || error == EMLINK)
        return true;
    if (error != EPERM)
        return false;
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    const bool known = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(fd);
    return !known || !(flags & (FS_APPEND_FL | FS_IMMUTABLE_FL));
}

bool isRegular(const QByteArray &path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isLink(const QByteArray &path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Two names of one file (a hard link).
bool sameFile(const QByteArray &a, const QByteArray &b)
{
    struct stat sa {}, sb {};
    return ::lstat(a.constData(), &sa) == 0 && ::lstat(b.constData(), &sb) == 0
        && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
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
    for (int i = 0; i < kTagLength; ++i)
        tag += digits[QRandomGenerator::global()->bounded(36)];
    return QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                             + u'.')
        + tag;
}

// An absolute path without empty, "." or ".." parts and without NUL.
bool plainAbsolute(const QByteArray &path)
{
    if (!path.startsWith('/') || path.size() < 2 || path.contains('\0'))
        return false;
    const QList<QByteArray> parts = path.mid(1).split('/');
    return std::none_of(parts.begin(), parts.end(), [](const QByteArray &p) {
        return p.isEmpty() || p == "." || p == "..";
    });
}

// A name hiddenBeside can have given for the target.
bool hiddenFormOf(const QByteArray &hidden, const QByteArray &target)
{
    const QByteArray prefix = folderOf(target) + "/." + nameOf(target) + '.';
    if (!hidden.startsWith(prefix) || hidden.size() != prefix.size() + kTagLength)
        return false;
    const QByteArray tag = hidden.mid(prefix.size());
    return std::all_of(tag.begin(), tag.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
}

QByteArray recordText(const std::vector<Together::Entry> &entries)
{
    QByteArray out = kRecordHeader + '\n';
    for (const Together::Entry &e : entries)
        out += QByteArray(e.existed ? "1 " : "0 ") + e.target.toPercentEncoding() + ' '
            + e.staged.toPercentEncoding() + ' ' + e.kept.toPercentEncoding() + '\n';
    return out + kRecordEnd + '\n';
}

QByteArray madeText(const std::vector<Together::Entry> &entries)
{
    QByteArray out = kRecordMade;
    for (const Together::Entry &e : entries)
        out += ' ' + e.stagedId + ' ' + (e.keptId.isEmpty() ? QByteArray("-") : e.keptId);
    return out + '\n';
}

// A record as read: cut short (left before any file it names was made, as
// the record is synced first), not one of ours, or a run.
struct Parsed
{
    enum { CutShort, Foreign, Run } kind = Foreign;
    std::vector<Together::Entry> entries;
    bool identified = false; // the hidden files' identities are known
    bool done = false;
};

Parsed parseRecord(const QByteArray &text)
{
    Parsed p;
    const QList<QByteArray> lines = text.split('\n');
    const qsizetype end = lines.indexOf(kRecordEnd);
    if (text.isEmpty() || (lines.value(0) == kRecordHeader && end < 0)) {
        p.kind = Parsed::CutShort;
        return p;
    }
    if (lines.value(0) != kRecordHeader || end < 2)
        return p;
    std::set<QByteArray> targets;
    for (qsizetype i = 1; i < end; ++i) {
        const QList<QByteArray> f = lines.at(i).split(' ');
        if (f.size() != 4 || (f.at(0) != "0" && f.at(0) != "1"))
            return p;
        Together::Entry e {QByteArray::fromPercentEncoding(f.at(1)),
                           QByteArray::fromPercentEncoding(f.at(2)),
                           QByteArray::fromPercentEncoding(f.at(3)), f.at(0) == "1"};
        if (!plainAbsolute(e.target) || !hiddenFormOf(e.staged, e.target)
            || (e.existed ? !hiddenFormOf(e.kept, e.target) : !e.kept.isEmpty())
            || e.staged == e.kept || !targets.insert(e.target).second)
            return p;
        p.entries.push_back(e);
    }
    qsizetype next = end + 1;
    const QList<QByteArray> made = lines.value(next).split(' ');
    if (made.value(0) == kRecordMade) {
        if (made.size() != 1 + 2 * qsizetype(p.entries.size()))
            return p;
        for (size_t i = 0; i < p.entries.size(); ++i) {
            Together::Entry &e = p.entries[i];
            e.stagedId = made.at(1 + 2 * qsizetype(i));
            e.keptId = made.at(2 + 2 * qsizetype(i));
            if (e.keptId == "-")
                e.keptId.clear();
        }
        p.identified = true;
        ++next;
    }
    p.done = p.identified && lines.value(next) == kRecordDone;
    p.kind = Parsed::Run;
    return p;
}

// Whether a hidden old target is this run's second name of the old file:
// its identity as recorded, or, before the identities are recorded (no
// target has been replaced yet), a second name of the target itself.
bool ownKept(const Together::Entry &e, bool identified)
{
    if (e.kept.isEmpty() || !isRegular(e.kept))
        return false;
    return identified ? hasIdentity(e.kept, e.keptId) : sameFile(e.kept, e.target);
}

// Whether a hidden new file is this run's: a regular file, of the recorded
// identity once there is one.
bool ownStaged(const Together::Entry &e, bool identified)
{
    return isRegular(e.staged) && (!identified || hasIdentity(e.staged, e.stagedId));
}

// Whether the target may take back the old file kept under its second
// name: it is gone, or is still that file, or is this run's new file.
bool targetTakesKept(const Together::Entry &e, bool identified)
{
    return !exists(e.target) || sameFile(e.kept, e.target)
        || (identified && hasIdentity(e.target, e.stagedId));
}

// Whether the run's new file may take the target's name: the target is the
// old file the run kept (under its second name too, or, where the file
// system has no hard links, not yet moved there), or there is none (a link
// counts as none when the target did not exist as a file).
bool targetTakesStaged(const Together::Entry &e, bool identified)
{
    if (!exists(e.target))
        return true;
    if (!e.existed)
        return isLink(e.target);
    return (ownKept(e, identified) && sameFile(e.kept, e.target))
        || (identified && !exists(e.kept) && isRegular(e.target) && hasIdentity(e.target, e.keptId));
}

// A file that an undo or a completion could not give its target's name; it
// keeps its hidden name, and the record stays so the next recovery tries
// again. A hidden file that cannot be removed is left: every target holds
// what it should.
struct Left
{
    const Together::Entry *stuck = nullptr;
    QByteArray hidden; // the stuck file's hidden name
    QStringList removed; // targets an undo removed (they did not exist before)
    explicit operator bool() const { return stuck != nullptr; }
};

// Every target back to its old bytes, or away when it did not exist and is
// provably this run's new file; the hidden files go. Each step can be
// repeated, so an undo cut short by another kill is completed by the next.
Left undo(const std::vector<Together::Entry> &entries, bool identified)
{
    Left left;
    for (const Together::Entry &e : entries) {
        if (ownKept(e, identified)) {
            // Both names may still be one file, where rename does nothing.
            // A target that became another file is not written over.
            if (!targetTakesKept(e, identified)
                || std::rename(e.kept.constData(), e.target.constData()) != 0) {
                if (!left.stuck)
                    left = {&e, e.kept}; // the old file keeps its hidden name
                continue;
            }
            if (exists(e.kept) && sameFile(e.kept, e.target))
                ::unlink(e.kept.constData());
        } else if (!e.existed && identified && !exists(e.staged)
                   && hasIdentity(e.target, e.stagedId)
                   && ::unlink(e.target.constData()) == 0) {
            left.removed << QFile::decodeName(e.target); // the new file
        }
        if (ownStaged(e, identified))
            ::unlink(e.staged.constData());
    }
    return left;
}

// Completes a run whose outcome was decided: the new files that have not
// yet taken their targets' places take them, the old targets' second names
// go.
Left complete(const std::vector<Together::Entry> &entries, bool identified, const StepHook &step)
{
    // Judged before the renames: until the identities are recorded a second
    // name is known as this run's only while it names the target itself.
    std::vector<bool> keptOwn;
    for (const Together::Entry &e : entries)
        keptOwn.push_back(ownKept(e, identified));
    for (const Together::Entry &e : entries) {
        if (!ownStaged(e, identified))
            continue;
        step();
        if (!targetTakesStaged(e, identified)
            || std::rename(e.staged.constData(), e.target.constData()) != 0)
            return {&e, e.staged};
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!keptOwn[i])
            continue;
        step();
        ::unlink(entries[i].kept.constData());
    }
    return {};
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

namespace {

// The name a plain write's temporary file takes just before it replaces its
// target: ".<target's name>.<8 letters or digits>.part" beside it.
QByteArray temporaryBeside(const QByteArray &target)
{
    return hiddenBeside(QFile::decodeName(target)) + ".part";
}

bool temporaryFormOf(const QByteArray &name, const QByteArray &target)
{
    return name.endsWith(".part") && hiddenFormOf(name.chopped(5), target);
}

// Removes the temporary files of the target that killed writes left. A
// live write holds a lock on its temporary file as long as it has one, so
// only a file whose lock can be taken is removed, and only while the name
// still names that file.
void removeLeftTemporaries(const QByteArray &target)
{
    const QByteArray folder = folderOf(target);
    const QByteArray prefix = '.' + nameOf(target) + '.';
    for (const QString &n : QDir(QFile::decodeName(folder)).entryList(QDir::Files | QDir::Hidden)) {
        const QByteArray path = folder + '/' + QFile::encodeName(n);
        if (!QFile::encodeName(n).startsWith(prefix) || !temporaryFormOf(path, target))
            continue;
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat open {}, named {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &open) == 0
            && ::lstat(path.constData(), &named) == 0 && open.st_dev == named.st_dev
            && open.st_ino == named.st_ino)
            ::unlink(path.constData());
        ::close(fd);
    }
}

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

Writer::Writer(const QString &path, Links links)
    : m_path(path)
    , m_links(links)
{ }

Writer::Writer(const QString &staged, std::optional<QFileDevice::Permissions> permissions,
               const StepHook *step)
    : m_file(staged)
    , m_isStaged(true)
    , m_permissions(permissions)
    , m_step(step)
{ }

Writer::~Writer()
{
    Cancel();
}

QFileDevice &Writer::file()
{
    return m_file;
}

const QFileDevice &Writer::file() const
{
    return m_file;
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
    // Unbuffered, so that a failed write shows at once.
    if (m_isStaged) {
        step();
        m_ok = m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)
            && (!m_permissions || m_file.setPermissions(*m_permissions));
        return noted(m_ok);
    }
    if (m_file.isOpen())
        return false;
    // Followed, a link's file is replaced; by name, the link itself is, and
    // its file stays as it was.
    const QFileInfo info(m_path);
    struct stat st {};
    const bool byName = m_links == Links::ReplaceByName;
    const bool existed = byName ? info.exists() && !info.isSymLink() : info.exists();
    m_target = QFile::encodeName(existed && !byName ? info.canonicalFilePath()
                                                    : QDir::cleanPath(info.absoluteFilePath()));
    // A file that cannot be written is not replaced.
    if (existed && ::lstat(m_target.constData(), &st) != 0)
        return m_ok = noted(false);
    if (existed && !S_ISREG(st.st_mode))
        errno = EISDIR;
    if (existed && (!S_ISREG(st.st_mode) || ::access(m_target.constData(), W_OK) != 0))
        return m_ok = noted(false);
    removeLeftTemporaries(m_target);
    // The temporary file has no name until it is complete; where the file
    // system cannot do that, it is named at once.
    int fd = ::open(folderOf(m_target).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        m_named = temporaryBeside(m_target);
        fd = ::open(m_named.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    }
    if (fd < 0) {
        m_named.clear();
        return m_ok = noted(false);
    }
    // A replaced file keeps its permissions; a new one gets the usual.
    m_ok = noted(::flock(fd, LOCK_EX) == 0
                 && ::fchmod(fd, existed ? (st.st_mode & 07777) : newFileMode()) == 0
                 && m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                                QFileDevice::AutoCloseHandle));
    if (!m_file.isOpen())
        ::close(fd);
    if (!m_ok)
        Cancel();
    return m_ok;
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
    // A delayed allocation can still fail at the sync.
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
    m_ok = false;
    // A staged file is removed by its Together.
    if (!m_isStaged && !m_named.isEmpty())
        ::unlink(m_named.constData());
    m_named.clear();
    if (m_file.isOpen())
        m_file.close();
}

bool Writer::Commit()
{
    if (m_isStaged || !Finish())
        return false;
    // Named only now: with the target's own name when there is no target
    // (nothing else is ever named), else with a hidden name the rename
    // takes away at once (a kill in between leaves it to the next write).
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_file.handle());
    bool ok = !m_named.isEmpty()
        || ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, m_target.constData(), AT_SYMLINK_FOLLOW)
            == 0;
    if (ok && m_named.isEmpty()) {
        m_file.close();
        return true;
    }
    for (int attempt = 0; !ok && errno == EEXIST && m_named.isEmpty() && attempt < 16; ++attempt) {
        const QByteArray name = temporaryBeside(m_target);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0)
            m_named = name;
    }
    ok = noted(!m_named.isEmpty() && std::rename(m_named.constData(), m_target.constData()) == 0);
    if (ok)
        m_named.clear();
    Cancel(); // removes a name the rename did not take
    return ok;
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

bool Together::noted(bool ok, const Writer *writer)
{
    if (!ok && m_errno == 0)
        m_errno = writer && writer->SystemError() ? writer->SystemError() : errno;
    return ok;
}

bool Together::Undo()
{
    if (m_open) {
        m_open = false;
        for (auto &w : m_writers)
            w->Cancel();
        const bool stuck = bool(undo(m_entries, m_identified));
        syncFolders(m_entries, m_step);
        // An old file left under its hidden name keeps the record, so the
        // next recovery gives it its name back.
        if (!stuck)
            removeRecord(QFile::encodeName(m_record), m_step);
    }
    return false;
}

bool Together::Open()
{
    if (m_open)
        return false;
    std::vector<std::optional<QFileDevice::Permissions>> permissions;
    for (const QString &t : m_targets) {
        // Replaced by name: a link there counts as no file, and the file it
        // names is never written. Anything else but a regular file stays.
        const QFileInfo info(t);
        Entry e;
        const QString target = QDir::cleanPath(info.absoluteFilePath());
        e.target = QFile::encodeName(target);
        struct stat st {};
        const bool named = ::lstat(e.target.constData(), &st) == 0;
        if (named && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
            errno = EISDIR;
            return noted(false);
        }
        e.existed = named && S_ISREG(st.st_mode);
        e.staged = hiddenBeside(target);
        if (e.existed)
            e.kept = hiddenBeside(target);
        m_entries.push_back(e);
        // A replaced file keeps its permissions; a new one gets the usual.
        permissions.push_back(e.existed ? std::optional(info.permissions()) : std::nullopt);
    }
    // The record is on the disk before any file it names is made; one left
    // by an earlier run is never written over.
    const QByteArray record = QFile::encodeName(m_record);
    if (!noted(writeRecord(record, recordText(m_entries), O_CREAT | O_EXCL, m_step))) {
        if (errno != EEXIST)
            ::unlink(record.constData());
        return false;
    }
    m_open = true;
    m_step();
    if (!noted(syncFolder(folderOf(record))))
        return Undo();
    for (size_t i = 0; i < m_entries.size(); ++i) {
        m_writers.push_back(std::unique_ptr<Writer>(
            new Writer(QFile::decodeName(m_entries[i].staged), permissions[i], &m_step)));
        if (!noted(m_writers.back()->Open(), m_writers.back().get()))
            return Undo();
    }
    return true;
}

bool Together::Prepare()
{
    if (!m_open)
        return false;
    if (m_prepared)
        return true;
    bool ok = true;
    for (auto &w : m_writers)
        ok = noted(w->Finish(), w.get()) && ok;
    for (auto &w : m_writers)
        w->Cancel(); // closes the synced files
    // The old targets get their second names (hard links: they need no room
    // on the disk) and the record takes every hidden file's identity, all
    // before a commit elsewhere can decide the run: a recovery then renames
    // nothing it cannot identify.
    // Where the file system has no hard links (FAT, exFAT), the old target
    // keeps its own name until the commit moves it to the second one: the
    // identity recorded is the same, and so is the undo.
    for (Entry &e : m_entries) {
        if (!ok || e.kept.isEmpty())
            continue;
        m_step();
        ok = ::link(e.target.constData(), e.kept.constData()) == 0;
        if (!ok) {
            const int error = errno;
            e.moveOld = ok = noHardLinks(error, e.target);
            errno = error;
        }
        ok = noted(ok);
    }
    ok = ok && noted(syncFolders(m_entries, m_step));
    for (Entry &e : m_entries) {
        e.stagedId = identity(e.staged);
        e.keptId = e.kept.isEmpty() ? QByteArray() : identity(e.moveOld ? e.target : e.kept);
        if (ok && (e.stagedId.isEmpty() || (!e.kept.isEmpty() && e.keptId.isEmpty()))) {
            errno = EIO;
            ok = noted(false);
        }
    }
    ok = ok && noted(writeRecord(QFile::encodeName(m_record), madeText(m_entries), O_APPEND, m_step));
    m_identified = ok;
    if (!ok)
        return Undo();
    m_prepared = true;
    return true;
}

QString Together::Token() const
{
    return m_entries.empty() ? QString() : QFile::decodeName(m_entries.front().staged);
}

bool Together::Commit()
{
    if (!Prepare())
        return false;
    // The new files take the targets' places; an old target that could
    // take no second name (a file system without hard links) moves to it
    // just before its new file takes its place.
    bool ok = true;
    for (const Entry &e : m_entries) {
        if (!ok)
            break;
        if (e.moveOld) {
            m_step();
            ok = noted(std::rename(e.target.constData(), e.kept.constData()) == 0);
            if (!ok)
                break;
        }
        m_step();
        ok = noted(std::rename(e.staged.constData(), e.target.constData()) == 0);
    }
    const QByteArray record = QFile::encodeName(m_record);
    ok = ok && noted(syncFolders(m_entries, m_step));
    ok = ok && noted(writeRecord(record, kRecordDone + '\n', O_APPEND, m_step));
    if (!ok && m_decided) {
        m_open = false; // left to the next recovery, which completes it
        return false;
    }
    if (!ok)
        return Undo();
    // Done: what is left to remove is the same whether it happens now or
    // at the next recovery.
    m_open = false;
    complete(m_entries, true, m_step);
    syncFolders(m_entries, m_step);
    removeRecord(record, m_step);
    return true;
}

namespace {

// The record under a name of its own beside it, its bytes kept; "" when it
// cannot be renamed.
QString setAside(const QString &record)
{
    const QByteArray from = QFile::encodeName(record);
    for (int n = 1; n < 1000; ++n) {
        const QString aside
            = record + QStringLiteral(".aside") + (n > 1 ? QString::number(n) : QString());
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD,
                        QFile::encodeName(aside).constData(), RENAME_NOREPLACE)
            == 0) {
            syncFolder(folderOf(from));
            return aside;
        }
        if (errno != EEXIST)
            break;
    }
    return {};
}

// The first entry of a run going forward that cannot be completed on
// provable files: its new file is still hidden but has no recorded identity
// or another one, or its target is another file than the one the run kept.
const Together::Entry *unprovenForward(const Parsed &p)
{
    for (const Together::Entry &e : p.entries) {
        if (!exists(e.staged))
            continue; // already in its place
        if (!p.identified || !ownStaged(e, true) || !targetTakesStaged(e, true))
            return &e;
    }
    return nullptr;
}

// The first entry of a run being undone whose old file would go back over
// a target that is neither it nor the run's new file. A run decided
// elsewhere renames only after that decision, so there a new file found in
// a target's place contradicts an undo: it is not removed.
const Together::Entry *unprovenUndo(const Parsed &p, bool decidedElsewhere)
{
    for (const Together::Entry &e : p.entries) {
        if (ownKept(e, p.identified) && !targetTakesKept(e, p.identified))
            return &e;
        if (decidedElsewhere && p.identified && hasIdentity(e.target, e.stagedId))
            return &e;
    }
    return nullptr;
}

} // namespace

RecoverResult Recover(const QString &recordPath, const RecoverRules &rules)
{
    RecoverResult r;
    r.record = recordPath;
    const QByteArray record = QFile::encodeName(recordPath);
    struct stat st {};
    if (::lstat(record.constData(), &st) != 0) {
        r.what = errno == ENOENT ? Recovery::Nothing : Recovery::Unreadable;
        return r;
    }
    if (!S_ISREG(st.st_mode)) {
        r.what = Recovery::NotAFile;
        return r;
    }
    QFile f(recordPath);
    if (!f.open(QIODevice::ReadOnly)) {
        r.what = Recovery::Unreadable;
        return r;
    }
    Parsed p = parseRecord(f.read(1 << 20));
    f.close();
    const StepHook none = [] { };
    if (p.kind == Parsed::Run && rules.accept) {
        QStringList targets;
        for (const Together::Entry &e : p.entries)
            targets << QFile::decodeName(e.target);
        if (!rules.accept(targets))
            p.kind = Parsed::Foreign;
    }
    if (p.kind == Parsed::Foreign) {
        r.setAsideAs = setAside(recordPath);
        r.what = r.setAsideAs.isEmpty() ? Recovery::Unreadable : Recovery::SetAside;
        return r;
    }
    if (p.kind == Parsed::Run) {
        std::optional<bool> forward = p.done;
        if (!p.done && rules.committed)
            forward = rules.committed(QFile::decodeName(p.entries.front().staged));
        if (!forward) {
            r.what = Recovery::Unreadable;
            return r;
        }
        // Nothing is renamed on trust: a run that cannot be carried out on
        // files provably its own is set aside untouched, naming a hidden
        // file that may hold a target's new bytes.
        if (const Together::Entry *unproven = *forward ? unprovenForward(p)
                                                           : unprovenUndo(p, bool(rules.committed))) {
            r.setAsideAs = setAside(recordPath);
            r.what = r.setAsideAs.isEmpty() ? Recovery::Unreadable : Recovery::SetAside;
            if (*forward) {
                r.target = QFile::decodeName(unproven->target);
                if (exists(unproven->staged))
                    r.kept = QFile::decodeName(unproven->staged);
            }
            return r;
        }
        const Left left
            = *forward ? complete(p.entries, p.identified, none) : undo(p.entries, p.identified);
        syncFolders(p.entries, none);
        if (left) {
            r.what = Recovery::Stuck;
            r.target = QFile::decodeName(left.stuck->target);
            r.kept = QFile::decodeName(left.hidden);
            return r;
        }
        r.removed = left.removed;
    }
    r.what = removeRecord(record, none) ? Recovery::Completed : Recovery::Unreadable;
    return r;
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    Writer w(path);
    return w.Open() && w.Write(bytes) && w.Commit();
}

bool CopyInto(const QString &from, Writer &to)
{
    // Read through the system, so that errno is the failed read's.
    const int fd = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, block.data(), size_t(block.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!to.Write(block.left(n))) {
            ok = false;
            errno = to.SystemError() ? to.SystemError() : EIO;
            break;
        }
    }
    const int why = errno;
    ::close(fd);
    errno = why;
    return ok;
}

Copied CopyFile(const QString &from, const QString &to, Links links)
{
    const QFileInfo a(from), b(to);
    const bool toIsFile = b.exists() && (links == Links::Follow || !b.isSymLink());
    if (toIsFile && a.canonicalFilePath() == b.canonicalFilePath())
        return {};
    if (!a.exists())
        return {ENOENT};
    Writer w(to, links);
    if (!w.Open())
        return {w.SystemError() ? w.SystemError() : EIO};
    if (!CopyInto(from, w))
        return {errno ? errno : EIO};
    if (!w.Commit())
        return {w.SystemError() ? w.SystemError() : EIO};
    return {};
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
