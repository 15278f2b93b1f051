#pragma once
// Files that replace their target only once they are complete. The bytes go
// to a temporary file in the target's folder; every write, the flush and the
// sync to disk are checked, and only then does the temporary take the
// target's place in one rename. On any failure (a full disk, a size limit, a
// folder that cannot be written) the temporary file is removed and an
// existing target keeps its bytes. A replaced file keeps its permissions.
// Where the file system allows it the temporary file has no name until it
// is complete, and a new file takes its target's name directly; a file that
// replaces another is named ".<name>.<8 letters or digits>.part" just before
// the rename, so a kill in between leaves that name, which the next write of
// that target removes (only when no live write holds it). Files that must
// change together go through a Together.
//
// A file the user named may be a symbolic link, and then the file it names
// is written. The program's own files (in the data folder, or a picture
// named after a file the user chose) are replaced by name: a link standing
// at such a name is replaced by the new file and the file it names is never
// written.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace safefile {

// Called before each file operation of a Together; a test passes one that
// stops the program at a chosen operation.
using StepHook = std::function<void()>;

// Whether a target that is a symbolic link is written through (the file it
// names is replaced) or replaced by name (the link goes, its file stays).
enum class Links { Follow, ReplaceByName };

class Writer
{
public:
    explicit Writer(const QString &path, Links links = Links::Follow);
    // Removes the temporary file unless Commit succeeded.
    ~Writer();
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    bool Open();
    // False once any write has failed; later writes are not tried.
    bool Write(const QByteArray &bytes);
    // A path under which a library that writes by file name can open the
    // open temporary file and write its bytes; empty when not open.
    QString PathForLibrary() const;
    // Syncs the temporary file and renames it over the target; true when the
    // target now holds every byte written. Always false for a writer of a
    // Together, whose Commit replaces the targets.
    bool Commit();
    // Flushes and syncs the temporary file without naming it, so that the
    // bytes are on the disk before the caller records them elsewhere and
    // commits; on failure the temporary file is dropped.
    bool Finish();
    // The system error number of the step that failed (ENOSPC on a full
    // disk, EFBIG past a file-size limit); 0 before any failure.
    int SystemError() const { return m_errno; }

private:
    friend class Together;
    // A writer of a Together: its bytes go to a new file of the given name,
    // made with the permissions given (the usual ones without).
    Writer(const QString &staged, std::optional<QFileDevice::Permissions> permissions,
           const StepHook *step);
    QFileDevice &file();
    const QFileDevice &file() const;
    void step() const;
    void Cancel();

    QString m_path; // a plain writer's target as given
    Links m_links = Links::Follow;
    QByteArray m_target; // the file it replaces
    QByteArray m_named; // its temporary file's name, once it has one
    QFile m_file;
    bool m_isStaged = false;
    std::optional<QFileDevice::Permissions> m_permissions;
    const StepHook *m_step = nullptr;
    bool m_ok = false;
    int m_errno = 0;
    // Notes errno when a step failed; returns ok.
    bool noted(bool ok);
};

// Several files replaced as one, even when the program is killed on the way:
// either every target gets its new bytes, or every target keeps (or gets
// back) its old bytes and a target that did not exist stays absent.
// A record, a small file in a folder of the program's own, names every file
// involved before the first of them is made. Targets are replaced by name:
// a symbolic link at a target's name counts as no file and is replaced, the
// file it names is never written. The new bytes go to hidden files beside
// the targets (".<target's name>.<8 letters or digits>"); each old target
// keeps a second hidden name of that form (a hard link; where the file
// system has none, the old file moves to it just before its new file takes
// its place) until all are replaced. Once the new files are complete (Prepare) the record takes the
// identity (device, inode, size, modification time) of every hidden file,
// so that a recovery touches a file only when it is provably one this run
// made or kept; after the last rename the record is marked done and the
// hidden names are removed. A killed run leaves the record, and Recover
// completes a run marked done (or committed elsewhere, see Prepare) and
// undoes any other.
class Together
{
public:
    // step, when given, is called before each file operation.
    Together(const QString &record, const QStringList &targets, StepHook step = {});
    // Without a successful Commit, undoes everything (as Recover does).
    ~Together();
    Together(const Together &) = delete;
    Together &operator=(const Together &) = delete;

