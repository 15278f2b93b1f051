// The main window offscreen on a real database: the page and its controls
// placed from the model at 15 twips per pixel, zoom buttons, ruler drawing,
// the page size dialog, the lock option and closing.

#include "core/apppaths.h"
#include "core/database.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/progress.h"
#include "core/startup.h"
#include "core/ui/progresswindow.h"
#include "core/ui/startupui.h"
#include "designer/formatops.h"
#include "designer/ui/mainwindow.h"
#include "designer/ui/pagesizedialog.h"
#include "designer/ui/pagewidget.h"
#include "formatwindowtest.h"
#include "printing/ui/printwindows.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"
#include "platform/ui/qtdialogs.h"
#include "support/testenv.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QApplication>
#include <QMenuBar>
#include <QImage>
#include <QImageReader>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace dsg;
using namespace screen;

namespace {

const QString kFmt = QStringLiteral("圆通");

class MainWindowTest : public FormatWindowTest
{
protected:
    void SetUp() override
    {
        FormatWindowTest::SetUp();
        idBox = WriteFormat(kFmt,
                            {{0, QStringLiteral("收件人"), 20, 10, 40, 6, "1", 9},
                             {1, QStringLiteral("到付"), 100, 10, 4, 4, "2"},
                             {3, QStringLiteral("线条"), 10, 50, 190, 50, "0", 1}})
                    .front();
    }

    // Two input boxes (the second a date) and a check box over a blue
    // background picture.
    bool WriteFormatWithBackground(const QString &fmt)
    {
        WriteFormat(fmt, {{0, QStringLiteral("收件人"), 20, 10, 40, 6, "1", 9},
                          {0, QStringLiteral("日期"), 20, 30, 40, 6, "1", 9, 100},
                          {1, QStringLiteral("到付"), 100, 10, 4, 4, "2"}});
        QImage pic(200, 100, QImage::Format_RGB32);
        pic.fill(QColor(40, 90, 160));
        return pic.save(GetBackgroundPicturePath(fmt), "JPG");
    }

    qint64 idBox = 0;
};

} // namespace

TEST_F(MainWindowTest, OpensTheCurrentFormatOnThePage)
{
    MainWindow w;
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("快递单套打 3.02"));
    EXPECT_EQ(w.FormatLabel()->text(), kFmt);
    EXPECT_EQ(w.WidLabel()->text(), QStringLiteral("200"));
    EXPECT_EQ(w.HieLabel()->text(), QStringLiteral("200"));

    const PageGeometry &g = w.State().Page();
    // The page is a child of its frame, exactly as wide, at the ratio 1:1.
    EXPECT_EQ(w.Page()->parentWidget(), w.PageFrame());
    EXPECT_EQ(w.Page()->width(), ToPx(g.frameWidth));
    EXPECT_EQ(w.PageFrame()->width(), ToPx(g.frameWidth));
    EXPECT_EQ(w.Page()->height(), ToPx(g.frameWidth));
    EXPECT_DOUBLE_EQ(g.height, g.frameWidth);

    // The input box widget stands where its twips say.
    DesignControl *box = w.State().GetCtlByIndex(1);
    ASSERT_TRUE(box);
    const double s = g.width / 200;
    EXPECT_EQ(box->left, num::ToLong(20 * s));
    QWidget *tt = w.Page()->ControlWidget(1);
    ASSERT_TRUE(tt);
    EXPECT_EQ(tt->geometry(),
              QRect(ToPx(box->left), ToPx(box->top), ToPx(box->width), ToPx(box->height)));
    EXPECT_TRUE(w.Page()->PromptWidget(1));
    EXPECT_EQ(w.Page()->PromptWidget(1)->text(), QStringLiteral("收件人"));
    EXPECT_TRUE(w.Page()->ControlWidget(1001));
    EXPECT_EQ(w.Page()->ControlWidget(3001), nullptr); // lines are painted

    // The page is higher than its frame: VS moves it by the scroll values.
    ASSERT_TRUE(w.VScroll()->isEnabled());
    EXPECT_EQ(w.VScroll()->maximum(), 5);
    EXPECT_FALSE(w.HScroll()->isEnabled());
    w.VScroll()->setValue(5);
    EXPECT_EQ(w.Page()->y(), ToPx(-(g.height - g.frameHeight)));
    w.close();
}

