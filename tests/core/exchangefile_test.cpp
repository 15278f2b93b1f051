#include "core/database.h"
#include "core/exchangefile.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "core/formatstore.h"
#include "platform/codepage.h"
#include "platform/numtext.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <unistd.h>

using namespace fmtgrid;

namespace {

const QString kSep = QStringLiteral("】★【");

class ExchangeFileTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        host.formatName = QStringLiteral("顺丰");
        host.width = QStringLiteral("230");
        host.height = QStringLiteral("127");
    }

    // A saved format of three controls referring to each other, with line
    // breaks in LBL and Mem.
    void makeFormat(const QString &name)
    {
        GridModel g;
        LayoutFormatGrid(g);
        auto add = [&](int clas, const QString &lbl, qint64 rctl, qint64 sum, qint64 sum1) {
            QStringList t;
            for (int c = 0; c < kColumnCount; ++c)
                t << QString();
            const qint64 id = NewTempCtlID(g);
            t[ColID] = num::Str(id);
            t[ColLBL] = lbl;
            t[ColX] = QStringLiteral("12.345");
            t[ColY] = QStringLiteral("0.1");
            t[ColL] = QStringLiteral("-1003.5");
            t[ColFName] = QStringLiteral("宋体");
            t[ColFSize] = QStringLiteral("10.5");
            t[ColItalic] = QStringLiteral("√");
            t[ColClas] = QString::number(clas);
            t[ColRCtl] = num::Str(rctl);
            t[ColSumID] = num::Str(sum);
            t[ColSumID1] = num::Str(sum1);
            SetCellColor(g, g.addRow(t), 0xFF8000);
            return id;
        };
        const qint64 a = add(0, QStringLiteral("收件人\r\n地址"), 0, 0, 0);
        const qint64 b = add(0, QStringLiteral("金额"), a, a, -a);
        add(4, QStringLiteral("标签"), b, -b, 999999);
        ASSERT_TRUE(SaveFormatGrid(host, g, name));
        ASSERT_TRUE(db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET Mem=? WHERE Fmt=? AND Clas=4"),
                                   {QStringLiteral("一\r\n二"), name}));
    }

    bool exportTo(const QString &name, const QString &file)
    {
        dlg.Queue(file);
        return ExportFormat(host, name);
    }

    QList<QStringList> rowsOf(const QString &name)
    {
        QList<QStringList> out;
        const auto rs = db::OpenRecordset(
            QStringLiteral("SELECT * FROM Fmt WHERE Fmt=? ORDER BY ID"), {name});
        for (int i = 0; rs && i < rs->size(); ++i) {
            QStringList r;
            for (const QVariant &v : rs->rows[size_t(i)])
                r << num::Text(v);
            out << r;
        }
        return out;
    }

    // The OK message boxes shown (not the questions and file dialogs).
    QStringList msgs() const
    {
        QStringList out;
        for (const auto &s : dlg.shown())
            if (s.kind == QStringLiteral("message"))
                out << s.text;
        return out;
    }

    FormatHostState host;
};

} // namespace

