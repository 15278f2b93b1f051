// The format list and format chooser windows, offscreen, driven by mouse and
// key events.

#include "core/database.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "core/formatlist.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/ui/fmtlist.h"
#include "core/ui/selformat.h"
#include "core/ui/windowhelpers.h"
#include "platform/ui/gridview.h"
#include "support/testenv.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

class FmtListTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        DialogResult.clear();
        for (const QString &name : {kC, kA, kB})
            ASSERT_TRUE(db::InsertRow(QStringLiteral("Fmt"),
                                      {{QStringLiteral("Fmt"), name},
                                       {QStringLiteral("LBL"), fmtgrid::HeaderMarker()},
                                       {QStringLiteral("W"), 230},
                                       {QStringLiteral("H"), 127}}));
        // B has a picture twice as high as wide.
        QImage pic(100, 200, QImage::Format_RGB32);
        pic.fill(Qt::darkBlue);
        ASSERT_TRUE(pic.save(GetBackgroundPicturePath(kB), "JPG"));
        host.formatName = kB;
    }
    void TearDown() override
    {
        // Deleting a window deletes its pop-ups, which are top-level too.
        QList<QPointer<QWidget>> windows;
        for (QWidget *w : QApplication::topLevelWidgets())
            windows << w;
        for (const QPointer<QWidget> &w : windows)
            delete w.data();
        deleteHook.Reset();
        downloadHook.Reset();
        DataDirTest::TearDown();
    }

    HookHandle deleteHook, downloadHook;

    FmtList *Open()
    {
        auto *w = new FmtList(host);
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
        return w;
    }
    // The centre of a grid cell of data row r (0 = first data row), column c.
    static QPoint Cell(FmtList *w, int r, int c)
    {
        const QModelIndex idx = w->MSF->model()->index(r, c - w->Grid.fixedCols());
        w->MSF->scrollTo(idx);
        return w->MSF->visualRect(idx).center();
    }
    static QString Name(FmtList *w, int dataRow)
    {
        return w->Grid.text(w->Grid.fixedRows() + dataRow, fmtlist::ColName);
    }

    const QString kA = QStringLiteral("A格式");
    const QString kB = QStringLiteral("B'格式");
    const QString kC = QStringLiteral("C格式");
    FormatHostState host;
};

// Types text of any characters as key events (QTest::keyClicks takes ASCII only).
void TypeText(QWidget *w, const QString &text)
{
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

} // namespace