TEST_F(MainWindowTest, ZoomButtonsAndRulerDrawing)
{
    MainWindow w;
    w.show();
    const double frameW = w.State().Page().frameWidth;
    auto *tt = qobject_cast<QPlainTextEdit *>(w.Page()->ControlWidget(1));
    ASSERT_TRUE(tt);
    tt->setFocus();
    QTest::keyClicks(tt, QStringLiteral("abc"));
    EXPECT_EQ(w.State().GetCtlByIndex(1)->text, QStringLiteral("abc"));

    QTest::mouseClick(w.ZoomButton(0), Qt::LeftButton);
    EXPECT_EQ(w.Page()->width(), ToPx(frameW * 1.1));
    EXPECT_TRUE(w.HScroll()->isEnabled());
    auto *tt2 = qobject_cast<QPlainTextEdit *>(w.Page()->ControlWidget(1));
    ASSERT_TRUE(tt2);
    EXPECT_EQ(tt2->toPlainText(), QStringLiteral("abc"));
    EXPECT_EQ(tt2->x(), ToPx(w.State().GetCtlByIndex(1)->left));
    QTest::mouseClick(w.ZoomButton(1), Qt::LeftButton);
    EXPECT_FALSE(w.HScroll()->isEnabled());
    QTest::mouseClick(w.ZoomButton(2), Qt::LeftButton);
    EXPECT_EQ(w.Page()->width(), ToPx(frameW));

    // Rulers on: the centimetre line at 100 mm is drawn in its colour.
    const double s = w.State().TwipsPerMm();
    const QPoint probe(ToPx(100 * s), ToPx(3 * s));
    EXPECT_NE(w.Page()->grab().toImage().pixelColor(probe), QColor(255, 114, 0));
    QTest::mouseClick(w.Option(0), Qt::LeftButton, {}, QPoint(5, w.Option(0)->height() / 2));
    EXPECT_EQ(w.State().Option(0), 1);
    ASSERT_TRUE(w.State().Drawing().rulers);
    EXPECT_EQ(w.Page()->grab().toImage().pixelColor(probe), QColor(255, 114, 0));
    w.Option(0)->setChecked(false);
    EXPECT_FALSE(w.State().Drawing().rulers);
    EXPECT_EQ(w.Page()->grab().toImage().pixelColor(probe), QColor(Qt::white));
    w.close();
}

TEST_F(MainWindowTest, PageSizeDialogKeepsTypedTextsWhenRefused)
{
    MainWindow w;
    w.show();
    QTest::mouseClick(w.Com(2), Qt::LeftButton);
    PageSizeDialog *d = w.SizeDialog();
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->TX()->text(), QStringLiteral("200"));
    d->TY()->setText(QStringLiteral("0"));
    QTest::mouseClick(d->Com(0), Qt::LeftButton);
    ASSERT_EQ(dlg.messages().size(), 1);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->TY()->text(), QStringLiteral("0"));

    d->TX()->setText(QStringLiteral("100"));
    d->TY()->setText(QStringLiteral("50"));
    QTest::mouseClick(d->Com(0), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.SizeDialog() && w.SizeDialog()->isVisible());
    EXPECT_EQ(w.WidLabel()->text(), QStringLiteral("100"));
    EXPECT_EQ(w.Page()->height(), ToPx(w.State().Page().frameWidth / 2));
    EXPECT_FALSE(w.VScroll()->isEnabled());
    // Controls were rebuilt at the new scale.
    EXPECT_EQ(w.State().GetCtlByIndex(1)->left,
              num::ToLong(20 * w.State().Page().frameWidth / 100));

    // Locking the format disables the size and calibration buttons.
    w.Option(2)->setChecked(true);
    EXPECT_FALSE(w.Com(2)->isEnabled());
    EXPECT_FALSE(w.Com(36)->isEnabled());
    EXPECT_FALSE(w.CtlSameMenu()->isEnabled());
    w.Option(2)->setChecked(false);
    EXPECT_TRUE(w.Com(2)->isEnabled());
    w.close();
}

