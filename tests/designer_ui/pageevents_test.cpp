// The page as the window system drives it: real presses, context-menu
// events and keys on the main window, and the page's pixels read back. The
// selected look shows, a right-click opens one menu, the format lock disables
// what it locks, and the keys work after a value prompt.

#include "core/globals.h"
#include "core/database.h"
#include "core/exampleformat.h"
#include "core/exchangefile.h"
#include "core/formatstore.h"
#include "designer/formatops.h"
#include "designer/ui/mainwindow.h"
#include "designer/ui/pageinput.h"
#include "designer/ui/pagewidget.h"
#include "formatwindowtest.h"
#include "platform/screenscale.h"
#include "platform/ui/qtdialogs.h"
#include "properties/ui/propertydialog.h"
#include "properties/ui/editctl.h"
#include "support/testenv.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QImage>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace dsg;
using namespace screen;

namespace {

const QString kFmt = QStringLiteral("韵达");
const QRgb kGrey = qRgb(0xD0, 0xD0, 0xD0);

class PageEventsTest : public FormatWindowTest
{
protected:
    void SetUp() override
    {
        FormatWindowTest::SetUp();
        WriteFormat(kFmt,
                    {{0, QStringLiteral("甲"), 30, 20, 40, 8},
                     {0, QStringLiteral("乙"), 30, 40, 40, 8},
                     {0, QStringLiteral("丙"), 30, 60, 40, 8},
                     {1, QStringLiteral("到付"), 120, 20, 5, 5},
                     {2, QStringLiteral("条码"), 120, 40, 40, 15},
                     {4, QStringLiteral("寄件"), 120, 70, 30, 8, "0", 12},
                     {3, QStringLiteral("线条"), 10, 100, 190, 100, "0", 1, 1}});
        // A dark background picture, so that a light grey cannot come from it.
        QImage bg(200, 200, QImage::Format_RGB32);
        bg.fill(qRgb(40, 60, 90));
        ASSERT_TRUE(bg.save(GetBackgroundPicturePath(kFmt), "JPG"));
    }
    void Open(MainWindow &w)
    {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        pg = w.Page();
        s = w.State().TwipsPerMm();
    }
    QPoint Px(double xMm, double yMm) const { return QPoint(ToPx(xMm * s), ToPx(yMm * s)); }
    // The widget that gets the mouse on a control: an input box's text area.
    QWidget *Target(qint32 index) const
    {
        QWidget *w = pg->ControlWidget(index);
        if (auto *a = qobject_cast<QAbstractScrollArea *>(w))
            return a->viewport();
        return w;
    }
    // A move without a button as the window system delivers it (QTest's
    // only places the cursor on the offscreen platform).
    static void Hover(QWidget *w, QPoint at)
    {
        QMouseEvent e(QEvent::MouseMove, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    void CtrlClick(qint32 index)
    {
        QTest::mouseClick(Target(index), Qt::LeftButton, Qt::ControlModifier, QPoint(4, 4));
    }
    // Counts the selection grey inside a control's rectangle (2 px in).
    int GreyIn(const QImage &img, qint32 index) const
    {
        const QRect r = pg->ControlWidget(index)->geometry().adjusted(2, 2, -2, -2);
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += img.pixel(x, y) == kGrey;
        return n;
    }
    // Grey pixels on the line's row, away from every control.
    int GreyOnLine(const QImage &img) const
    {
        const int y = Px(0, 100).y();
        int n = 0;
        for (int x = Px(12, 0).x(); x < Px(28, 0).x(); ++x)
            for (int dy = -1; dy <= 1; ++dy)
                n += img.pixel(x, y + dy) == kGrey;
        return n;
    }
    // Whether a picture box or label shows a frame: its border rows differ
    // from the page around it.
    bool Framed(const QImage &img, qint32 index) const
    {
        const QRect r = pg->ControlWidget(index)->geometry();
        const QRgb in = img.pixel(r.left() + r.width() / 2, r.top());
        const QRgb out = img.pixel(r.left() + r.width() / 2, r.top() - 2);
        return in != out;
    }

    PageWidget *pg = nullptr;
    double s = 0;
};

} // namespace

TEST_F(PageEventsTest, SelectedLookShowsWithAndWithoutBackground)
{
    MainWindow w;
    Open(w);
    for (const bool background : {false, true}) {
        SCOPED_TRACE(background ? "background shown" : "background hidden");
        w.State().SetOption(4, background ? 1 : 0);
        // A band over the first two boxes, then Ctrl+click on the others.
        QTest::mousePress(pg, Qt::LeftButton, {}, Px(25, 15));
        QTest::mouseMove(pg, Px(50, 35));
        QTest::mouseMove(pg, Px(60, 45));
        QTest::mouseRelease(pg, Qt::LeftButton, {}, Px(60, 45));
        QImage img = pg->grab().toImage();
        EXPECT_GT(GreyIn(img, 1), 100);
        EXPECT_GT(GreyIn(img, 2), 100);
        EXPECT_EQ(GreyIn(img, 3), 0);
        EXPECT_EQ(GreyIn(img, 1001), 0);
        EXPECT_FALSE(Framed(img, 2001));
        EXPECT_FALSE(Framed(img, 4001));
        EXPECT_EQ(GreyOnLine(img), 0);

        for (const qint32 i : {3, 1001, 2001, 4001})
            CtrlClick(i);
        // Ctrl+click on the line's body.
        Hover(pg, Px(20, 100));
        QTest::mouseClick(pg, Qt::LeftButton, Qt::ControlModifier, Px(20, 100));
        img = pg->grab().toImage();
        for (const qint32 i : {1, 2, 3})
            EXPECT_GT(GreyIn(img, i), 100) << i;
        EXPECT_GT(GreyIn(img, 1001), 0);
        EXPECT_TRUE(Framed(img, 2001));
        EXPECT_TRUE(Framed(img, 4001));
        EXPECT_GT(GreyOnLine(img), 10);

        // A click on empty page clears it all.
        QTest::mouseClick(pg, Qt::LeftButton, {}, Px(5, 5));
        img = pg->grab().toImage();
        for (const qint32 i : {1, 2, 3, 1001})
            EXPECT_EQ(GreyIn(img, i), 0) << i;
        EXPECT_EQ(GreyOnLine(img), 0);
    }
    w.close();
}

namespace {

// A right-click as the window system delivers it: the press, the context-menu
// event that follows it, the release. Returns how many toolkit pop-ups opened
// (each is closed again); the designer's own menus go through the dialog seam.
int RightClick(QWidget *target, QPoint at, Qt::KeyboardModifiers mods = {})
{
    int popups = 0;
    const auto closePopup = [&] {
        if (QWidget *p = QApplication::activePopupWidget()) {
            ++popups;
            p->close();
        }
    };
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, closePopup);
    guard.start(20);
    QTest::mousePress(target, Qt::RightButton, mods, at);
    QContextMenuEvent cm(QContextMenuEvent::Mouse, at, target->mapToGlobal(at), mods);
    QApplication::sendEvent(target, &cm);
    QTest::mouseRelease(target, Qt::RightButton, mods, at);
    QApplication::processEvents();
    closePopup();
    return popups;
}

} // namespace

TEST_F(PageEventsTest, RightClickOpensOneMenu)
{
    MainWindow w;
    Open(w);
    const QString boxMenu = QStringLiteral("设置内容框\n-\n建立关联链\n-\n复制文本\n粘贴文本");
    const QString pageMenu
        = QStringLiteral("自动生成日期\n-\n清空内容框\n-\n更换背景图\n清除背景图");
    struct Case
    {
        qint32 index; // 0: the page, 3001: the line (from the page)
        QString menu;
    };
    const Case cases[] = {
        {1, boxMenu},
        {1001, QStringLiteral("设置内容框")},
        {2001, QStringLiteral("设置内容框\n-\n添加  图片\n输入条形码")},
        {4001, QStringLiteral("设置内容框\n-\n复制文本\n粘贴文本")},
        {3001, QStringLiteral("设置内容框")},
        {0, pageMenu},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.index);
        dlg.Clear();
        QWidget *target = c.index == 0 || c.index == 3001 ? pg : Target(c.index);
        const QPoint at = c.index == 0 ? Px(5, 150) : c.index == 3001 ? Px(20, 100) : QPoint(4, 4);
        if (c.index == 3001)
            Hover(pg, at);
        EXPECT_EQ(RightClick(target, at), 0);
        ASSERT_EQ(dlg.shown().size(), 1u);
        EXPECT_EQ(dlg.shown()[0].kind, QStringLiteral("menu"));
        EXPECT_EQ(dlg.shown()[0].text, c.menu);
        Hover(pg, Px(5, 150));
    }
    w.close();
}

