#include "core/database.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "platform/codepage.h"
#include "platform/ui/gridview.h"
#include "records/csvreader.h"
#include "records/importfile.h"
#include "records/ui/importwindows.h"
#include "support/gridcontrols.h"
#include "support/testenv.h"
#include "support/workstep.h"

#include <QApplication>
#include <QBuffer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

using namespace imp;

namespace {

bool MakeXls(const QString &path)
{
    const QString py = QStringLiteral("import sys, xlwt\nwb = xlwt.Workbook(encoding='utf-8')\n"
                                      "a = wb.add_sheet('甲')\nb = wb.add_sheet('乙')\n"
                                      "for r in range(6):\n    a.write(r, 0, '甲%d' % r)\n"
                                      "    b.write(r, 0, '乙%d' % r)\nwb.save(sys.argv[1])\n");
    return RunCommand(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), py, path}) == 0;
}

QByteArray JpegOf(Qt::GlobalColor colour)
{
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "JPG");
    return bytes;
}

} // namespace

class ImportWindows : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        page.Add(0, QStringLiteral("收件人"), 11);
        page.Add(0, QStringLiteral("电话"), 12);
        page.Add(1, QStringLiteral("代收"), 13);
        dataGrid.setRows(2);
        dataGrid.setCols(1);
        dataGrid.setFixedRows(2);
        dataGrid.setFixedCols(1);
        csv = path(QStringLiteral("Orders.CSV")); // the case of the path is kept
        QString text = QStringLiteral("名,电话\r\n");
        for (int r = 2; r <= 6; ++r)
            text += QStringLiteral("张%1,139%1\r\n").arg(r);
        ASSERT_TRUE(WriteBytes(csv, cp936::Encode(text)));
        host.mainWindow = &main;
        host.page = &page;
        host.dataGrid = &dataGrid;
        host.choice = &choice;
        host.afterImport = [this] { ++imports; };
    }
    GridControls page;
    GridModel dataGrid;
    ImportChoice choice;
    ImportHost host;
    QWidget main;
    QString csv;
    int imports = 0;
};

TEST_F(ImportWindows, MapTypedImportedSavedAndLoadedAgain)
{
    choice.path = csv;
    QPointer<InputMapWindow> w = ShowImportMapping(host);
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isModal()); // the main window takes no input meanwhile
    EXPECT_EQ(w->Mapping().Preview().text(2, 1), QStringLiteral("张2"));
    EXPECT_EQ(w->Mapping().Preview().text(0, 59), QStringLiteral("BG"));
    const GridModel &m1 = w->Mapping().BoxMaps();
    ASSERT_EQ(m1.rows(), 4);
    EXPECT_EQ(m1.text(3, 0), QStringLiteral("1001"));
    EXPECT_EQ(m1.text(2, 3), QStringLiteral("电话"));

    // The editor over column 4 takes typed text into the grid.
    w->M1_Click(1, 4);
    ASSERT_TRUE(w->Editor()->isVisible());
    QTest::keyClicks(w->Editor(), QStringLiteral("A"));
    w->M1_Click(2, 4);
    QTest::keyClicks(w->Editor(), QStringLiteral("\"T\",B"));
    w->M1_Click(2, 3);
    EXPECT_FALSE(w->Editor()->isVisible());
    EXPECT_EQ(m1.text(2, 4), QStringLiteral("\"T\",B"));

    // Refused rows keep the window open and import nothing.
    const struct
    {
        const char *first, *last, *interval, *message;
    } refused[] = {{"1", "30001", "1", kTooManyRecords},
                   {"1e10", "2", "1", kRowsOutOfRange},
                   {"2", "3", "40000", kIntervalOutOfRange},
                   {"2", "3", "0", kIntervalNotPositive},
                   {"2", "3", "-1", kIntervalNotPositive}};
    for (const auto &r : refused) {
        w->T(0)->setText(QString::fromUtf8(r.first));
        w->T(1)->setText(QString::fromUtf8(r.last));
        w->T(2)->setText(QString::fromUtf8(r.interval));
        dlg.Clear();
        w->COM_Click(0);
        ASSERT_TRUE(w);
        EXPECT_EQ(dlg.messages(), QStringList {QString::fromUtf8(r.message)});
    }
    EXPECT_EQ(imports, 0);
    w->T(0)->setText(QStringLiteral("6"));
    w->T(1)->setText(QStringLiteral("3")); // reversed rows are swapped
    w->T(2)->setText(QStringLiteral("1"));
    w->COM_Click(0);
    QApplication::processEvents();
    EXPECT_FALSE(w);
    EXPECT_TRUE(main.isEnabled());
    EXPECT_EQ(imports, 1);
    ASSERT_EQ(dataGrid.rows(), 6);
    EXPECT_EQ(dataGrid.text(2, 1), QStringLiteral("张3"));
    EXPECT_EQ(dataGrid.text(5, 2), QStringLiteral("T1396"));
    EXPECT_EQ(dataGrid.text(2, 3), QString());

    // Saved by control ID: the map comes back, the rows too.
    auto rs = db::OpenRecordset(QStringLiteral("SELECT ID, Map FROM 映射 WHERE Fmt=? ORDER BY ID"),
                                {page.name});
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->rows.size(), 2u);
    QPointer<InputMapWindow> again = ShowImportMapping(host);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Mapping().BoxMaps().text(1, 4), QStringLiteral("A"));
    EXPECT_EQ(again->T(0)->text(), QStringLiteral("6"));
    again->COM_Click(1); // the close button never imports
    QApplication::processEvents();
    EXPECT_EQ(imports, 1);
}

