// The default record and the history in a real database; DataGrid rows shown
// in the page; the record scroll bar; the grid search; picture-box contents
// read back with zbarimg.

#include "core/database.h"
#include "core/formatgrid.h"
#include "core/progress.h"
#include "core/settings.h"
#include "platform/numtext.h"
#include "records/defaultrecord.h"
#include "records/history.h"
#include "records/picturecontent.h"
#include "records/recordstep.h"
#include "support/testenv.h"
#include "testpage.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Two input boxes, a check box and a picture box; IDs 11, 12, 21, 31.
void BuildPage(TestPage &page)
{
    page.Add(Row(0, 11));
    page.Add(Row(0, 12));
    page.Add(Row(1, 21));
    page.Add(Row(2, 31));
}

void Fill(TestPage &page, const QString &a, const QString &b, const QString &check,
          const QString &pic)
{
    page.At(1).value = a;
    page.At(2).value = b;
    page.At(1001).value = check;
    page.At(2001).value = pic;
}

// The format's rows in Fmt, so that the history grid gets its columns.
void StoreFormatRows(const QString &name)
{
    const QList<std::pair<qint64, QString>> rows
        = {{11, u"收件人"_s}, {12, u"地址"_s}, {21, u"保价"_s}, {31, u"条码"_s}};
    for (const auto &[id, lbl] : rows)
        db::ExecuteSQL(u"INSERT INTO Fmt (ID, Fmt, LBL, Clas) VALUES (?, ?, ?, ?)"_s,
                       {id, name, lbl, qint64(id / 10 - 1)});
    db::ExecuteSQL(u"INSERT INTO Fmt (Fmt, LBL, Clas) VALUES (?, ?, 0)"_s,
                   {name, fmtgrid::HeaderMarker()});
}

QStringList HistoryRows(const QString &name)
{
    QStringList out;
    auto rs = db::OpenRecordset(u"SELECT ID, CID, Con FROM 历史 WHERE Fmt=? ORDER BY ID, CID"_s,
                                {name});
    for (const auto &r : rs->rows)
        out << num::Text(r.value(0)) + u":"_s + num::Text(r.value(1)) + u"="_s
                + num::Text(r.value(2));
    return out;
}

} // namespace

class Records : public DataDirTest
{
};

TEST_F(Records, DefaultRecordRoundTrip)
{
    TestPage page;
    BuildPage(page);
    Fill(page, u"张三\r\n李四"_s, {}, u"2"_s, u"6901234567892"_s);
    ASSERT_TRUE(rec::SaveDefaultRecord(page, page.name));
    // A row naming a control that no longer exists is ignored.
    db::ExecuteSQL(u"INSERT INTO 默认 (Fmt, ID, Con) VALUES (?, 99, 'x')"_s, {page.name});

    TestPage again;
    BuildPage(again);
    again.At(2).value = u"kept"_s;
    rec::LoadDefaultRecord(again, page.name);
    EXPECT_EQ(again.Text(1), u"张三\r\n李四"_s);
    EXPECT_EQ(again.Text(2), u"kept"_s); // empty box: no row, keeps its text
    EXPECT_EQ(again.Text(1001), u"2"_s);
    EXPECT_EQ(again.Text(2001), u"6901234567892"_s);

    // Saving again replaces the record; another format's record stays.
    ASSERT_TRUE(rec::SaveDefaultRecord(page, u"其他"_s));
    Fill(page, u"王五"_s, {}, {}, {});
    ASSERT_TRUE(rec::SaveDefaultRecord(page, page.name));
    auto rs = db::OpenRecordset(u"SELECT Fmt, ID, Con FROM 默认 ORDER BY Fmt, ID"_s);
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->size(), 4);
    EXPECT_EQ(num::Text(rs->value(0, 2)), u"张三\r\n李四"_s); // 其他 sorts first
    EXPECT_EQ(num::Text(rs->value(3, 2)), u"王五"_s);
}