TEST_F(PageEventsTest, LockDisablesEditing)
{
    MainWindow w;
    Open(w);
    QTest::mouseClick(w.Option(2), Qt::LeftButton, {}, QPoint(6, w.Option(2)->height() / 2));
    ASSERT_EQ(w.State().Option(2), 1);
    EXPECT_FALSE(w.CtlSameMenu()->isEnabled());
    EXPECT_FALSE(w.Com(2)->isEnabled());
    EXPECT_FALSE(w.Com(36)->isEnabled());

    // The real menu shows "设置内容框" greyed on every control.
    QtDialogs qt;
    setDialogs(&qt);
    QStringList seen;
    QTimer reader;
    QObject::connect(&reader, &QTimer::timeout, [&] {
        if (auto *m = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            for (QAction *a : m->actions())
                if (!a->isSeparator())
                    seen << a->text() + (a->isEnabled() ? QString() : QStringLiteral("(off)"));
            m->close();
        }
    });
    reader.start(20);
    RightClick(Target(1), QPoint(4, 4));
    EXPECT_EQ(seen.value(0), QStringLiteral("设置内容框(off)"));
    EXPECT_EQ(seen.value(1), QStringLiteral("建立关联链"));
    reader.stop();
    setDialogs(&dlg);

    // Choosing it anyway opens no dialog, on any class.
    for (const qint32 i : {1, 1001, 2001, 4001}) {
        dlg.Clear();
        dlg.Queue(0);
        RightClick(Target(i), QPoint(4, 4));
        ASSERT_EQ(dlg.shown().size(), 1u);
        EXPECT_EQ(dlg.shown()[0].disabled, QStringLiteral("设置内容框")) << i;
        EXPECT_FALSE(w.PropertyDialogs().Open(i / 1000)) << i;
    }
    // Unlocked, the same choice opens the box's dialog.
    QTest::mouseClick(w.Option(2), Qt::LeftButton, {}, QPoint(6, w.Option(2)->height() / 2));
    EXPECT_TRUE(w.CtlSameMenu()->isEnabled());
    EXPECT_TRUE(w.Com(2)->isEnabled());
    EXPECT_TRUE(w.Com(36)->isEnabled());
    dlg.Clear();
    dlg.Queue(0);
    RightClick(Target(1), QPoint(4, 4));
    EXPECT_TRUE(dlg.shown()[0].disabled.isEmpty());
    EXPECT_TRUE(w.PropertyDialogs().Open(0));
    w.close();
}