TEST_F(ExchangeFileTest, ExportImportExportKeepsTheBytes)
{
    makeFormat(QStringLiteral("顺丰"));
    const QString f1 = path(QStringLiteral("out.wlq"));
    ASSERT_TRUE(exportTo(QStringLiteral("顺丰"), f1));
    EXPECT_TRUE(msgs().contains(QStringLiteral("格式：“顺丰”导出完成！")));
    const QByteArray bytes1 = ReadBytes(f1);
    ASSERT_FALSE(bytes1.endsWith("\r\n"));
    const QStringList lines1 = cp936::Decode(bytes1).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines1.size(), 2 + 4); // three controls and the header
    EXPECT_EQ(lines1.at(0), QStringLiteral("<沃栎岚印坊格式专用_快递单专用>"));
    EXPECT_EQ(lines1.at(1), QStringLiteral("顺丰"));
    const QStringList first = lines1.at(2).split(kSep);
    ASSERT_EQ(first.size(), 22);
    EXPECT_EQ(first.at(2), QStringLiteral("收件人‖‖‖地址"));
    EXPECT_EQ(first.at(4), QStringLiteral("12.345"));
    EXPECT_EQ(first.at(9), QStringLiteral("-1003.5"));
    EXPECT_EQ(first.at(10), QString::number(0xFF8000));
    EXPECT_EQ(first.at(13), QStringLiteral("False"));
    EXPECT_EQ(first.at(14), QStringLiteral("True"));
    EXPECT_TRUE(lines1.at(4).contains(QStringLiteral("一♂♂二")));

    dlg.Queue(false); // do not open it now
    const QString f2 = path(QStringLiteral("中通.wlq"));
    ASSERT_TRUE(QFile::copy(f1, f2));
    ASSERT_TRUE(ImportFormat(host, f2, true));
    EXPECT_EQ(msgs().size(), 1); // only the export's completion

    const QString f3 = path(QStringLiteral("again.wlq"));
    ASSERT_TRUE(exportTo(QStringLiteral("中通"), f3));
    const QStringList lines3 = cp936::Decode(ReadBytes(f3)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines3.size(), lines1.size());
    // Expected: the first file with the new name and the IDs mapped (rows
    // keep their order), references renumbered with their signs.
    QHash<QString, QString> map;
    for (int i = 2; i < lines1.size(); ++i)
        map.insert(lines1.at(i).split(kSep).at(0), lines3.at(i).split(kSep).at(0));
    QStringList expected = {lines1.at(0), QStringLiteral("中通")};
    for (int i = 2; i < lines1.size(); ++i) {
        QStringList f = lines1.at(i).split(kSep);
        f[0] = map.value(f.at(0));
        for (int k : {18, 20, 21}) {
            const QString v = f.at(k);
            const bool neg = v.startsWith(u'-');
            const QString abs = neg ? v.mid(1) : v;
            if (map.contains(abs))
                f[k] = (neg ? QStringLiteral("-") : QString()) + map.value(abs);
        }
        expected << f.join(kSep);
    }
    EXPECT_EQ(ReadBytes(f3), cp936::Encode(expected.join(QStringLiteral("\r\n"))));
    EXPECT_NE(map.value(lines1.at(2).split(kSep).at(0)), lines1.at(2).split(kSep).at(0));
    // The reference to no row of the file stays as it was.
    EXPECT_EQ(lines3.at(4).split(kSep).at(21), QStringLiteral("999999"));
}

