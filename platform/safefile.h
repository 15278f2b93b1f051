#pragma once
// Files that replace their target only once they are complete. The bytes go
// to a temporary file in the target's folder; every write, the flush and the
// sync to disk are checked, and only then does the temporary take the
// target's place in one rename. On any failure (a full disk, a size limit, a
// folder that cannot be written) the temporary file is removed and an
// existing target keeps its bytes. A replaced file keeps its permissions.
// Where the file system allows it the temporary file has no name until it
// takes the target's place, so a killed program leaves nothing behind.

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include <initializer_list>

namespace safefile {

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
    // target now holds every byte written.
    bool Commit();

private:
    friend bool CommitTogether(std::initializer_list<Writer *> writers);
    // Flushes and syncs; on failure the temporary file is dropped.
    bool Finish();
    void Cancel();

    QSaveFile m_file;
    bool m_ok = false;
};

// Replaces the targets of several open writers as one: either every target
// gets its new bytes, or every target keeps (or gets back) its old bytes and
// a target that did not exist stays absent. Until all are replaced an old
// target is kept under a hidden second name beside it, removed at the end.
bool CommitTogether(std::initializer_list<Writer *> writers);

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