TEST_F(MainWindowTest, ClosingStoresFormatAndDefaultRecord)
{
    db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET LBL='' WHERE Fmt=''"));
    TheStartupRecord.FormatName = kFmt; // the command line names it
    InstallMainWindowFactory();
    QWidget *shown = ShowMainWindow();
    auto *w = qobject_cast<MainWindow *>(shown);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->FormatLabel()->text(), kFmt);
    w->State().SetControlValue(*w->State().GetCtlByIndex(1), QStringLiteral("李雷"));
    w->close(); // deletes itself
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(db::GetFieldWhere(QStringLiteral("Fmt"), QStringLiteral("Fmt=''"), {},
                                QStringLiteral("LBL"))
                  .toString(),
              kFmt);
    auto rs = db::OpenRecordset(QStringLiteral("SELECT ID, Con FROM 默认 WHERE Fmt=?"), {kFmt});
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->size(), 1);
    EXPECT_EQ(rs->value(0, 0).toLongLong(), idBox);
    EXPECT_EQ(rs->value(0, 1).toString(), QStringLiteral("李雷"));
    SetMainWindowFactory({});
}

// Changing the page size rebuilds the controls: what the page shows stays,
// and with the background shown the prompt labels stay hidden.
TEST_F(MainWindowTest, PageSizeChangeKeepsContentsAndHiddenLabels)
{
    const QString fmt = QStringLiteral("尺寸");
    ASSERT_TRUE(WriteFormatWithBackground(fmt));
    MainWindow w;
    w.show();
    ASSERT_EQ(w.FormatLabel()->text(), fmt);
    w.Option(4)->setChecked(true);
    const QString date = w.State().GetCtlByIndex(2)->text;
    ASSERT_FALSE(date.isEmpty());
    auto *tt = qobject_cast<QPlainTextEdit *>(w.Page()->ControlWidget(1));
    ASSERT_TRUE(tt);
    tt->setFocus();
    QTest::keyClicks(tt, QStringLiteral("Zhang 3"));
    auto *cc = qobject_cast<QAbstractButton *>(w.Page()->ControlWidget(1001));
    ASSERT_TRUE(cc);
    cc->click();
    ASSERT_EQ(w.State().GetCtlByIndex(1001)->value, 1);
    for (const auto &[tx, ty] : {std::pair{"180", "100"}, std::pair{"230", "127"}}) {
        QTest::mouseClick(w.Com(2), Qt::LeftButton);
        PageSizeDialog *d = w.SizeDialog();
        ASSERT_TRUE(d);
        d->TX()->setText(QString::fromLatin1(tx));
        d->TY()->setText(QString::fromLatin1(ty));
        QTest::mouseClick(d->Com(0), Qt::LeftButton);
        QCoreApplication::processEvents();
        SCOPED_TRACE(tx);
        EXPECT_EQ(w.WidLabel()->text(), QString::fromLatin1(tx));
        auto *box = qobject_cast<QPlainTextEdit *>(w.Page()->ControlWidget(1));
        ASSERT_TRUE(box);
        EXPECT_EQ(box->toPlainText(), QStringLiteral("Zhang 3"));
        EXPECT_EQ(w.State().GetCtlByIndex(2)->text, date);
        auto *check = qobject_cast<QAbstractButton *>(w.Page()->ControlWidget(1001));
        ASSERT_TRUE(check);
        EXPECT_TRUE(check->isChecked());
        for (qint32 i : {1, 2, 1001}) {
            QLabel *l = w.Page()->PromptWidget(i);
            EXPECT_TRUE(!l || !l->isVisible()) << i;
        }
    }
    // Without the background the labels show again.
    w.Option(4)->setChecked(false);
    ASSERT_TRUE(w.Page()->PromptWidget(1));
    EXPECT_TRUE(w.Page()->PromptWidget(1)->isVisible());
    w.close();
}