TEST_F(ExchangeFileTest, ImportsAnOriginalStyleFile)
{
    // GBK bytes, as files written on a Chinese Windows system hold them.
    ASSERT_EQ(cp936::Encode(QStringLiteral("宋体")), QByteArray("\xCB\xCE\xCC\xE5"));
    auto line = [](QStringList f) { return f.join(kSep); };
    const QStringList lines = {
        QStringLiteral("<沃栎岚印坊格式专用_快递单专用>"),
        QStringLiteral("文件里的名字"),
        // Split over two lines by a line break in fName.
        line({"101", "0", "寄件人", "1", "10", "20", "30", "6", "0", "1000", "255", "宋"})
            + QStringLiteral("\r\n")
            + line({"体", "9", "TRUE", "false", "False", "true", "3", "0", "", "0", "0"}),
        // 21 fields: SumID1 is 0.
        line({"102",  "0",  "金额",  "0",     "10",    "30",    "30", "6",   "0", "0",   "0",
              "黑体", "12", "False", "False", "False", "False", "1",  "101", "",  "-101"}),
        // 23 fields: the last goes to RCtl1; references to 102 and to a foreign 7.
        line({"103", "4",    "合计", "0",     "1.5",   "2.25",  "3",     "4", "0", "-2.5",
              "0",   "宋体", "9",    "False", "False", "False", "False", "0", "7", "说明♂♂第二行",
              "102", "-102", "55"}),
        line({"104",
              "0",
              "【§单据整体格式参数§】",
              "0",
              "1",
              "2",
              "230",
              "127",
              "0",
              "0",
              "15360",
              "",
              "0",
              "False",
              "False",
              "False",
              "False",
              "0",
              "0",
              "True|False|1|0|0|0|1|",
              "0",
              "0"}),
    };
    ASSERT_TRUE(QDir(dataDir()).mkpath(QStringLiteral("in")));
    const QString file = path(QStringLiteral("in/顺丰.wlq"));
    // A trailing CR LF, as hand-edited files have.
    ASSERT_TRUE(WriteBytes(file, cp936::Encode(lines.join(QStringLiteral("\r\n")) + "\r\n")));
    ASSERT_TRUE(WriteBytes(path(QStringLiteral("in/顺丰.jpg")), QByteArray("JPEGDATA")));
    // The picture's name in the data folder links to the database: the
    // link is replaced, the database is not written.
    ASSERT_TRUE(db::FormatExists(QStringLiteral("顺丰")).has_value()); // the database exists
    const QString database = path(QStringLiteral("DATA.db"));
    const QByteArray databaseBytes = ReadBytes(database);
    ASSERT_TRUE(QFile::link(database, GetBackgroundPicturePath(QStringLiteral("顺丰"))));
    dlg.Queue(true);
    ASSERT_TRUE(ImportFormat(host, QStringLiteral("  ") + file + QStringLiteral(" "), true));
    EXPECT_EQ(host.selectedFormat, QStringLiteral("顺丰"));
    EXPECT_TRUE(msgs().isEmpty());
    EXPECT_FALSE(QFileInfo(GetBackgroundPicturePath(QStringLiteral("顺丰"))).isSymLink());
    EXPECT_EQ(ReadBytes(GetBackgroundPicturePath(QStringLiteral("顺丰"))), QByteArray("JPEGDATA"));
    EXPECT_EQ(ReadBytes(database).left(16), databaseBytes.left(16));

    const auto rs = db::OpenRecordset(QStringLiteral("SELECT * FROM Fmt WHERE Fmt=? ORDER BY ID"),
                                      {QStringLiteral("顺丰")});
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->size(), 4);
    auto v = [&](int r, const char *f) { return rs->value(r, QString::fromLatin1(f)); };
    const qint64 a = v(0, "ID").toLongLong(), b = v(1, "ID").toLongLong();
    EXPECT_EQ(v(0, "fName").toString(), QStringLiteral("宋\r\n体"));
    EXPECT_DOUBLE_EQ(v(0, "fSize").toDouble(), 9);
    EXPECT_TRUE(v(0, "fBold").toBool());
    EXPECT_FALSE(v(0, "fItalic").toBool());
    EXPECT_TRUE(v(0, "fStrikethru").toBool());
    EXPECT_EQ(v(0, "Dir").toLongLong(), 1);
    EXPECT_EQ(v(0, "Color").toLongLong(), 255);
    EXPECT_EQ(v(1, "RCtl").toLongLong(), a);
    EXPECT_EQ(v(1, "SumID1").toLongLong(), 0);
    EXPECT_EQ(v(1, "SumID").toLongLong(), -a);
    EXPECT_EQ(v(2, "RCtl").toLongLong(), 7);
    EXPECT_EQ(v(2, "SumID").toLongLong(), b);
    EXPECT_EQ(v(2, "SumID1").toLongLong(), -b);
    EXPECT_EQ(v(2, "RCtl1").toLongLong(), 55);
    EXPECT_EQ(v(2, "Mem").toString(), QStringLiteral("说明\r\n第二行"));
    EXPECT_DOUBLE_EQ(v(2, "L").toDouble(), -2.5);
    EXPECT_EQ(v(3, "Mem").toString(), QStringLiteral("True|False|1|0|0|0|1|"));
}

TEST_F(ExchangeFileTest, ARowSplitInsideANumberReadsOnlyTheNumberBeforeTheBreak)
{
    // "0" CR LF "903" is 0: the leading-number reading drops line feeds but
    // stops at the CR.
    auto line = [](QStringList f) { return f.join(kSep); };
    const QStringList lines
        = {QStringLiteral("<沃栎岚印坊格式专用_快递单专用>"), QStringLiteral("n"),
           line({"201", "0", "框", "0", "0"}) + QStringLiteral("\r\n")
               + line({"903", "20", "30", "6", "0", "0", "0", "宋体", "9", "False", "False",
                       "False", "False", "0", "0", "", "0", "0"})};
    const QString file = path(QStringLiteral("断.wlq"));
    ASSERT_TRUE(WriteBytes(file, cp936::Encode(lines.join(QStringLiteral("\r\n")))));
    ASSERT_TRUE(ImportFormat(host, file, true));
    const auto rs = db::OpenRecordset(QStringLiteral("SELECT X, Y FROM Fmt WHERE Fmt=?"),
                                      {QStringLiteral("断")});
    ASSERT_TRUE(rs && rs->size() == 1);
    EXPECT_EQ(rs->value(0, "X").toDouble(), 0);
    EXPECT_EQ(rs->value(0, "Y").toDouble(), 20);
}