    // Writes the record and opens a writer for each target, in the order
    // given. Refused while a record is left: the caller recovers it first
    // (Recover), so a record that could not be dealt with is never written
    // over. A failed Open or Commit has undone everything at once.
    bool Open();
    Writer &file(qsizetype i) { return *m_writers.at(size_t(i)); }
    // Syncs the new files and records the hidden files' identities, so that
    // the run can be completed from the record alone. A run whose outcome is decided by a commit elsewhere (a
    // database transaction) prepares before that commit, stores Token() in
    // it, and commits here afterwards; its recovery asks that store.
    bool Prepare();
    QString Token() const;
    // Replaces the targets; true when every target holds its new bytes.
    // A failed Commit undoes the run, unless it was decided elsewhere
    // (Decided: its token is committed): then the record stays, and the next
    // Recover completes it.
    bool Commit();
    void Decided() { m_decided = true; }
    // The system error number of the step that failed, taken before the
    // undo that followed; 0 before any failure.
    int SystemError() const { return m_errno; }

    // One target as the record names it, file names as the system takes them.
    struct Entry
    {
        QByteArray target, staged, kept; // kept: the old target's second name
        bool existed = false;
        // The old target could take no second name (no hard links): the
        // commit moves it there just before its new file takes its place.
        bool moveOld = false;
        // The hidden files' identities, known once the record holds them.
        QByteArray stagedId, keptId;
    };

private:
    // Undoes an open run; returns false.
    bool Undo();

    QString m_record;
    QStringList m_targets;
    StepHook m_step;
    std::vector<Entry> m_entries;
    std::vector<std::unique_ptr<Writer>> m_writers;
    bool m_open = false; // the record is written and not yet removed
    bool m_prepared = false;
    bool m_decided = false;
    bool m_identified = false; // the record holds the hidden files' identities
    int m_errno = 0;
    // Notes the failed step's errno (or that of the writer given); returns ok.
    bool noted(bool ok, const Writer *writer = nullptr);
};

// What a recovery found and did.
enum class Recovery {
    Nothing,    // no record
    Completed,  // a run was completed or undone and its record removed
    SetAside,   // the record names files that are not provably a run's own,
                // or a run decided to go forward whose new files are not
                // provably its own: nothing was touched, the record was
                // renamed
    NotAFile,   // a folder or something else that is no file has the record's name
    Unreadable, // the record, or what decides its run, cannot be read, or
                // the record cannot be set aside; it stays
    Stuck,      // a file could not get its target's name; it keeps its
                // hidden name and the record stays for the next recovery
};

struct RecoverResult
{
    Recovery what = Recovery::Nothing;
    QString record; // the record's path
    QString setAsideAs; // SetAside: the record's new name
    // Stuck: the target and the hidden name of the file it should hold;
    // SetAside of a run decided to go forward: a target and the hidden file
    // that may hold its new bytes (empty when none is left).
    QString target, kept;
    // Completed by an undo: targets that did not exist before the run and
    // held its new file, now removed again.
    QStringList removed;
    // True when no record is left in the way of the next run.
    explicit operator bool() const
    {
        return what == Recovery::Nothing || what == Recovery::Completed
            || what == Recovery::SetAside;
    }
};

// What a caller knows of its own runs.
struct RecoverRules
{
    // True when these targets (absolute paths, in the record's order) are
    // ones this caller's runs replace; without it any targets are.
    std::function<bool(const QStringList &targets)> accept;
    // Whether the run with this token was committed elsewhere (Prepare);
    // nullopt when that cannot be read now (the record stays). Without it
    // only the record's done mark counts.
    std::function<std::optional<bool>(const QString &token)> committed;
};

// Completes or undoes the run of a Together left in the record by a killed
// program. A record that is not wholly well-formed, names a path that is
// not absolute or holds "." or ".." parts, names hidden files of another
// form or folder than its targets', or targets that rules.accept refuses,
// is renamed aside and nothing else is touched. So is a run decided to go
// forward whose new files lack a recorded identity or have another one (a
// data folder restored from a backup), or whose targets are neither absent
// nor the old files the run kept: no hidden file is renamed over a name on
// trust. Only regular files with the recorded identity are renamed; "-" in
// the record's identities means the name did not exist, and nothing found
// there is taken as the run's.
RecoverResult Recover(const QString &record, const RecoverRules &rules = {});

// The whole file in one go.
bool WriteFile(const QString &path, const QByteArray &bytes);
// A copy's outcome: the system error number of the step that failed (EIO
// when the system named none), 0 when done.
struct Copied
{
    int error = 0;
    explicit operator bool() const { return error == 0; }
};
// Replaces `to` by a copy of `from`; done at once when both name one file
// (with ReplaceByName, a link at `to` names no file).
Copied CopyFile(const QString &from, const QString &to, Links links = Links::Follow);
// Writes the bytes of `from` into an open writer; false when the file cannot
// be read or a write fails, with errno set to the failed step's.
bool CopyInto(const QString &from, Writer &to);
// Syncs a finished temporary file that something else wrote and renames it
// over the target; on failure the temporary file is removed.
bool ReplaceWithFinished(const QString &temporary, const QString &target);

} // namespace safefile
