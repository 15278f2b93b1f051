#include "core/database.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "core/formatstore.h"
#include "platform/numtext.h"
#include "platform/sqlitedb.h"
#include "support/testenv.h"

#include <QDir>

using namespace fmtgrid;

namespace {

class FormatStoreTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        host = FormatHostState();
        host.formatName = QStringLiteral("顺丰");
        host.width = QStringLiteral("230");
        host.height = QStringLiteral("127");
        host.offsetX = QStringLiteral("1.5");
        host.offsetY = QStringLiteral("-2");
        LayoutFormatGrid(grid);
    }

    qint32 addControl(qint64 id, int clas, const QString &lbl, qint64 rctl = 0, qint64 sum = 0,
                      qint64 sum1 = 0)
    {
        QStringList t;
        for (int c = 0; c < kColumnCount; ++c)
            t << QString();
        t[ColID] = num::Str(id);
        t[ColLBL] = lbl;
        t[ColDir] = QStringLiteral("左边");
        t[ColX] = QStringLiteral("12.345");
        t[ColY] = QStringLiteral("7.5");
        t[ColW] = QStringLiteral("30");
        t[ColH] = QStringLiteral("6.125");
        t[ColS] = QStringLiteral("0");
        t[ColL] = QStringLiteral("-2002.5");
        t[ColFName] = QStringLiteral("宋体");
        t[ColFSize] = QStringLiteral("10.5");
        t[ColBold] = QStringLiteral("√");
        t[ColClas] = QString::number(clas);
        t[ColCash] = QStringLiteral("3");
        t[ColRCtl] = num::Str(rctl);
        t[ColSumID] = num::Str(sum);
        t[ColSumID1] = num::Str(sum1);
        const qint32 r = grid.addRow(t);
        SetCellColor(grid, r, 0);
        return r;
    }

    // The control rows of a format, by ID, every column as text.
    QList<QStringList> rows(const QString &name)
    {
        QList<QStringList> out;
        const auto rs = db::OpenRecordset(
            QStringLiteral("SELECT * FROM Fmt WHERE Fmt=? AND LBL<>? ORDER BY ID"),
            {name, HeaderMarker()});
        EXPECT_TRUE(rs.has_value());
        for (int i = 0; rs && i < rs->size(); ++i) {
            QStringList r;
            for (const QVariant &v : rs->rows[size_t(i)])
                r << num::Text(v);
            out << r;
        }
        return out;
    }
    QStringList column(qint32 col)
    {
        QStringList out;
        for (qint32 r = 2; r < grid.rows(); ++r)
            out << grid.text(r, col);
        return out;
    }
    qint64 id(qint32 row) { return grid.text(row, ColID).toLongLong(); }
    QVariant field(qint64 rowId, const char *f)
    {
        return db::GetFieldByID(QStringLiteral("Fmt"), rowId, QString::fromLatin1(f));
    }

    FormatHostState host;
    GridModel grid;
};

} // namespace

