// The real program, started offscreen on a fresh data folder: a chooser is
// opened and the main window closed under it; the program must end cleanly.

#include "apprun.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

class CloseWhileChoosing : public ::testing::TestWithParam<const char *>
{
};

TEST_P(CloseWhileChoosing, EndsWithStatusZero)
{
    QTemporaryDir data;
    const AppRun r = RunApp(data.path(), QString::fromLatin1(GetParam()));
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
