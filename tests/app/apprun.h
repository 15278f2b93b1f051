#pragma once
// Starts the real program offscreen on a data folder with the test driver
// plug-in (tests/support/appdriver.cpp) and collects how it ended.

#include "core/database.h"
#include "platform/sqlitedb.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

struct AppRun
{
    int status = -1;
    bool crashed = false;
    qint64 millis = 0;
    QString errors; // standard error: the driver's lines
};

// childSetup runs in the started process before the program (a user, a
// resource limit).
inline void StartApp(QProcess &p, const QString &dataDir, const QString &action,
                     const QStringList &args = {}, std::function<void()> childSetup = {},
                     const QProcessEnvironment &extraEnv = {})
{
    if (childSetup)
        p.setChildProcessModifier(childSetup);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(extraEnv);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("WAYBILL_DATA_DIR"), dataDir);
    env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(DRIVER_PLUGIN_DIR));
    env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("waybilldriver:") + action);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(APP_EXE), args);
}

inline AppRun RunApp(const QString &dataDir, const QString &action, int timeoutMs = 60000,
                     std::function<void()> childSetup = {},
                     const QProcessEnvironment &extraEnv = {}, const QStringList &args = {})
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    StartApp(p, dataDir, action, args, std::move(childSetup), extraEnv);
    AppRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.errors = QStringLiteral("timed out\n");
    }
    r.millis = t.elapsed();
    r.crashed = p.exitStatus() == QProcess::CrashExit;
    r.status = p.exitCode();
    r.errors += QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// The texts of the message boxes the driver answered.
inline QStringList Messages(const AppRun &r)
{
    QStringList out;
    for (const QString &line : r.errors.split(u'\n'))
        if (line.startsWith(QLatin1String("driver: message ")))
            out << line.mid(16);
    return out;
}

inline bool WindowShown(const AppRun &r)
{
    return r.errors.contains(QLatin1String("driver: main window shown"));
}

// A separate process that holds DATA.db in an exclusive transaction for
// the given time; the constructor returns once the lock is held.
class DatabaseHolder
{
public:
    DatabaseHolder(const QString &path, int seconds)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            auto conn = sql::Connection::Open(path, db::kDatabasePassword);
            const bool held = conn && conn->Exec(QStringLiteral("BEGIN EXCLUSIVE"));
            const char answer = held ? 'y' : 'n';
            if (::write(fds[1], &answer, 1) != 1 || !held)
                _exit(1);
            ::sleep(unsigned(seconds));
            conn->Exec(QStringLiteral("COMMIT"));
            _exit(0);
        }
        ::close(fds[1]);
        char answer = 0;
        m_held = m_pid > 0 && ::read(fds[0], &answer, 1) == 1 && answer == 'y';
        ::close(fds[0]);
    }
    ~DatabaseHolder()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    DatabaseHolder(const DatabaseHolder &) = delete;
    DatabaseHolder &operator=(const DatabaseHolder &) = delete;
    bool held() const { return m_held; }

private:
    pid_t m_pid = -1;
    bool m_held = false;
};
