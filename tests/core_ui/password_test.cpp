#include "core/database.h"
#include "core/settings.h"
#include "core/startup.h"
#include "core/ui/passwordwindows.h"
#include "core/ui/startupui.h"
#include "core/ui/windowhelpers.h"
#include "platform/ui/qtdialogs.h"
#include "support/testenv.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

class PasswordTest : public DataDirTest
{
protected:
    void TearDown() override
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            delete w;
        SetMainWindowFactory(nullptr);
        DataDirTest::TearDown();
    }
    QWidget *findWindow(const QString &caption)
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == caption)
                return w;
        return nullptr;
    }
    void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

TEST_F(PasswordTest, NoPasswordOpensTheMainWindowDirectly)
{
    QWidget *w = OpenFirstWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(qobject_cast<QMainWindow *>(w));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("快递单套打 3.02"));
    EXPECT_TRUE(IsFormOpen(QStringLiteral("快递单套打 3.02")));
    EXPECT_FALSE(IsFormOpen(QStringLiteral("请输入密码")));
}

TEST_F(PasswordTest, PromptRefusesWrongCaseAndOpensMainWindowOnMatch)
{
    ASSERT_TRUE(SaveParam("软件密码", "Ab"));
    int made = 0;
    SetMainWindowFactory([&made] {
        ++made;
        auto *w = new QWidget;
        w->setWindowTitle("MF");
        return w;
    });
    QPointer<QWidget> first = OpenFirstWindow();
    auto *prompt = qobject_cast<PSDCon *>(first.data());
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->windowTitle(), QStringLiteral("请输入密码"));
    EXPECT_TRUE(prompt->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(prompt->Com->text(), QStringLiteral("确    定"));
    EXPECT_EQ(prompt->T->echoMode(), QLineEdit::Password);
    EXPECT_EQ(made, 0);

    prompt->activateWindow();
    QTest::keyClicks(prompt->T, "ab");
    QTest::keyClick(prompt->T, Qt::Key_Return);
    EXPECT_EQ(dlg.messages(), QStringList {QStringLiteral("密码错误！")});
    EXPECT_EQ(made, 0);
    EXPECT_EQ(prompt->T->text(), "ab"); // the prompt keeps the typed text
    EXPECT_EQ(prompt->T->displayText(), "**"); // typed characters show as "*"

    prompt->T->clear();
    QTest::keyClicks(prompt->T, "Ab");
    QTest::keyClick(prompt->T, Qt::Key_Enter);
    settle();
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(first.isNull()); // the prompt is gone
    EXPECT_TRUE(IsFormOpen("MF"));
    EXPECT_EQ(dlg.messages().size(), 1);
}

TEST_F(PasswordTest, ChangeWindowChecksRepetitionThenOldPassword)
{
    ASSERT_TRUE(SaveParam("软件密码", "old"));
    QPointer<ModiPSD> w = new ModiPSD;
    w->show();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("修改密码"));
    EXPECT_EQ(w->T[0]->toolTip(), QStringLiteral("原始密码为空"));
    EXPECT_EQ(w->T[1]->toolTip(), QStringLiteral("不输内容表示去除密码"));
    EXPECT_EQ(w->Com->text(), QStringLiteral("确  定"));
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);

    // Repetition differs: reported even though the old password is wrong too.
    QTest::keyClicks(w->T[0], "bad");
    QTest::keyClicks(w->T[1], "n1");
    QTest::keyClicks(w->T[2], "n2");
    QTest::keyClick(w->T[2], Qt::Key_Return);
    EXPECT_EQ(dlg.messages(), QStringList {QStringLiteral("两次输入的新密码不相符！")});
    EXPECT_EQ(SoftwarePassword(), "old");

    // Old password wrong: nothing changes and the window stays.
    w->T[2]->clear();
    QTest::keyClicks(w->T[2], "n1");
    QTest::keyClick(w->T[0], Qt::Key_Return);
    settle();
    ASSERT_FALSE(w.isNull());
    EXPECT_EQ(SoftwarePassword(), "old");

    // Right old password, both new boxes empty: the password is removed.
    w->T[0]->clear();
    w->T[1]->clear();
    w->T[2]->clear();
    QTest::keyClicks(w->T[0], "old");
    QTest::mouseClick(w->Com, Qt::LeftButton);
    settle();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(SoftwarePassword(), "");
    EXPECT_TRUE(qobject_cast<QMainWindow *>(OpenFirstWindow()));
}

