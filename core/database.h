#pragma once
// The database layer: one SQLCipher file DATA.db in the data folder, keyed
// with the program's database password. One connection serves the whole
// process (keying is slow); every operation sees what the previous one
// committed. All values go in as bound parameters.

#include "platform/sqlitedb.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>

namespace db {

inline constexpr const char *kDatabasePassword = "48263175";
inline constexpr const char *kDatabaseFile = "DATA.db";

QString DatabasePath();

// The process's connection, opened on first use. A file without the tables
// (missing, zero bytes, or left by a first start that died before its schema
// was committed) is given them; a file that already held pages is checked
// (quick_check) before anything is written to it, unless it is as the
// program left it at its last end (CloseAtEnd). nullptr after
// "无法建立数据库连接！" was shown.
sql::Connection *Connection();
// Opens the connection for the start of the program, showing nothing.
// Unusable when the file cannot be used: not openable with the program's key
// (a folder, random bytes, another key, a plain SQLite file) or with pages
// that do not read back whole (a damaged or truncated copy). Busy when
// another process held it for longer than the usual wait for a lock (the
// file may well be sound). Either way the file is neither changed nor
// removed.
enum class StartState { Opened, Busy, Unusable };
StartState OpenAtStart();
// Drops the connection; the next operation opens the file again. Used when
// the data folder changes (tests).
void CloseConnection();
// Drops the connection as the program ends and notes the file's state
// beside it, so that the next opening of the file unchanged since then
// skips the check of its pages (which takes long over a large history). Any
// change since, however it was made (a crash mid-write, a copy, a damaged
// disk sector rewritten, times restored), brings the check back. Nothing is
// noted when this run met a damaged page, or when the file was replaced or
// written by another process while this run had it open: the next start
// checks it.
void CloseAtEnd();

// A statement of this run met a page that does not read back (or the file
// is no database): the note of the last end is gone and none is written.
bool DamageMet();

// What a refused write found, for the user: the data file or folder cannot
// be written, another program is using the file, the disk is full, the file
// is damaged, else the system's own words; `retry` names what to do again
// ("保存", "导入").
QString WriteFaultText(const sql::Status &why, const QString &retry);

// True when this process gave the database its tables (the program's first
// start with this data folder).
bool CreatedThisRun();

// Creates every table that is missing, in one transaction; seeds the
// settings row when table Fmt was missing.
bool CreateSchema(sql::Connection &conn);

// Runs one statement; true when it succeeded. Failures show nothing, except
// a connection that cannot be opened.
bool ExecuteSQL(const QString &sql, const QVariantList &params = {});

// Runs work inside one transaction on the process's connection: committed
// when work returns true, rolled back otherwise. A failure (the connection
// or the transaction could not be had, work failed or the commit failed)
// carries the fault of the statement that failed.
sql::Status RunInTransaction(const std::function<bool(sql::Connection &)> &work);

// Runs a query and returns all of its rows. On failure (of the query or of
// the connection) shows only "数据库打开错误(" + the statement with its
// values in place of the "?" marks + ")！" and returns
// nullopt: callers stop there. A failure on a damaged page shows instead
// the damaged file's message, the first time in a run, and nothing later.
std::optional<sql::ResultSet> OpenRecordset(const QString &sql, const QVariantList &params = {});

// True when the table has a column of exactly that name (case-sensitive).
bool ColumnExists(const QString &table, const QString &field);
// Adds the column when missing and sets it to 0 in every row, only when the
// column was added. True when the column exists afterwards.
bool EnsureColumn(const QString &table, const QString &field, const QString &type);

// The value of field in the first row with that ID, or "" when none.
QVariant GetFieldByID(const QString &table, qint64 id, const QString &field);
// The value of field in the first row matching the condition (which uses ?
// placeholders for params), or "" when none.
QVariant GetFieldWhere(const QString &table, const QString &where, const QVariantList &params,
                       const QString &field);

// The ID of the row of table (columns ID, Name) with that name, added when
// missing. An empty name becomes "其他"; both kinds of quote become "’".
// -1 when the database could not be written.
qint64 GetOrAddNameID(const QString &table, const QString &name);

// The distinct non-empty values of a Fmt column in ascending order (the list
// of format names for field "Fmt").
QStringList FillComboFromFmt(const QString &field);

// Whether any row of table Fmt carries that format name (compared without
// regard to case); nullopt when the query failed (its message was shown).
std::optional<bool> FormatExists(const QString &name);
// The same, showing nothing: a failed read gives its fault to the caller.
struct FormatFound
{
    bool found = false;
    sql::Status status;
};
FormatFound FindFormat(const QString &name);

// Inserts one row; the new row's AutoNumber ID, or nullopt on failure.
std::optional<qint64> InsertRow(const QString &table,
                                const QList<QPair<QString, QVariant>> &fields);

} // namespace db
