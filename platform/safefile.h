#pragma once
// Files that replace their target only once they are complete. The bytes go
// to a temporary file in the target's folder; every write, the flush and the
// sync to disk are checked, and only then does the temporary take the
// target's place in one rename. On any failure (a full disk, a size limit, a
// folder that cannot be written) the temporary file is removed and an
// existing target keeps its bytes. A replaced file keeps its permissions.
// Where the file system allows it the temporary file has no name until it
// takes the target's place, so a killed program leaves nothing behind. Files
// that must change together go through a Together.

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
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

class Writer
{
public:
    explicit Writer(const QString &path);
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
    // Flushes and syncs; on failure the temporary file is dropped.
    bool Finish();
    void Cancel();

    QSaveFile m_save;
    QFile m_staged;
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
// involved before the first of them is made. The new bytes go to hidden
// files beside the targets; each old target keeps a second hidden name (a
// hard link) until all are replaced, and only then is the record marked
// done and the hidden names removed. A killed run leaves the record, and
// Recover (at the program's next start, or the next Open on that record)
// completes a run marked done and undoes any other, removing every hidden
// file and the record.
class Together
{
public:
    // step, when given, is called before each file operation.
    Together(const QString &record, const QStringList &targets, StepHook step = {});
    // Without a successful Commit, undoes everything (as Recover does).
    ~Together();
    Together(const Together &) = delete;
    Together &operator=(const Together &) = delete;

    // Recovers an earlier run left in the record, writes the record and
    // opens a writer for each target, in the order given. A failed Open or
    // Commit has undone everything at once.
    bool Open();
    Writer &file(qsizetype i) { return *m_writers.at(size_t(i)); }
    // Syncs the new files and replaces the targets; true when every target
    // holds its new bytes.
    bool Commit();

    // One target as the record names it, file names as the system takes them.
    struct Entry
    {
        QByteArray target, staged, kept; // kept: the old target's second name
        bool existed = false;
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
};

// Completes or undoes the run of a Together left in the record by a killed
// program; true when no record is left. Nothing to do without a record.
bool Recover(const QString &record);

// The whole file in one go.
bool WriteFile(const QString &path, const QByteArray &bytes);
// Replaces `to` by a copy of `from`; true at once when both name one file.
bool CopyFile(const QString &from, const QString &to);
// Writes the bytes of `from` into an open writer; false when the file cannot
// be read or a write fails.
bool CopyInto(const QString &from, Writer &to);
// Syncs a finished temporary file that something else wrote and renames it
// over the target; on failure the temporary file is removed.
bool ReplaceWithFinished(const QString &temporary, const QString &target);

} // namespace safefile