TEST_F(ExchangeFileTest, BrokenFileLeavesNothingBehind)
{
    const QStringList lines
        = {QStringLiteral("<沃栎岚印坊格式专用_快递单专用>"), QStringLiteral("x"),
           QStringLiteral("1】★【0】★【短"), QStringList(22, QStringLiteral("1")).join(kSep)};
    ASSERT_TRUE(QDir(dataDir()).mkpath(QStringLiteral("in")));
    const QString file = path(QStringLiteral("in/坏.wlq"));
    ASSERT_TRUE(WriteBytes(file, cp936::Encode(lines.join(QStringLiteral("\r\n")))));
    ASSERT_TRUE(WriteBytes(path(QStringLiteral("in/坏.jpg")), QByteArray("J")));
    EXPECT_FALSE(ImportFormat(host, file, true));
    EXPECT_EQ(msgs(), QStringList {QStringLiteral("格式文件有错！")});
    EXPECT_TRUE(rowsOf(QStringLiteral("坏")).isEmpty());
    EXPECT_FALSE(QFile::exists(GetBackgroundPicturePath(QStringLiteral("坏"))));
}

// A database that cannot grow (a full data folder) refuses the rows: the
// import says so and stores nothing.
TEST_F(ExchangeFileTest, FullDataFolderIsSaidAndStoresNothing)
{
    QStringList lines = {QStringLiteral("<沃栎岚印坊格式专用_快递单专用>"), QStringLiteral("满")};
    QStringList row(22, QStringLiteral("1"));
    row[2] = QString(500, QChar(u'框'));
    for (int i = 0; i < 300; ++i)
        lines << row.join(kSep);
    const QString file = path(QStringLiteral("满.wlq"));
    ASSERT_TRUE(WriteBytes(file, cp936::Encode(lines.join(QStringLiteral("\r\n")))));
    ASSERT_TRUE(db::FormatExists(QStringLiteral("满")).has_value()); // the database exists
    {
        // Reading works and a journal fits; the database cannot grow.
        FullDiskScope full(QFileInfo(path(QStringLiteral("DATA.db"))).size());
        EXPECT_FALSE(ImportFormat(host, file, true));
    }
    ASSERT_EQ(msgs().size(), 1);
    EXPECT_TRUE(msgs().front().startsWith(QStringLiteral("格式没有导入：数据文件夹所在的磁盘已满！")))
        << msgs().front().toStdString();
    EXPECT_TRUE(rowsOf(QStringLiteral("满")).isEmpty());
}

