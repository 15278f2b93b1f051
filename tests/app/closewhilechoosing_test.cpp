// The real program, started offscreen on a fresh data folder: a chooser is
// opened and the main window closed under it; the program must end cleanly.

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct AppRun
{
    int status = -1;
    bool crashed = false;
    QString errors;
};

AppRun RunWithDriver(const QString &action)
{
    QTemporaryDir data;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("WAYBILL_DATA_DIR"), data.path());
    env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(DRIVER_PLUGIN_DIR));
    env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("waybilldriver:") + action);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(APP_EXE), {});
    AppRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        r.errors = QStringLiteral("timed out\n");
    }
    r.crashed = p.exitStatus() == QProcess::CrashExit;
    r.status = p.exitCode();
    r.errors += QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

} // namespace

class CloseWhileChoosing : public ::testing::TestWithParam<const char *>
{
};

TEST_P(CloseWhileChoosing, EndsWithStatusZero)
{
    const AppRun r = RunWithDriver(QString::fromLatin1(GetParam()));
    EXPECT_FALSE(r.crashed) << qPrintable(r.errors);
    EXPECT_EQ(r.status, 0) << qPrintable(r.errors);
    // The choosers were open when the main window went.
    const int open = int(QString::fromLatin1(GetParam()).count(QLatin1Char('+'))) + 1;
    EXPECT_TRUE(r.errors.contains(QStringLiteral("driver: choosers open %1").arg(open)))
        << qPrintable(r.errors);
    EXPECT_TRUE(r.errors.contains(QStringLiteral("driver: main window closed")));
    EXPECT_FALSE(r.errors.contains(QStringLiteral("ERROR: AddressSanitizer")));
    EXPECT_FALSE(r.errors.contains(QStringLiteral("runtime error:")));
}

// The format list (选择格式), the save-as name chooser, the manage command,
// the printer chooser, and the printer chooser over the import's file dialog.
INSTANTIATE_TEST_SUITE_P(Choosers, CloseWhileChoosing,
                         ::testing::Values("m_FCom30", "m_FCom32", "mManageFmt", "m_PCom0",
                                           "mInputFormat+m_PCom0"));