TEST_F(Records, HistoryAppendLoadApplyDelete)
{
    TestPage page;
    BuildPage(page);
    StoreFormatRows(page.name);
    Fill(page, u"r1"_s, {}, {}, {});
    ASSERT_TRUE(rec::SaveHistoryRecord(page, page.name));
    // A batch: consecutive numbers in one go.
    Fill(page, u"r2"_s, u"addr2"_s, u"1"_s, {});
    const rec::PrintedPage p2 = rec::CollectPageContents(page);
    Fill(page, u"r3"_s, {}, u"2"_s, u"123"_s);
    const rec::PrintedPage p3 = rec::CollectPageContents(page);
    ASSERT_TRUE(rec::AppendHistoryRecords(page.name, {p2, p3}));
    EXPECT_EQ(HistoryRows(page.name),
              QStringList({u"1:11=r1"_s, u"2:11=r2"_s, u"2:12=addr2"_s, u"2:21=1"_s, u"3:11=r3"_s,
                           u"3:21=2"_s, u"3:31=123"_s}));

    GridModel grid;
    rec::LoadHistoryGrid(grid, page.name);
    ASSERT_EQ(grid.rows(), 5);
    ASSERT_EQ(grid.cols(), 6);
    EXPECT_EQ(grid.text(1, 1), u"序号"_s);
    // Columns by class, then label: 地址 before 收件人 (code points).
    EXPECT_EQ(grid.text(0, 2), u"12"_s);
    EXPECT_EQ(grid.text(1, 3), u"收件人"_s);
    EXPECT_EQ(grid.text(2, 0), u"3"_s); // newest first
    EXPECT_EQ(grid.text(2, 1), u"1"_s);
    EXPECT_EQ(grid.text(4, 0), u"1"_s);
    EXPECT_EQ(grid.text(4, 1), u"3"_s);
    EXPECT_EQ(grid.text(2, 5), u"123"_s);
    EXPECT_EQ(grid.colWidth(0), 0);
    EXPECT_EQ(grid.rowHeight(0), 0);

    // Applying record 2 fills the boxes it has; the others keep their values.
    grid.setRow(3);
    Fill(page, u"now"_s, u"now"_s, {}, u"keep"_s);
    rec::ApplyHistoryRow(page, grid);
    EXPECT_EQ(page.Text(1), u"r2"_s);
    EXPECT_EQ(page.Text(2), u"addr2"_s);
    EXPECT_EQ(page.Text(1001), u"1"_s);
    EXPECT_EQ(page.Text(2001), u""_s); // the record has no content for it: empty cell

    // Deleting grid rows 2 to 3 (records 2 and 1).
    grid.setRow(4);
    grid.setRowSel(3);
    const auto range = rec::SelectedHistoryRows(grid);
    ASSERT_TRUE(range);
    EXPECT_EQ(rec::DeleteHistoryQuestion(grid, *range), u"您确定要删除第2至第3行？"_s);
    ASSERT_TRUE(rec::DeleteHistoryRows(grid, page.name, *range));
    EXPECT_EQ(HistoryRows(page.name), QStringList({u"3:11=r3"_s, u"3:21=2"_s, u"3:31=123"_s}));
    EXPECT_EQ(grid.rows(), 3);
    // The next print takes the highest number + 1.
    ASSERT_TRUE(rec::SaveHistoryRecord(page, page.name));
    EXPECT_EQ(HistoryRows(page.name).last(), u"4:21=1"_s);

    // Deleting all.
    rec::LoadHistoryGrid(grid, page.name);
    ASSERT_TRUE(rec::SelectAllHistoryRows(grid));
    ASSERT_TRUE(rec::DeleteHistoryRows(grid, page.name, *rec::SelectedHistoryRows(grid)));
    EXPECT_TRUE(HistoryRows(page.name).isEmpty());
    EXPECT_FALSE(rec::SelectAllHistoryRows(grid));
    EXPECT_FALSE(rec::SelectedHistoryRows(grid));

    // A page without contents took its sheet: it is a record of its own,
    // shown as an empty row.
    ASSERT_TRUE(rec::AppendHistoryRecords(page.name, {p2, {}, p3}));
    EXPECT_EQ(HistoryRows(page.name)[3], u"2:0="_s);
    EXPECT_EQ(HistoryRows(page.name).last(), u"3:31=123"_s);
    rec::LoadHistoryGrid(grid, page.name);
    ASSERT_EQ(grid.rows(), 5);
    EXPECT_EQ(grid.text(3, 0), u"2"_s);
    for (int c = 2; c < grid.cols(); ++c)
        EXPECT_EQ(grid.text(3, c), u""_s);
}