TEST_F(PasswordTest, ChangeWindowStoresNewPasswordForNextStart)
{
    QPointer<ModiPSD> w = new ModiPSD;
    w->show();
    QTest::keyClicks(w->T[1], "N3w");
    QTest::keyClicks(w->T[2], "N3w");
    QTest::keyClick(w->T[1], Qt::Key_Return);
    settle();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(SoftwarePassword(), "N3w");
    EXPECT_TRUE(qobject_cast<PSDCon *>(OpenFirstWindow()));
}

TEST_F(PasswordTest, ChangeWindowSaysWhenTheNewPasswordCannotBeStored)
{
    ASSERT_TRUE(db::ExecuteSQL("CREATE TRIGGER NoWrite BEFORE INSERT ON 参数 "
                               "BEGIN SELECT RAISE(ABORT, 'read only'); END"));
    QPointer<ModiPSD> w = new ModiPSD;
    w->show();
    QTest::keyClicks(w->T[1], "N3w");
    QTest::keyClicks(w->T[2], "N3w");
    QTest::keyClick(w->T[1], Qt::Key_Return);
    settle();
    EXPECT_EQ(dlg.messages(), QStringList {QStringLiteral("新密码未能保存，密码没有修改！")});
    ASSERT_FALSE(w.isNull());
    EXPECT_EQ(SoftwarePassword(), "");
    delete w;
}

TEST_F(PasswordTest, WaitFormClosedReturnsWhenTheCaptionIsGone)
{
    WaitFormClosed("不存在的窗口"); // returns at once
    auto *w = new QWidget;
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setWindowTitle("选择格式");
    w->show();
    EXPECT_TRUE(IsFormOpen("选择格式"));
    EXPECT_FALSE(IsFormOpen("选择格式 "));
    QTimer::singleShot(100, w, &QWidget::close);
    WaitFormClosed("选择格式");
    EXPECT_FALSE(IsFormOpen("选择格式"));
}

TEST_F(PasswordTest, WindowGeometryRoundTripsInTwips)
{
    const double k = 1440.0 / QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    QWidget w;
    w.setWindowTitle("列表");
    w.move(80, 60);
    w.resize(640, 480);
    SaveWindowPos(&w, "格式模板列表");
    EXPECT_EQ(ReadParam("窗口参数：格式模板列表"),
              QStringLiteral("%1;%2;%3;%4")
                  .arg(qRound(80 * k))
                  .arg(qRound(60 * k))
                  .arg(qRound(640 * k))
                  .arg(qRound(480 * k)));

    QWidget other;
    other.move(5, 5);
    other.resize(100, 100);
    LoadWindowPos(&other, "格式模板列表");
    EXPECT_EQ(other.pos(), QPoint(80, 60));
    EXPECT_EQ(other.size(), QSize(640, 480));

    // As wide as the screen: nothing remembered, nothing changed on load.
    w.resize(w.screen()->geometry().width(), 300);
    SaveWindowPos(&w, "格式模板列表");
    EXPECT_EQ(ReadParam("窗口参数：格式模板列表"), "0;0;0;0");
    LoadWindowPos(&other, "格式模板列表");
    EXPECT_EQ(other.pos(), QPoint(80, 60));
    EXPECT_EQ(other.size(), QSize(640, 480));

    // Off the left edge: size only.
    SaveParam("窗口参数：x",
              QStringLiteral("-9000;500;%1;%2").arg(qRound(300 * k)).arg(qRound(200 * k)));
    LoadWindowPos(&other, "x");
    EXPECT_EQ(other.pos(), QPoint(80, 60));
    EXPECT_EQ(other.size(), QSize(300, 200));
}

TEST_F(PasswordTest, HistoryComboKeepsItsText)
{
    ASSERT_TRUE(SaveParam("x", "y")); // opens the database
    QComboBox combo;
    combo.setEditable(true);
    combo.addItem("stale");
    combo.setEditText("typed");
    FillHistoryCombo(&combo, 5);
    EXPECT_EQ(combo.count(), 0);
    EXPECT_EQ(combo.currentText(), "typed");
}

TEST(QtDialogFilter, WindowsFilterBecomesQtFilter)
{
    // A name that shows its pattern already keeps it once.
    EXPECT_EQ(QtFileFilter("JPEG格式(*.jpg)|*.jpg|所有格式(*.*)|*.*"),
              "JPEG格式(*.jpg);;所有格式(*.*)");
    EXPECT_EQ(QtFileFilter("表格|*.xls;*.csv"), "表格 (*.xls *.csv)");
    EXPECT_EQ(QtFileFilter(""), "");
}