// While the format is locked, the arrow keys (alone, with Shift, with Ctrl)
// change nothing, a click on the page clears the selection, and saving
// stores the box as it was.
TEST_F(PageEventsTest, LockedFormatIgnoresKeys)
{
    MainWindow w;
    Open(w);
    w.activateWindow();
    QApplication::setActiveWindow(&w);
    const auto stored = [] {
        auto rs = db::OpenRecordset(
            QStringLiteral("SELECT X,Y,W,H,fSize FROM Fmt WHERE Fmt=? AND LBL=?"),
            {kFmt, QStringLiteral("甲")});
        QStringList v;
        for (int c = 0; rs && !rs->empty() && c < 5; ++c)
            v << rs->value(0, c).toString();
        return v;
    };
    const QStringList before = stored();
    ASSERT_EQ(before.size(), 5);
    CtrlClick(1);
    CtrlClick(2);
    QTest::mouseClick(w.Option(2), Qt::LeftButton, {}, QPoint(6, w.Option(2)->height() / 2));
    ASSERT_EQ(w.State().Option(2), 1);
    DesignControl *a = w.State().GetCtlByIndex(1);
    const qint32 left = a->left, top = a->top, width = a->width, height = a->height;
    const double size = a->fontSize;
    // Keys as the window system sends them: to the box that has the focus,
    // then to the page.
    for (QWidget *target : {static_cast<QWidget *>(pg->ControlWidget(1)), static_cast<QWidget *>(pg)}) {
        target->setFocus();
        for (const Qt::KeyboardModifiers m : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier),
                                              Qt::KeyboardModifiers(Qt::ControlModifier)})
            for (const Qt::Key k : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Up})
                QTest::keyClick(QApplication::focusWidget(), k, m);
    }
    EXPECT_EQ(a->left, left);
    EXPECT_EQ(a->top, top);
    EXPECT_EQ(a->width, width);
    EXPECT_EQ(a->height, height);
    EXPECT_EQ(a->fontSize, size);
    EXPECT_TRUE(a->selected);
    // A click on empty page clears the selection, as it does unlocked.
    QTest::mouseClick(pg, Qt::LeftButton, {}, Px(5, 150));
    EXPECT_FALSE(a->selected);
    EXPECT_FALSE(w.State().GetCtlByIndex(2)->selected);
    w.menuBar()->findChild<QAction *>(QStringLiteral("m_FCom31"))->trigger();
    EXPECT_EQ(stored(), before);
    w.close();
}

