#include "core/database.h"
#include "platform/numtext.h"
#include "support/testenv.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

using DatabaseTest = DataDirTest;

TEST_F(DatabaseTest, CreatesKeyedFileWithAllTablesAndSettingsRow)
{
    ASSERT_NE(db::Connection(), nullptr);
    EXPECT_TRUE(QFile::exists(path("DATA.db")));
    for (const char *t : {"Fmt", "参数", "默认", "历史", "映射", "淘宝映射", "网站格式", "Sale",
                          "Pro", "Cus", "Acc"})
        EXPECT_TRUE(db::OpenRecordset(QStringLiteral("SELECT * FROM ") + QString::fromUtf8(t)))
            << t;
    const auto rs = db::OpenRecordset("SELECT * FROM Fmt WHERE Fmt=''");
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->size(), 1);
    // The file is encrypted: no SQLite header in clear.
    EXPECT_FALSE(ReadBytes(path("DATA.db")).startsWith("SQLite format 3"));

    db::CloseConnection();
    ASSERT_NE(db::Connection(), nullptr);
    EXPECT_EQ(db::OpenRecordset("SELECT * FROM Fmt")->size(), 1);
}

TEST_F(DatabaseTest, FileWithoutTablesIsGivenTheSchema)
{
    // A first start that died before its schema was committed leaves a
    // zero-byte file, or a keyed file with no tables.
    for (const bool keyed : {false, true}) {
        db::CloseConnection();
        QFile::remove(path("DATA.db"));
        if (keyed) {
            auto c = sql::Connection::Open(path("DATA.db"), db::kDatabasePassword);
            ASSERT_TRUE(c && c->Exec("PRAGMA user_version=1"));
        } else {
            ASSERT_TRUE(WriteBytes(path("DATA.db"), QByteArray()));
        }
        ASSERT_NE(db::Connection(), nullptr) << keyed;
        EXPECT_TRUE(db::CreatedThisRun());
        EXPECT_EQ(db::OpenRecordset("SELECT * FROM Fmt WHERE Fmt=''")->size(), 1);
        EXPECT_TRUE(db::OpenRecordset("SELECT * FROM Acc"));
    }
    // Only the missing tables are added to a file that has some.
    ASSERT_TRUE(db::ExecuteSQL("DROP TABLE Acc"));
    ASSERT_TRUE(db::InsertRow("Fmt", {{"Fmt", "kept"}}));
    db::CloseConnection();
    ASSERT_NE(db::Connection(), nullptr);
    EXPECT_FALSE(db::CreatedThisRun());
    EXPECT_TRUE(db::OpenRecordset("SELECT * FROM Acc"));
    EXPECT_EQ(db::OpenRecordset("SELECT * FROM Fmt")->size(), 2);
    EXPECT_TRUE(dlg.messages().isEmpty());
}

TEST_F(DatabaseTest, WrongKeyIsRefused)
{
    {
        QString err;
        auto c = sql::Connection::Open(path("DATA.db"), "another key", &err);
        ASSERT_TRUE(c);
        ASSERT_TRUE(c->Exec("CREATE TABLE x(a)"));
    }
    EXPECT_EQ(db::Connection(), nullptr);
    EXPECT_EQ(dlg.messages(), QStringList {"无法建立数据库连接！"});
    EXPECT_FALSE(db::ExecuteSQL("DELETE FROM Fmt"));
    // A query reports the failed connection with its own message only.
    dlg.Clear();
    EXPECT_FALSE(db::OpenRecordset("SELECT * FROM Fmt"));
    EXPECT_EQ(dlg.messages(), QStringList {"数据库打开错误(SELECT * FROM Fmt)！"});
}