TEST_F(FmtListTest, OpensOnTheOpenFormatWithItsPreviewAndChoosesByClick)
{
    FmtList *w = Open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("选择/管理格式模板"));
    ASSERT_EQ(w->Grid.dataRows(), 3);
    EXPECT_EQ(Name(w, 0), kA);
    EXPECT_EQ(Name(w, 1), kB);
    EXPECT_EQ(Name(w, 2), kC);
    EXPECT_EQ(w->Grid.row(), 3);
    EXPECT_EQ(w->Grid.text(3, fmtlist::ColTick), QStringLiteral("√"));
    EXPECT_EQ(w->Grid.foreColor(3, fmtlist::ColName), 0x0000FF);
    EXPECT_FALSE(w->LBL->isVisible());
    EXPECT_FALSE(w->Img->pixmap().isNull());
    EXPECT_EQ(w->Img->width(), w->Frm->width());
    EXPECT_NEAR(w->Img->height(), 2 * w->Frm->width(), 1);

    // C has no picture.
    QTest::mouseClick(w->MSF->viewport(), Qt::LeftButton, {}, Cell(w, 2, fmtlist::ColName));
    EXPECT_EQ(w->Grid.row(), 4);
    EXPECT_EQ(w->Grid.text(4, fmtlist::ColTick), QStringLiteral("√"));
    EXPECT_EQ(w->Grid.text(3, fmtlist::ColTick), QString());
    EXPECT_TRUE(w->LBL->isVisible());
    EXPECT_EQ(w->LBL->text(), QStringLiteral("此格式暂无图片！"));

    QPointer<FmtList> guard(w);
    QTest::mouseClick(w->Com[0], Qt::LeftButton);
    EXPECT_EQ(DialogResult, kC);
    EXPECT_FALSE(IsFormOpen(QStringLiteral("选择/管理格式模板")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(FmtListTest, LeaveAnswersTheOpenFormatAndTheCloseBoxNothing)
{
    FmtList *w = Open();
    QTest::mouseClick(w->MSF->viewport(), Qt::LeftButton, {}, Cell(w, 0, fmtlist::ColName));
    QTest::mouseClick(w->Com[1], Qt::LeftButton);
    EXPECT_EQ(DialogResult, kB);

    w = Open();
    QTest::mouseClick(w->MSF->viewport(), Qt::LeftButton, {}, Cell(w, 0, fmtlist::ColName));
    w->close(); // as the close box does
    EXPECT_EQ(DialogResult, QString());
}

TEST_F(FmtListTest, DoubleClickChoosesAndDownloadAnswersNothing)
{
    FmtList *w = Open();
    const QPoint p = Cell(w, 0, fmtlist::ColW);
    QTest::mouseClick(w->MSF->viewport(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(w->MSF->viewport(), Qt::LeftButton, {}, p);
    EXPECT_EQ(DialogResult, kA);

    int downloads = 0;
    downloadHook = InstallFmtListDownloadHook([&] { ++downloads; });
    w = Open();
    QTest::mouseClick(w->Com[2], Qt::LeftButton);
    EXPECT_EQ(downloads, 1);
    EXPECT_EQ(DialogResult, QString());
    EXPECT_FALSE(IsFormOpen(QStringLiteral("选择/管理格式模板")));
}

TEST_F(FmtListTest, DeleteDropsTheRowOnlyWhenTheFormatWasDeleted)
{
    QStringList asked;
    // Stands in for the designer's delete: refuses the open format.
    deleteHook = InstallFmtListDeleteHook([&](const QString &name) {
        asked << name;
        if (name == host.formatName)
            return false;
        return db::ExecuteSQL(QStringLiteral("DELETE FROM Fmt WHERE Fmt=?"), {name});
    });
    FmtList *w = Open();
    QTest::mouseClick(w->Com[4], Qt::LeftButton); // the open format's row
    EXPECT_EQ(w->Grid.dataRows(), 3);
    EXPECT_EQ(DialogResult, QString());

    QTest::mouseClick(w->MSF->viewport(), Qt::LeftButton, {}, Cell(w, 2, fmtlist::ColName));
    QTest::mouseClick(w->Com[4], Qt::LeftButton);
    EXPECT_EQ(asked, (QStringList {kB, kC}));
    ASSERT_EQ(w->Grid.dataRows(), 2);
    EXPECT_EQ(Name(w, 1), kB);
    EXPECT_EQ(w->Grid.text(4, fmtlist::ColSerial), QString()); // row gone
    EXPECT_EQ(DialogResult, QString());
    EXPECT_TRUE(w->isVisible());
    // The remaining current row is ticked and previewed.
    EXPECT_EQ(w->Grid.text(w->Grid.row(), fmtlist::ColTick), QStringLiteral("√"));
}

TEST_F(FmtListTest, PreviewScrollsATallPicture)
{
    QFrame frame;
    frame.resize(300, 400);
    QLabel img(&frame);
    img.setScaledContents(true);
    img.setGeometry(0, 0, 300, 400);
    QScrollBar vs(Qt::Vertical);
    EXPECT_TRUE(LoadFmtPicture(&img, kB, &frame, &vs).shown);
    EXPECT_EQ(img.width(), 300);
    EXPECT_EQ(img.height(), 600);
    EXPECT_TRUE(vs.isEnabled());
    EXPECT_EQ(vs.maximum(), 15);
    EXPECT_EQ(vs.pageStep(), 10);

    // A path of an existing file is loaded as it is; a wide picture needs no bar.
    QImage wide(200, 100, QImage::Format_RGB32);
    wide.fill(Qt::white);
    const QString file = path(QStringLiteral("preview.png"));
    ASSERT_TRUE(wide.save(file));
    EXPECT_TRUE(LoadFmtPicture(&img, file, &frame, &vs).shown);
    EXPECT_EQ(img.height(), 150);
    EXPECT_FALSE(vs.isEnabled());

    // An A4 scan at 600 dpi, past Qt's default decoding limit, is shown too.
    QImageReader::setAllocationLimit(128);
    const QString scan = path(QStringLiteral("scan.jpg"));
    ASSERT_TRUE(SaveA4Scan(scan, 20, 150));
    EXPECT_TRUE(LoadFmtPicture(&img, scan, &frame, &vs).shown);
    EXPECT_EQ(img.height(), 424);

    EXPECT_FALSE(LoadFmtPicture(&img, kC, &frame, &vs).shown);
    EXPECT_TRUE(img.pixmap().isNull());

    // In the window the scroll bar moves the picture by tenths of the frame.
    FmtList *w = Open();
    ASSERT_TRUE(w->VS->isEnabled());
    w->VS->setValue(10);
    EXPECT_EQ(w->Img->y(), -w->Frm->height());
}

TEST_F(FmtListTest, ChooserAnswersThroughDialogResult)
{
    // Class mode, typing not allowed: keys change nothing, the pick answers its code.
    auto *s = new SelFormat;
    s->ListMode = QStringLiteral("CtlClas");
    s->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s));
    EXPECT_EQ(s->CMB->count(), 5);
    EXPECT_EQ(s->CMB->currentText(), QStringLiteral("0｜文本框"));
    QTest::keyClicks(s->CMB->lineEdit(), QStringLiteral("xyz"));
    TypeText(s->CMB->lineEdit(), QStringLiteral("图"));
    QTest::keyClick(s->CMB, Qt::Key_Down);
    EXPECT_EQ(s->CMB->currentText(), QStringLiteral("0｜文本框"));
    s->CMB->setCurrentIndex(2);
    QTest::mouseClick(s->Com[0], Qt::LeftButton);
    EXPECT_EQ(DialogResult, QStringLiteral("2"));
    EXPECT_FALSE(IsFormOpen(QStringLiteral("请选择格式名称")));

    // Format mode with typing: the open format is preset; a typed name is trimmed.
    s = new SelFormat;
    s->ListMode = QStringLiteral("Format");
    s->AllowTyping = true;
    s->OpenFormat = host.formatName;
    s->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s));
    EXPECT_EQ(s->CMB->count(), 3);
    EXPECT_EQ(s->CMB->currentText(), kB);
    s->CMB->lineEdit()->selectAll();
    TypeText(s->CMB->lineEdit(), QStringLiteral("  新格式 "));
    QTest::mouseClick(s->Com[0], Qt::LeftButton);
    EXPECT_EQ(DialogResult, QStringLiteral("新格式"));

    // Shown and waited for: cancel answers "".
    QTimer::singleShot(100, [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *sf = qobject_cast<SelFormat *>(w); sf && sf->isVisible())
                QTest::mouseClick(sf->Com[1], Qt::LeftButton);
    });
    DialogResult = QStringLiteral("x");
    EXPECT_EQ(ChooseFormatName(host, false), QString());

    // A changed caption is waited for as well.
    QTimer::singleShot(100, [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *sf = qobject_cast<SelFormat *>(w); sf && sf->isVisible()) {
                EXPECT_EQ(sf->windowTitle(), QStringLiteral("请选择要添加的输入框类型"));
                sf->CMB->setCurrentIndex(4);
                QTest::mouseClick(sf->Com[0], Qt::LeftButton);
            }
    });
    EXPECT_EQ(
        ShowSelFormat(QStringLiteral("CtlClas"), false, QStringLiteral("请选择要添加的输入框类型")),
        QStringLiteral("4"));
}