TEST_F(PageEventsTest, FixedTextBoxKeepsItsText)
{
    // Box 甲 was stored while it had a prompt: its record holds no text.
    db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET Mem=NULL WHERE Fmt=? AND LBL=?"),
                   {kFmt, QStringLiteral("甲")});
    MainWindow w;
    Open(w);
    auto *tt = qobject_cast<QPlainTextEdit *>(pg->ControlWidget(1));
    tt->setFocus();
    QTest::keyClicks(tt, QStringLiteral("COD"));
    // Its prompt cleared in its dialog: a fixed-text box now.
    dlg.Queue(0);
    RightClick(Target(1), QPoint(4, 4));
    auto *ed = qobject_cast<props::EditCtl *>(w.PropertyDialogs().Open(0));
    ASSERT_TRUE(ed);
    ed->Field(0)->clear();
    QTest::mouseClick(ed->OkButton(), Qt::LeftButton);
    EXPECT_TRUE(w.State().Controls().Label(1)->caption.isEmpty());
    EXPECT_EQ(w.State().GetCtlByIndex(1)->text, QStringLiteral("COD"));
    // Zoom rebuilds the controls from their rows.
    QTest::mouseClick(w.ZoomButton(0), Qt::LeftButton);
    tt = qobject_cast<QPlainTextEdit *>(pg->ControlWidget(1));
    ASSERT_TRUE(tt);
    EXPECT_EQ(tt->toPlainText(), QStringLiteral("COD"));
    w.close();
}

