// The property dialogs from the main window: the menu item opens the dialog
// of the selected control, OK moves the real control on the page, and a
// picture box added through its dialog gets its own row.

#include "core/globals.h"
#include "core/ui/startupui.h"
#include "designer/ui/mainwindow.h"
#include "designer/ui/pagewidget.h"
#include "formatwindowtest.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"
#include "properties/ui/editctl.h"
#include "support/testenv.h"

#include <QAction>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace dsg;

namespace {

const QString kFmt = QStringLiteral("申通");

class PropertyWindowTest : public FormatWindowTest
{
protected:
    void SetUp() override
    {
        FormatWindowTest::SetUp();
        WriteFormat(kFmt,
                    {{0, QStringLiteral("收件人"), 20, 10, 40, 6, "1", 9},
                     {0, QStringLiteral("电话"), 20, 30, 40, 6, "1", 9}});
    }
};

} // namespace

TEST_F(PropertyWindowTest, MenuItemEditsTheSelectedBoxOnThePage)
{
    MainWindow w;
    w.show();
    auto *set = w.findChild<QAction *>(QStringLiteral("mCtlSet"));
    ASSERT_TRUE(set);
    set->trigger(); // nothing selected, no current row
    EXPECT_EQ(dlg.messages().size(), 1);

    DesignControl *second = w.State().GetCtlByIndex(2);
    ASSERT_TRUE(second);
    second->selected = true;
    set->trigger();
    auto *ed = qobject_cast<props::EditCtl *>(w.PropertyDialogs().Open(0));
    ASSERT_TRUE(ed);
    EXPECT_EQ(ed->Field(0)->text(), QStringLiteral("电话"));
    ed->Field(1)->selectAll();
    QTest::keyClicks(ed->Field(1), QStringLiteral("50"));
    QTest::mouseClick(ed->OkButton(), Qt::LeftButton);

    const double s = w.State().TwipsPerMm();
    EXPECT_EQ(second->left, num::ToLong(50 * s));
    EXPECT_EQ(w.State().GetCtlByIndex(1)->left, num::ToLong(20 * s));
    EXPECT_EQ(w.Page()->ControlWidget(2)->x(), screen::ToPx(second->left));
}

TEST_F(PropertyWindowTest, AddedPictureBoxOpensItsDialog)
{
    MainWindow w;
    w.show();
    const qint32 rows = w.State().FormatGrid().rows();
    w.AddControlWithDialog(2);
    props::PropertyDialog *pic = w.PropertyDialogs().Open(2);
    ASSERT_TRUE(pic);
    EXPECT_EQ(w.State().FormatGrid().rows(), rows + 1);
    EXPECT_EQ(pic->CtlRow(), rows);
    EXPECT_EQ(w.State().ControlCount(2), 1);
}