TEST_F(FormatStoreTest, FirstSaveStoresFinalReferencesEvenToLaterRows)
{
    const qint64 t1 = NewTempCtlID(grid);
    const qint32 a = addControl(t1, 0, QStringLiteral("寄件人"));
    const qint64 t2 = NewTempCtlID(grid);
    // b refers to c, which is stored after it: adding, multiplying, related.
    const qint64 t3 = t2 - 1;
    const qint32 b = addControl(t2, 0, QStringLiteral("金额"), t3, t3, -t3);
    const qint32 c = addControl(t3, 0, QStringLiteral("合计"), t1, -t1, 0);
    // A reference to a stored row 2 of another format is not a temporary ID.
    const qint32 d = addControl(NewTempCtlID(grid), 4, QStringLiteral("标签"), 2, 2, -2);

    ASSERT_TRUE(SaveFormatGrid(host, grid, QString()));
    const qint64 ia = id(a), ib = id(b), ic = id(c);
    EXPECT_GT(ia, 0);
    EXPECT_GT(ib, 0);
    EXPECT_GT(ic, 0);
    // Grid and table both hold the final IDs.
    EXPECT_EQ(grid.text(b, ColRCtl).toLongLong(), ic);
    EXPECT_EQ(grid.text(b, ColSumID).toLongLong(), ic);
    EXPECT_EQ(grid.text(b, ColSumID1).toLongLong(), -ic);
    EXPECT_EQ(field(ib, "RCtl").toLongLong(), ic);
    EXPECT_EQ(field(ib, "SumID").toLongLong(), ic);
    EXPECT_EQ(field(ib, "SumID1").toLongLong(), -ic);
    EXPECT_EQ(field(ic, "RCtl").toLongLong(), ia);
    EXPECT_EQ(field(ic, "SumID").toLongLong(), -ia);
    EXPECT_EQ(field(id(d), "RCtl").toLongLong(), 2);
    EXPECT_EQ(field(id(d), "SumID").toLongLong(), 2);
    EXPECT_EQ(field(id(d), "SumID1").toLongLong(), -2);
    // Stored as given: Dir code, colour 0, flags, numbers.
    EXPECT_EQ(field(ia, "Dir").toLongLong(), 1);
    EXPECT_EQ(field(ia, "Color").toLongLong(), 0);
    EXPECT_EQ(field(ia, "fBold").toBool(), true);
    EXPECT_EQ(field(ia, "fItalic").toBool(), false);
    EXPECT_DOUBLE_EQ(field(ia, "L").toDouble(), -2002.5);
    // One header row, from the host.
    const auto hdr
        = db::OpenRecordset(QStringLiteral("SELECT * FROM Fmt WHERE LBL=?"), {HeaderMarker()});
    ASSERT_TRUE(hdr);
    ASSERT_EQ(hdr->size(), 1);
    EXPECT_EQ(num::Text(hdr->value(0, QStringLiteral("W"))), QStringLiteral("230"));
    EXPECT_EQ(num::Text(hdr->value(0, QStringLiteral("X"))), QStringLiteral("1.5"));
    EXPECT_EQ(num::Text(hdr->value(0, QStringLiteral("Color"))), QStringLiteral("15360"));
    EXPECT_EQ(hdr->value(0, QStringLiteral("Mem")).toString(),
              QStringLiteral("False|False|0|0|0|0|0|"));
}

TEST_F(FormatStoreTest, SaveLoadSaveGivesIdenticalRows)
{
    const qint64 t1 = NewTempCtlID(grid);
    addControl(t1, 0, QStringLiteral("A\r\nB"));
    const qint64 t2 = NewTempCtlID(grid);
    addControl(t2, 2, QStringLiteral("图"), t1, -t1, t1);
    addControl(NewTempCtlID(grid), 3, QStringLiteral("线条"), t2, t2, 0);
    ASSERT_TRUE(SaveFormatGrid(host, grid, QString()));
    const auto first = rows(QStringLiteral("顺丰"));
    ASSERT_EQ(first.size(), 3);

    GridModel loaded;
    LoadFormatGrid(host, loaded, QString());
    ASSERT_EQ(loaded.rows(), 5);
    EXPECT_EQ(loaded.colWidth(0), 900);
    // Same cells (ordered by class, then ID: the same order here).
    for (qint32 r = 2; r < 5; ++r)
        for (qint32 c = 0; c < kColumnCount; ++c)
            if (c != ColSerial)
                EXPECT_EQ(loaded.text(r, c), grid.text(r, c)) << r << "," << c;
    EXPECT_EQ(loaded.text(2, ColSerial), QStringLiteral("1"));
    EXPECT_EQ(loaded.text(2, ColDir), QStringLiteral("左边"));
    EXPECT_EQ(loaded.backColor(2, ColColor), 0x010101);

    ASSERT_TRUE(SaveFormatGrid(host, loaded, QString()));
    EXPECT_EQ(rows(QStringLiteral("顺丰")), first);
}