// A write refused for another cause is not blamed on the disk: the message
// carries the database's own words.
TEST_F(ExchangeFileTest, RefusedRowsAreSaidWithTheirCause)
{
    QStringList lines = {QStringLiteral("<沃栎岚印坊格式专用_快递单专用>"), QStringLiteral("拒")};
    lines << QStringList(22, QStringLiteral("1")).join(kSep);
    const QString file = path(QStringLiteral("拒.wlq"));
    ASSERT_TRUE(WriteBytes(file, cp936::Encode(lines.join(QStringLiteral("\r\n")))));
    ASSERT_TRUE(db::ExecuteSQL(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE INSERT ON Fmt BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    EXPECT_FALSE(ImportFormat(host, file, true));
    ASSERT_EQ(msgs().size(), 1);
    EXPECT_EQ(msgs().front(), QStringLiteral("格式没有导入：出错信息：refused"));
    EXPECT_TRUE(rowsOf(QStringLiteral("拒")).isEmpty());
}

// A data folder with room for the rows but not for the picture beside the
// file: the import says so and brings in neither the rows nor the picture.
TEST_F(ExchangeFileTest, PictureThatDoesNotFitIsSaidAndNothingIsImported)
{
    QStringList lines = {QStringLiteral("<沃栎岚印坊格式专用_快递单专用>"), QStringLiteral("图")};
    lines << QStringList(22, QStringLiteral("1")).join(kSep);
    ASSERT_TRUE(QDir(dataDir()).mkdir(QStringLiteral("in")));
    const QString file = path(QStringLiteral("in/图.wlq"));
    ASSERT_TRUE(WriteBytes(file, cp936::Encode(lines.join(QStringLiteral("\r\n")))));
    ASSERT_TRUE(db::FormatExists(QStringLiteral("图")).has_value()); // the database exists
    const qint64 limit = QFileInfo(path(QStringLiteral("DATA.db"))).size() + 64 * 1024;
    ASSERT_TRUE(WriteBytes(path(QStringLiteral("in/图.jpg")), QByteArray(limit + 1024, 'j')));
    {
        FullDiskScope full(limit);
        EXPECT_FALSE(ImportFormat(host, file, true));
    }
    ASSERT_EQ(msgs().size(), 1);
    EXPECT_TRUE(msgs().front().startsWith(QStringLiteral("格式没有导入"))) << msgs().front().toStdString();
    EXPECT_TRUE(rowsOf(QStringLiteral("图")).isEmpty());
    EXPECT_FALSE(QFile::exists(GetBackgroundPicturePath(QStringLiteral("图"))));
}

TEST_F(ExchangeFileTest, SignaturesAndShortFilesAreRefused)
{
    makeFormat(QStringLiteral("A"));
    const QString full = path(QStringLiteral("B.wlq"));
    ASSERT_TRUE(exportTo(QStringLiteral("A"), full));
    dlg.Clear();
    EXPECT_FALSE(ImportFormat(host, full, false));
    EXPECT_EQ(msgs(),
              QStringList {QStringLiteral("无法识别此文件，请确认文件：“") + full
                           + QStringLiteral("”为沃栎快递单格式文件！")});
    // A format without rows exports as two lines, which no import accepts.
    dlg.Clear();
    const QString empty = path(QStringLiteral("C.wlq"));
    ASSERT_TRUE(exportTo(QStringLiteral("无行"), empty));
    EXPECT_EQ(ReadBytes(empty),
              cp936::Encode(QStringLiteral("<沃栎岚印坊格式专用_快递单专用>\r\n无行")));
    dlg.Clear();
    EXPECT_FALSE(ImportFormat(host, empty, true));
    EXPECT_EQ(msgs().size(), 1);
    // The short signature is the catalogue's.
    QByteArray bytes = ReadBytes(full);
    bytes.replace(cp936::Encode(QStringLiteral("_快递单专用")), QByteArray());
    const QString shortSig = path(QStringLiteral("D.wlq"));
    ASSERT_TRUE(WriteBytes(shortSig, bytes));
    dlg.Clear();
    EXPECT_FALSE(ImportFormat(host, shortSig, true));
    dlg.Clear();
    dlg.Queue(false);
    EXPECT_TRUE(ImportFormat(host, shortSig, false));
    EXPECT_EQ(rowsOf(QStringLiteral("D")).size(), 4);
}

TEST_F(ExchangeFileTest, TakenNamesAreAskedForAndQuotesWork)
{
    makeFormat(QStringLiteral("A'1"));
    const QString file = path(QStringLiteral("A'1.wlq"));
    ASSERT_TRUE(exportTo(QStringLiteral("A'1"), file));
    // Taken: the prompt offers the taken name; a taken answer asks again.
    dlg.Clear();
    dlg.Queue(QStringLiteral("A'1"));
    dlg.Queue(QStringLiteral(" 新\"名 "));
    dlg.Queue(false);
    ASSERT_TRUE(ImportFormat(host, file, true));
    int prompts = 0;
    for (const auto &s : dlg.shown())
        if (s.kind == QStringLiteral("input")) {
            ++prompts;
            EXPECT_EQ(s.text, QStringLiteral("格式：“A'1”已存在，请另取格式名！"));
            EXPECT_EQ(s.title, QStringLiteral("格式名输入"));
        }
    EXPECT_EQ(prompts, 2);
    EXPECT_EQ(rowsOf(QStringLiteral("新\"名")).size(), 4);
    // A cancelled prompt imports nothing.
    dlg.Clear();
    dlg.Queue(std::nullopt);
    EXPECT_FALSE(ImportFormat(host, file, true));
    EXPECT_EQ(rowsOf(QStringLiteral("A'1")).size(), 4);
}

TEST_F(ExchangeFileTest, ExportPathsOverwriteAndPicture)
{
    makeFormat(QStringLiteral("A"));
    ASSERT_TRUE(WriteBytes(GetBackgroundPicturePath(QStringLiteral("A")), QByteArray("PIC")));
    // No extension: ".wlq" is appended and the picture goes beside it.
    ASSERT_TRUE(exportTo(QStringLiteral("A"), path(QStringLiteral("noext"))));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("noext.wlq"))));
    EXPECT_EQ(ReadBytes(path(QStringLiteral("noext.jpg"))), QByteArray("PIC"));
    // Capital extension kept.
    ASSERT_TRUE(exportTo(QStringLiteral("A"), path(QStringLiteral("Cap.WLQ"))));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("Cap.WLQ"))));
    EXPECT_EQ(ReadBytes(path(QStringLiteral("Cap.jpg"))), QByteArray("PIC"));
    // Existing file, answer No: unchanged.
    ASSERT_TRUE(WriteBytes(path(QStringLiteral("old.wlq")), QByteArray("OLD")));
    dlg.Clear();
    dlg.Queue(path(QStringLiteral("old.wlq")));
    dlg.Queue(false);
    EXPECT_FALSE(ExportFormat(host, QStringLiteral("A")));
    EXPECT_EQ(ReadBytes(path(QStringLiteral("old.wlq"))), QByteArray("OLD"));
    // A file that cannot be written is reported, and no picture is copied.
    dlg.Clear();
    const QString bad = path(QStringLiteral("missing/dir/x.wlq"));
    dlg.Queue(bad);
    EXPECT_FALSE(ExportFormat(host, QStringLiteral("A")));
    EXPECT_FALSE(msgs().contains(QStringLiteral("格式：“A”导出完成！")));
    EXPECT_EQ(msgs().size(), 1);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("missing/dir/x.jpg"))));
    // No name and no chooser: nothing happens.
    dlg.Clear();
    EXPECT_FALSE(ExportFormat(host, QString()));
    EXPECT_TRUE(dlg.shown().empty());
}