// The last state the progress window showed under a caption.
struct LastShown : IndicatorView
{
    explicit LastShown(QString c)
        : caption(std::move(c))
    { }
    QString caption;
    IndicatorState last;
    std::function<void()> onLoad;
    void Load() override
    {
        if (onLoad)
            onLoad();
    }
    void Refresh(const IndicatorState &s, bool) override
    {
        if (s.caption == caption)
            last = s;
    }
    void Unload() override { }
};

TEST_F(Records, HistoryLoadStepsEveryRowAndKeepsEveryText)
{
    TestPage page;
    BuildPage(page);
    StoreFormatRows(page.name);
    // 321 rows (over the progress window's 300): 160 records of two
    // contents, one a long text outside the basic plane, and a record whose
    // only content is NULL.
    const QString longText = u"浙江省😀"_s.repeated(20000);
    std::vector<rec::PrintedPage> pages(160);
    for (int i = 0; i < 160; ++i)
        pages[size_t(i)] = {{11, QString::number(i)}, {12, i == 7 ? longText : u"地址"_s}};
    ASSERT_TRUE(rec::AppendHistoryRecords(page.name, pages));
    ASSERT_TRUE(db::ExecuteSQL(u"INSERT INTO 历史 (Fmt, ID, CID, Con) VALUES (?, 161, 21, NULL)"_s,
                               {page.name}));
    LastShown view(u"正在加载历史记录……"_s);
    // Another copy of the program stores a record of 50 rows between the
    // count and the read: it is shown, and the bar ends at its end.
    view.onLoad = [&] {
        auto other = sql::Connection::Open(db::DatabasePath(), db::kDatabasePassword);
        ASSERT_TRUE(other);
        for (int i = 0; i < 50; ++i)
            ASSERT_TRUE(other->Exec(u"INSERT INTO 历史 (Fmt, ID, CID, Con) VALUES (?, 162, 11, ?)"_s,
                                    {page.name, u"另一份"_s}));
    };
    SetIndicatorView(&view);
    GridModel grid;
    rec::LoadHistoryGrid(grid, page.name);
    SetIndicatorView(nullptr);
    EXPECT_EQ(view.last.total, 321);
    EXPECT_EQ(view.last.position, 321);
    ASSERT_EQ(grid.dataRows(), 162);
    EXPECT_EQ(grid.text(2, 3), u"另一份"_s);
    // Columns: 地址 (12), 收件人 (11), 保价 (21); newest record first.
    EXPECT_EQ(grid.rowCells(3)[0].text, u"161"_s);
    for (int c = 2; c < grid.cols(); ++c)
        EXPECT_EQ(grid.text(3, c), u""_s);
    EXPECT_EQ(grid.text(156, 1), u"155"_s);
    EXPECT_EQ(grid.text(156, 3), u"7"_s);
    EXPECT_TRUE(grid.text(156, 2) == longText);
    EXPECT_EQ(grid.text(163, 0), u"1"_s);
    EXPECT_EQ(grid.text(163, 2), u"地址"_s);
}