TEST_F(FormatStoreTest, DeletingARowRemovesExactlyItsRecord)
{
    for (int i = 0; i < 4; ++i)
        addControl(NewTempCtlID(grid), 0, QStringLiteral("框%1").arg(i));
    ASSERT_TRUE(SaveFormatGrid(host, grid, QString()));
    const qint64 gone = id(3);
    grid.removeRows(3, 3);
    ASSERT_TRUE(SaveFormatGrid(host, grid, QString()));
    const auto left = rows(QStringLiteral("顺丰"));
    ASSERT_EQ(left.size(), 3);
    for (const auto &r : left)
        EXPECT_NE(r.at(0).toLongLong(), gone);
    const auto hdr
        = db::OpenRecordset(QStringLiteral("SELECT ID FROM Fmt WHERE LBL=?"), {HeaderMarker()});
    EXPECT_EQ(hdr->size(), 1);
}

TEST_F(FormatStoreTest, SaveAsCopiesRowsUnderNewIdsAndKeepsTheOriginal)
{
    const qint64 t1 = NewTempCtlID(grid);
    addControl(t1, 0, QStringLiteral("A"));
    addControl(NewTempCtlID(grid), 0, QStringLiteral("B"), t1, -t1, t1);
    ASSERT_TRUE(SaveFormatGrid(host, grid, QString()));
    const auto original = rows(QStringLiteral("顺丰"));
    ASSERT_TRUE(SaveFormatGrid(host, grid, QStringLiteral("顺丰'副本\"")));
    EXPECT_EQ(rows(QStringLiteral("顺丰")), original);
    const auto copy = rows(QStringLiteral("顺丰'副本\""));
    ASSERT_EQ(copy.size(), 2);
    const qint64 a = copy.at(0).at(0).toLongLong();
    EXPECT_NE(a, original.at(0).at(0).toLongLong());
    EXPECT_EQ(field(copy.at(1).at(0).toLongLong(), "SumID").toLongLong(), -a);
    EXPECT_EQ(field(copy.at(1).at(0).toLongLong(), "RCtl").toLongLong(), a);
}

TEST_F(FormatStoreTest, FailingStatementLeavesPreviousFormatAndGridIntact)
{
    for (int i = 0; i < 3; ++i)
        addControl(NewTempCtlID(grid), 0, QStringLiteral("旧%1").arg(i));
    ASSERT_TRUE(SaveFormatGrid(host, grid, QString()));
    const auto before = rows(QStringLiteral("顺丰"));
    const auto hdrBefore
        = db::OpenRecordset(QStringLiteral("SELECT * FROM Fmt WHERE LBL=?"), {HeaderMarker()});

    ASSERT_TRUE(db::ExecuteSQL(QStringLiteral("CREATE TABLE cnt (n INTEGER)")));
    ASSERT_TRUE(db::ExecuteSQL(QStringLiteral("INSERT INTO cnt VALUES (0)")));
    ASSERT_TRUE(db::ExecuteSQL(
        QStringLiteral("CREATE TRIGGER fail5 BEFORE INSERT ON Fmt BEGIN UPDATE cnt SET n=n+1;"
                       " SELECT RAISE(ABORT, 'boom') WHERE (SELECT n FROM cnt) >= 5; END")));

    grid.removeRows(2, 2); // a deletion that must not happen
    for (int i = 0; i < 6; ++i)
        addControl(NewTempCtlID(grid), 1, QStringLiteral("新%1").arg(i));
    const QStringList idsBefore = column(ColID);
    EXPECT_FALSE(SaveFormatGrid(host, grid, QString()));

    EXPECT_EQ(rows(QStringLiteral("顺丰")), before);
    const auto hdrAfter
        = db::OpenRecordset(QStringLiteral("SELECT * FROM Fmt WHERE LBL=?"), {HeaderMarker()});
    ASSERT_EQ(hdrAfter->size(), 1);
    EXPECT_EQ(hdrAfter->rows, hdrBefore->rows);
    EXPECT_EQ(column(ColID), idsBefore);

    // Without the trigger the same grid saves.
    ASSERT_TRUE(db::ExecuteSQL(QStringLiteral("DROP TRIGGER fail5")));
    EXPECT_TRUE(SaveFormatGrid(host, grid, QString()));
    EXPECT_EQ(rows(QStringLiteral("顺丰")).size(), 8);
}