// Over a file that can take no second name (FAT and exFAT sticks have no
// hard links; here the old file has every name ext4 allows it) the export
// works all the same: the old bytes move aside until the new ones are in.
TEST_F(ExchangeFileTest, ExportOverAFileThatCanTakeNoSecondName)
{
    makeFormat(QStringLiteral("A"));
    ASSERT_TRUE(WriteBytes(GetBackgroundPicturePath(QStringLiteral("A")), QByteArray("PIC")));
    const QString out = path(QStringLiteral("out")), names = path(QStringLiteral("names"));
    ASSERT_TRUE(QDir().mkpath(out) && QDir().mkpath(names));
    const QString old = out + QStringLiteral("/old.wlq");
    ASSERT_TRUE(WriteBytes(old, "OLD"));
    int n = 0;
    while (n < 70000
           && ::link(QFile::encodeName(old).constData(),
                     QFile::encodeName(names + u'/' + QString::number(n)).constData())
               == 0)
        ++n;
    if (errno != EMLINK)
        GTEST_SKIP() << "no limit to a file's names on this file system";
    dlg.Queue(old);
    dlg.Queue(true); // replace
    ASSERT_TRUE(ExportFormat(host, QStringLiteral("A"))) << qPrintable(msgs().join(u'|'));
    EXPECT_TRUE(ReadBytes(old).startsWith("<"));
    EXPECT_EQ(ReadBytes(out + QStringLiteral("/old.jpg")), "PIC");
    EXPECT_EQ(ReadBytes(names + QStringLiteral("/0")), "OLD");
    EXPECT_EQ(FilesIn(out), (QStringList {QStringLiteral("old.jpg"), QStringLiteral("old.wlq")}));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("export.pending"))));
}

TEST(ExchangeFileNames, BaseNameOfThePath)
{
    EXPECT_EQ(xfile::FormatNameFromPath(QStringLiteral("/home/a/顺丰.wlq")),
              QStringLiteral("顺丰"));
    EXPECT_EQ(xfile::FormatNameFromPath(QStringLiteral("a.b.wlq")), QStringLiteral("a.b"));
    EXPECT_EQ(xfile::FormatNameFromPath(QStringLiteral("/x.y/file")), QStringLiteral("file"));
    EXPECT_EQ(xfile::FormatNameFromPath(QStringLiteral("C:\\d\\韵达.wlq")), QStringLiteral("韵达"));
    EXPECT_EQ(xfile::FormatNameFromPath(QStringLiteral("/x/.wlq")), QString());
}