// CSV files that are no waybill data are refused in words that say why,
// before the grid is touched: a file of nothing but NUL bytes, and a line
// past 4 MiB, one line or a quote left open over the lines after it (said
// at opening when the preview meets it, else at the import). A file refused
// at opening is offered no import window. A big file is read under the
// progress window, and a stop there is said the same way.
TEST_F(ImportWindows, CsvFilesRefusedWithTheirCause)
{
    constexpr qsizetype kFourMiB = 4 << 20; // the limit the README promises
    const QByteArray longLine = "a," + QByteArray(kFourMiB, 'x') + "\r\n";
    QByteArray shortLines;
    for (int r = 1; r <= 30; ++r)
        shortLines += "张,139\r\n";
    const QByteArray openQuote = "名,电话\r\n李,\"139\r\n" + shortLines.repeated(kFourMiB / shortLines.size() + 1);
    const struct
    {
        const char *name;
        QByteArray bytes;
        const char *said; // a part of the message
        bool atOpening;
        bool stopped = false; // by the progress window at its first step
    } cases[] = {
        {"nul.csv", QByteArray(4096, '\0'), "空字节", true},
        {"zeros.csv", QByteArray(kFourMiB + 1, '\0'), "空字节", true},
        {"early.csv", "名,电话\r\n" + longLine + "李,138\r\n", "第2行", true},
        {"late.csv", shortLines + longLine, "第31行", false},
        {"quote.csv", openQuote, "第2行", true},
        {"big.csv", shortLines.repeated(20000), "读取已停止", true, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteBytes(path(QString::fromUtf8(c.name)), c.bytes));
        choice.path = path(QString::fromUtf8(c.name));
        dlg.Clear();
        std::optional<AtWorkStep> stop;
        if (c.stopped)
            stop.emplace(QStringLiteral("正在读取CSV文件"), [] { StopLongWork(); });
        QPointer<InputMapWindow> w = ShowImportMapping(host);
        if (c.atOpening) {
            EXPECT_FALSE(w);
        } else {
            ASSERT_TRUE(w);
            EXPECT_TRUE(dlg.messages().isEmpty()) << dlg.messages().join(u'|').toStdString();
            w->T(0)->setText(QStringLiteral("2"));
            w->T(1)->setText(QStringLiteral("100"));
            w->T(2)->setText(QStringLiteral("1"));
            w->COM_Click(0);
            QApplication::processEvents();
        }
        EXPECT_EQ(dlg.messages().size(), 1);
        EXPECT_TRUE(dlg.messages().join(u'|').contains(QString::fromUtf8(c.said)))
            << dlg.messages().join(u'|').toStdString();
        EXPECT_EQ(imports, 0);
        EXPECT_EQ(dataGrid.rows(), 2);
        if (w)
            w->close();
        QApplication::processEvents();
    }
}

