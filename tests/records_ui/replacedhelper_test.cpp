// The automatic import with the workbook helper replaced: a script put in
// place of waybill-xlsread beside a copy of this test program, which runs
// the import in a process of its own (ReplacedHelperInner, skipped unless
// started so). Each case checks what the user meets: the one message, that
// the import ends well before the time limit where no hang holds it, that
// the window answers meanwhile (a timer keeps firing), the records of the
// earlier import kept, how often the helper ran, its children ended and the
// memory the program took. The verdicts hang on events, not on the
// machine's speed: a case ends by what its helper does, and the only
// deadlines that run out are spent by hangs and sleeps that outlast them
// however fast the machine is.

#include "core/database.h"
#include "core/globals.h"
#include "core/ui/progresswindow.h"
#include "records/importfile.h"
#include "records/ui/importwindows.h"
#include "records/xlsreader.h"
#include "support/damagedxls.h"
#include "support/gridcontrols.h"
#include "support/sanitizer.h"
#include "support/testenv.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace imp;

namespace {

// Each script notes the request it got in $RUNS and the children it leaves
// in $PIDS; $REAL_HELPER is the helper of the build.
constexpr const char *kGreeting = R"(printf '\021\000\000\000waybill-xlsread 1')";

struct HelperCase
{
    const char *name;
    QString script; // "" = no helper at all
    qint32 first, last;
    int limitMs;
    // The user closes the progress window: after that many ms (0: as soon as
    // it shows, before the read begins); -1 = never.
    int userClosesMs;
    int message; // the error number whose text is the one message; 0 = none
    int runs; // helper runs; -1 = not counted
};

// The longest any case may take: over ten times what the slowest work
// needs on a quiet machine ("endless", 1.9 s under the sanitizer; 17 s with
// four CPU hogs per core), below the hang that a case without a cut would
// wait for (the 30 s time limit, a 1000 s sleep).
constexpr qint64 kMostMs = 25000;
// The longest the window may go without answering: some 40 times the
// longest pause on a quiet machine (60 ms under the sanitizer), half the 5 s
// that "hang" would block a read that waited for the helper.
constexpr qint64 kLongestPauseMs = 2500;
// The most memory the program may take (outside the address sanitizer):
// "endless" sends 2,002 cells of one 32,767-character text, 131 MB were
// each cell's text kept apart.
constexpr long kMostKb = 100 * 1024;

QString Sh(const QString &body)
{
    return QStringLiteral("#!/bin/sh\necho \"$1\" >> \"$RUNS\"\n") + body + u'\n';
}

// Greets, then hangs with a child of its own.
QString Hang()
{
    return Sh(QString::fromLatin1(kGreeting)
              + QStringLiteral("\nsleep 1000 &\necho $! >> \"$PIDS\"\nwait"));
}

// The real helper for the sheet names; for cells, `cells`.
QString RealSheets(const QString &cells)
{
    return Sh(QStringLiteral("[ \"$1\" = cells ] || exec \"$REAL_HELPER\" \"$@\"\n") + cells);
}

// Python helpers for what the shell writes badly: frames of computed texts.
const QString kPython = QStringLiteral(R"(#!/usr/bin/python3
import os, signal, struct, subprocess, sys
a = sys.argv[1:]
open(os.environ['RUNS'], 'a').write(a[0] + '\n')
real = os.environ['REAL_HELPER']
out = sys.stdout.buffer
def frame(t):
    b = t.encode()
    return struct.pack('<I', len(b)) + b
)");

// The import's read (past the preview's 19 rows): every asked cell holds
// one 32,767-character text, and the rows go on past those asked for
// without end (the reply is refused at the first row not asked for).
const QString kEndless = kPython + QStringLiteral(R"(if a[0] != 'cells' or int(a[4]) <= 20:
    os.execv(real, [real] + a)
out.write(frame('waybill-xlsread 1') + frame('0') + frame('1') + frame('65536') + frame('256'))
text = frame('x' * 32767)
row = int(a[3])
while True:
    for c in a[5].split(','):
        out.write(frame(str(row)) + frame(c) + text)
    row += 1
)");

// The import's read (past the preview's 19 rows) killed after half its
// cells, cut at a frame boundary.
const QString kHalf = kPython + QStringLiteral(R"(if a[0] != 'cells' or int(a[4]) <= 20:
    os.execv(real, [real] + a)
data = subprocess.run([real] + a, stdout=subprocess.PIPE).stdout
frames, i = [], 0
while i < len(data):
    n = struct.unpack_from('<I', data, i)[0]
    frames.append(data[i:i + 4 + n])
    i += 4 + n
# the greeting, the error number, found, rows, columns; then three a cell
keep = 5 + (len(frames) - 5) // 6 * 3
out.write(b''.join(frames[:keep]))
out.flush()
os.kill(os.getpid(), signal.SIGKILL)
)");

// Every run sleeps a second before it becomes the real helper: the three
// reads of the import (sheet names, preview, cells) take three seconds,
// past their one time limit of 2.5 s however fast the machine is, and the
// run that is cut is slow, not broken.
QString SlowToGreet()
{
    return Sh(QStringLiteral("sleep 1\nexec \"$REAL_HELPER\" \"$@\""));
}

const std::vector<HelperCase> &Cases()
{
    constexpr int kLimit = kXlsTimeLimitMs;
    static const std::vector<HelperCase> cases {
        {"hang", Hang(), 2, 30001, 5000, -1, ExcelCannotOpen, 1},
        {"cancel", Hang(), 2, 30001, kLimit, 300, ExcelCancelled, 1},
        // A stop at once may come before the helper has started: it runs
        // once or not at all, and either way the read is said to be stopped.
        {"cancel at once", Hang(), 2, 30001, kLimit, 0, ExcelCancelled, -1},
        {"endless", kEndless, 2, 2001, kLimit, -1, ExcelCannotOpen, 3},
        {"endless garbage", Sh(QStringLiteral("exec yes")), 2, 30001, kLimit, -1,
         ExcelReaderMissing, 1},
        {"missing", QString(), 2, 30001, kLimit, -1, ExcelReaderMissing, 0},
        {"crashing", Sh(QStringLiteral("kill -9 $$")), 2, 30001, kLimit, -1, ExcelReaderMissing, 1},
        {"unstartable", QStringLiteral("#!/nonexistent/sh\n"), 2, 30001, kLimit, -1,
         ExcelReaderMissing, -1},
        {"sheets killed", Sh(QString::fromLatin1(kGreeting) + QStringLiteral("\nkill -9 $$")), 2,
         30001, kLimit, -1, ExcelCannotOpen, 1},
        {"preview killed", RealSheets(QString::fromLatin1(kGreeting) + QStringLiteral("\nkill -9 $$")),
         2, 30001, kLimit, -1, ExcelCannotOpen, 2},
        {"unknown number alone",
         RealSheets(QString::fromLatin1(kGreeting) + QStringLiteral(R"(; printf '\001\000\000\0007')")),
         2, 30001, kLimit, -1, ExcelCannotOpen, 2},
        {"half reply", kHalf, 2, 2001, kLimit, -1, ExcelCannotOpen, 3},
        {"too many rows", Hang(), 1, 40000, kLimit, -1, -1, 0},
        // Which read the time limit cuts depends on the machine; the message
        // is the file's time-out either way.
        {"slow to greet", SlowToGreet(), 2, 2001, 2500, -1, ExcelCannotOpen, -1},
    };
    return cases;
}

// A child the helper left is gone (or a zombie no one has reaped yet).
bool Gone(const QByteArray &pid)
{
    const QByteArray stat = ReadBytes(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.isEmpty() || stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z";
}

} // namespace

class ReplacedHelperInner : public DataDirTest
{ };

TEST_F(ReplacedHelperInner, AutomaticImport)
{
    const QByteArray name = qgetenv("WAYBILL_HELPER_CASE");
    if (name.isEmpty())
        GTEST_SKIP() << "run by ReplacedHelper.AutomaticImport";
    const auto found = std::find_if(Cases().begin(), Cases().end(),
                                    [&](const HelperCase &c) { return name == c.name; });
    ASSERT_NE(found, Cases().end());
    const HelperCase &c = *found;
    InstallProgressWindow();
    GridControls page;
    page.Add(0, QStringLiteral("收件人"), 11);
    GridModel dataGrid;
    dataGrid.setFixedRows(2);
    dataGrid.setFixedCols(1);
    dataGrid.setRows(3);
    dataGrid.setCols(2);
    dataGrid.setText(2, 1, QStringLiteral("上次导入"));
    ImportChoice choice;
    QWidget main;
    main.show();
    ImportHost host {&main, &page, &dataGrid, &choice, {}};
    const QString book = path(QStringLiteral("shipments.xls"));
    ASSERT_TRUE(MakeBigXls(book));
    ASSERT_TRUE(db::Connection()->Exec(
        QStringLiteral("INSERT INTO 映射 (ID, Fmt, Map) VALUES (11, ?, 'A')"), {page.name}));

    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longestPause = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestPause = std::max(longestPause, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start(20);
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&closer] {
        if (ProgressWindow *w = CurrentProgressWindow(); w && w->isVisible()) {
            closer.stop();
            w->close();
        }
    });
    if (c.userClosesMs >= 0)
        closer.start(c.userClosesMs);
    StartupRecord rec {page.name, book, c.first, c.last, true};
    AutoImport(rec, host, c.limitMs);
    const qint64 took = clock.elapsed();
    longestPause = std::max(longestPause, took - last);
    QApplication::processEvents();

    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const QList<QByteArray> children = ReadBytes(qEnvironmentVariable("PIDS")).split('\n');
    const qsizetype runs = ReadBytes(qEnvironmentVariable("RUNS")).count('\n');
    // A killed child goes once the kernel has run it; a loaded machine may
    // take a moment.
    int left = 0;
    for (int wait = 0; wait < 100; ++wait) {
        left = 0;
        for (const QByteArray &pid : children)
            left += !pid.isEmpty() && !Gone(pid);
        if (left == 0)
            break;
        QThread::msleep(20);
    }
    std::printf("figures: %s: %lld ms, longest pause %lld ms, peak %ld kB, helper runs %lld, "
                "children left %d\n",
                c.name, took, longestPause, usage.ru_maxrss, qint64(runs), left);

