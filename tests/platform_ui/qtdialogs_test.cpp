#include "platform/ui/qtdialogs.h"

#include <QApplication>
#include <QFontMetrics>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
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

// What the title bar shows: the title, " — " and the program's display name,
// unless the title is the name or already ends with it; the width it needs
// holds that whole text beside the bar's icon and three buttons, each a
// square of the bar's height.
TEST(QtDialogs, TitleBarTextAddsTheProgramsName)
{
    QApplication::setApplicationDisplayName(QStringLiteral("快递单套打 3.02"));
    const struct
    {
        const char *title, *bar;
    } cases[] = {
        {"格式名输入", "格式名输入 — 快递单套打 3.02"},
        {"", "快递单套打 3.02"},
        {"快递单套打 3.02", "快递单套打 3.02"},
    };
    const QFontMetrics fm(QApplication::font());
    const int barHeight = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
    for (const auto &c : cases) {
        const QString title = QString::fromUtf8(c.title), bar = QString::fromUtf8(c.bar);
        EXPECT_EQ(TitleBarText(title), bar) << c.title;
        EXPECT_GE(TitleBarWidth(title), fm.horizontalAdvance(bar) + 4 * barHeight) << c.title;
    }
}

// A box or prompt with a short text is still as wide as its title bar needs
// for the whole title beside the bar's icon and buttons.
TEST(QtDialogs, MessageBoxShowsItsWholeTitle)
{
    QApplication::setApplicationDisplayName(QStringLiteral("快递单套打 3.02"));
    QtDialogs d;
    SeenBox ok;
    answerNextBox(ok, QMessageBox::Ok);
    d.Message(QStringLiteral("好"));
    ASSERT_TRUE(ok.seen);
    EXPECT_GE(ok.width, TitleBarWidth(ok.title));
    SeenBox yes;
    answerNextBox(yes, QMessageBox::Yes);
    d.AskYesNo(QStringLiteral("是？"), QStringLiteral("一个相当长的标题，比问题本身长得多"));
    ASSERT_TRUE(yes.seen);
    EXPECT_GE(yes.width, TitleBarWidth(QStringLiteral("一个相当长的标题，比问题本身长得多")));
    int promptWidth = 0;
    QTimer::singleShot(50, [&promptWidth] {
        if (auto *p = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            promptWidth = p->width();
            p->reject();
        }
    });
    EXPECT_FALSE(d.Input(QStringLiteral("格式名："), QStringLiteral("格式名输入"), QString()));
    EXPECT_GE(promptWidth, TitleBarWidth(QStringLiteral("格式名输入")));
}