// A file of millions of short lines (line ends only, as a damaged file may
// be) is imported from its last rows while the reader's index of the lines
// stays within its bound instead of growing with every line.
TEST_F(ImportWindows, ManyShortLinesImportedInBoundedMemory)
{
    constexpr qint64 kEmpty = 8 << 20;
    const QString file = path(QStringLiteral("lines.csv"));
    ASSERT_TRUE(WriteBytes(file, QByteArray(kEmpty, '\n')
                                     + cp936::Encode(QStringLiteral("李1,1381\r\n李2,1382\r\n"))));
    choice.path = file;
    QPointer<InputMapWindow> w = ShowImportMapping(host);
    ASSERT_TRUE(w);
    for (const auto &[row, column] : {std::pair {1, "A"}, std::pair {2, "B"}}) {
        w->M1_Click(row, 4);
        QTest::keyClicks(w->Editor(), QString::fromUtf8(column));
    }
    w->M1_Click(1, 3);
    w->T(0)->setText(QString::number(kEmpty + 1));
    w->T(1)->setText(QString::number(kEmpty + 2));
    w->T(2)->setText(QStringLiteral("1"));
    // The heap is looked at whenever the import lets the event loop run.
    const qint64 before = HeapHeldBytes();
    qint64 peak = before;
    int samples = 0;
    QTimer sampler;
    sampler.callOnTimeout([&] {
        peak = std::max(peak, HeapHeldBytes());
        ++samples;
    });
    sampler.start(0);
    w->COM_Click(0);
    sampler.stop();
    QApplication::processEvents();
    EXPECT_TRUE(dlg.messages().isEmpty()) << dlg.messages().join(u'|').toStdString();
    EXPECT_EQ(imports, 1);
    ASSERT_EQ(dataGrid.rows(), 4);
    EXPECT_EQ(dataGrid.text(2, 1), QStringLiteral("李1"));
    EXPECT_EQ(dataGrid.text(3, 2), QStringLiteral("1382"));
    EXPECT_GT(samples, 0);
    EXPECT_LE(peak - before, 4 << 20) << "held " << ((peak - before) >> 20) << " MB";
}

TEST_F(ImportWindows, UnsupportedFileAndWorkbookWithoutSheet)
{
    choice.path = path(QStringLiteral("a.txt"));
    choice.sheet = QStringLiteral("x");
    QPointer<InputMapWindow> w = ShowImportMapping(host);
    ASSERT_TRUE(w);
    EXPECT_EQ(dlg.messages(), QStringList {QString::fromUtf8(kUnsupportedFile)});
    EXPECT_TRUE(choice.path.isEmpty());
    w->COM_Click(0);
    QApplication::processEvents();
    EXPECT_FALSE(w);
    EXPECT_EQ(imports, 0);
    choice.path = path(QStringLiteral("a.xls"));
    choice.sheet.clear();
    EXPECT_EQ(ShowImportMapping(host), nullptr);
}

TEST_F(ImportWindows, SheetChoice)
{
    choice.path = path(QStringLiteral("Book.xls"));
    ASSERT_TRUE(MakeXls(choice.path));
    auto *w = new SheetsWindow(host, 1);
    EXPECT_TRUE(w->isModal());
    ASSERT_EQ(w->Sheets().Names(), (QStringList {"甲", "乙"}));
    EXPECT_TRUE(w->Sheets().Ticked(0)); // the first sheet starts ticked
    w->SHL_Click(2);
    EXPECT_FALSE(w->Sheets().Ticked(0));
    EXPECT_TRUE(w->Sheets().Ticked(1));
    w->SHL_Click(2);
    EXPECT_FALSE(w->Sheets().Ticked(1));
    w->SHL_Click(0); // the header does nothing
    w->SHL_Click(2);
    w->Img_Click(0);
    EXPECT_EQ(choice.sheet, QStringLiteral("乙"));
    EXPECT_TRUE(main.isEnabled());

    SheetList many;
    many.SetNames({"a", "b"});
    many.Click(1, false);
    EXPECT_EQ(many.Chosen(), QStringLiteral("a‖b"));
}

