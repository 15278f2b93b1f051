#include "platform/safefile.h"
#include "support/testenv.h"

#include <QDir>

namespace {

class SafeFile : public DataDirTest
{
};

// Two files replaced as one: when the second cannot take its place, the
// first gets its old bytes back, or is removed when it did not exist.
TEST_F(SafeFile, PairKeepsBothOldWhenTheSecondCannotBeReplaced)
{
    for (const bool firstExisted : {true, false}) {
        // The second target's folder moves away once its file is written.
        const QString folder = path(QStringLiteral("sub"));
        QDir(folder).removeRecursively();
        QDir(path(QStringLiteral("moved"))).removeRecursively();
        QDir().mkpath(folder);
        const QString blocked = folder + QStringLiteral("/b.jpg");
        const QString first = path(QStringLiteral("a.wlq"));
        QFile::remove(first);
        if (firstExisted)
            ASSERT_TRUE(WriteBytes(first, "OLD"));
        safefile::Together pair(path(QStringLiteral("record")), {first, blocked});
        ASSERT_TRUE(pair.Open() && pair.file(0).Write("NEW") && pair.file(1).Write("PIC"));
        ASSERT_TRUE(QDir().rename(folder, path(QStringLiteral("moved"))));
        EXPECT_FALSE(pair.Commit());
        if (firstExisted)
            EXPECT_EQ(ReadBytes(first), "OLD");
        else
            EXPECT_FALSE(QFile::exists(first));
        EXPECT_EQ(FilesIn(dataDir()),
                  firstExisted ? QStringList {QStringLiteral("a.wlq")} : QStringList {});
    }
}

} // namespace