TEST_F(FormatStoreTest, DuplicateIdsInTheGridGetTheirOwnRecords)
{
    addControl(NewTempCtlID(grid), 0, QStringLiteral("A"));
    ASSERT_TRUE(SaveFormatGrid(host, grid, QString()));
    const QString stored = grid.text(2, ColID);
    const qint32 dup = addControl(stored.toLongLong(), 0, QStringLiteral("B"));
    ASSERT_TRUE(SaveFormatGrid(host, grid, QString()));
    EXPECT_EQ(grid.text(2, ColID), stored);
    EXPECT_NE(grid.text(dup, ColID), stored);
    EXPECT_EQ(rows(QStringLiteral("顺丰")).size(), 2);
}

TEST_F(FormatStoreTest, FixedTextInputBoxStoresItsTextInMem)
{
    struct Host : FormatHostState
    {
        std::optional<QString> FixedInputText(qint32 row) const override
        {
            return row == 2 ? std::optional<QString>(QStringLiteral("ABC")) : std::nullopt;
        }
    } h;
    h.formatName = QStringLiteral("F");
    addControl(NewTempCtlID(grid), 0, QString());
    addControl(NewTempCtlID(grid), 0, QStringLiteral("有提示"));
    ASSERT_TRUE(SaveFormatGrid(h, grid, QString()));
    EXPECT_EQ(field(id(2), "Mem").toString(), QStringLiteral("ABC"));
    EXPECT_TRUE(field(id(3), "Mem").isNull());
}

TEST_F(FormatStoreTest, HeaderFontScaleAndFlags)
{
    host.setPaper = true;
    host.options = {1, 0, 1, 0, 1};
    ASSERT_TRUE(SaveFormatHeader(host, QStringLiteral("100"), QStringLiteral("50"),
                                 QStringLiteral("3"), QStringLiteral("4"), QString()));
    FormatHostState reader;
    reader.formatName = QStringLiteral("顺丰");
    ReadFormatHeader(reader, QString());
    EXPECT_EQ(reader.width, QStringLiteral("100"));
    EXPECT_EQ(reader.offsetY, QStringLiteral("4"));
    EXPECT_TRUE(reader.setPaper);
    EXPECT_FALSE(reader.diTuPrint);
    EXPECT_EQ(reader.options, (std::array<qint32, 5> {1, 0, 1, 0, 1}));
    EXPECT_EQ(reader.optionClicks, 3);
    EXPECT_DOUBLE_EQ(reader.fontScale, 1.0); // written at the same screen width

    auto setColor = [](qint64 c) {
        ASSERT_TRUE(db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET Color=? WHERE LBL=?"),
                                   {c, HeaderMarker()}));
    };
    setColor(0);
    ReadFormatHeader(reader, QString());
    EXPECT_DOUBLE_EQ(reader.fontScale, 1.0);
    reader.screenWidth = 19200;
    ReadFormatHeader(reader, QString());
    EXPECT_DOUBLE_EQ(reader.fontScale, (19200.0 - 340) / 15020);
    setColor(340);
    ReadFormatHeader(reader, QString());
    EXPECT_DOUBLE_EQ(reader.fontScale, 1.0);
    setColor(9940);
    ReadFormatHeader(reader, QString());
    EXPECT_DOUBLE_EQ(reader.fontScale, (19200.0 - 340) / 9600);

    // A flags text not of eight parts leaves ticks and options alone.
    ASSERT_TRUE(db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET Mem='True|True|0|' WHERE LBL=?"),
                               {HeaderMarker()}));
    ReadFormatHeader(reader, QString());
    EXPECT_FALSE(reader.diTuPrint);
    // No header: nothing changes.
    reader.width = QStringLiteral("x");
    reader.fontScale = 2.0;
    ReadFormatHeader(reader, QStringLiteral("无此格式"));
    EXPECT_EQ(reader.width, QStringLiteral("x"));
    EXPECT_DOUBLE_EQ(reader.fontScale, 2.0);
}