// The strip above the page at 1600 and 1024 pixels wide: no two of its
// parts overlap, and each lies inside the tab.
// Deleting a control rebuilds the others: over a shown background their
// prompt labels stay hidden.
TEST_F(MainWindowTest, DeletingAControlKeepsLabelsHiddenOverTheBackground)
{
    const QString fmt = QStringLiteral("删框");
    ASSERT_TRUE(WriteFormatWithBackground(fmt));
    MainWindow w;
    w.show();
    ASSERT_EQ(w.FormatLabel()->text(), fmt);
    w.Option(4)->setChecked(true);
    dlg.Queue(true);
    w.State().DeleteSelectedControls(*w.State().GetCtlByIndex(1));
    QCoreApplication::processEvents();
    ASSERT_EQ(w.State().Controls().Count(InputBox), 1);
    for (qint32 i : {1, 1001}) {
        QLabel *l = w.Page()->PromptWidget(i);
        ASSERT_TRUE(l) << i;
        EXPECT_FALSE(l->isVisible()) << i;
    }
    w.close();
}

// An A4 scan at 600 dpi is past Qt's default decoding limit: ticking 显示底图
// shows it all the same, scaled to the page.
TEST_F(MainWindowTest, AnA4ScanAt600DpiShowsAsTheBackground)
{
    QImageReader::setAllocationLimit(128); // Qt's default, whatever ran before
    const QString fmt = QStringLiteral("扫描");
    WriteFormat(fmt, {{0, QStringLiteral("收件人"), 20, 10, 40, 6, "1", 9}});
    ASSERT_TRUE(SaveA4Scan(GetBackgroundPicturePath(fmt), 20, 150));
    MainWindow w;
    w.show();
    ASSERT_EQ(w.FormatLabel()->text(), fmt);
    w.Option(4)->setChecked(true);
    const QImage shot = w.Page()->grab().toImage();
    // Dark above the middle, grey below it, on the page's whole width.
    for (const double x : {0.05, 0.5, 0.95}) {
        SCOPED_TRACE(x);
        EXPECT_LT(qGray(shot.pixel(int(x * shot.width()), shot.height() * 3 / 8)), 50);
        EXPECT_NEAR(qGray(shot.pixel(int(x * shot.width()), shot.height() * 7 / 8)), 150, 20);
    }
    w.close();
}

TEST_F(MainWindowTest, ToolStripPartsDoNotOverlap)
{
    MainWindow w;
    w.show();
    for (const QSize screenSize : {QSize(1600, 1000), QSize(1024, 768)}) {
        SCOPED_TRACE(screenSize.width());
        w.ArrangeOnScreen(QRect(QPoint(), screenSize),
                          QRect(0, 0, screenSize.width(), screenSize.height() - 40));
        QCoreApplication::processEvents();
        QWidget *pic = w.Page()->parentWidget()->parentWidget();
        ASSERT_EQ(pic->objectName(), QStringLiteral("Pic0"));
        const int stripBottom = ToPx(1000);
        // The leaves of the strip: buttons, labels and check boxes.
        std::vector<std::pair<QString, QRect>> parts;
        for (QWidget *c : pic->findChildren<QWidget *>()) {
            if (!c->isVisibleTo(pic) || !c->findChildren<QWidget *>().isEmpty()
                || qobject_cast<QScrollBar *>(c))
                continue;
            const QRect r(c->mapTo(pic, QPoint()), c->size());
            if (r.top() >= stripBottom || w.Page()->isAncestorOf(c))
                continue;
            parts.emplace_back(c->objectName(), r);
            EXPECT_LE(r.right(), pic->width()) << c->objectName().toStdString();
        }
        ASSERT_GE(parts.size(), 20u);
        for (size_t i = 0; i < parts.size(); ++i)
            for (size_t j = i + 1; j < parts.size(); ++j)
                EXPECT_FALSE(parts[i].second.intersects(parts[j].second))
                    << parts[i].first.toStdString() << " / " << parts[j].first.toStdString();
    }
    w.close();
}

// The whole frame, title bar included, lies on the work area when the
// window first shows and when it is laid out for 1600 × 1000 and
// 1024 × 768 (the offscreen platform gives windows a frame of 2 pixels).
TEST_F(MainWindowTest, FrameLiesOnTheWorkArea)
{
    MainWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    ASSERT_NE(w.frameGeometry(), w.geometry());
    EXPECT_EQ(w.frameGeometry(), QGuiApplication::primaryScreen()->availableGeometry());
    for (const QSize screenSize : {QSize(1600, 1000), QSize(1024, 768)}) {
        SCOPED_TRACE(screenSize.width());
        const QRect work(0, 0, screenSize.width(), screenSize.height() - 40);
        w.ArrangeOnScreen(QRect(QPoint(), screenSize), work);
        QCoreApplication::processEvents();
        EXPECT_EQ(w.frameGeometry(), work);
    }
    w.close();
}