    const QStringList expected = c.message < 0
        ? QStringList {QString::fromUtf8(kTooManyRecords)}
        : c.message == 0 ? QStringList() : QStringList {ExcelErrorMessage(c.message)};
    EXPECT_EQ(dlg.messages(), expected);
    EXPECT_LT(took, kMostMs);
    EXPECT_LT(longestPause, kLongestPauseMs);
    if (c.runs >= 0)
        EXPECT_EQ(runs, c.runs);
    EXPECT_EQ(left, 0);
    // The address sanitizer keeps freed memory in quarantine: no peak there.
    if (!kSanitizerBuild)
        EXPECT_LT(usage.ru_maxrss, kMostKb);
    EXPECT_EQ(dataGrid.rows(), 3);
    EXPECT_EQ(dataGrid.text(2, 1), QStringLiteral("上次导入"));
    EXPECT_TRUE(main.isEnabled());
}

TEST(ReplacedHelper, AutomaticImport)
{
    const QString real = XlsHelperProgram();
    ASSERT_FALSE(real.isEmpty());
    for (const HelperCase &c : Cases()) {
        SCOPED_TRACE(c.name);
        // This program beside the script: the helper is looked for in the
        // program's folder, then in ../bin (none here).
        QTemporaryDir dir;
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("prog")));
        const QString program = dir.filePath(QStringLiteral("prog/") + QFileInfo(QCoreApplication::applicationFilePath()).fileName());
        if (link(QFile::encodeName(QCoreApplication::applicationFilePath()).constData(),
                 QFile::encodeName(program).constData())
            != 0)
            ASSERT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), program));
        if (!c.script.isEmpty()) {
            const QString helper = dir.filePath(QStringLiteral("prog/waybill-xlsread"));
            ASSERT_TRUE(WriteBytes(helper, c.script.toUtf8()));
            ASSERT_TRUE(QFile::setPermissions(helper, QFile::ReadOwner | QFile::WriteOwner
                                                          | QFile::ExeOwner));
        }
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("WAYBILL_HELPER_CASE"), QString::fromLatin1(c.name));
        env.insert(QStringLiteral("RUNS"), dir.filePath(QStringLiteral("runs")));
        env.insert(QStringLiteral("PIDS"), dir.filePath(QStringLiteral("pids")));
        env.insert(QStringLiteral("REAL_HELPER"), real);
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, {QStringLiteral("--gtest_filter=ReplacedHelperInner.*")});
        ASSERT_TRUE(p.waitForFinished(60000));
        const QString out = QString::fromLocal8Bit(p.readAll());
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0) << qPrintable(out);
        for (const QString &line : out.split(u'\n'))
            if (line.startsWith(QLatin1String("figures:")))
                std::printf("%s\n", qPrintable(line));
    }
}
