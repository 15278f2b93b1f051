#pragma once
// Start-up pieces that need no window: the program's identity, the command
// line request and the software password.

#include "core/globals.h"

#include <QString>
#include <QStringList>

inline constexpr qint32 kProductNumber = 51;
inline constexpr const char *kOwnVersion = "3.02";
// The main window's caption; "[EDITION]" stands for the version.
inline constexpr const char *kCaptionTemplate = "快递单套打 [EDITION]";
// Key of table 参数 holding the software password ("" = none).
inline constexpr const char *kPasswordKey = "软件密码";

// The caption with "[EDITION]" replaced by the version.
QString MainCaption(const QString &captionTemplate = QString::fromUtf8(kCaptionTemplate));

// The lock file that keeps the program to one running copy, held for the
// whole run. Only a lock held by a running copy means "end silently". A lock
// file nobody holds (empty or unreadable, as a power cut between its
// creation and its write leaves it; written by another program; or left by
// a copy that is no longer running) is taken over. A lock that cannot be
// taken over (something other than a file under that name) is Blocked; a
// data folder where no lock file can be made at all, or where nothing can
// be written beside a lock file left in it, is Failed. Both must be told to
// the user.
enum class InstanceLock { Taken, HeldByRunningCopy, Blocked, Failed };
class SingleCopyLock
{
public:
    explicit SingleCopyLock(const QString &path);
    // A taken lock is released: its file removed, then the lock let go.
    ~SingleCopyLock();
    SingleCopyLock(const SingleCopyLock &) = delete;
    SingleCopyLock &operator=(const SingleCopyLock &) = delete;

    InstanceLock Take();
    QString fileName() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1; // the open lock file while the lock is taken
};
// The message for a data folder where no lock file can be made.
QString LockFailedMessage(const QString &folder);
// The message for a lock file that cannot be taken over.
QString LockBlockedMessage(const QString &lockPath);
// The message for a database file that cannot be read: at start the program
// does not start, and the file is left as it is for recovery; met later, a
// damaged page is said with the same advice to put back a copy.
QString DamagedDatabaseMessage(const QString &databasePath, bool atStart = true);
// The message for a database file another process held for longer than the
// wait: the program does not start, and nothing suggests the file is bad.
QString BusyDatabaseMessage(const QString &databasePath);

// Reads the command line (the arguments after the program name, joined by
// single blanks and split again at every single blank): exactly five parts
// whose second part names an existing, visible, ordinary file give format
// name, data file, first row, last row and the automatic flag; anything
// else gives an empty record.
StartupRecord ParseCommandLine(const QStringList &arguments);
// The same record, and what to tell the user about the request: a data
// file that exists but is no ordinary file (a folder, a device, a named
// pipe; looked at, never opened) is named in `note`; every other request
// that gives the empty record is ignored without a word.
struct CommandLineRequest
{
    StartupRecord record;
    QString note; // "" when there is nothing to tell
};
CommandLineRequest ReadCommandLine(const QStringList &arguments);

// The stored software password; "" when none is set.
QString SoftwarePassword();
// True when the text equals the stored password exactly.
bool PasswordMatches(const QString &typed);
// Changes the password as the password window does: the two new texts must
// agree and the old text must match the stored password.
enum class PasswordChange { Changed, NewTextsDiffer, OldPasswordWrong, StoreFailed };
PasswordChange ChangePassword(const QString &oldText, const QString &newText,
                              const QString &repeatText);
