// The real program on a fresh data folder, the system's default printer set
// for it alone (LPDEST, which CUPS takes before any other default) to the
// second installed queue: the printer chooser preselects that queue, not the
// first.

#include "apprun.h"

#include <QPrinterInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(DefaultPrinter, ChooserPreselectsTheSystemsDefaultOnAFreshDataFolder)
{
    const QStringList installed = QPrinterInfo::availablePrinterNames();
    if (installed.size() < 2) {
        if (qEnvironmentVariableIsSet("CI"))
            ADD_FAILURE() << "fewer than two CUPS queues (tools/cups-queue.sh)";
        GTEST_SKIP() << "fewer than two CUPS queues";
    }
    QTemporaryDir data;
    QProcessEnvironment env;
    env.insert(QStringLiteral("LPDEST"), installed.at(1));
    const AppRun r = RunApp(data.path(), QStringLiteral("m_PCom0"), 60000, {}, env);
    EXPECT_EQ(r.status, 0) << qPrintable(r.errors);
    EXPECT_TRUE(r.errors.contains(QStringLiteral("driver: combo COMB %1\n").arg(installed.at(1))))
        << "first queue " << qPrintable(installed.at(0)) << "\n"
        << qPrintable(r.errors);
}