// Under a real window manager the frame is drawn only once the window
// shows. Run in a child process on an X server by the test below; skipped
// elsewhere.
TEST_F(MainWindowTest, FrameOnTheScreenOfAWindowManager)
{
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        GTEST_SKIP() << "runs on an X server with a window manager";
    MainWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.frameGeometry() == work; }, 15000))
        << w.frameGeometry().x() << "," << w.frameGeometry().y() << " "
        << w.frameGeometry().width() << "x" << w.frameGeometry().height();
    EXPECT_GT(w.frameGeometry().height(), w.geometry().height());

    // The progress window of long work stays above the main window when the
    // window manager raises that (as a click on it does): it is stacked
    // above a window shown after it, then the progress window above it.
    InstallProgressWindow();
    {
        const LongWork work(QStringLiteral("正在打印单据……"), 10, WorkStop::Can);
        ProgressWindow *p = CurrentProgressWindow();
        ASSERT_TRUE(p && QTest::qWaitForWindowExposed(p));
        QWidget later;
        later.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&later));
        w.raise();
        QString stack;
        const auto above = [&stack](const QWidget &a, const QWidget &b) {
            const qsizetype i = stack.indexOf(QStringLiteral("0x%1,").arg(a.winId(), 0, 16));
            const qsizetype j = stack.indexOf(QStringLiteral("0x%1,").arg(b.winId(), 0, 16));
            return i >= 0 && j >= 0 && i > j;
        };
        ASSERT_TRUE(QTest::qWaitFor([&] {
            QProcess xprop;
            xprop.start(QStringLiteral("xprop"),
                        {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
            xprop.waitForFinished(10000);
            stack = QString::fromLatin1(xprop.readAllStandardOutput()).trimmed() + u',';
            // The window manager may restack the progress window a moment
            // after the main window.
            return above(w, later) && above(*p, w);
        }, 15000)) << stack.toStdString() << " main " << w.winId() << " progress " << p->winId()
                   << " later " << later.winId();
    }
    SetIndicatorView(nullptr);
    w.close();
}

// The real window on Xvfb with the openbox window manager, at 1600 × 1000
// and 1024 × 768: title bar and frame lie on the screen.
TEST(MainWindowFrame, OnTheScreenUnderAWindowManager)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    const QString xprop = QStandardPaths::findExecutable(QStringLiteral("xprop"));
    if (xvfb.isEmpty() || openbox.isEmpty() || xprop.isEmpty()) {
        if (qEnvironmentVariableIsSet("CI"))
            FAIL() << "Xvfb, openbox and xprop are needed (tools/deps.sh)";
        GTEST_SKIP() << "no Xvfb, openbox or xprop";
    }
    for (const char *size : {"1600x1000x24", "1024x768x24"}) {
        SCOPED_TRACE(size);
        QProcess server;
        server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                            QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                            QStringLiteral("-screen"), QStringLiteral("0"),
                            QString::fromLatin1(size)});
        ASSERT_TRUE(server.waitForReadyRead(10000));
        const QString display = QStringLiteral(":") + QString::fromLatin1(server.readLine()).trimmed();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        QProcess wm;
        wm.setProcessEnvironment(env);
        wm.setProcessChannelMode(QProcess::MergedChannels);
        wm.start(openbox, {});
        // The window manager is ready once it names itself on the root window.
        // One that ended before (a busy machine has been seen to lose one)
        // is started again.
        QByteArray wmSaid;
        const bool ready = QTest::qWaitFor([&] {
            if (wm.state() == QProcess::NotRunning) {
                wmSaid += wm.readAll();
                wm.start(openbox, {});
            }
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(xprop, {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
            p.waitForFinished(10000);
            return p.readAllStandardOutput().contains("window id");
        }, 120000);
        wmSaid += wm.readAll();
        QTemporaryDir data;
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), QStringLiteral("none"));
        env.insert(QString::fromLatin1(paths::kDataDirVariable), data.path());
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=MainWindowTest.FrameOnTheScreenOfAWindowManager")});
        const bool finished = child.waitForFinished(120000);
        const QString out = QString::fromLocal8Bit(child.readAll());
        wm.kill();
        wm.waitForFinished();
        server.kill();
        server.waitForFinished();
        ASSERT_TRUE(ready) << wmSaid.toStdString();
        ASSERT_TRUE(finished) << out.toStdString();
        EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("[  PASSED  ] 1 test"))) << out.toStdString();
    }
}