TEST_F(DatabaseTest, ValuesKeepTheirTypesAndTextKeysIgnoreCase)
{
    const auto id = db::InsertRow(
        "Fmt", {{"Fmt", "Abc's"}, {"LBL", "x"}, {"fBold", true}, {"X", 2.5}, {"Clas", 3}});
    ASSERT_TRUE(id);
    const auto rs = db::OpenRecordset("SELECT * FROM Fmt WHERE Fmt=?", {"ABC'S"});
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->size(), 1);
    EXPECT_EQ(rs->value(0, "fBold").typeId(), QMetaType::Bool);
    EXPECT_TRUE(rs->value(0, "fBold").toBool());
    EXPECT_EQ(rs->value(0, "X").typeId(), QMetaType::Double);
    EXPECT_EQ(rs->value(0, "Clas").toLongLong(), 3);
    EXPECT_EQ(rs->value(0, "ID").toLongLong(), *id);
    // AutoNumber keys are never reused.
    ASSERT_TRUE(db::ExecuteSQL("DELETE FROM Fmt WHERE ID=?", {*id}));
    EXPECT_GT(*db::InsertRow("Fmt", {{"Fmt", "b"}}), *id);
}

TEST_F(DatabaseTest, RowsVisitedAsSteppedReadAsQueryReadsThem)
{
    // Each stored value in a column of each declared kind; the visitor's
    // texts and numbers must be what the value Query gives turns into.
    ASSERT_TRUE(db::ExecuteSQL("CREATE TABLE V (L LONG, S TEXT, D DOUBLE, B BOOLEAN, T DATETIME, X)"));
    const QString longText = QString(u"长文本😀\0x"_s).repeated(300000);
    const QVariantList values
        = {QVariant(),           qint64(42),         qint64(-9007199254740993LL),
           u"12abc"_s,           u" 7 "_s,           2.5,
           1e300,                longText,           QByteArray("\x01\xff", 2),
           u"2024-05-06 07:08:09"_s, u"not a date"_s, true};
    for (const QVariant &v : values)
        ASSERT_TRUE(db::ExecuteSQL("INSERT INTO V VALUES (?, ?, ?, ?, ?, ?)", {v, v, v, v, v, v}));
    const QString select = "SELECT L, S, D, B, T, X FROM V ORDER BY rowid";
    const auto rs = db::OpenRecordset(select);
    ASSERT_TRUE(rs);
    int r = 0;
    ASSERT_TRUE(db::Connection()->ForEachRow(select, {}, [&](const sql::Statement &row) {
        for (int c = 0; c < 6; ++c) {
            const QVariant v = rs->value(r, c);
            // (Compared as truth values: a long text would fill the log.)
            EXPECT_TRUE(row.Column(c) == v) << r << ":" << c;
            EXPECT_TRUE(row.ColumnText(c) == num::Text(v)) << r << ":" << c;
            EXPECT_EQ(row.ColumnNumber(c), num::Val(num::Text(v))) << r << ":" << c;
        }
        ++r;
    }));
    EXPECT_EQ(r, values.size());
    // A failed query visits nothing and says why.
    db::Connection()->clearLastError();
    EXPECT_FALSE(db::Connection()->ForEachRow("SELECT * FROM Missing", {},
                                              [&](const sql::Statement &) { ++r; }));
    EXPECT_EQ(r, values.size());
    EXPECT_FALSE(db::Connection()->lastError().isEmpty());
}

TEST_F(DatabaseTest, FailuresAreReported)
{
    EXPECT_FALSE(db::ExecuteSQL("UPDATE NoSuchTable SET a=1"));
    EXPECT_TRUE(dlg.messages().isEmpty());
    EXPECT_FALSE(db::OpenRecordset("SELECT * FROM Missing"));
    EXPECT_EQ(dlg.messages(), QStringList {"数据库打开错误(SELECT * FROM Missing)！"});
    // The statement is shown with its values, not with "?" marks.
    dlg.Clear();
    EXPECT_FALSE(db::OpenRecordset("SELECT * FROM Missing WHERE a=? AND b='?' AND c=? AND d=?",
                                   {"O'Neil", 2.5, QVariant()}));
    EXPECT_EQ(dlg.messages(),
              QStringList {"数据库打开错误(SELECT * FROM Missing WHERE a='O''Neil' AND b='?' AND "
                           "c=2.5 AND d=NULL)！"});
}