TEST(ExchangeFileNames, SplitRowsAreJoinedFromTheEnd)
{
    const QString full = QStringList(22, QStringLiteral("f")).join(kSep);
    QStringList lines = {QStringLiteral("sig"),
                         QStringLiteral("name"),
                         QStringLiteral("a"),
                         full,
                         QStringLiteral("b】★【c"),
                         QStringLiteral("d"),
                         full,
                         QString()};
    xfile::RepairSplitRows(lines);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines.at(2), QStringLiteral("a")); // never joined onto the name line
    EXPECT_EQ(lines.at(3), full + QStringLiteral("\r\nb】★【c\r\nd"));
    EXPECT_EQ(lines.at(4), full + QStringLiteral("\r\n"));
}

// The repair as first written (line by line from the end, joining and
// removing in place), kept as the reference the one-pass repair must match.
void ReferenceRepair(QStringList &lines)
{
    for (qsizetype i = lines.size() - 1; i >= 3; --i) {
        const QString line = lines.at(i);
        if (line.isEmpty() || num::Split(line, kSep).size() < 21) {
            lines[i - 1] += QStringLiteral("\r\n") + line;
            lines.removeAt(i);
        }
    }
}

TEST(ExchangeFileNames, RepairMatchesTheReferenceOnRandomFilesAndTheCorpus)
{
    // Lines of 0, 1, 5, 10, 11, 20, 21 and 22 fields, empty ones and
    // separator halves, in random files of 0 to 40 lines.
    const QString pieces[] = {QString(), QStringLiteral("a"), QStringList(5, "x").join(kSep),
                              QStringList(10, "x").join(kSep), QStringList(11, "").join(kSep),
                              QStringList(20, "y").join(kSep), QStringList(21, "z").join(kSep),
                              QStringList(22, "f").join(kSep), QStringLiteral("】★"),
                              QStringLiteral("【b")};
    quint32 seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };
    for (int round = 0; round < 3000; ++round) {
        QStringList lines;
        const int n = int(next() % 41);
        for (int i = 0; i < n; ++i)
            lines << pieces[next() % std::size(pieces)];
        QStringList expected = lines;
        ReferenceRepair(expected);
        xfile::RepairSplitRows(lines);
        ASSERT_EQ(lines, expected) << round;
    }
    const QDir corpus(QStringLiteral(TEST_SOURCE_DIR "/../fuzz/corpus/exchangefile"));
    const QStringList files = corpus.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString &f : files) {
        QStringList lines
            = num::Split(cp936::Decode(ReadBytes(corpus.filePath(f))), QStringLiteral("\r\n"));
        QStringList expected = lines;
        ReferenceRepair(expected);
        xfile::RepairSplitRows(lines);
        EXPECT_EQ(lines, expected) << qPrintable(f);
    }
}