TEST_F(ImportWindows, AutomaticImport)
{
    const QString book = path(QStringLiteral("Auto.XLS"));
    ASSERT_TRUE(MakeXls(book));
    ASSERT_TRUE(db::ExecuteSQL(
        QStringLiteral("INSERT INTO 映射 (Fmt, ID, Map) VALUES (?, 11, 'A')"), {page.name}));
    struct Case
    {
        QString format;
        qint32 first, last;
        bool runs;
    };
    const Case cases[] = {{QString(), 1, 5, false},
                          {page.name, 1, 0, false},
                          {page.name, 5, 3, false},
                          {page.name, 0, 3, true}};
    for (const Case &c : cases) {
        StartupRecord rec {c.format, book, c.first, c.last, true};
        imports = 0;
        AutoImport(rec, host);
        QApplication::processEvents();
        EXPECT_EQ(imports, c.runs ? 1 : 0) << c.first << " " << c.last;
        if (c.runs) {
            EXPECT_EQ(rec.FirstRow, 1);
            EXPECT_EQ(choice.path, book);
            EXPECT_EQ(choice.sheet, QStringLiteral("甲"));
            ASSERT_EQ(dataGrid.rows(), 5);
            EXPECT_EQ(dataGrid.text(2, 1), QStringLiteral("甲0"));
        }
    }
    // Without the flag the window is shown for the user.
    StartupRecord rec {page.name, csv, 2, 4, false};
    AutoImport(rec, host);
    InputMapWindow *shown = nullptr;
    for (QWidget *t : QApplication::topLevelWidgets())
        if (auto *m = qobject_cast<InputMapWindow *>(t); m && m->isVisible())
            shown = m;
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->T(1)->text(), QStringLiteral("4"));
    shown->close();
    EXPECT_TRUE(main.isEnabled());
}

TEST_F(ImportWindows, BackgroundPicture)
{
    const QString fmt = QStringLiteral("A/B:C");
    EXPECT_TRUE(GetBackgroundPicturePath(fmt).endsWith(QStringLiteral("A4B6C.jpg")));
    const QString a = path(QStringLiteral("a.JPG")), b = path(QStringLiteral("b.jpg"));
    const QByteArray picA = JpegOf(Qt::red), picB = JpegOf(Qt::blue);
    ASSERT_TRUE(WriteBytes(a, picA));
    ASSERT_TRUE(WriteBytes(b, picB));
    dlg.Queue(a);
    EXPECT_TRUE(ImportBackgroundPicture(fmt));
    EXPECT_EQ(ReadBytes(GetBackgroundPicturePath(fmt)), picA);
    dlg.Queue(b);
    dlg.Queue(false); // keep the old picture
    EXPECT_FALSE(ImportBackgroundPicture(fmt));
    EXPECT_EQ(ReadBytes(GetBackgroundPicturePath(fmt)), picA);
    dlg.Queue(b);
    dlg.Queue(true);
    EXPECT_TRUE(ImportBackgroundPicture(fmt));
    EXPECT_EQ(ReadBytes(GetBackgroundPicturePath(fmt)), picB);
    dlg.Queue(path(QStringLiteral("missing.jpg")));
    EXPECT_FALSE(ImportBackgroundPicture(fmt));

    // A damaged file is refused, naming it, before replacing is asked; the
    // format's picture stays byte for byte.
    const QString damaged = path(QStringLiteral("damaged.jpg"));
    QByteArray junk("\xFF\xD8\xFF\xE0", 4);
    for (int i = 0; i < 50000; ++i)
        junk += char(QRandomGenerator::global()->bounded(256));
    ASSERT_TRUE(WriteBytes(damaged, junk));
    dlg.Clear();
    dlg.Queue(damaged);
    EXPECT_FALSE(ImportBackgroundPicture(fmt));
    EXPECT_EQ(MessageBoxes(dlg),
              QStringList(QStringLiteral("图片文件“") + damaged
                          + QStringLiteral("”无法读取（不是图片或已损坏），不能显示和打印！")));
    EXPECT_EQ(ReadBytes(GetBackgroundPicturePath(fmt)), picB);
    dlg.Queue(false);
    EXPECT_FALSE(ClearBackgroundPicture(fmt));
    dlg.Queue(true);
    EXPECT_TRUE(ClearBackgroundPicture(fmt));
    EXPECT_FALSE(QFile::exists(GetBackgroundPicturePath(fmt)));
    // A link at the picture's name is replaced; the file it names stays.
    ASSERT_TRUE(QFile::link(b, GetBackgroundPicturePath(fmt)));
    dlg.Queue(a);
    dlg.Queue(true);
    EXPECT_TRUE(ImportBackgroundPicture(fmt));
    EXPECT_FALSE(QFileInfo(GetBackgroundPicturePath(fmt)).isSymLink());
    EXPECT_EQ(ReadBytes(GetBackgroundPicturePath(fmt)), picA);
    EXPECT_EQ(ReadBytes(b), picB);
}