TEST_F(PageEventsTest, KeysWorkAfterAValuePrompt)
{
    MainWindow w;
    Open(w);
    w.activateWindow();
    QApplication::setActiveWindow(&w);
    QtDialogs qt;
    setDialogs(&qt);
    // The prompt is answered as a user does: the value typed, then Enter.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto *d = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            d->setTextValue(QStringLiteral("45"));
            QTest::keyClick(d, Qt::Key_Return);
        }
    });
    answer.start(20);
    for (const char *command : {"mAlignSize", "mAlignLeft"}) {
        SCOPED_TRACE(command);
        // A band over the first two boxes.
        QTest::mousePress(pg, Qt::LeftButton, {}, Px(25, 15));
        QTest::mouseMove(pg, Px(50, 35));
        QTest::mouseMove(pg, Px(60, 45));
        QTest::mouseRelease(pg, Qt::LeftButton, {}, Px(60, 45));
        w.menuBar()->findChild<QAction *>(QString::fromLatin1(command))->trigger();
        QApplication::processEvents();
        // Keys as the window system sends them: to the focus widget (none:
        // the window, where they do nothing).
        const auto key = [&](Qt::Key k, Qt::KeyboardModifiers m) {
            QWidget *f = QApplication::focusWidget();
            QTest::keyClick(f ? f : static_cast<QWidget *>(&w), k, m);
        };
        DesignControl *a = w.State().GetCtlByIndex(1);
        const qint32 left = a->left, width = a->width;
        const double size = a->fontSize;
        key(Qt::Key_Right, {});
        EXPECT_EQ(a->left, left + 10);
        key(Qt::Key_Right, Qt::ShiftModifier);
        EXPECT_EQ(a->width, width + 10);
        key(Qt::Key_Up, Qt::ControlModifier);
        EXPECT_EQ(a->fontSize, size - 0.5);
        EXPECT_TRUE(w.State().GetCtlByIndex(2)->selected);
        EXPECT_FALSE(w.State().GetCtlByIndex(3)->selected);
    }
    answer.stop();
    setDialogs(&dlg);
    w.close();
}

// A format that came through an exchange file carries an empty text with
// each row: the box still keeps what was typed when its prompt is cleared.
TEST_F(FormatWindowTest, FixedTextBoxKeepsItsTextInAnImportedFormat)
{
    ASSERT_TRUE(StoreExampleFormatIfFirstStart());
    MainWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QString file = path(QStringLiteral("导入的.wlq"));
    dlg.Queue(file);
    ASSERT_TRUE(ExportFormat(w.State(), ExampleFormatName()));
    dlg.Queue(file);
    w.menuBar()->findChild<QAction *>(QStringLiteral("mInputFormat"))->trigger();
    SelectFormat(w.State(), QStringLiteral("导入的"), false);
    ASSERT_EQ(w.State().FormatCaption(), QStringLiteral("导入的"));
    qint32 box = 0;
    for (qint32 i = 1; i <= w.State().Controls().Count(InputBox); ++i)
        if (w.State().Controls().Label(i)->caption == QStringLiteral("收件人姓名"))
            box = i;
    ASSERT_GT(box, 0);
    auto *tt = qobject_cast<QPlainTextEdit *>(w.Page()->ControlWidget(box));
    ASSERT_TRUE(tt);
    tt->setFocus();
    QTest::keyClicks(tt, QStringLiteral("XYZ"));
    dlg.Queue(0);
    RightClick(tt->viewport(), QPoint(4, 4));
    auto *ed = qobject_cast<props::EditCtl *>(w.PropertyDialogs().Open(0));
    ASSERT_TRUE(ed);
    ed->Field(0)->clear();
    QTest::mouseClick(ed->OkButton(), Qt::LeftButton);
    EXPECT_TRUE(w.State().Controls().Label(box)->caption.isEmpty());
    EXPECT_EQ(w.State().GetCtlByIndex(box)->text, QStringLiteral("XYZ"));
    tt = qobject_cast<QPlainTextEdit *>(w.Page()->ControlWidget(box));
    ASSERT_TRUE(tt);
    EXPECT_EQ(tt->toPlainText(), QStringLiteral("XYZ"));
    w.close();
}
