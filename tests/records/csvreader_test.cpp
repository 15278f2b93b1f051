#include "platform/codepage.h"
#include "records/csvencoding.h"
#include "records/csvreader.h"
#include "support/gridcontrols.h"
#include "support/testenv.h"

#include <QFile>
#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>

using namespace imp;

namespace {

// The split form with "|" for the separator, "<open>" for an open cell.
QString Shown(const QString &line)
{
    const std::optional<QString> t = SplitCsvLineChecked(line);
    return t ? QString(*t).replace(kCellSeparator, QStringLiteral("|")) : QStringLiteral("<open>");
}

// UTF-16 with its byte-order mark.
QByteArray Utf16(const QString &text, bool littleEndian)
{
    QByteArray out(littleEndian ? "\xFF\xFE" : "\xFE\xFF");
    for (const QChar c : text) {
        const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
        out += littleEndian ? lo : hi;
        out += littleEndian ? hi : lo;
    }
    return out;
}

} // namespace

TEST(CsvSplit, Cases)
{
    const char *cases[][2] = {
        {"a,b,c", "a|b|c"},
        {"\"x,\"\"y\"\"\"", "x,\"y\""}, // a quote, x, comma, two quotes, y, three quotes
        {"a,\"\",b", "a||b"}, // an empty quoted cell is empty
        {"\"\"", ""},
        {"a,\"\"\"\",b", "a|\"\"|b"}, // only doubled quotes: half as many
        {"a,\"open", "<open>"},
        {"ζζ,ξ,\"ζ,ξ\"", "ζζ|ξ|ζ,ξ"}, // the Greek letters are plain text
        {",", "|"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Shown(QString::fromUtf8(c[0])), QString::fromUtf8(c[1])) << c[0];
    EXPECT_EQ(CountRun(QStringLiteral("a\"\"\"b"), u'"', 1), 3);
    EXPECT_EQ(CountRun(QStringLiteral("a\"\"\"b"), u'"', 0), 0);
    EXPECT_EQ(CountOccurrences(QStringLiteral("aaaa"), QStringLiteral("aa")), 2);
}

class CsvFiles : public DataDirTest
{
protected:
    // The logical lines of a file holding bytes, as the import reads them.
    QStringList Read(const QByteArray &bytes, const char *name = "t.csv")
    {
        const QString p = path(QString::fromUtf8(name));
        QFile::remove(p); // a new file: writing over one waits for the disk
        EXPECT_TRUE(WriteBytes(p, bytes));
        CsvFile file;
        if (!file.Open(p))
            return {QStringLiteral("<not opened>")};
        QStringList lines;
        for (qint64 i = 0; i < file.Lines(); ++i)
            lines << file.Line(i);
        return lines;
    }
    // The text of a file of lines without quotes, lines joined by LF.
    QString Text(const QByteArray &bytes) { return Read(bytes).join(u'\n'); }
};

TEST_F(CsvFiles, LogicalLines)
{
    // A quoted cell over three physical lines (CR LF, lone LF) is one line;
    // empty lines stay; a final line end opens no line.
    EXPECT_EQ(Read("h1,h2\r\n1,\"a\r\nb\nc\"\r\n\r\n2,x\n"),
              (QStringList {QStringLiteral("h1,h2"), QStringLiteral("1,\"a\r\nb\r\nc\""),
                            QString(), QStringLiteral("2,x")}));
    EXPECT_EQ(Read(""), QStringList {QString()});
    // An open cell at the end is closed there and kept.
    EXPECT_EQ(Read("a,\"b\r\nc"), QStringList {QStringLiteral("a,\"b\r\nc\"")});
    EXPECT_EQ(Read("a,b", "t.txt"), QStringList {QStringLiteral("<not opened>")});
}

TEST_F(CsvFiles, EncodingsAndMultiLineCellsIntoDataGrid)
{
    const QString body = QStringLiteral("姓名,地址,备注\r\n张三,\"北京市\r\n朝阳区\",ζ与ξ\r\n"
                                        "李四,\"上海,浦东\",\"说\"\"好\"\"\"\r\n");
    struct File
    {
        const char *name;
        QByteArray bytes;
    };
    const File files[] = {
        {"gbk.csv", cp936::Encode(body)},
        {"bom.CSV", "\xEF\xBB\xBF" + body.toUtf8()},
        {"utf8.csv", body.toUtf8()},
        {"utf16le.csv", Utf16(body, true)},
        {"utf16be.csv", Utf16(body, false)},
    };
    // GBK has ζ and ξ, so its file holds them too.
    ASSERT_EQ(cp936::Decode(cp936::Encode(body)), body);
    GridControls page;
    page.Add(0, QStringLiteral("收件人"));
    page.Add(0, QStringLiteral("地址"));
    page.Add(0, QStringLiteral("备注"));
    const ColumnMaps maps {
        {QStringLiteral("A"), QStringLiteral("\"地址：\",B"), QStringLiteral("C")}};
    for (const File &f : files) {
        ASSERT_TRUE(WriteBytes(path(QString::fromUtf8(f.name)), f.bytes));
        GridModel grid;
        grid.setRows(2);
        grid.setCols(1);
        grid.setFixedRows(2);
        grid.setFixedCols(1);
        ASSERT_TRUE(ReadCsvData(grid, path(QString::fromUtf8(f.name)), 2, 3, maps, 1, page,
                                QStringLiteral("//")));
        ASSERT_EQ(grid.rows(), 4) << f.name;
        EXPECT_EQ(grid.text(2, 1), QStringLiteral("张三")) << f.name;
        EXPECT_EQ(grid.text(2, 2), QStringLiteral("地址：北京市//朝阳区")) << f.name;
        EXPECT_EQ(grid.text(2, 3), QStringLiteral("ζ与ξ")) << f.name;
        EXPECT_EQ(grid.text(3, 2), QStringLiteral("地址：上海,浦东")) << f.name;
        EXPECT_EQ(grid.text(3, 3), QStringLiteral("说\"好\"")) << f.name;
    }
    GridModel grid;
    grid.setRows(2);
    grid.setFixedRows(2);
    grid.setFixedCols(1);
    EXPECT_FALSE(ReadCsvData(grid, path(QStringLiteral("gbk.csv")), 2, 3, maps, 0, page,
                             QStringLiteral("//")));
}

TEST_F(CsvFiles, Preview)
{
    ASSERT_TRUE(WriteBytes(path(QStringLiteral("p.csv")),
                           cp936::Encode(QStringLiteral("a,b\r\n\r\n\"x\r\ny\",z\r\n"))));
    GridModel grid;
    grid.setRows(20);
    grid.setCols(60);
    PreviewCsv(grid, path(QStringLiteral("p.csv")));
    EXPECT_EQ(grid.text(1, 2), QStringLiteral("b"));
    EXPECT_EQ(grid.text(2, 1), QString());
    EXPECT_EQ(grid.text(3, 1), QStringLiteral("x\r\ny"));
    EXPECT_EQ(grid.text(3, 2), QStringLiteral("z"));

    // The preview finds only the lines it shows; the encoding takes the
    // whole file.
    QByteArray many;
    for (int r = 1; r <= 40; ++r)
        many += QByteArray::number(r) + ",x\r\n";
    ASSERT_TRUE(WriteBytes(path(QStringLiteral("m.csv")), many + "王芳,北京\r\n"));
    CsvFile file;
    ASSERT_TRUE(file.Open(path(QStringLiteral("m.csv")), 19));
    EXPECT_EQ(file.Lines(), 19);
    EXPECT_EQ(file.encoding(), CsvEncoding::Utf8);
    PreviewCsv(grid, path(QStringLiteral("m.csv")));
    EXPECT_EQ(grid.text(19, 1), QStringLiteral("19"));
}

namespace {

// The 1,920 characters whose two code page 936 bytes (lead C2..DF, trail
// 80..BF) also form a valid two-byte UTF-8 sequence.
QString AmbiguousCharacters()
{
    QByteArray bytes;
    for (int lead = 0xC2; lead <= 0xDF; ++lead)
        for (int trail = 0x80; trail <= 0xBF; ++trail)
            bytes += char(lead), bytes += char(trail);
    return cp936::Decode(bytes);
}

} // namespace

TEST_F(CsvFiles, CodePage936WhenUnsure)
{
    const QString ambiguous = AmbiguousCharacters();
    ASSERT_EQ(ambiguous.size(), 1920);
    ASSERT_FALSE(ambiguous.contains(QChar(0xFFFD)));
    // Each character alone in a one-record file, and all of them in a file of
    // two records, read as code page 936; but for 48 alone in a cell whose
    // UTF-8 twin is a sign or an accented letter costing less than the
    // character ("1,¢" for "1,垄", "1,À" for "1,脌").
    QString wrong;
    for (const QChar c : ambiguous) {
        const QString text = QStringLiteral("1,") + c;
        if (Text(cp936::Encode(text + QStringLiteral("\r\n"))) != text)
            wrong += c;
    }
    EXPECT_LE(wrong.size(), 48) << wrong.toStdString();
    const QString all = ambiguous.left(960) + QStringLiteral("\n") + ambiguous.mid(960);
    EXPECT_EQ(Text(cp936::Encode(all)), all);
    EXPECT_EQ(Text(cp936::Encode(QStringLiteral("专业,位置"))), QStringLiteral("专业,位置"));

    // Ordinary names and addresses in UTF-8 without a mark, from ten
    // characters up, read as UTF-8; the same in GB18030 (with four-byte
    // characters) as GB18030; a mark always means UTF-8.
    const char *texts[] = {
        "王小明,上海市徐汇区", "张三,北京市朝阳区建国路88号\n李四,广州市天河区",
        "收件人,电话,地址\n陈静,13800138000,浙江省杭州市西湖区文三路",
        "欧阳娜娜,深圳市南山区科技园", "专业,伟业,位置,住址,值班",
    };
    const QString fourByte = QString::fromUcs4(U"𠀀𠮷㐀");
    for (const char *t : texts) {
        const QString text = QString::fromUtf8(t);
        EXPECT_EQ(Text(text.toUtf8()), text) << t;
        EXPECT_EQ(Text("\xEF\xBB\xBF" + text.toUtf8()), text) << t;
        const QString wide = text + fourByte;
        const QByteArray gb = cp936::Encode(wide);
        ASSERT_EQ(cp936::Decode(gb), wide);
        EXPECT_EQ(Text(gb), wide) << t;
    }
}

TEST_F(CsvFiles, RecordsEndWithTheFile)
{
    // Five rows, a blank one inside; the map's quoted text on every record.
    ASSERT_TRUE(WriteBytes(path(QStringLiteral("five.csv")),
                           "h\r\n1,a\r\n\r\n3,c\r\n4,d\r\n"));
    ASSERT_TRUE(WriteBytes(path(QStringLiteral("empty.csv")), ""));
    GridControls page;
    page.Add(0, QStringLiteral("编号"));
    const ColumnMaps maps {{QStringLiteral("\"N\",A")}};
    struct Case
    {
        const char *file;
        qint64 first, last, interval, records;
    };
    const Case cases[] = {
        {"five.csv", 2, 100, 1, 4}, // rows 2..5: the blank row 3 stays a record
        {"five.csv", 1, 100, 2, 3}, // rows 1, 3, 5
        {"five.csv", 5, 5, 1, 1},
        {"five.csv", 6, 100, 1, 0}, // wholly past the end
        {"empty.csv", 2, 4, 1, 3}, // an empty file keeps the count
        {"missing.csv", 2, 4, 1, 3},
    };
    for (const Case &c : cases) {
        GridModel grid;
        grid.setRows(2);
        grid.setCols(1);
        grid.setFixedRows(2);
        grid.setFixedCols(1);
        ASSERT_TRUE(ReadCsvData(grid, path(QString::fromUtf8(c.file)), c.first, c.last, maps,
                                c.interval, page, QStringLiteral("//")));
        ASSERT_EQ(grid.rows() - 2, c.records) << c.file << " " << c.first;
        for (qint32 r = 2; r < grid.rows(); ++r)
            EXPECT_TRUE(grid.text(r, 1).startsWith(u'N')) << c.file << " " << r;
    }
    GridModel grid;
    grid.setRows(2);
    grid.setCols(1);
    grid.setFixedRows(2);
    grid.setFixedCols(1);
    ASSERT_TRUE(ReadCsvData(grid, path(QStringLiteral("five.csv")), 2, 100, maps, 1, page,
                            QStringLiteral("//")));
    EXPECT_EQ(grid.text(2, 1), QStringLiteral("N1"));
    EXPECT_EQ(grid.text(3, 1), QStringLiteral("N"));
    EXPECT_EQ(grid.text(5, 1), QStringLiteral("N4"));
}

TEST_F(CsvFiles, CellsOfTheLinesReadOneByOne)
{
    // The reader indexes the file's bytes and reads only the lines records
    // ask for. Rows are given as cells joined by "|"; inner line ends come
    // out as the marker (LF here).
    struct Case
    {
        const char *bytes;
        std::vector<const char *> rows;
    };
    const Case cases[] = {
        {"a,b\r\n1,\"x\r\ny\nz\rw\",2\r\n\r\n\"q\"\"\",\"\"\r\n", {"a|b", "1|x\ny\nz\nw|2", "", "q\""}},
        {"h\n\"open\r\nstill open", {"h", "open\nstill open"}},
        {"h\r\n\"open at the end\r\n", {"h", "open at the end"}},
        {"\r\n\r\nx,y", {"", "", "x|y"}},
        {"\"a,b\",c\r\n\"\"\"\",d", {"a,b|c", "\"\"|d"}},
        {"\xE4\xB8\x80,x\nz\xEF\xBB\xBF\",y\n", {"一|x", "z\xEF\xBB\xBF,y"}}, // a mark inside is a character
        {"\xE4\xB8\x80,x\n\xCE", {"涓€|x", "\xEF\xBF\xBD"}}, // UTF-8 cut at the end: code page 936
    };
    GridControls page;
    for (int i = 0; i < 3; ++i)
        page.Add(0, QStringLiteral("列%1").arg(i));
    const ColumnMaps maps {{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}};
    for (const Case &c : cases) {
        ASSERT_TRUE(WriteBytes(path(QStringLiteral("t.csv")), c.bytes));
        GridModel grid;
        grid.setRows(2);
        grid.setCols(1);
        grid.setFixedRows(2);
        grid.setFixedCols(1);
        ASSERT_TRUE(ReadCsvData(grid, path(QStringLiteral("t.csv")), 1, 10, maps, 1, page,
                                QStringLiteral("\n")));
        ASSERT_EQ(grid.rows() - 2, qint32(c.rows.size())) << c.bytes;
        for (size_t r = 0; r < c.rows.size(); ++r) {
            QStringList cells;
            for (qint32 col = 1; col <= 3; ++col)
                cells << grid.text(qint32(r) + 2, col);
            while (!cells.isEmpty() && cells.last().isEmpty())
                cells.removeLast();
            EXPECT_EQ(cells.join(u'|'), QString::fromUtf8(c.rows[r])) << c.bytes << " row " << r;
        }
    }
}

TEST_F(CsvFiles, Utf16WithItsMark)
{
    QString rows;
    for (int r = 1; r <= 200; ++r)
        rows += QStringLiteral("王芳%1,138%2\r\n").arg(r).arg(r, 8, 10, QLatin1Char('0'));
    for (const bool le : {true, false}) {
        EXPECT_EQ(Text(Utf16(QStringLiteral("王芳,13800138000\r\n"), le)),
                  QStringLiteral("王芳,13800138000"));
        for (const QString &end : {QStringLiteral("\r\n"), QStringLiteral("\n")}) {
            const QStringList lines = Read(Utf16(QString(rows).replace(QStringLiteral("\r\n"), end), le));
            ASSERT_EQ(lines.size(), 200) << le;
            EXPECT_EQ(lines[199], QStringLiteral("王芳200,13800000200"));
        }
        // A quoted cell over two lines, and a file cut inside a character.
        EXPECT_EQ(Read(Utf16(QStringLiteral("\"北京\r\n朝阳\",1\n"), le)),
                  QStringList {QStringLiteral("\"北京\r\n朝阳\",1")});
        EXPECT_EQ(Text(Utf16(QStringLiteral("a"), le) + 'x'), QStringLiteral("a\uFFFD"));
        // Surrogates without their partners read as U+FFFD and split as
        // text; a pair stays whole inside a quoted cell.
        const QString lone = QStringLiteral("\"张三,") + QChar(0xDFFE) + QStringLiteral("李四,王")
            + QChar(0xDFFE) + QStringLiteral("\",x\r\n\"") + QChar(0xDFFE) + QStringLiteral("\",")
            + QChar(0xDBFF) + QChar(0xDBFF) + QStringLiteral(",\"𠏾,\"\"𠏾\"\"\"\r\n");
        QStringList cells;
        for (const QString &line : Read(Utf16(lone, le)))
            cells << Shown(line);
        EXPECT_EQ(cells, (QStringList {QStringLiteral("张三,\uFFFD李四,王\uFFFD|x"),
                                       QStringLiteral("\uFFFD|\uFFFD\uFFFD|𠏾,\"𠏾\"")}));
        EXPECT_EQ(Text(Utf16(QStringLiteral("a\r"), le) + 'x'), QStringLiteral("a\n\uFFFD"));
    }
}

TEST_F(CsvFiles, CodePageOfShortAndLateText)
{
    // Each file holds the text in UTF-8 without a mark (u) or in GBK (g).
    struct Case
    {
        char encoding;
        const char *text;
    };
    const Case cases[] = {
        {'u', "滕金霏,13812345678"}, {'u', "邓玥秀,13812345678"}, {'u', "慕容娟,13812345678"},
        {'u', "丸"}, {'u', "王芳,13800138000"}, {'g', "王芳,13800138000"},
        {'g', "窦芳,13812345678"}, {'g', "岑玥,13812345678"},
        {'u', "Müller,6×125g"}, {'u', "L'Oréal"}, {'u', "6×125g"}, {'g', "Müller,6×125g"},
        {'u', "专业,位置"}, {'g', "专业,位置"}, {'u', "收件人,电话\n陈静,13800138000"},
        // GBK whose bytes look like UTF-8 but for an over-long form, a
        // surrogate, a code above U+10FFFF.
        {'g', "鄝丂,13812345678"}, {'g', "憝丂,13812345678"}, {'g', "魫亐A,13812345678"},
    };
    for (const Case &c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const QByteArray bytes = c.encoding == 'u' ? text.toUtf8() : cp936::Encode(text);
        EXPECT_EQ(Text(bytes + '\n'), text) << c.encoding << " " << c.text;
    }
    // 1,700 tracking numbers (64 KiB), then Chinese.
    QString late;
    for (int r = 0; r < 1700; ++r)
        late += QStringLiteral("SF%1,YT%2,%3\n")
                    .arg(1000000000LL + r * 7919LL)
                    .arg(4300000000000LL + r * 104729LL)
                    .arg(r, 16, 10, QLatin1Char('0'));
    late += QStringLiteral("王芳,北京市朝阳区建国路88号");
    ASSERT_GT(late.size(), 65536);
    EXPECT_EQ(Read(late.toUtf8()).last(), QStringLiteral("王芳,北京市朝阳区建国路88号"));
    EXPECT_EQ(Read(cp936::Encode(late)).last(), QStringLiteral("王芳,北京市朝阳区建国路88号"));
}

TEST_F(CsvFiles, NamesInUtf8AndGbk)
{
    // Every two-character name of common surnames and given-name characters,
    // and 3,000 three-character ones, each alone in a one-record file.
    const QString surnames = QStringLiteral(
        "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程"
        "苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝"
        "龚邵万钱严覃武戴莫孔向汤常温康施文牛樊葛邢安齐易乔伍庞颜倪庄聂章鲁岳翟殷詹申欧耿关兰焦俞"
        "左柳甘祝包宁尚符舒阮柯纪梅童凌毕单季裴霍涂成苗谷盛曲翁冉骆蓝路游辛靳管柴蒙鲍华喻祁蒲房滕"
        "屈饶解牟艾尤阳时穆农司卓古吉缪简车项连芦麦褚娄窦戚岑景党宫费卜冷晏席卫米柏宗瞿桂全佟应臧"
        "闵苟邬边卞姬师和仇栾隋商刁沙荣巫寇桑郎甄丛仲虞敖巩明佘池查麻苑迟邝濮");
    const QString given = QStringLiteral(
        "伟芳娜秀敏静丽强磊军洋勇艳杰娟涛明超霞平刚桂英华玉萍红鹏飞辉鑫婷雪琳晶丹建国志文斌宇浩凯"
        "健俊帆帅旭宁龙林欣怡佳颖慧琪倩悦雯蕾薇梅莉兰凤洁燕玲芬瑶璐露婧妍茜菲蓉瑾琦曦晗涵轩睿博泽"
        "瑞昊皓宸逸晨阳铭鸿嘉翔豪毅鹤然彬峰坤庆成荣东海波亮兵新春生光德福祥贵山松柏霖森威武力锋振"
        "义耀权彤诗思梦雨语嫣蕊萌可馨童彦航哲乐恒朗远卓禹楠栋梓桐楷子一天安心若依云月星晓小美金银"
        "宝珠琴珍翠菊香娥姣娇妮姗婉娴淑惠贤良勤忠孝仁信智玥珺昇琇旻祎瑄璟霏锦绣晟煜炜烨熠珏琛瑜瑛"
        "琬璇璨钰铠锐骁骏腾翼蔚霄岚嵩峻屹巍弘宏泓淼渊沛潇滢沁汐沫潼澜洛清澈溪浠芯妤");
    QStringList names;
    for (const QChar s : surnames)
        for (const QChar g : given)
            names << QString(s) + g;
    for (qsizetype i = 0; i < 3000; ++i)
        names << QString(surnames.at(i % surnames.size())) + given.at((i * 7) % given.size())
                + given.at((i * 13 + 5) % given.size());
    QStringList wrong;
    for (const QString &name : std::as_const(names)) {
        const QString text = name + QStringLiteral(",13812345678");
        if (Text(text.toUtf8() + "\r\n") != text)
            wrong << QStringLiteral("UTF-8 ") + name;
        if (Text(cp936::Encode(text) + "\r\n") != text)
            wrong << QStringLiteral("GBK ") + name;
    }
    // A rare surname with a rare given name whose UTF-8 reading is a common
    // character and a Latin letter ("濮琇" as the nickname "姬L") reads so.
    EXPECT_LE(wrong.size(), 5) << " of " << names.size() * 2 << ": "
                               << wrong.mid(0, 40).join(u' ').toStdString();
}

TEST_F(CsvFiles, OrderExportsInEveryEncoding)
{
    // Order exports of 1 to 200 rows as shops write them: UTF-8 with and
    // without a mark, GBK, GB18030 with four-byte characters, UTF-16.
    const QStringList names {QStringLiteral("王芳"), QStringLiteral("欧阳娜娜"),
                             QStringLiteral("濮琇"), QStringLiteral("窦芳"), QStringLiteral("𠮷㐀")};
    for (const int n : {1, 2, 7, 200}) {
        QStringList rows {QStringLiteral("订单号,收件人,电话,地址,物品")};
        for (int r = 0; r < n; ++r)
            rows << QStringLiteral("SO%1,%2,138%3,\"广东省深圳市南山区科技园%4号, %5栋\",Müller 6×125g")
                        .arg(20260000 + r)
                        .arg(names[r % names.size()])
                        .arg(r, 8, 10, QLatin1Char('0'))
                        .arg(r + 1)
                        .arg(QChar(u'A' + r % 26));
        const QString text = rows.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
        const QByteArray files[] = {text.toUtf8(), "\xEF\xBB\xBF" + text.toUtf8(),
                                    cp936::Encode(text), Utf16(text, true), Utf16(text, false)};
        for (const QByteArray &bytes : files)
            EXPECT_EQ(Read(bytes), rows) << n << " " << bytes.left(4).toHex().constData();
    }
}

TEST_F(CsvFiles, BigFileCheckedAcrossItsPieces)
{
    // Over 1 MB of UTF-8, read in pieces that end inside characters; cut
    // inside its last character it is no UTF-8.
    QByteArray bytes = QStringLiteral("丸,1\n").toUtf8(); // 1 MiB falls inside a character
    const QString row(100, QChar(u'王'));
    while (bytes.size() < 1300000)
        bytes += (row + u'\n').toUtf8();
    ASSERT_TRUE(WriteBytes(path(QStringLiteral("big.csv")), bytes));
    CsvFile file;
    ASSERT_TRUE(file.Open(path(QStringLiteral("big.csv"))));
    EXPECT_EQ(file.encoding(), CsvEncoding::Utf8);
    EXPECT_EQ(file.Line(file.Lines() - 1), row);
    bytes.chop(2);
    ASSERT_TRUE(WriteBytes(path(QStringLiteral("big.csv")), bytes));
    ASSERT_TRUE(file.Open(path(QStringLiteral("big.csv"))));
    EXPECT_EQ(file.encoding(), CsvEncoding::CodePage936);
}

TEST_F(CsvFiles, TraditionalWordsSignsAndOtherScripts)
{
    // Short files of traditional characters, each alone in a one-record
    // file: the words that read wrongly, then every pair of 44 common
    // traditional characters.
    struct Case
    {
        char encoding;
        const char *text;
    };
    std::vector<Case> cases = {
        {'u', "東縣"}, {'u', "絲帶"}, {'u', "飛塵"}, {'g', "陳沖"}, {'g', "甯家瑋"},
        {'g', "鬆綁"}, {'g', "杞縣"}, {'u', "김민준"}, {'u', "이서연,박지훈"}, {'u', "¥599"},
        {'u', "±0.4mm"}, {'u', "© 2024"}, {'u', "½ inch"}, {'u', "a · b"}, {'u', "§12"},
    };
    const QString traditional = QStringLiteral(
        "東縣絲帶飛塵陳張劉楊黃趙吳鄭謝韓馮鄧葉蘇盧錢龍賀顧龔萬書華國偉麗強軍豔傑濤輝鵬貴義賢聖權");
    QStringList words;
    for (const QChar a : traditional)
        for (const QChar b : traditional)
            if (a != b)
                words << QString(a) + b;
    QStringList wrong;
    for (const Case &c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const QByteArray bytes = c.encoding == 'u' ? text.toUtf8() : cp936::Encode(text);
        if (Text(bytes + "\r\n") != text)
            wrong << QString(QChar(c.encoding)) + u' ' + text;
    }
    for (const QString &word : std::as_const(words)) {
        if (Text(word.toUtf8() + "\r\n") != word)
            wrong << QStringLiteral("u ") + word;
        if (Text(cp936::Encode(word) + "\r\n") != word)
            wrong << QStringLiteral("g ") + word;
    }
    // A sign alone before a blank or a number ("¥599", "© 2024") reads as
    // the Chinese character its bytes make in code page 936 when that is
    // the likelier text.
    EXPECT_LE(wrong.size(), 5) << " of " << cases.size() + words.size() * 2 << ": "
                               << wrong.mid(0, 40).join(u' ').toStdString();

    // An English price list of 200 rows in UTF-8 whose only non-ASCII
    // characters are signs.
    QStringList rows {QStringLiteral("SKU,Item,Price,Tolerance,Note")};
    const QStringList notes {QStringLiteral("© ACME 2024"), QStringLiteral("Brand®"),
                             QStringLiteral("½ inch"), QStringLiteral("Grade A · B"),
                             QStringLiteral("§12"), QStringLiteral("£9.50")};
    for (int r = 0; r < 200; ++r)
        rows << QStringLiteral("A%1,Steel bolt M%2,¥%3,±0.%4mm,%5")
                    .arg(r, 4, 10, QLatin1Char('0'))
                    .arg(r % 12 + 3)
                    .arg(100 + r * 7)
                    .arg(r % 9 + 1)
                    .arg(notes[r % notes.size()]);
    const QStringList read = Read((rows.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    ASSERT_EQ(read.size(), rows.size());
    EXPECT_EQ(read.last(), rows.last());
}

TEST(EncodingVote, ChineseUnitBesideANumber)
{
    // Every common character whose two code page 936 bytes also form one
    // UTF-8 character, as a unit beside a number: a file whose UTF-8 reading
    // is a letter of another script there ("23ƿ" for "23瓶", "10Ь" for
    // "10鞋"), a mark or no character at all is code page 936. A sign or a
    // unit letter ("23¥", "10Ω", a soft hyphen) may win: no verdict there.
    int letters = 0;
    QStringList wrong;
    for (int lead = 0xC2; lead <= 0xDF; ++lead)
        for (int trail = 0xA1; trail <= 0xBF; ++trail) {
            const QByteArray unit = QByteArray(1, char(lead)) + char(trail);
            const QChar u = QString::fromUtf8(unit).at(0);
            if (u.isSymbol() || u.isNumber() || u.isPunct() || QStringLiteral("Ωµμªº\u00AD").contains(u))
                continue;
            ++letters;
            for (const QByteArray &bytes :
                 {"SF000000000001,23" + unit, unit + "10,1", "23 " + unit}) {
                EncodingVote vote;
                vote.Add(bytes + "\r\n");
                if (vote.Result() != CsvEncoding::CodePage936)
                    wrong << cp936::Decode(bytes);
            }
        }
    EXPECT_GT(letters, 800); // of the 930
    EXPECT_TRUE(wrong.isEmpty()) << wrong.mid(0, 20).join(u' ').toStdString();
}

TEST_F(CsvFiles, UnitsTraditionalWordsAndUnassignedCodes)
{
    // One-record files: u holds the text in UTF-8, g in GBK, b the very
    // bytes of a GBK file whose UTF-8 reading holds a code point no character
    // is assigned to, glued to a letter (that reading in the comment).
    struct Case
    {
        char encoding;
        const char *text;
    };
    QStringList wrong;
    const Case cases[] = {
        // units beside numbers; signs and unit letters in UTF-8
        {'g', "SF000000000001,23瓶"}, {'g', "10鞋"}, {'g', "5帽,13812345678"}, {'g', "23 页"},
        {'u', "¥59"}, {'u', "10Ω"}, {'u', "5µm"}, {'u', "3μF"}, {'u', "25°C"}, {'u', "Brand®"},
        // traditional words, names whose other reading holds a Latin letter or "\"
        {'u', "磺胺"}, {'u', "菸酒"}, {'u', "僱主"}, {'u', "欽羨"},
        {'g', "璩珺,13812345678"}, {'g', "鎬籠"}, {'g', "鏈獅"},
        {'b', "\xE0\xA7\xA4\x41,13812345678"}, // "৤A"
        {'b', "\xEF\xBF\x81\x6E,13812345678"}, // "￁n"
        {'b', "\xE2\xBF\x9E\x4D,13812345678"}, // "⿞M"
        {'b', "\xE2\xBB\xB6\x43,13812345678"}, // "⻶C"
    };
    for (const Case &c : cases) {
        const QByteArray bytes =
            c.encoding == 'g' ? cp936::Encode(QString::fromUtf8(c.text)) : QByteArray(c.text);
        const QString text = c.encoding == 'u' ? QString::fromUtf8(bytes) : cp936::Decode(bytes);
        if (Text(bytes + "\r\n") != text)
            wrong << text;
    }
    // Read as UTF-8 "¥59" "賬B" "总\\" "未{" "৤A": a common character beside a
    // Latin letter or an ASCII sign outweighs two rare ones.
    EXPECT_LE(wrong.size(), 5) << wrong.join(u' ').toStdString();
}

TEST_F(CsvFiles, LinesFoundAgainFromTheKeptStarts)
{
    // A thousand lines: empty ones, quoted cells over line ends of every
    // kind, doubled quotes, a last cell left open. Read in order, backwards
    // and in jumps, through the smallest index (two lines found at a time,
    // at most four starts kept, so they are thinned out again and again)
    // and through the usual one, in every encoding.
    const char *const ends[] = {"\r\n", "\n", "\r"};
    QStringList expected;
    QString text;
    for (int i = 0; i < 1000; ++i) {
        const char *end = ends[i % 3], *inner = ends[(i / 3) % 3];
        QString line;
        switch (i % 5) {
        case 1:
            line = QStringLiteral("a%1,b").arg(i);
            break;
        case 2:
            line = QStringLiteral("\"x%1%2y\",z").arg(i).arg(QLatin1String(inner));
            break;
        case 3:
            line = QStringLiteral("张%1,\"\"\"q\"\"\"").arg(i);
            break;
        case 4:
            line = QStringLiteral("c%1").arg(i);
            break;
        }
        // A CR before an empty line would make one line end with its LF.
        if (i % 5 == 4 && QLatin1String(end) == QLatin1String("\r"))
            end = "\n";
        text += line + QLatin1String(end);
        expected << QString(line).replace(QLatin1String(inner), QLatin1String("\r\n"));
    }
    text += QStringLiteral("d,\"open\r\nrest");
    expected << QStringLiteral("d,\"open\r\nrest\"");
    const qint64 n = expected.size();
    const QByteArray files[] = {cp936::Encode(text), "\xEF\xBB\xBF" + text.toUtf8(),
                                Utf16(text, true), Utf16(text, false)};
    for (const CsvIndexSize size : {CsvIndexSize {2, 4}, CsvIndexSize {}}) {
        for (const QByteArray &bytes : files) {
            SCOPED_TRACE(bytes.left(3).toHex().toStdString() + " window "
                         + std::to_string(size.window));
            QFile::remove(path(QStringLiteral("many.csv")));
            ASSERT_TRUE(WriteBytes(path(QStringLiteral("many.csv")), bytes));
            CsvFile file(size);
            ASSERT_TRUE(file.Open(path(QStringLiteral("many.csv"))));
            ASSERT_EQ(file.Lines(), n);
            EXPECT_EQ(file.UsedLines(), n);
            EXPECT_TRUE(file.LastLineOpen());
            for (qint64 i = 0; i < n; ++i)
                ASSERT_EQ(file.Line(i), expected[i]) << "forwards " << i;
            for (qint64 i = n - 1; i >= 0; --i)
                ASSERT_EQ(file.Line(i), expected[i]) << "backwards " << i;
            for (qint64 k = 0; k < n; ++k)
                ASSERT_EQ(file.Line(k * 337 % n), expected[k * 337 % n]) << "jump " << k;
        }
    }
}

TEST(EncodingVote, ProbeClassesHeld)
{
    // The generated probe files (tools/codepageprobes.py), each read from
    // UTF-8 without a mark, GBK, and GB18030 where it needs four-byte codes:
    // no class may read wrong more often than the table says. Lower a row
    // when the vote gets better; never raise one.
    struct Row
    {
        const char *name;
        int wrong[3]; // UTF-8, GBK, GB18030
    };
    const Row held[] = {
        {"names", {0, 0, 0}},
        {"traditional names", {0, 0, 0}},
        {"latin nicknames", {0, 1, 0}},
        {"addresses", {0, 0, 0}},
        {"glued products", {0, 0, 0}},
        {"traditional words", {0, 0, 0}},
        {"signs beside numbers", {45, 0, 0}},
        {"one character beside a number", {0, 0, 0}},
        {"single characters", {0, 0, 0}},
        {"kana and hangul beside chinese", {0, 0, 0}},
        {"emoji", {0, 0, 0}},
        {"full-width forms", {0, 0, 0}},
        {"four-byte names", {0, 0, 0}},
        {"sign twins beside a number", {0, 26, 0}},
        {"named files", {0, 2, 0}},
    };
    QFile probes(QStringLiteral(TEST_SOURCE_DIR "/records/fixtures/codepageprobes.txt"));
    ASSERT_TRUE(probes.open(QIODevice::ReadOnly));
    std::map<QString, std::array<int, 6>> seen; // wrong and files per encoding
    std::map<std::pair<QString, int>, QStringList> examples;
    while (!probes.atEnd()) {
        const QStringList fields = QString::fromUtf8(probes.readLine()).chopped(1).split(u'\t');
        ASSERT_EQ(fields.size(), 3);
        const QString text = QString(fields[2])
                                 .replace(u'|', QStringLiteral("\r\n"))
                                 .replace(QStringLiteral("\\0"), QString(QChar(0)))
            + QStringLiteral("\r\n");
        const QByteArray gb = cp936::Encode(text);
        bool fourByte = false; // a second byte 0x30-0x39 makes a four-byte code
        for (qsizetype i = 0; i + 1 < gb.size(); i += uchar(gb[i]) < 0x80 ? 1 : 2)
            fourByte = fourByte || (uchar(gb[i]) >= 0x81 && gb[i + 1] >= '0' && gb[i + 1] <= '9');
        std::array<int, 6> &counts = seen[fields[0]];
        const auto vote = [&](const QByteArray &bytes, int column) {
            EncodingVote v;
            v.Add(bytes);
            const QString read = v.Result() == CsvEncoding::Utf8 ? QString::fromUtf8(bytes) : cp936::Decode(bytes);
            ++counts[column + 3];
            if (read != text) {
                ++counts[column];
                examples[{fields[0], column}] << fields[2];
            }
        };
        if (fields[1] != u'g')
            vote(text.toUtf8(), 0);
        if (fields[1] != u'u' && cp936::Decode(gb) == text)
            vote(gb, fourByte ? 2 : 1);
    }
    std::string table;
    for (const Row &row : held) {
        const std::array<int, 6> &counts = seen[QString::fromUtf8(row.name)];
        table += QStringLiteral("%1 | %2/%3 | %4/%5 | %6/%7\n")
                     .arg(QString::fromUtf8(row.name), -31)
                     .arg(counts[0]).arg(counts[3]).arg(counts[1]).arg(counts[4]).arg(counts[2]).arg(counts[5])
                     .toStdString();
        EXPECT_GT(counts[3] + counts[4] + counts[5], 0) << row.name;
        for (int column = 0; column < 3; ++column)
            EXPECT_LE(counts[column], row.wrong[column])
                << row.name << " " << column << ": "
                << examples[{QString::fromUtf8(row.name), column}].mid(0, 12).join(u' ').toStdString();
    }
    std::printf("class | UTF-8 | GBK | GB18030 (wrong/files)\n%s", table.c_str());
}
