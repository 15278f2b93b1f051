// The real program started with an automatic import on its command line
// (通用快递单（示例）, a CSV file of 1,000 records, rows 2 to 1001), while a
// format of 2,000 input boxes is imported and opened: its message that
// only 999 boxes fit is left up until the import's timer has run out. The
// import waits for the message, runs after it, and the program ends with
// status 0 and the main window taking input.

#include "apprun.h"

#include "core/controlrow.h"
#include "core/database.h"
#include "core/exchangefile.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "core/formatstore.h"
#include "support/testenv.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST_F(DataDirTest, AutomaticImportWaitsForAFormatOpenedMeanwhile)
{
    // 大格式.wlq: 2,000 input boxes, exported from this test's data folder.
    FormatHostState host;
    GridModel g;
    fmtgrid::LayoutFormatGrid(g);
    for (int i = 0; i < 2000; ++i) {
        fmtgrid::ControlRow row;
        row.id = NewTempCtlID(g);
        row.prompt = QStringLiteral("框%1").arg(i + 1);
        row.x = 5 + i % 20 * 9;
        row.y = 5 + i / 20 % 30 * 6;
        row.w = 8;
        row.h = 5;
        fmtgrid::AppendControlRow(g, row);
    }
    ASSERT_TRUE(SaveFormatGrid(host, g, QStringLiteral("大格式")));
    const QString wlq = path(QStringLiteral("大格式.wlq"));
    dlg.Queue(wlq);
    ASSERT_TRUE(ExportFormat(host, QStringLiteral("大格式")));
    db::CloseConnection();

    QByteArray csv = "name,address\r\n";
    for (int i = 1; i <= 1000; ++i)
        csv += "n" + QByteArray::number(i) + ",street " + QByteArray::number(i) + "\r\n";
    const QString rows = path(QStringLiteral("rows1000.csv"));
    ASSERT_TRUE(WriteBytes(rows, csv));

    QTemporaryDir data;
    QProcessEnvironment env;
    env.insert(QStringLiteral("WAYBILL_DRIVER_FILE"), wlq);
    // The timer runs out 10 s after the start; ten times the whole run.
    const AppRun r = RunApp(data.path(), QStringLiteral("importformat"), 300000, {}, env,
                            {QStringLiteral("通用快递单（示例）"), rows, QStringLiteral("2"),
                             QStringLiteral("1001"), QStringLiteral("x")});
    EXPECT_FALSE(r.crashed) << qPrintable(r.errors);
    EXPECT_EQ(r.status, 0) << qPrintable(r.errors);
    const QStringList messages = Messages(r);
    const qsizetype refused
        = messages.indexOf(QStringLiteral("每类内容框最多只能有999个，无法再添加！"));
    ASSERT_GE(refused, 0) << qPrintable(r.errors);
    // The records the driver saw after each answer, and at the end.
    QStringList records;
    for (const QString &line : r.errors.split(u'\n'))
        if (line.startsWith(QLatin1String("driver: records ")))
            records << line.mid(16);
    ASSERT_EQ(records.size(), messages.size() + 1) << qPrintable(r.errors);
    EXPECT_EQ(records.at(refused), QStringLiteral("0")) << "the import ran inside the message";
    EXPECT_EQ(records.last(), QStringLiteral("1000"));
    EXPECT_TRUE(r.errors.contains(QStringLiteral("driver: main window enabled")))
        << qPrintable(r.errors);
    EXPECT_FALSE(r.errors.contains(QStringLiteral("ERROR: AddressSanitizer")));
}