TEST_F(DatabaseTest, ColumnsLookupsAndNames)
{
    ASSERT_TRUE(db::ExecuteSQL("CREATE TABLE T (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT)"));
    EXPECT_TRUE(db::ColumnExists("T", "Name"));
    EXPECT_FALSE(db::ColumnExists("T", "name"));
    ASSERT_TRUE(db::ExecuteSQL("INSERT INTO T (Name) VALUES ('a'), ('b')"));
    EXPECT_TRUE(db::EnsureColumn("T", "SumID", "LONG"));
    EXPECT_EQ(db::GetFieldByID("T", 2, "SumID").toLongLong(), 0);
    EXPECT_FALSE(db::GetFieldByID("T", 2, "SumID").isNull());
    EXPECT_TRUE(db::EnsureColumn("T", "SumID", "LONG"));
    EXPECT_FALSE(db::EnsureColumn("Missing", "SumID", "LONG"));
    EXPECT_EQ(db::GetFieldWhere("Fmt", "Fmt=?", {"none"}, "LBL").toString(), "");

    const qint64 other = db::GetOrAddNameID("Acc", "");
    EXPECT_GT(other, 0);
    EXPECT_EQ(db::GetFieldByID("Acc", other, "Name").toString(), "其他");
    const qint64 q = db::GetOrAddNameID("Acc", "淘宝_a\"b'c");
    EXPECT_EQ(db::GetFieldByID("Acc", q, "Name").toString(), "淘宝_a’b’c");
    EXPECT_EQ(db::GetOrAddNameID("Acc", "淘宝_a'b\"c"), q);
}

TEST_F(DatabaseTest, FormatNamesListedOnceInOrder)
{
    for (const char *n : {"B", "A", "A"})
        ASSERT_TRUE(db::InsertRow("Fmt", {{"Fmt", QString::fromUtf8(n)}}));
    EXPECT_EQ(db::FillComboFromFmt("Fmt"), (QStringList {"A", "B"}));
}

TEST_F(DatabaseTest, TransactionsRollBackUnlessCommitted)
{
    auto *c = db::Connection();
    {
        sql::Transaction tx(*c);
        ASSERT_TRUE(db::InsertRow("Fmt", {{"Fmt", "lost"}}));
        {
            sql::Transaction inner(*c);
            ASSERT_TRUE(db::InsertRow("Fmt", {{"Fmt", "inner"}}));
        }
    }
    EXPECT_EQ(db::OpenRecordset("SELECT * FROM Fmt")->size(), 1);
    {
        sql::Transaction tx(*c);
        ASSERT_TRUE(db::InsertRow("Fmt", {{"Fmt", "kept"}}));
        EXPECT_TRUE(tx.Commit());
    }
    EXPECT_EQ(db::OpenRecordset("SELECT * FROM Fmt")->size(), 2);
}

TEST_F(DatabaseTest, AChangeSinceTheProgramLastEndedBringsBackTheCheckOfEveryPage)
{
    ASSERT_EQ(db::OpenAtStart(), db::StartState::Opened);
    ASSERT_TRUE(db::RunInTransaction([](sql::Connection &c) {
        for (int i = 0; i < 3000; ++i)
            if (!c.Exec("INSERT INTO 历史(Fmt,ID,CID,Con) VALUES('顺丰',?,1,?)",
                        {i, QString(40, u'史')}))
                return false;
        return true;
    }));
    db::CloseAtEnd();
    ASSERT_EQ(db::OpenAtStart(), db::StartState::Opened);
    db::CloseAtEnd();
    // A damaged page in the middle; the file keeps its size and its times,
    // as a copying tool that restores them leaves it.
    const QByteArray file = QFile::encodeName(path("DATA.db"));
    struct stat before {};
    ASSERT_EQ(::stat(file.constData(), &before), 0);
    {
        QFile f(path("DATA.db"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.seek(f.size() / 2 / 1024 * 1024 + 100));
        ASSERT_EQ(f.write(QByteArray(8, '\x5a')), 8);
    }
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.constData(), times, 0), 0);
    EXPECT_EQ(db::OpenAtStart(), db::StartState::Unusable);
    EXPECT_TRUE(dlg.messages().isEmpty());
}
