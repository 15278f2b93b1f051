#pragma once
// Starts the real program offscreen on a data folder with the test driver
// plug-in (tests/support/appdriver.cpp) and collects how it ended.

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

struct AppRun
{
    int status = -1;
    bool crashed = false;
    qint64 millis = 0;
    QString errors; // standard error: the driver's lines
};

// extraEnv is added to this process's environment.
inline void StartApp(QProcess &p, const QString &dataDir, const QString &action,
                     const QStringList &args = {}, const QProcessEnvironment &extraEnv = {})
{
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
                     const QProcessEnvironment &extraEnv = {})
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    StartApp(p, dataDir, action, {}, extraEnv);
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
