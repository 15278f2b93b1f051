#include "platform/ui/qtdialogs.h"

#include <QApplication>
#include <QFontMetrics>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct SeenBox
{
    bool seen = false;
    QMessageBox::Icon icon = QMessageBox::Information;
    QString text;
    QString title;
    int width = 0;
};

// Answers the next modal message box with the given button and records it.
void answerNextBox(SeenBox &seen, QMessageBox::StandardButton button)
{
    QTimer::singleShot(50, [&seen, button] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.seen = true;
        seen.icon = box->icon();
        seen.text = box->text();
        seen.title = box->windowTitle();
        seen.width = box->width();
        QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
}

} // namespace

TEST(QtDialogs, QuestionsAndMessagesAreBoxesWithoutIcon)
{
    QApplication::setApplicationDisplayName(QStringLiteral("快递单套打 3.02"));
    QtDialogs d;

    SeenBox yes;
    answerNextBox(yes, QMessageBox::Yes);
    EXPECT_TRUE(d.AskYesNo(QStringLiteral("您确定要清除所有记录？")));
    ASSERT_TRUE(yes.seen);
    EXPECT_EQ(yes.icon, QMessageBox::NoIcon);
    EXPECT_EQ(yes.text, QStringLiteral("您确定要清除所有记录？"));
    EXPECT_EQ(yes.title, QStringLiteral("快递单套打 3.02"));

    SeenBox no;
    answerNextBox(no, QMessageBox::No);
    EXPECT_FALSE(d.AskYesNo(QStringLiteral("该格式已经存在，是否覆盖？")));
    ASSERT_TRUE(no.seen);
    EXPECT_EQ(no.icon, QMessageBox::NoIcon);

    SeenBox ok;
    answerNextBox(ok, QMessageBox::Ok);
    d.Message(QStringLiteral("删除完成！"));
    ASSERT_TRUE(ok.seen);
    EXPECT_EQ(ok.icon, QMessageBox::NoIcon);
    EXPECT_EQ(ok.text, QStringLiteral("删除完成！"));
}

TEST(QtFileFilter, PatternsShownOnce)
{
    EXPECT_EQ(QtFileFilter(QStringLiteral("快递单格式(*.wlq)|*.wlq")),
              QStringLiteral("快递单格式(*.wlq)"));
    EXPECT_EQ(QtFileFilter(QStringLiteral("表格(*.xls;*.csv)|*.xls;*.csv|所有文件|*.*")),
              QStringLiteral("表格(*.xls *.csv);;所有文件 (*.*)"));
}

TEST(QtTranslations, MessageBoxAndFileDialogTextsAreChinese)
{
    ASSERT_TRUE(InstallQtTranslations());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("是(&Y)"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Open"), QStringLiteral("打开(&O)"));
}

// A box with a short text is still wide enough for its whole title and the
// title bar's icon and buttons.
TEST(QtDialogs, MessageBoxShowsItsWholeTitle)
{
    QApplication::setApplicationDisplayName(QStringLiteral("快递单套打 3.02"));
    QtDialogs d;
    const QString title = QStringLiteral("快递单套打 3.02");
    const int need = QFontMetrics(QApplication::font()).horizontalAdvance(title) + 100;
    SeenBox ok;
    answerNextBox(ok, QMessageBox::Ok);
    d.Message(QStringLiteral("好"));
    ASSERT_TRUE(ok.seen);
    EXPECT_GE(ok.width, need);
    SeenBox yes;
    answerNextBox(yes, QMessageBox::Yes);
    d.AskYesNo(QStringLiteral("是？"), QStringLiteral("一个相当长的标题，比问题本身长得多"));
    ASSERT_TRUE(yes.seen);
    EXPECT_GE(yes.width, QFontMetrics(QApplication::font())
                                 .horizontalAdvance(QStringLiteral("一个相当长的标题，比问题本身长得多"))
                             + 100);
    // A prompt's title bar also shows the program's name after its title.
    int promptWidth = 0;
    QTimer::singleShot(50, [&promptWidth] {
        if (auto *p = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            promptWidth = p->width();
            p->reject();
        }
    });
    EXPECT_FALSE(d.Input(QStringLiteral("格式名："), QStringLiteral("格式名输入"), QString()));
    EXPECT_GE(promptWidth, QFontMetrics(QApplication::font())
                                   .horizontalAdvance(QStringLiteral("格式名输入 — 快递单套打 3.02"))
                               + 100);
}