// The settings and download windows open centred on the work area.
TEST_F(MainWindowTest, SmallWindowsOpenCentredOnTheWorkArea)
{
    MainWindow w;
    w.show();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const auto trigger = [&](const char *name) {
        QAction *a = w.menuBar()->findChild<QAction *>(QString::fromLatin1(name));
        ASSERT_TRUE(a) << name;
        a->trigger();
    };
    trigger("mStrBarCodeStand");
    trigger("mPSDSet");
    QTest::mouseClick(w.Com(3), Qt::LeftButton);
    QCoreApplication::processEvents();
    for (const QString title : {QStringLiteral("条码编码标准设置"), QStringLiteral("修改密码"),
                                QStringLiteral("淘宝交易下载")}) {
        QWidget *shown = nullptr;
        for (QWidget *t : QApplication::topLevelWidgets())
            if (t->isVisible() && t->windowTitle() == title)
                shown = t;
        ASSERT_TRUE(shown) << title.toStdString();
        const QRect g = shown->geometry();
        EXPECT_LE(std::abs(g.center().x() - work.center().x()), 2) << title.toStdString();
        EXPECT_LE(std::abs(g.center().y() - work.center().y()), 2) << title.toStdString();
        shown->close();
    }
    w.close();
}

// Windows are wide enough for the whole title their title bar shows: the
// title and, as the toolkit adds it on X11, " — " and the program's name.
// The trade download window's tool bar lies inside the window.
TEST_F(MainWindowTest, WindowsShowTheirWholeTitles)
{
    testfmt::WriteRow(kFmt, {4, QStringLiteral("寄件"), 100, 30, 30, 8});
    QApplication::setApplicationDisplayName(MainCaption());
    MainWindow w;
    w.show();
    const auto shown = [](const QString &title) {
        for (QWidget *t : QApplication::topLevelWidgets())
            if (t->isVisible() && t->windowTitle() == title)
                return t;
        return static_cast<QWidget *>(nullptr);
    };
    const auto wholeTitle = [&](const QString &title) {
        QWidget *win = shown(title);
        ASSERT_TRUE(win) << title.toStdString();
        EXPECT_GE(win->width(), TitleBarWidth(title)) << title.toStdString();
        win->close();
    };
    w.menuBar()->findChild<QAction *>(QStringLiteral("mStrBarCodeStand"))->trigger();
    wholeTitle(QStringLiteral("条码编码标准设置"));
    (new Margin(w.State(), &w))->show();
    wholeTitle(QStringLiteral("输入打印页边距"));
    w.mCtlSet_Click(3001);
    wholeTitle(QStringLiteral("线条属性修改"));
    w.mCtlSet_Click(4001);
    wholeTitle(QStringLiteral("标签属性修改"));
    QTest::mouseClick(w.Com(3), Qt::LeftButton);
    QWidget *tb = shown(QStringLiteral("淘宝交易下载"));
    ASSERT_TRUE(tb);
    EXPECT_GE(tb->width(), TitleBarWidth(QStringLiteral("淘宝交易下载")));
    tb->resize(300, tb->height());
    QCoreApplication::processEvents();
    for (const char *name : {"Com0", "Com6", "TShop", "Chk"}) {
        QWidget *c = tb->findChild<QWidget *>(QString::fromLatin1(name));
        ASSERT_TRUE(c) << name;
        EXPECT_LE(c->geometry().right(), tb->width()) << name;
    }
    tb->close();
    QApplication::setApplicationDisplayName(QString());
    w.close();
}

