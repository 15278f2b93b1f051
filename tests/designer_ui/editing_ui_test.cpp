// Editing on the offscreen page with real mouse and key events: a rubber
// band, a drag of the selection, Shift+arrow, a delete, and the saved
// format's geometry; the menus' ticks and the strip's captions.

#include "core/controlrow.h"
#include "core/database.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/settings.h"
#include "designer/ui/mainwindow.h"
#include "designer/ui/pageinput.h"
#include "designer/ui/pagewidget.h"
#include "formatwindowtest.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"
#include "support/testenv.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace dsg;
using namespace screen;

namespace {

const QString kFmt = QStringLiteral("申通");

class EditingUiTest : public FormatWindowTest
{
protected:
    void SetUp() override
    {
        FormatWindowTest::SetUp();
        std::vector<testfmt::Row> rows;
        for (int i = 0; i < 3; ++i)
            rows.push_back({0, QStringLiteral("框%1").arg(i), 20, 20 + 15.0 * i, 40, 8, "1", 9});
        rows.push_back({0, QStringLiteral("远"), 150, 150, 30, 8, "1", 9});
        rows.push_back({4, QStringLiteral("寄件"), 120, 20, 30, 8, "0", 12});
        WriteFormat(kFmt, rows);
    }
    static std::vector<qint32> Selected(MainWindow &w)
    {
        std::vector<qint32> v;
        w.State().Controls().ForEach([&](DesignControl &c) {
            if (c.selected)
                v.push_back(c.index);
        });
        return v;
    }
    static QPoint Px(double x, double y) { return QPoint(ToPx(x), ToPx(y)); }
    // QTest sends to the widget it is given: an input box's events go to
    // its text area, at the page point as seen from there now.
    static QWidget *Area(PageWidget *pg, qint32 index)
    {
        return qobject_cast<QAbstractScrollArea *>(pg->ControlWidget(index))->viewport();
    }
    // A move as the window system delivers it (QTest's moves without a
    // button only place the cursor on the offscreen platform).
    static void Move(QWidget *w, PageWidget *pg, QPoint pagePt,
                     Qt::MouseButtons held = Qt::NoButton)
    {
        const QPoint local = w->mapFrom(pg, pagePt);
        QMouseEvent e(QEvent::MouseMove, QPointF(local), QPointF(w->mapToGlobal(local)),
                      Qt::NoButton, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
};

} // namespace

TEST_F(EditingUiTest, BandDragShiftArrowDeleteAndSave)
{
    MainWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    PageWidget *pg = w.Page();
    const double s = w.State().TwipsPerMm();
    // A band from above-left of the three boxes to inside the last one.
    QTest::mousePress(pg, Qt::LeftButton, {}, Px(10 * s, 15 * s));
    QTest::mouseMove(pg, Px(40 * s, 40 * s));
    QTest::mouseMove(pg, Px(70 * s, 52 * s));
    QTest::mouseRelease(pg, Qt::LeftButton, {}, Px(70 * s, 52 * s));
    EXPECT_EQ(Selected(w), (std::vector<qint32> {1, 2, 3}));

    // Hover the first box's upper-left corner, then drag it 30 px right and
    // 15 px down: the whole selection follows.
    DesignControl *a = w.State().GetCtlByIndex(1);
    std::vector<QRect> before;
    for (qint32 i = 1; i <= 4; ++i) {
        const DesignControl *c = w.State().GetCtlByIndex(i);
        before.emplace_back(c->left, c->top, c->width, c->height);
    }
    const QPoint grab = Px(a->left + 40, a->top + 40);
    QWidget *tt = Area(pg, 1);
    Move(tt, pg, grab);
    EXPECT_EQ(w.Input()->Editor().CtlPointer(1), 5);
    QTest::mousePress(tt, Qt::LeftButton, {}, tt->mapFrom(pg, grab));
    Move(tt, pg, grab + QPoint(15, 8), Qt::LeftButton);
    Move(tt, pg, grab + QPoint(30, 15), Qt::LeftButton);
    QTest::mouseRelease(tt, Qt::LeftButton, {}, tt->mapFrom(pg, grab + QPoint(30, 15)));
    for (qint32 i = 1; i <= 3; ++i) {
        const DesignControl *c = w.State().GetCtlByIndex(i);
        EXPECT_EQ(c->left, before[size_t(i - 1)].x() + 30 * 15) << i;
        EXPECT_EQ(c->top, before[size_t(i - 1)].y() + 15 * 15) << i;
    }
    EXPECT_EQ(w.State().GetCtlByIndex(4)->left, before[3].x());

    // Shift+Right on the page widens each selected box by 10 twips.
    pg->setFocus();
    QTest::keyClick(pg, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(w.State().GetCtlByIndex(2)->width, before[1].width() + 10);

    // A press on a label stays with the label: the selection is kept.
    QWidget *lb = pg->ControlWidget(4001);
    QTest::mouseClick(lb, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(Selected(w), (std::vector<qint32> {1, 2, 3}));

    // Delete the selection with the first box: asked, rows and controls go.
    dlg.Queue(true);
    w.State().DeleteSelectedControls(*w.State().GetCtlByIndex(1));
    EXPECT_EQ(w.State().Controls().Count(InputBox), 1);
    EXPECT_EQ(w.State().FormatGrid().rows() - w.State().FormatGrid().fixedRows(), 2);
    ASSERT_TRUE(SaveFormatGrid(w.State(), w.State().FormatGrid(), QString()));
    auto rs = db::OpenRecordset(
        QStringLiteral("SELECT LBL, X, Y, W FROM Fmt WHERE Fmt=? AND Clas=0 AND LBL<>?"),
        {kFmt, fmtgrid::HeaderMarker()});
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->size(), 1);
    EXPECT_EQ(num::Text(rs->value(0, 0)), QStringLiteral("远"));
    w.close();
}

TEST_F(EditingUiTest, DraggedGeometryIsSavedInMillimetres)
{
    MainWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    PageWidget *pg = w.Page();
    const double s = w.State().TwipsPerMm();
    DesignControl *a = w.State().GetCtlByIndex(1);
    const QPoint grab = Px(a->left + 40, a->top + 40);
    QWidget *tt = Area(pg, 1);
    Move(tt, pg, grab);
    QTest::mousePress(tt, Qt::LeftButton, {}, tt->mapFrom(pg, grab));
    Move(tt, pg, grab + QPoint(40, 0), Qt::LeftButton);
    QTest::mouseRelease(tt, Qt::LeftButton, {}, tt->mapFrom(pg, grab + QPoint(40, 0)));
    ASSERT_TRUE(SaveFormatGrid(w.State(), w.State().FormatGrid(), QString()));
    auto rs = db::OpenRecordset(QStringLiteral("SELECT X FROM Fmt WHERE Fmt=? AND LBL=?"),
                                {kFmt, QStringLiteral("框0")});
    ASSERT_TRUE(rs && rs->size() == 1);
    EXPECT_EQ(a->left, num::ToLong(20 * s) + 40 * 15);
    EXPECT_NEAR(rs->value(0, 0).toDouble(), a->left / s, 0.001);
    w.close();
}

TEST_F(EditingUiTest, TicksAreKeptAndStored)
{
    MainWindow w;
    auto *a = w.menuBar()->findChild<QAction *>(QStringLiteral("mPrintRulers"));
    ASSERT_TRUE(a);
    const bool before = a->isChecked();
    a->trigger();
    EXPECT_EQ(a->isChecked(), !before);
    EXPECT_EQ(GetRegSetting(QStringLiteral("PQT_V"), QStringLiteral("Validate"),
                            QStringLiteral("mPrintRulers"), QString()),
              before ? QString() : QStringLiteral("1"));
    w.close();
}

TEST_F(EditingUiTest, StripCaptionsShowWhole)
{
    MainWindow w;
    w.show();
    const QStringList names
        = {QStringLiteral("Zm0"),   QStringLiteral("Zm1"),  QStringLiteral("Zm2"),
           QStringLiteral("LFMT0"), QStringLiteral("Com0"), QStringLiteral("Com1"),
           QStringLiteral("Frm")};
    for (const QString &n : names) {
        QWidget *c = w.findChild<QWidget *>(n);
        ASSERT_TRUE(c) << n.toStdString();
        // Buttons need their caption's width, other widgets their size hint.
        auto *b = qobject_cast<QPushButton *>(c);
        const int need
            = b ? b->fontMetrics().horizontalAdvance(b->text()) + 8 : c->sizeHint().width();
        EXPECT_GE(c->width(), need) << n.toStdString();
    }
    QWidget *frm = w.findChild<QWidget *>(QStringLiteral("Frm"));
    EXPECT_GE(frm->height(), frm->sizeHint().height());
    // Prompt labels show their whole caption.
    QLabel *ll = w.Page()->PromptWidget(1);
    ASSERT_TRUE(ll);
    EXPECT_GE(ll->width(), ll->sizeHint().width());
    w.close();
}

TEST_F(EditingUiTest, SupportChatWithoutContactSaysSo)
{
    MainWindow w;
    auto *a = w.menuBar()->findChild<QAction *>(QStringLiteral("mQQOnline1"));
    ASSERT_TRUE(a);
    a->trigger();
    ASSERT_FALSE(dlg.shown().empty());
    EXPECT_EQ(dlg.shown().back().text, QStringLiteral("尚未设置QQ帮助联系人。"));
    w.close();
}