TEST_F(FmtListTest, ChooseFromFmtListWaitsForTheWindow)
{
    QTimer::singleShot(150, [this] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *fl = qobject_cast<FmtList *>(w); fl && fl->isVisible()) {
                QTest::mouseClick(fl->MSF->viewport(), Qt::LeftButton, {},
                                  Cell(fl, 0, fmtlist::ColName));
                QTest::mouseClick(fl->Com[0], Qt::LeftButton);
            }
    });
    EXPECT_EQ(ChooseFromFmtList(host), kA);
}

TEST_F(FmtListTest, TwoOpenListsKeepTheirOwnAnswers)
{
    QString inner;
    QTimer::singleShot(100, [&] {
        QPointer<FmtList> first;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *fl = qobject_cast<FmtList *>(w); fl && fl->isVisible())
                first = fl;
        ASSERT_TRUE(first);
        QTimer::singleShot(100, [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *fl = qobject_cast<FmtList *>(w); fl && fl != first && fl->isVisible()) {
                    QTest::mouseClick(fl->MSF->viewport(), Qt::LeftButton, {},
                                      Cell(fl, 0, fmtlist::ColName));
                    QTest::mouseClick(fl->Com[0], Qt::LeftButton);
                }
        });
        // The second list answers while the first one stays open.
        inner = ChooseFromFmtList(host);
        ASSERT_TRUE(first && first->isVisible());
        QTest::mouseClick(first->Com[1], Qt::LeftButton); // 退 出: the open format
    });
    EXPECT_EQ(ChooseFromFmtList(host), kB);
    EXPECT_EQ(inner, kA);
}
