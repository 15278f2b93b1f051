#pragma once
// Test fixture: a fresh data folder (database, settings, pictures) in a
// temporary directory and scripted dialogs that record every message; the
// process's own data folder is in use again after each test.

#include "platform/dialogs.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

class DataDirTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString dataDir() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    ScriptedDialogs dlg;
    QByteArray m_processDataDir; // the data folder before SetUp
};

// Writes bytes to a file; true on success.
bool WriteBytes(const QString &path, const QByteArray &bytes);
QByteArray ReadBytes(const QString &path);
// Runs a command; its exit code, with stdout in *out when given.
int RunCommand(const QString &program, const QStringList &args, QByteArray *out = nullptr);

// Runs work in a child process whose files cannot grow beyond limit bytes
// (RLIMIT_FSIZE, with SIGXFSZ ignored so that a write fails instead of
// killing it): a full disk. Returns the text work returned, or
// "<no answer>" when the child died.
QString OnFullDisk(qint64 limit, const std::function<QString()> &work);

// Lowers this process's file-size limit for its lifetime, as on a full
// disk, for code that cannot run in a child (an open database, windows).
class FullDiskScope
{
public:
    explicit FullDiskScope(qint64 limit);
    ~FullDiskScope();
    FullDiskScope(const FullDiskScope &) = delete;
    FullDiskScope &operator=(const FullDiskScope &) = delete;

private:
    unsigned long long m_old = 0;
    void (*m_oldHandler)(int) = nullptr;
};

// Makes a folder append-only for its lifetime (new entries can be made,
// none removed or renamed over, not even by root), or a file (it takes no
// new names); on() is false where the file system has no such flag.
class AppendOnlyFolder
{
public:
    explicit AppendOnlyFolder(const QString &folder);
    ~AppendOnlyFolder();
    AppendOnlyFolder(const AppendOnlyFolder &) = delete;
    AppendOnlyFolder &operator=(const AppendOnlyFolder &) = delete;
    bool on() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    int m_flags = 0;
};

// A tmpfs of the given size mounted on a folder for its lifetime (needs
// root): a real file system that fills up and says ENOSPC. on() is false
// where it could not be mounted.
class SmallDisk
{
public:
    SmallDisk(const QString &folder, qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;
    bool on() const { return m_on; }
    // Fills the disk with a hidden file until only room bytes (a multiple
    // of 4096) are left free.
    bool LeaveRoom(qint64 room);

private:
    QByteArray m_folder;
    bool m_on = false;
};

// The note the program leaves beside DATA.db as it ends, made for the file
// as it is now: what a change below the file system leaves unchanged.
bool NoteAsUnchanged(const QString &file);
// Damages the first page of the database file whose loss breaks the query
// broken and leaves the queries whole readable, as a bad sector would;
// false when no page does.
bool DamagePageUnder(const QString &file, const QString &broken, const QStringList &whole);

// The texts of the OK message boxes shown, in order.
QStringList MessageBoxes(const ScriptedDialogs &d);

// The names of the files in a folder, sorted.
QStringList FilesIn(const QString &folder);

// Saves an A4 page scanned at 600 dpi (4,960 × 7,016 pixels, past Qt's
// default decoding limit of 128 MB) as a JPEG: its upper half grey level
// top, its lower half bottom. True on success.
bool SaveA4Scan(const QString &path, int top, int bottom);

// The bytes the process holds from the heap now, big blocks included (the
// sanitizer's own count in a sanitizer build, whose allocator replaces
// malloc's and leaves its figures empty).
qint64 HeapHeldBytes();
