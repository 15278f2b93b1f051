#pragma once
// Files that replace their target only once they are complete. The bytes go
// to a temporary file in the target's folder; every write, the flush and the
// sync to disk are checked, and only then does the temporary take the
// target's place in one rename. On any failure (a full disk, a size limit, a
// folder that cannot be written) the temporary file is removed and an
// existing target keeps its bytes. A replaced file keeps its permissions.

#include <QByteArray>
#include <QSaveFile>
#include <QString>

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
    // Syncs the temporary file and renames it over the target; true when the
    // target now holds every byte written.
    bool Commit();

private:
    QSaveFile m_file;
    bool m_ok = false;
};

// The whole file in one go.
bool WriteFile(const QString &path, const QByteArray &bytes);
// Replaces `to` by a copy of `from`; true at once when both name one file.
bool CopyFile(const QString &from, const QString &to);
// Syncs a finished temporary file that something else wrote and renames it
// over the target; on failure the temporary file is removed.
bool ReplaceWithFinished(const QString &temporary, const QString &target);

} // namespace safefile