TEST_F(ImportWindows, ThirtyThousandRecordsAreTheMostOneImportTakes)
{
    // A file of 30,001 records: one more than an import takes.
    QByteArray text = "名,电话\r\n";
    for (int r = 2; r <= 30002; ++r)
        text += "R" + QByteArray::number(r) + ",139\r\n";
    ASSERT_TRUE(WriteBytes(csv, text));
    ASSERT_TRUE(db::ExecuteSQL(
        QStringLiteral("INSERT INTO 映射 (Fmt, ID, Map) VALUES (?, 11, 'A')"), {page.name}));
    const struct
    {
        bool automatic; // from the command line, else typed in the mapping window
        qint32 first, last;
        int records; // -1: refused
    } cases[] = {{true, 2, 30002, -1},
                 {false, 30002, 2, -1},
                 {true, 2, 30001, 30000},
                 {false, 30002, 3, 30000}};
    for (const auto &c : cases) {
        dataGrid.setRows(2);
        dlg.Clear();
        imports = 0;
        if (c.automatic) {
            StartupRecord rec {page.name, csv, c.first, c.last, true};
            AutoImport(rec, host);
        } else {
            choice.path = csv;
            QPointer<InputMapWindow> w = ShowImportMapping(host);
            ASSERT_TRUE(w);
            w->T(0)->setText(QString::number(c.first));
            w->T(1)->setText(QString::number(c.last));
            w->T(2)->setText(QStringLiteral("1"));
            w->COM_Click(0);
            if (w)
                w->close();
        }
        QApplication::processEvents();
        const bool refused = c.records < 0;
        EXPECT_EQ(dlg.messages(),
                  refused ? QStringList {QString::fromUtf8(kTooManyRecords)} : QStringList())
            << c.first << ".." << c.last;
        EXPECT_EQ(imports, refused ? 0 : 1);
        EXPECT_EQ(dataGrid.rows() - dataGrid.fixedRows(), refused ? 0 : c.records);
        EXPECT_TRUE(main.isEnabled());
    }
}

TEST_F(ImportWindows, AutomaticImportRefusedByTheSavedIntervalAsksForItAgain)
{
    const struct
    {
        const char *interval, *message;
    } cases[] = {{"40000", kIntervalOutOfRange}, {"0", kIntervalNotPositive}};
    for (const auto &c : cases) {
        choice.path = csv;
        QPointer<InputMapWindow> w = ShowImportMapping(host);
        ASSERT_TRUE(w);
        w->T(2)->setText(QString::fromUtf8(c.interval));
        w->COM_Click(1); // closing keeps the texts for the next import
        QApplication::processEvents();
        dlg.Clear();
        StartupRecord rec {page.name, csv, 2, 5, true};
        AutoImport(rec, host);
        QApplication::processEvents();
        EXPECT_EQ(dlg.messages(), QStringList {QString::fromUtf8(c.message)});
        EXPECT_EQ(imports, 0);
        // The refusal asks for the interval again: the window is shown for
        // it, and its close gives the main window back.
        QPointer<InputMapWindow> shown;
        for (QWidget *t : QApplication::topLevelWidgets())
            if (auto *m = qobject_cast<InputMapWindow *>(t); m && m->isVisible())
                shown = m;
        ASSERT_TRUE(shown);
        shown->COM_Click(1);
        QApplication::processEvents();
        EXPECT_TRUE(main.isEnabled());
    }
}
