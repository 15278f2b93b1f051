// The real program started with the automatic import of a workbook that
// kills FreeXL: it says the workbook cannot be opened and keeps running.

#include "apprun.h"

#include "core/exampleformat.h"
#include "support/damagedxls.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(AppDamagedWorkbook, AutomaticImportSaysItAndTheProgramStays)
{
    QTemporaryDir data;
    const QString book = QDir(data.path()).filePath(QStringLiteral("damaged.xls"));
    ASSERT_TRUE(MakeDamagedXls(book));
    QProcess p;
    StartApp(p, data.path(), QStringLiteral("hold"),
             {ExampleFormatName(), book, QStringLiteral("2"), QStringLiteral("30001"),
              QStringLiteral("x")});
    // The automatic import starts ten seconds after the main window opens.
    const QString said = QStringLiteral("driver: message 无法打开Excel文件，请检查后重新输入文件名及路径！");
    ASSERT_TRUE(p.waitForStarted());
    QString errors;
    QElapsedTimer t;
    t.start();
    // Ten times the whole run on a quiet machine under the sanitizer.
    while (t.elapsed() < 150000 && !errors.contains(said) && p.state() == QProcess::Running) {
        p.waitForReadyRead(100);
        errors += QString::fromLocal8Bit(p.readAllStandardError());
    }
    EXPECT_TRUE(errors.contains(QLatin1String("driver: main window shown"))) << qPrintable(errors);
    EXPECT_TRUE(errors.contains(said)) << qPrintable(errors);
    // Still running a while later, with its main window and its edits.
    EXPECT_FALSE(p.waitForFinished(1500)) << qPrintable(errors);
    EXPECT_EQ(p.state(), QProcess::Running);
    p.kill();
    p.waitForFinished();
}