TEST_F(FormatStoreTest, FontSizesRescaleHalfToEven)
{
    qint32 r = addControl(NewTempCtlID(grid), 0, QStringLiteral("A"));
    grid.setText(r, ColFSize, QStringLiteral("9"));
    r = addControl(NewTempCtlID(grid), 0, QStringLiteral("B"));
    grid.setText(r, ColFSize, QStringLiteral("0.25"));
    ASSERT_TRUE(SaveFormatGrid(host, grid, QString()));
    GridModel g;
    host.fontScale = 0.8;
    LoadFormatGrid(host, g, QString());
    EXPECT_EQ(g.text(2, ColFSize), QStringLiteral("7.2"));
    host.fontScale = 0.5;
    LoadFormatGrid(host, g, QString());
    EXPECT_EQ(g.text(3, ColFSize), QStringLiteral("0.12")); // 12.5 hundredths -> 12
    host.fontScale = 1.0;
    LoadFormatGrid(host, g, QString());
    EXPECT_EQ(g.text(3, ColFSize), QStringLiteral("0.25"));
}

TEST_F(FormatStoreTest, AppSettingsRow)
{
    host.formatName = QStringLiteral("韵达'快递");
    host.options = {1, 1, 0, 0, 0};
    ASSERT_TRUE(SaveAppSettings(host, QString()));
    FormatHostState reader;
    EXPECT_EQ(LoadAppSettings(reader), QStringLiteral("韵达'快递"));
    EXPECT_EQ(reader.options, (std::array<qint32, 5> {1, 1, 0, 0, 0}));
    // Two values set O2(0) and O2(1) only.
    reader.options = {0, 0, 1, 0, 0};
    ASSERT_TRUE(db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET fName='1§☆§2.5' WHERE Fmt=''")));
    LoadAppSettings(reader);
    EXPECT_EQ(reader.options, (std::array<qint32, 5> {1, 2, 1, 0, 0}));
}

TEST_F(FormatStoreTest, BackgroundPicturePathReplacesUnsafeCharacters)
{
    EXPECT_EQ(GetBackgroundPicturePath(QStringLiteral("a*b?c<d>e/f\\g:h|i\"j")),
              QDir(dataDir()).filePath(QStringLiteral("a0b1c2d3e4f5g6h7i8j.jpg")));
}

TEST_F(FormatStoreTest, SaveGridToFmtReplacesTheTemporaryIdWhereverItIsReferenced)
{
    const qint64 t = NewTempCtlID(grid);
    const qint32 stored = addControl(t, 0, QStringLiteral("新"));
    const qint32 other = addControl(57, 0, QStringLiteral("旧"), t, t, -t);
    const qint32 plain = addControl(58, 0, QStringLiteral("别"), 2, -2, 2);
    sql::Connection *conn = db::Connection();
    ASSERT_TRUE(conn);
    const auto id = SaveGridToFmt(*conn, grid, stored, QStringLiteral("F"), 0);
    ASSERT_TRUE(id);
    EXPECT_EQ(grid.text(stored, ColID), num::Str(*id));
    EXPECT_EQ(grid.text(other, ColRCtl), num::Str(*id));
    EXPECT_EQ(grid.text(other, ColSumID), num::Str(*id));
    EXPECT_EQ(grid.text(other, ColSumID1), num::Str(-*id));
    EXPECT_EQ(grid.text(plain, ColRCtl), QStringLiteral("2"));
    EXPECT_EQ(grid.text(plain, ColSumID), QStringLiteral("-2"));
    // Storing a row whose ID is its record's changes no reference.
    const auto again = SaveGridToFmt(*conn, grid, stored, QStringLiteral("F"), *id);
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *id);
    EXPECT_EQ(grid.text(other, ColSumID1), num::Str(-*id));
    // An update of a record that does not exist fails and changes nothing.
    EXPECT_FALSE(SaveGridToFmt(*conn, grid, other, QStringLiteral("F"), 999999));
    EXPECT_EQ(grid.text(other, ColID), QStringLiteral("57"));
}