TEST_F(ExchangeFileTest, OriginalFileExportsBackInItsOwnLayout)
{
    // Rows as the original program writes them: 15 significant digits,
    // Booleans as True/False, colours as decimal numbers, Dir as its code.
    auto line = [](QStringList f) { return f.join(kSep); };
    const QStringList rows = {
        line({"501",
              "0",
              "收件人‖‖‖姓名",
              "1",
              "12.3456789012346",
              "0.333333333333333",
              "30",
              "6",
              "0",
              "-2002.5",
              "16711680",
              "宋体",
              "10.5",
              "True",
              "False",
              "False",
              "True",
              "0",
              "502",
              "",
              "-502",
              "0"}),
        line({"502",   "0",    "金额", "0",          "100", "-3",    "40",    "6.25",
              "0.5",   "1000", "0",    "黑体",       "12",  "False", "False", "False",
              "False", "3",    "0",    "固定♂♂文字", "501", "999"}),
        line({"503",
              "0",
              "【§单据整体格式参数§】",
              "0",
              "2",
              "3",
              "230",
              "127",
              "0",
              "0",
              "15360",
              "",
              "0",
              "False",
              "False",
              "False",
              "False",
              "0",
              "0",
              "True|False|0|0|0|0|1|",
              "0",
              "0"}),
    };
    const QString sig = QStringLiteral("<沃栎岚印坊格式专用_快递单专用>");
    ASSERT_TRUE(QDir(dataDir()).mkpath(QStringLiteral("in")));
    const QString in = path(QStringLiteral("in/中通.wlq"));
    ASSERT_TRUE(WriteBytes(
        in,
        cp936::Encode(QStringList({sig, QStringLiteral("原名")}).join(QStringLiteral("\r\n"))
                      + QStringLiteral("\r\n") + rows.join(QStringLiteral("\r\n")))));
    dlg.Queue(false);
    ASSERT_TRUE(ImportFormat(host, in, true));
    const QList<QStringList> stored = rowsOf(QStringLiteral("中通"));
    ASSERT_EQ(stored.size(), 3);
    const QString a = stored.at(0).at(0), b = stored.at(1).at(0), h = stored.at(2).at(0);

    const QString out = path(QStringLiteral("out.wlq"));
    ASSERT_TRUE(exportTo(QStringLiteral("中通"), out));
    QStringList expected = {sig, QStringLiteral("中通")};
    for (QString r : rows) {
        QStringList f = r.split(kSep);
        f[0] = f.at(0) == "501" ? a : f.at(0) == "502" ? b : h;
        for (int k : {18, 20, 21}) {
            if (f.at(k) == "502")
                f[k] = b;
            else if (f.at(k) == "-502")
                f[k] = u'-' + b;
            else if (f.at(k) == "501")
                f[k] = a;
        }
        expected << f.join(kSep);
    }
    EXPECT_EQ(ReadBytes(out), cp936::Encode(expected.join(QStringLiteral("\r\n"))));
}

// The text is replaced only together with its picture. Here the picture's
// name beside the file is a link to a file elsewhere, and the picture's new
// file is gone (removed by something else) when its turn comes: the old
// text must stay. A later export replaces the link by name; the file it
// names keeps its bytes.
TEST_F(ExchangeFileTest, ExportKeepsTheOldTextWhenThePictureCannotBeReplaced)
{
    makeFormat(QStringLiteral("A"));
    ASSERT_TRUE(WriteBytes(GetBackgroundPicturePath(QStringLiteral("A")), QByteArray("PIC")));
    const QString out = path(QStringLiteral("out")), elsewhere = path(QStringLiteral("photos"));
    ASSERT_TRUE(QDir().mkpath(out) && QDir().mkpath(elsewhere));
    ASSERT_TRUE(WriteBytes(out + QStringLiteral("/old.wlq"), "OLD"));
    ASSERT_TRUE(WriteBytes(elsewhere + QStringLiteral("/pic.jpg"), "OLDPIC"));
    ASSERT_TRUE(QFile::link(QStringLiteral("../photos/pic.jpg"), out + QStringLiteral("/old.jpg")));
    const QStringList dataFiles = FilesIn(dataDir());
    const auto pictureGone = [&] {
        if (ReadBytes(out + QStringLiteral("/old.wlq")) == "OLD")
            return;
        for (const QString &f : QDir(out).entryList({QStringLiteral(".old.jpg.*")}, QDir::Files | QDir::Hidden))
            QFile::remove(out + u'/' + f);
    };
    dlg.Queue(out + QStringLiteral("/old.wlq"));
    dlg.Queue(true); // replace
    EXPECT_FALSE(ExportFormat(host, QStringLiteral("A"), pictureGone));
    EXPECT_EQ(msgs(), QStringList {QStringLiteral("文件保存出错！")});
    EXPECT_EQ(ReadBytes(out + QStringLiteral("/old.wlq")), "OLD");
    EXPECT_EQ(ReadBytes(out + QStringLiteral("/old.jpg")), "OLDPIC");
    EXPECT_EQ(FilesIn(out), (QStringList {QStringLiteral("old.jpg"), QStringLiteral("old.wlq")}));
    EXPECT_EQ(FilesIn(dataDir()), dataFiles);

    dlg.Queue(out + QStringLiteral("/old.wlq"));
    dlg.Queue(true);
    EXPECT_TRUE(ExportFormat(host, QStringLiteral("A")));
    EXPECT_FALSE(QFileInfo(out + QStringLiteral("/old.jpg")).isSymLink());
    EXPECT_EQ(ReadBytes(out + QStringLiteral("/old.jpg")), "PIC");
    EXPECT_EQ(ReadBytes(elsewhere + QStringLiteral("/pic.jpg")), "OLDPIC");
}
