#include "core/fmtcolumns.h"
#include "core/formatgrid.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace fmtgrid;

namespace {

qint32 addControl(GridModel &g, qint64 id, qint64 rctl = 0, qint64 sum = 0, qint64 sum1 = 0)
{
    QStringList t;
    for (int c = 0; c < kColumnCount; ++c)
        t << QString();
    t[ColID] = QString::number(id);
    t[ColRCtl] = QString::number(rctl);
    t[ColSumID] = QString::number(sum);
    t[ColSumID1] = QString::number(sum1);
    return g.addRow(t);
}

} // namespace

TEST(FormatGrid, LayoutHasFieldNamesHeadersAndTag)
{
    GridModel g;
    LayoutFormatGrid(g);
    EXPECT_EQ(g.cols(), 22);
    EXPECT_EQ(g.rows(), 2);
    EXPECT_EQ(g.fixedRows(), 2);
    EXPECT_EQ(g.fixedCols(), 2);
    EXPECT_EQ(g.rowHeight(0), 0);
    EXPECT_EQ(g.tag(), QStringLiteral("Fmt"));
    EXPECT_EQ(g.text(0, 1), QString());
    EXPECT_EQ(g.text(0, 21), QStringLiteral("SumID1"));
    EXPECT_EQ(g.text(1, 4), QStringLiteral("横向位置(毫米)"));
    EXPECT_EQ(g.colAlignment(1), 2);
}

TEST(FormatGrid, TempIdsNeverCollideWithAnyRow)
{
    GridModel g;
    LayoutFormatGrid(g);
    const qint64 t1 = NewTempCtlID(g);
    EXPECT_TRUE(IsTempId(t1));
    addControl(g, t1);
    const qint64 t2 = NewTempCtlID(g);
    EXPECT_LT(t2, t1);
    addControl(g, t2);
    // After a deletion the IDs no longer descend in row order: the new ID
    // must still be one that no row holds.
    g.removeRows(2, 2);
    addControl(g, 57);
    addControl(g, -3); // a stray small negative ID
    const qint64 t3 = NewTempCtlID(g);
    for (qint32 r = 2; r < g.rows(); ++r)
        EXPECT_NE(g.text(r, ColID).toLongLong(), t3);
    EXPECT_TRUE(IsTempId(t3));
    // A temporary ID in multiplying form never looks like a stored ID.
    EXPECT_GT(-t3, kTempIdBase);
}

TEST(FormatGrid, SumReferencesDecodeForStoredAndTemporaryTargets)
{
    EXPECT_EQ(DecodeSumRef(0).id, 0);
    auto a = DecodeSumRef(57);
    EXPECT_EQ(a.id, 57);
    EXPECT_FALSE(a.multiply);
    auto m = DecodeSumRef(-57);
    EXPECT_EQ(m.id, 57);
    EXPECT_TRUE(m.multiply);
    const qint64 t = -(kTempIdBase + 2);
    auto ta = DecodeSumRef(EncodeSumRef(t, false));
    EXPECT_EQ(ta.id, t);
    EXPECT_FALSE(ta.multiply);
    auto tm = DecodeSumRef(EncodeSumRef(t, true));
    EXPECT_EQ(tm.id, t);
    EXPECT_TRUE(tm.multiply);
}

TEST(FormatGrid, RemapRewritesExactlyTheReferencesToTheStoredRow)
{
    GridModel g;
    LayoutFormatGrid(g);
    const qint64 t = -(kTempIdBase + 2);
    addControl(g, 10);
    // References to the temporary row in both forms, and to stored row 2
    // and to a row of ID t+... that must stay.
    const qint32 r = addControl(g, 11, t, t, -t);
    const qint32 other = addControl(g, 12, 2, 2, -2);
    addControl(g, t);
    RemapGridReferences(g, {{t, 57}});
    EXPECT_EQ(g.text(r, ColRCtl), QStringLiteral("57"));
    EXPECT_EQ(g.text(r, ColSumID), QStringLiteral("57"));
    EXPECT_EQ(g.text(r, ColSumID1), QStringLiteral("-57"));
    EXPECT_EQ(g.text(other, ColRCtl), QStringLiteral("2"));
    EXPECT_EQ(g.text(other, ColSumID), QStringLiteral("2"));
    EXPECT_EQ(g.text(other, ColSumID1), QStringLiteral("-2"));
}

TEST(FormatGrid, RemapIsSimultaneousSoChainsAreNotRewrittenTwice)
{
    GridModel g;
    LayoutFormatGrid(g);
    // Old 5 -> new 7 and old 7 -> new 9: a reference to 5 must end at 7.
    const qint32 r = addControl(g, 1, 5, -5, 7);
    RemapGridReferences(g, {{5, 7}, {7, 9}});
    EXPECT_EQ(g.text(r, ColRCtl), QStringLiteral("7"));
    EXPECT_EQ(g.text(r, ColSumID), QStringLiteral("-7"));
    EXPECT_EQ(g.text(r, ColSumID1), QStringLiteral("9"));
}

TEST(FormatGrid, ColourCellKeepsBlackAsNearBlack)
{
    GridModel g;
    LayoutFormatGrid(g);
    const qint32 r = addControl(g, 1);
    SetCellColor(g, r, 0);
    EXPECT_EQ(g.backColor(r, ColColor), 0x010101);
    EXPECT_EQ(CellColor(g, r), 0);
    SetCellColor(g, r, 0xFF);
    EXPECT_EQ(CellColor(g, r), 0xFF);
}

TEST(FormatGrid, DirNames)
{
    EXPECT_EQ(DirNameToCode(QStringLiteral("下方")), 3);
    EXPECT_EQ(DirNameToCode(QString()), 0);
    EXPECT_EQ(DirCodeToName(1), QStringLiteral("左边"));
    EXPECT_EQ(DirCodeToName(4), QString());
}

TEST(FmtColumns, OneListForSchemaGridAndExchangeFile)
{
    // Every grid column but the serial number is a Fmt field, in grid order.
    for (qint32 c = 0; c < kColumnCount; ++c)
        EXPECT_EQ(FieldNames().at(c), FmtFieldOfGridColumn(c)) << c;
    EXPECT_TRUE(FmtFieldOfGridColumn(ColSerial).isEmpty());
    // The exchange file's fields are 0 to 22, each once.
    QList<qint32> fields;
    for (const FmtColumn &c : FmtColumns())
        if (c.fileField >= 0)
            fields << c.fileField;
    std::sort(fields.begin(), fields.end());
    ASSERT_EQ(fields.size(), 23);
    for (qint32 i = 0; i < 23; ++i)
        EXPECT_EQ(fields.at(i), i);
    EXPECT_TRUE(FmtCreateStatement().startsWith(QStringLiteral("CREATE TABLE Fmt (ID INTEGER")));
    EXPECT_EQ(FmtColumnNamed(QStringLiteral("Clas"))->fileField, 1);
    EXPECT_EQ(FmtColumnNamed(QStringLiteral("nope")), nullptr);
}
