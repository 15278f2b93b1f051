#pragma once
// Kills at each file operation: a test program runs one of its own disabled
// tests as a child that stops itself (SIGKILL) before its n-th file
// operation, or, with 0, runs it whole and prints how many there were; or
// that strace stops at a chosen system call.

#include "platform/safefile.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <csignal>
#include <cstdio>

#include <gtest/gtest.h>

struct ChildRun
{
    bool killed = false;
    int steps = 0; // file operations of a whole run
};

// Runs the disabled test `child` (Suite.DISABLED_Name) of this program with
// the kill point and the extra environment.
inline ChildRun RunKilledChild(const QString &child, int killAt,
                               const QProcessEnvironment &extra = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(extra);
    env.insert("WAYBILL_KILL_AT", QString::number(killAt));
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(),
            {"--gtest_also_run_disabled_tests", "--gtest_filter=" + child});
    EXPECT_TRUE(p.waitForFinished(60000));
    ChildRun r;
    r.killed = p.exitStatus() == QProcess::CrashExit;
    const QByteArray out = p.readAllStandardOutput();
    const qsizetype at = out.indexOf("steps=");
    if (!r.killed && at >= 0)
        r.steps = out.mid(at + 6).split('\n').value(0).toInt();
    return r;
}

// Runs the disabled test `child` of this program under strace, which kills
// it (SIGKILL) as it enters the when-th of the system calls named in ops
// (comma-separated); false when it ended by itself (it makes fewer).
inline bool RunChildKilledAtCall(const QString &child, const QString &ops, int when,
                                 const QProcessEnvironment &extra = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(extra);
    p.setProcessEnvironment(env);
    p.start("strace", {"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + ops, "-e",
                       "inject=" + ops + ":signal=KILL:when=" + QString::number(when),
                       QCoreApplication::applicationFilePath(), "--gtest_also_run_disabled_tests",
                       "--gtest_filter=" + child});
    EXPECT_TRUE(p.waitForFinished(60000));
    return p.exitCode() != 0 || p.exitStatus() == QProcess::CrashExit;
}

// In the child: the step hook that counts the operations in *steps and
// kills the program at the one the parent named.
inline safefile::StepHook KillAtStep(int *steps)
{
    const int killAt = qEnvironmentVariableIntValue("WAYBILL_KILL_AT");
    return [steps, killAt] {
        if (++*steps == killAt)
            std::raise(SIGKILL);
    };
}

// In the child, at the end of a whole run.
inline void ReportSteps(int steps)
{
    std::printf("steps=%d\n", steps);
    std::fflush(stdout);
}