TEST_F(Records, FailedWritesKeepWhatWasStored)
{
    TestPage page;
    BuildPage(page);
    Fill(page, u"old"_s, {}, {}, {});
    ASSERT_TRUE(rec::SaveDefaultRecord(page, page.name));
    Fill(page, u"a"_s, u"b"_s, {}, {});
    const rec::PrintedPage p = rec::CollectPageContents(page);
    // Writing "b" fails: what came before it in the same write is undone.
    for (const char *table : {"历史", "默认"})
        db::ExecuteSQL(QStringLiteral("CREATE TRIGGER NoB%1 BEFORE INSERT ON %1 WHEN NEW.Con='b' "
                                      "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                           .arg(QString::fromUtf8(table)));
    EXPECT_FALSE(rec::AppendHistoryRecords(page.name, {p, p}));
    EXPECT_TRUE(HistoryRows(page.name).isEmpty());
    EXPECT_FALSE(rec::SaveDefaultRecord(page, page.name));
    TestPage again;
    BuildPage(again);
    rec::LoadDefaultRecord(again, page.name);
    EXPECT_EQ(again.Text(1), u"old"_s);
}

TEST_F(Records, ShowGridRowAndRecordScroll)
{
    TestPage page;
    page.Add(Row(0, 11));
    page.Add(Row(0, 12));
    page.Add(Row(0, 13));
    page.Add(Row(1, 21));
    // DataGrid: columns for boxes 2, 1 (twice), 1001 and box 3 hidden.
    GridModel grid;
    grid.setCols(6);
    grid.setRows(2);
    grid.setFixedRows(2);
    grid.setFixedCols(1);
    const QStringList head = {u""_s, u"2"_s, u"1"_s, u"1"_s, u"1001"_s, u"3"_s};
    for (int c = 0; c < 6; ++c)
        grid.setText(0, c, head.at(c));
    grid.setColWidth(5, 50);
    grid.addRow({u"1"_s, u"b"_s, u"a"_s, u"not this"_s, u"√"_s, u"hidden"_s});

    std::vector<qint32> focused;
    const rec::LostFocusFn lost = [&](qint32 i) { focused.push_back(i); };
    EXPECT_FALSE(rec::ShowGridRow(page, grid, 1, lost));
    EXPECT_FALSE(rec::ShowGridRow(page, grid, 3, lost));
    EXPECT_TRUE(focused.empty());
    page.At(3).value = u"typed"_s;
    EXPECT_EQ(rec::ShowGridRow(page, grid, 2, lost), 1);
    EXPECT_EQ(page.Text(1), u"a"_s);
    EXPECT_EQ(page.Text(2), u"b"_s);
    EXPECT_EQ(page.Text(3), u"typed"_s); // hidden column: not set, still converted
    EXPECT_EQ(page.Text(1001), u"√"_s);
    EXPECT_EQ(focused, (std::vector<qint32> {1, 2, 3}));

    // The scroll bar: no records, one record, two records.
    std::vector<qint32> shown;
    const auto show = [&](qint32 r) { shown.push_back(r); };
    GridModel empty;
    empty.setRows(2);
    empty.setFixedRows(2);
    EXPECT_EQ(rec::SetupRecordScroll(empty, show), (rec::RecordScroll {1, 1}));
    EXPECT_TRUE(shown.empty());
    const rec::RecordScroll one = rec::SetupRecordScroll(grid, show);
    EXPECT_EQ(one, (rec::RecordScroll {1, 1}));
    EXPECT_FALSE(one.enabled());
    grid.addRow({u"2"_s});
    const rec::RecordScroll two = rec::SetupRecordScroll(grid, show);
    EXPECT_EQ(two, (rec::RecordScroll {1, 2}));
    EXPECT_TRUE(two.enabled());
    EXPECT_EQ(shown, (std::vector<qint32> {2, 2}));
}

TEST_F(Records, FindInGridWrapsAndSelectsWholeRows)
{
    GridModel grid;
    grid.setCols(4);
    grid.setRows(2);
    grid.setFixedRows(2);
    grid.setFixedCols(2);
    grid.addRow({u"9"_s, u"1"_s, u"北京 张三"_s, u""_s});
    grid.addRow({u"8"_s, u"2"_s, u"上海"_s, u"李四"_s});
    grid.addRow({u"7"_s, u"3"_s, u"北京 王五"_s, u""_s});
    grid.setCurrent(3, 2);
    QString key = u"  北京 "_s;
    EXPECT_EQ(rec::FindInGrid(grid, key), rec::FindResult::Found);
    EXPECT_EQ(key, u"北京"_s);
    EXPECT_EQ(grid.row(), 4); // from the current row on
    EXPECT_EQ(grid.topRow(), 4);
    EXPECT_EQ(grid.col(), 2);
    EXPECT_EQ(grid.colSel(), 3);
    EXPECT_EQ(grid.rowSel(), 4);
    EXPECT_EQ(rec::FindInGrid(grid, key), rec::FindResult::Found);
    EXPECT_EQ(grid.row(), 2); // wrapped to the first data row
    EXPECT_EQ(rec::FindInGrid(grid, key), rec::FindResult::Found);
    EXPECT_EQ(grid.row(), 4);
    // The record number columns are not searched; nothing found changes nothing.
    QString number = u"9"_s;
    EXPECT_EQ(rec::FindInGrid(grid, number), rec::FindResult::NotFound);
    EXPECT_EQ(grid.row(), 4);
    EXPECT_EQ(grid.colSel(), 3);
    QString blank = u"  "_s;
    EXPECT_EQ(rec::FindInGrid(grid, blank), rec::FindResult::NothingToSearch);
}

TEST_F(Records, PictureContentBarCodesAndFiles)
{
    // The EAN-13 symbol for setting 1, Code 39 for 0 or none.
    const struct
    {
        BarCodeStandard standard;
        const char *symbology;
    } cases[] = {{BarCodeStandard::EAN13, "EAN-13"}, {BarCodeStandard::Code39, "CODE-39"}};
    for (const auto &c : cases) {
        rec::PictureBoxLook box;
        ASSERT_TRUE(rec::SetPictureContent(box, u"6901234567892"_s, 4200, 1200, 9, c.standard));
        EXPECT_EQ(box.linkItem, u"6901234567892"_s);
        EXPECT_EQ(box.toolTip, u"当前条码：6901234567892"_s);
        // Scaled up for the reader: screen modules are one or two pixels.
        const QString png = path(u"code.png"_s);
        ASSERT_TRUE(box.picture.scaled(box.picture.size() * 3).save(png));
        QByteArray out;
        ASSERT_EQ(RunCommand(u"zbarimg"_s, {u"-q"_s, png}, &out), 0) << c.symbology;
        EXPECT_EQ(out.trimmed(), QByteArray(c.symbology) + ":6901234567892");
    }
    EXPECT_EQ(BarCodeStandardFromText({}), BarCodeStandard::Code39);
    EXPECT_EQ(BarCodeStandardFromText(u"1"_s), BarCodeStandard::EAN13);

    // A missing file leaves the box empty with the hint; a real one shows.
    rec::PictureBoxLook box;
    ASSERT_TRUE(rec::SetPictureContent(box, u"123"_s, 4200, 1200, 9, BarCodeStandard::Code39));
    ASSERT_TRUE(
        rec::SetPictureContent(box, path(u"none.jpg"_s), 4200, 1200, 9, BarCodeStandard::Code39));
    EXPECT_TRUE(box.linkItem.isEmpty());
    EXPECT_TRUE(box.picture.isNull());
    EXPECT_EQ(box.toolTip, rec::EmptyPictureHint());
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::red);
    const QString file = path(u"pic.png"_s);
    ASSERT_TRUE(img.save(file));
    ASSERT_TRUE(rec::SetPictureContent(box, file, 4200, 1200, 9, BarCodeStandard::Code39));
    EXPECT_EQ(box.toolTip, u"当前图片："_s + file);
    EXPECT_FALSE(box.picture.isNull());
    // The same path again is only a repaint.
    EXPECT_FALSE(rec::SetPictureContent(box, file, 4200, 1200, 9, BarCodeStandard::Code39));
}