// Saving on a full data folder says so; closing afterwards asks before the
// unsaved edits go, and No keeps the window open.
TEST_F(MainWindowTest, FailedSaveIsSaidAndClosingAsksFirst)
{
    MainWindow w;
    w.show();
    QAction *save = w.menuBar()->findChild<QAction *>(QStringLiteral("m_FCom31"));
    ASSERT_TRUE(save);
    {
        FullDiskScope full(0);
        save->trigger();
    }
    ASSERT_EQ(MessageBoxes(dlg).size(), 1);
    EXPECT_TRUE(MessageBoxes(dlg).front().contains(QStringLiteral("格式没有保存")));

    dlg.Queue(false);
    w.close();
    EXPECT_TRUE(w.isVisible());
    save->trigger(); // the disk has room again
    EXPECT_EQ(MessageBoxes(dlg).size(), 1);
    EXPECT_TRUE(w.close());
    EXPECT_EQ(dlg.pendingAnswers(), 0u);
}

// 新建格式 and 另存格式 on a database that refuses every write: each says so,
// the open format stays as it was on the page and in the table, no picture
// is left for the format that was not stored, and closing asks first. The
// limit lets a small picture be copied but no database journal be written.
TEST_F(MainWindowTest, RefusedNewFormatAndSaveAsChangeNothingAndAreSaid)
{
    const QString other = QStringLiteral("新格式");
    QImage small(8, 8, QImage::Format_RGB32);
    small.fill(Qt::blue);
    ASSERT_TRUE(small.save(GetBackgroundPicturePath(kFmt), "JPG"));
    const auto count = [](const QString &name) {
        const auto rs = db::OpenRecordset(QStringLiteral("SELECT COUNT(*) FROM Fmt WHERE Fmt=?"),
                                          {name});
        return rs ? rs->value(0, 0).toInt() : -1;
    };
    const int stored = count(kFmt);
    SetFormatChoosers({{}, [&](const FormatHost &, bool) { return other; }});
    for (const char *command : {"mNewFmt", "m_FCom32"}) {
        SCOPED_TRACE(command);
        dlg.Clear();
        MainWindow w;
        w.show();
        QAction *a = w.menuBar()->findChild<QAction *>(QString::fromLatin1(command));
        ASSERT_TRUE(a);
        const qint32 rows = w.State().FormatGrid().rows();
        for (const char *answer : {"新格式", "100", "50"})
            dlg.Queue(QString::fromUtf8(answer)); // only 新建格式 asks
        {
            FullDiskScope full(2048);
            a->trigger();
        }
        ASSERT_EQ(MessageBoxes(dlg).size(), 1);
        EXPECT_TRUE(MessageBoxes(dlg).front().contains(QStringLiteral("格式没有保存")));
        EXPECT_EQ(w.FormatLabel()->text(), kFmt);
        EXPECT_EQ(w.WidLabel()->text(), QStringLiteral("200"));
        EXPECT_EQ(w.HieLabel()->text(), QStringLiteral("200"));
        EXPECT_EQ(w.State().FormatGrid().rows(), rows);
        EXPECT_EQ(count(kFmt), stored);
        EXPECT_EQ(count(other), 0);
        EXPECT_FALSE(QFile::exists(GetBackgroundPicturePath(other)));

        dlg.Clear(); // 另存格式 left the sizes unasked
        dlg.Queue(false);
        w.close();
        EXPECT_TRUE(w.isVisible());
        dlg.Queue(true);
        EXPECT_TRUE(w.close());
    }
    SetFormatChoosers({});
}

// Closing while the database refuses the default record asks before what
// the boxes hold goes; No keeps the window, a later close stores it.
TEST_F(MainWindowTest, RefusedDefaultRecordAtCloseAsksFirst)
{
    MainWindow w;
    w.show();
    auto *tt = qobject_cast<QPlainTextEdit *>(w.Page()->ControlWidget(1));
    ASSERT_TRUE(tt);
    tt->setFocus();
    QTest::keyClicks(tt, QStringLiteral("abc"));
    dlg.Queue(false);
    {
        FullDiskScope full(0);
        w.close();
    }
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(dlg.shown().size(), 1u);
    EXPECT_TRUE(dlg.shown().front().text.startsWith(QStringLiteral("页面内容没有保存")));
    EXPECT_TRUE(w.close());
    EXPECT_EQ(num::Text(db::GetFieldWhere(QStringLiteral("默认"), QStringLiteral("Fmt=?"), {kFmt},
                                          QStringLiteral("Con"))),
              QStringLiteral("abc"));
}
