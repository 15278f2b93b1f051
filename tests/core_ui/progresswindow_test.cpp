#include "core/progress.h"
#include "core/ui/progresswindow.h"
#include "core/ui/windowhelpers.h"

#include "platform/ui/qtdialogs.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

namespace {

// Blue pixels in the middle line of the bar picture.
int blueWidth(const IndicatorBar *bar)
{
    const QImage &img = bar->picture();
    int n = 0;
    for (int x = 0; x < img.width(); ++x)
        n += QColor(img.pixel(x, img.height() / 2)) == QColor(0, 0, 255) ? 1 : 0;
    return n;
}

} // namespace

TEST(ProgressWindow, ShowsStepsAndKeepsTheLongerBar)
{
    InstallProgressWindow();
    ShowIndicator("正在导入", 4);
    ProgressWindow *w = CurrentProgressWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), "进度指示器");
    EXPECT_EQ(w->LBL->text(), "正在导入");
    EXPECT_EQ(w->Percent->text(), "0%");
    EXPECT_EQ(blueWidth(w->Pic), 0);
    StepIndicator(2, "pages");
    EXPECT_EQ(w->Percent->text(), "50%");
    EXPECT_EQ(w->L1->text(), "(2/4)");
    const int half = blueWidth(w->Pic);
    EXPECT_NEAR(half, w->Pic->width() / 2, 1);
    // A smaller position leaves the longer bar.
    DrawIndicatorBar(1);
    EXPECT_EQ(blueWidth(w->Pic), half);
    // Showing again clears the bar.
    ShowIndicator("再来", 4);
    EXPECT_EQ(blueWidth(w->Pic), 0);
    EXPECT_EQ(w->Percent->text(), "50%"); // texts of the last step stay
    CloseIndicator();
    EXPECT_FALSE(IndicatorShown());
    QTest::qWait(1);
    EXPECT_EQ(CurrentProgressWindow(), nullptr);
}

TEST(ProgressWindow, ClosingByTheCloseBoxClearsIndicatorShown)
{
    InstallProgressWindow();
    const LongWork download(WorkStop::Can);
    ShowIndicator("下载", 10);
    ProgressWindow *w = CurrentProgressWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    EXPECT_TRUE(IndicatorShown());
    // In front of the windows it blocks; a close box, no size boxes.
    EXPECT_EQ(w->windowModality(), Qt::ApplicationModal);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(w->windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint));
    w->close(); // as the close box does
    EXPECT_FALSE(IndicatorShown());
    EXPECT_TRUE(download.Stopped());
    QTest::qWait(1);
    EXPECT_EQ(CurrentProgressWindow(), nullptr);
    // The loop's further steps show nothing and open no window.
    StepIndicator(1, "pages");
    CloseIndicator();
    EXPECT_EQ(CurrentProgressWindow(), nullptr);
    // The next loop gets a new window.
    ShowIndicator("again", 1);
    EXPECT_NE(CurrentProgressWindow(), nullptr);
    CloseIndicator();
}

// The window of work that cannot stop stays to its end: neither its close
// box nor a put-off close takes it away.
TEST(ProgressWindow, TheWindowOfWorkThatCannotStopStays)
{
    InstallProgressWindow();
    const LongWork work;
    ShowIndicator("正在保存格式……", 10);
    ProgressWindow *w = CurrentProgressWindow();
    ASSERT_TRUE(w && QTest::qWaitForWindowExposed(w));
    EXPECT_FALSE(w->windowFlags() & Qt::WindowCloseButtonHint);
    {
        // A download inside has the close box for its length.
        const LongWork read(WorkStop::Can);
        EXPECT_TRUE(w->windowFlags() & Qt::WindowCloseButtonHint);
    }
    EXPECT_FALSE(w->windowFlags() & Qt::WindowCloseButtonHint);
    w->close(); // as the window manager's Alt+F4 does
    EXPECT_FALSE(StopLongWork());
    QTest::qWait(1);
    EXPECT_TRUE(IndicatorShown());
    EXPECT_EQ(CurrentProgressWindow(), w);
    EXPECT_TRUE(w->isVisible());
    CloseIndicator();
}

// A message shown while the progress window is the active window is not its
// child: the work may close the window while the message is up.
TEST(ProgressWindow, AMessageOverItOutlivesItsClose)
{
    InstallProgressWindow();
    ShowIndicator("正在初始化格式……", 2);
    ProgressWindow *w = CurrentProgressWindow();
    ASSERT_TRUE(w && QTest::qWaitForWindowExposed(w));
    QApplication::setActiveWindow(w);
    QWidget *owner = w;
    int passes = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (passes++ == 0) {
            owner = box->parentWidget();
            CloseIndicator(); // as other work ending inside the message does
        } else if (passes > 5) {
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start(5);
    QtDialogs().Message("每类内容框最多只能有999个，无法再添加！");
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(CurrentProgressWindow(), nullptr);
}

// What waits for nothing to be under way waits for long work (also without
// its window), and a window closed inside a nested wait is deleted only once
// that wait has returned.
TEST(ProgressWindow, WaitingForNothingUnderWay)
{
    QEventLoop outer;
    bool ran = false;
    QObject context;
    QPointer<QWidget> window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    std::optional<bool> aliveAfterWait;
    QTimer::singleShot(0, [&] {
        {
            const LongWork work;
            EXPECT_TRUE(WorkOrQuestionUnderWay());
            WhenNothingUnderWay(&context, [&ran] { ran = true; });
            QEventLoop wait; // a wait inside the work and inside a command
            QTimer::singleShot(0, [&] {
                DeleteWhenUnwound(window); // as its close event does
                window->close();
                QTimer::singleShot(10, &wait, &QEventLoop::quit);
            });
            wait.exec();
            EXPECT_FALSE(ran);
            aliveAfterWait = !window.isNull();
        }
        QTimer::singleShot(10, &outer, &QEventLoop::quit);
    });
    outer.exec();
    EXPECT_EQ(aliveAfterWait, true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran && window.isNull(); }));
}
