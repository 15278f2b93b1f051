#pragma once
// A small RAII layer over the SQLCipher C API: a keyed connection, prepared
// statements with bound parameters, and transactions. Values travel as
// QVariant; a column's declared type decides how a stored value comes back
// (BOOLEAN as bool, INTEGER/LONG as qint64, DOUBLE as double, DATETIME as
// QDateTime, TEXT as QString, NULL as a null QVariant). A big read can
// visit the rows as they are stepped instead (ForEachRow), taking texts and
// numbers straight from the statement.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace sql {

// All rows of a query, read at once so that the exact row count is known.
struct ResultSet
{
    QStringList columns;
    std::vector<QVariantList> rows;

    int size() const { return static_cast<int>(rows.size()); }
    bool empty() const { return rows.empty(); }
    // Column index by name, compared without regard to ASCII case; -1 when absent.
    int column(const QString &name) const;
    QVariant value(int row, const QString &name) const;
    QVariant value(int row, int col) const;
};

// The statement as the user should see it in a message: every "?" outside
// a quoted text replaced by its bound value written as SQL (texts in single
// quotes with quotes doubled, numbers in plain decimal, NULL, True/False).
QString ExpandStatement(const QString &sql, const QVariantList &params);

// How long a statement waits for a lock another connection or process holds
// (a backup tool, a second copy ending) before it fails as busy. It applies
// from the first read of the file on.
inline constexpr int kBusyWaitMs = 8000;

// Why a statement failed, in the terms the user can act on: a damaged file
// (a page that does not read back), a file or folder that cannot be
// written, a lock another process holds beyond the wait, a full disk (or a
// file-size limit), or anything else with the system's own words.
enum class Fault { None, Damaged, ReadOnlyFile, ReadOnlyFolder, Busy, Full, Other };
struct Status
{
    Fault fault = Fault::None;
    QString text; // the system's (else SQLite's) words for the failure
    explicit operator bool() const { return fault == Fault::None; }
};
// The fault of a result code (primary or extended) with the system error
// number the failing call left (0 when none): a file that cannot be opened
// or written for want of permission names the folder (the journal beside
// the file), since a read-only file itself is opened read-only and refused
// as such.
Fault FaultOf(int code, int systemErrno);
// The fault of a system error number alone (a file copy that failed).
Fault FaultOfErrno(int systemErrno);
// Whether a new file can be made in the folder: tried with a file that has
// no name (or loses it at once), so nothing stays behind.
bool CanCreateFileIn(const QString &folder);

class Connection;

class Statement
{
public:
    Statement(Connection &conn, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool ok() const { return m_stmt != nullptr; }
    bool Bind(const QVariantList &params);
    // Steps once: true while a row is available.
    bool Step();
    bool done() const { return m_done; }
    bool failed() const { return m_failed; }
    void Reset();
    int columnCount() const;
    QString columnName(int i) const;
    // The current row's value of a column, as Query gives it.
    QVariant Column(int i) const;
    // num::Text of Column(i), and num::Val of that text; a stored text or
    // whole number is read without going through a QVariant (whole numbers
    // exactly up to 2^53, as a double holds them).
    QString ColumnText(int i) const;
    double ColumnNumber(int i) const;

private:
    // How a column's declared type turns a stored value (decided once per
    // statement: the declared types do not change while it runs).
    enum class Decl : char { Unknown, Bool, Date, Real, Plain };
    Decl declOf(int i) const;

    Connection &m_conn;
    sqlite3_stmt *m_stmt = nullptr;
    mutable std::vector<Decl> m_decls;
    bool m_done = false;
    bool m_failed = false;
};

class Connection
{
public:
    // Opens (creating when missing) the database file and applies the key.
    // The key is checked by reading the schema: a wrong key fails here. With
    // busy given, it tells whether the failure was a lock held elsewhere for
    // longer than the wait (the file itself may be sound).
    static std::unique_ptr<Connection> Open(const QString &path, const QByteArray &key,
                                            QString *error = nullptr, bool *busy = nullptr);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Runs one statement with bound parameters; false when it failed.
    bool Exec(const QString &sql, const QVariantList &params = {});
    // Runs a query and reads all of its rows; nullopt when it failed.
    std::optional<ResultSet> Query(const QString &sql, const QVariantList &params = {});
    // Runs a query and hands each row to visit as it is stepped (the
    // statement's Column, ColumnText and ColumnNumber read it; nothing of
    // the row is kept). False when the query failed, also after some rows.
    bool ForEachRow(const QString &sql, const QVariantList &params,
                    const std::function<void(const Statement &)> &visit);
    qint64 lastInsertId() const;
    int changes() const;
    QString lastError() const { return m_lastError; }
    // True when the last failure was a lock held elsewhere beyond the wait.
    bool lastErrorBusy() const;
    // The last failure; a failure of nothing (Fault::None) after
    // clearLastError. A file that could not be opened or written for a
    // reason the system did not name is put down to the database's folder
    // when no file can be made in it.
    Status lastStatus() const;
    void clearLastError() { setLastError(QString()); }
    // Called as a statement meets a page that does not read back (or a
    // file that is not a database); set by the connection's owner.
    void setDamageHandler(std::function<void()> handler) { m_onDamage = std::move(handler); }
    // Changes when another connection (of any process) commits to the file.
    std::optional<qint64> dataVersion();
    sqlite3 *handle() const { return m_db; }
    bool inTransaction() const;

    // Notes a failure; with a code, also the system error number of the
    // failing call and, for a damaged page, calls the damage handler.
    void setLastError(const QString &e, int code = 0);

private:
    explicit Connection(sqlite3 *db)
        : m_db(db)
    { }
    sqlite3 *m_db = nullptr;
    QString m_lastError;
    int m_lastCode = 0;
    int m_lastErrno = 0;
    std::function<void()> m_onDamage;
};

// A transaction that rolls back unless committed. Nested use joins the outer
// transaction through a savepoint, so a failure inside undoes only its part
// and the outer caller still decides. A failed commit (or statement) that
// SQLite answered by rolling back itself is not rolled back again, so the
// connection's last error stays the failure's own (a full disk, an I/O
// error).
class Transaction
{
public:
    explicit Transaction(Connection &conn);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    bool ok() const { return m_ok; }
    bool Commit();
    void Rollback();

private:
    Connection &m_conn;
    QString m_savepoint;
    bool m_ok = false;
    bool m_finished = false;
};

} // namespace sql
