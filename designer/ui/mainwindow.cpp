#include "designer/ui/mainwindow.h"

#include "designer/ui/onlinecommands.h"

#include "core/exchangefile.h"
#include "core/formatlist.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/gridhelpers.h"
#include "core/settings.h"
#include "core/startup.h"
#include "core/ui/fmtlist.h"
#include "core/ui/selformat.h"
#include "core/ui/startupui.h"
#include "core/ui/windowhelpers.h"
#include "designer/formatops.h"
#include "designer/recordservices.h"
#include "designer/ui/pageinput.h"
#include "designer/ui/pagesizedialog.h"
#include "designer/ui/pagewidget.h"
#include "platform/dialogs.h"
#include "platform/screenscale.h"
#include "platform/ui/gridview.h"
#include "properties/ui/propertydialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <tuple>

namespace dsg {

using screen::ToPx;
using screen::ToTwips;
using screen::TwipsPerPixel;

namespace {

// Designed places of the controls of the page tab (twips in Pic(0)).
constexpr double kZoomTop = 60, kZoomHeight = 330;

// The frame's width on each side of the client area (0 while the window
// has no frame yet).
QMargins FrameMarginsOf(const QWidget &w)
{
    const QRect f = w.frameGeometry(), g = w.geometry();
    return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(),
            f.bottom() - g.bottom()};
}

QRect Px(const QRectF &r)
{
    return QRect(ToPx(r.left()), ToPx(r.top()), ToPx(r.width()), ToPx(r.height()));
}

QLabel *MakeLabel(const QString &name, const QString &text, const QString &tip, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    if (!tip.isEmpty())
        l->setToolTip(tip);
    return l;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MF"));
    m_state.SetView(this);
    m_import = std::make_unique<ImportCommands>(this, m_state);
    m_propDialogs = std::make_unique<props::PropertyDialogs>(m_state, this);
    // The class of a new design control is chosen in SelFormat's class mode.
    m_state.SetControlClassChooser([] {
        return ShowSelFormat(QString::fromLatin1(fmtlist::kModeCtlClas), false,
                             QStringLiteral("请选择要添加的输入框类型"));
    });
    // the caption, with the version in place of "[EDITION]"
    setWindowTitle(MainCaption());

    auto *central = new QWidget(this);
    setCentralWidget(central);
    m_sst = new QTabWidget(central);
    m_sst->setObjectName(QStringLiteral("SST"));
    const QStringList tabs = {QStringLiteral(" 单 据 打 印"), QStringLiteral(" 批 量 数 据"),
                              QStringLiteral(" 历 史 记 录")};
    for (int i = 0; i < 3; ++i) {
        m_pic[size_t(i)] = new QWidget;
        m_pic[size_t(i)]->setObjectName(QStringLiteral("Pic%1").arg(i));
        m_sst->addTab(m_pic[size_t(i)], tabs.at(i));
    }
    m_lbl = MakeLabel(QStringLiteral("LBL"), QString(), QString(), central);
    BuildMenus();
    BuildPageTab(m_pic[0]);
    BuildDataTab(m_pic[1]);
    BuildHistoryTab(m_pic[2]);
    ConnectRecordControls();

    m_newEditionTimer = new QTimer(this);
    m_newEditionTimer->setObjectName(QStringLiteral("autoImportTimer"));
    m_newEditionTimer->setInterval(10000);
    connect(m_newEditionTimer, &QTimer::timeout, this, [this] {
        m_newEditionTimer->stop();
        // Not inside other work or a question: it would use the page and
        // the grids under them.
        WhenNothingUnderWay(this, [this] {
            // A window the user is closing imports nothing.
            if (isVisible() && !ClosePutOff(this))
                m_import->AutoImport(TheStartupRecord);
        });
    });
    m_newEditionTimer->start();

    WireCommands();
    // the layout on the work area, so that the page knows its frame
    ArrangeMainForm();
    // settings, options and the current format
    m_state.Load();
    CaptionsChanged();
    for (int i = 0; i < 5; ++i)
        OptionShown(i);
    LockedItemsEnabled(m_state.LockedItemsEnabled());
}

MainWindow::~MainWindow()
{
    // Open property dialogs close (and hand their box on) while the page is there.
    m_propDialogs.reset();
    m_recordScrollHook.Reset();
    if (m_formSize)
        delete m_formSize;
    m_state.SetView(nullptr);
    // The page's input adapter goes first: it filters the page's events and
    // must not see the page half destroyed.
    delete m_input;
    m_input = nullptr;
    // The page widget goes before the state that it observes.
    delete m_pg;
    m_pg = nullptr;
}

QPushButton *MainWindow::MakeCom(int index, const QString &text, const QString &tip,
                                 QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QStringLiteral("Com%1").arg(index));
    if (!tip.isEmpty())
        b->setToolTip(tip);
    connect(b, &QPushButton::clicked, this, [this, index] { Com_Click(index); });
    m_com[index] = b;
    return b;
}

QPushButton *MainWindow::Com(int i) const
{
    auto it = m_com.find(i);
    return it == m_com.end() ? nullptr : it->second;
}

void MainWindow::BuildMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *print = bar->addMenu(QStringLiteral("打印(&P)"));
    print->setObjectName(QStringLiteral("mPrint"));
    print->addAction(QStringLiteral("打印当前单据"))->setObjectName(QStringLiteral("m_PCom0"));
    print->addAction(QStringLiteral("打印所有单据"))->setObjectName(QStringLiteral("m_PCom1"));

    QMenu *fmt = bar->addMenu(QStringLiteral("格式(&F)"));
    fmt->setObjectName(QStringLiteral("mFormat"));
    QAction *newFmt = fmt->addAction(QStringLiteral("新建格式"));
    newFmt->setObjectName(QStringLiteral("mNewFmt"));
    newFmt->setVisible(false);
    fmt->addAction(QStringLiteral("选择格式"))->setObjectName(QStringLiteral("m_FCom30"));
    fmt->addAction(QStringLiteral("保存格式"))->setObjectName(QStringLiteral("m_FCom31"));
    fmt->addAction(QStringLiteral("另存格式"))->setObjectName(QStringLiteral("m_FCom32"));
    fmt->addSeparator();
    fmt->addAction(QStringLiteral("管理格式"))->setObjectName(QStringLiteral("mManageFmt"));
    fmt->addSeparator();
    fmt->addAction(QStringLiteral("导出格式"))->setObjectName(QStringLiteral("mOutputFormat"));
    fmt->addAction(QStringLiteral("导入格式"))->setObjectName(QStringLiteral("mInputFormat"));
    fmt->addAction(QStringLiteral("下载格式"))->setObjectName(QStringLiteral("DownFmt"));
    WireFormatMenu(fmt);

    QMenu *ctl = bar->addMenu(QStringLiteral("内容框设置(&C)"));
    ctl->setObjectName(QStringLiteral("mCtlSame"));
    m_ctlSame = ctl->menuAction();
    QMenu *align = ctl->addMenu(QStringLiteral("内容框对齐"));
    align->addAction(QStringLiteral("左对齐"))->setObjectName(QStringLiteral("mAlignLeft"));
    align->addAction(QStringLiteral("右对齐"))->setObjectName(QStringLiteral("mAlignRight"));
    align->addAction(QStringLiteral("顶端对齐"))->setObjectName(QStringLiteral("mAlignTop"));
    align->addAction(QStringLiteral("底部对齐"))->setObjectName(QStringLiteral("mAlighBottom"));
    QMenu *size = ctl->addMenu(QStringLiteral("内容框尺寸"));
    size->addAction(QStringLiteral("统一宽度"))->setObjectName(QStringLiteral("mAlighWidth"));
    size->addAction(QStringLiteral("统一高度"))->setObjectName(QStringLiteral("mAlighHight"));
    size->addAction(QStringLiteral("统一尺寸"))->setObjectName(QStringLiteral("mAlignSize"));
    WirePropertyCommands(ctl);

    QMenu *set = bar->addMenu(QStringLiteral("设置"));
    set->setObjectName(QStringLiteral("m_Set"));
    const auto tick = [this, set](const char *name, const QString &caption) {
        QAction *a = set->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        return a;
    };
    m_setPaper = tick("mSetPaper", QStringLiteral("自动设置纸张"));
    m_diTuPrint = tick("mDiTuPrint", QStringLiteral("连同底图打印"));
    m_printRulers = tick("mPrintRulers", QStringLiteral("打印标尺坐标"));
    set->addAction(QStringLiteral("设置换行特殊符"))->setObjectName(QStringLiteral("mSetCrlfChr"));
    set->addAction(QStringLiteral("条码标准设置"))
        ->setObjectName(QStringLiteral("mStrBarCodeStand"));
    set->addSeparator();
    set->addAction(QStringLiteral("登录密码设置"))->setObjectName(QStringLiteral("mPSDSet"));

    QMenu *help = bar->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("mHelp"));
    const auto hidden = [help](const char *name, const QString &caption) {
        QAction *a = help->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setVisible(false);
    };
    hidden("mWizard", QStringLiteral("打印校准向导"));
    hidden("mModeFmt", QStringLiteral("如何定制格式"));
    help->addSeparator()->setVisible(false);
    hidden("mMoreHelp", QStringLiteral("使用说明"));
    help->addAction(QStringLiteral("QQ帮助 1"))->setObjectName(QStringLiteral("mQQOnline1"));
    help->addAction(QStringLiteral("QQ帮助 2"))->setObjectName(QStringLiteral("mQQOnline2"));
    help->addSeparator();
    help->addAction(QStringLiteral("关于软件"))->setObjectName(QStringLiteral("mAbout"));
    WirePrintCommands();
}

void MainWindow::BuildPageTab(QWidget *pic)
{
    // The strip above the page: size, offsets, zoom, format name, options.
    auto *size = new QGroupBox(QStringLiteral("单据尺寸"), pic);
    size->setObjectName(QStringLiteral("Frame2_1"));
    size->setGeometry(Px(QRectF(0, 0, 2700, 1000)));
    auto *sl = new QGridLayout(size);
    sl->setContentsMargins(4, 2, 4, 2);
    m_wid = MakeLabel(QStringLiteral("Wid"), QString(),
                      QStringLiteral("当前单据的宽度（点击可修改）。"), size);
    m_hie = MakeLabel(QStringLiteral("Hie"), QString(),
                      QStringLiteral("当前单据的高度（点击可修改）。"), size);
    sl->addWidget(MakeLabel(QStringLiteral("Label2_3"), QStringLiteral("横向(毫米)："), {}, size),
                  0, 0);
    sl->addWidget(m_wid, 0, 1);
    sl->addWidget(MakeLabel(QStringLiteral("Label2_2"), QStringLiteral("纵向(毫米)："), {}, size),
                  1, 0);
    sl->addWidget(m_hie, 1, 1);
    sl->addWidget(MakeCom(2, QStringLiteral("修改"), QString(), size), 0, 2, 2, 1);

    auto *margin = new QGroupBox(QStringLiteral("页边距"), pic);
    margin->setObjectName(QStringLiteral("Frame2_0"));
    margin->setGeometry(Px(QRectF(2760, 0, 2700, 1000)));
    auto *ml = new QGridLayout(margin);
    ml->setContentsMargins(4, 2, 4, 2);
    m_mx = MakeLabel(QStringLiteral("M_X"), QString(), QStringLiteral("当前单据打印的横向页边距。"),
                     margin);
    m_my = MakeLabel(QStringLiteral("M_Y"), QString(),
                     QStringLiteral("当前单据打印时的纵向页边距。"), margin);
    ml->addWidget(MakeLabel(QStringLiteral("Label2_0"), QStringLiteral("横向(毫米)："), {}, margin),
                  0, 0);
    ml->addWidget(m_mx, 0, 1);
    ml->addWidget(MakeLabel(QStringLiteral("Label2_1"), QStringLiteral("纵向(毫米)："), {}, margin),
                  1, 0);
    ml->addWidget(m_my, 1, 1);
    ml->addWidget(
        MakeCom(36, QStringLiteral("校准"), QStringLiteral("重新设置横向和纵向页边距。"), margin),
        0, 2, 2, 1);

    const QStringList zoom
        = {QStringLiteral("放大"), QStringLiteral("缩小"), QStringLiteral("适合宽度")};
    for (int i = 0; i < 3; ++i) {
        auto *b = new QPushButton(zoom.at(i), pic);
        b->setObjectName(QStringLiteral("Zm%1").arg(i));
        b->setGeometry(Px(QRectF(5520 + i * 660, kZoomTop, 640, kZoomHeight)));
        connect(b, &QPushButton::clicked, this, [this, i] { Zm_Click(i); });
        m_zm[size_t(i)] = b;
    }
    auto *lf1 = MakeLabel(QStringLiteral("LFMT1"), QStringLiteral("格式名："), {}, pic);
    lf1->setGeometry(Px(QRectF(5520, 520, 700, 300)));
    m_lfmt0 = MakeLabel(QStringLiteral("LFMT0"), QStringLiteral("上次退出时格式"),
                        QStringLiteral("当前显示的单据格式名称（双击可选择其他格式）。"), pic);
    m_lfmt0->setGeometry(Px(QRectF(6220, 520, 1200, 300)));

    auto *print = MakeCom(0, QStringLiteral("打印"), QStringLiteral("打印当前显示的单据。"), pic);
    print->setGeometry(Px(QRectF(7480, kZoomTop, 900, kZoomHeight)));
    auto *batch
        = MakeCom(1, QStringLiteral("批量打印"),
                  QStringLiteral("按照当前单据的格式设置，批量打印所有导入的单据内容。"), pic);
    batch->setGeometry(Px(QRectF(7480, 480, 900, kZoomHeight)));
    auto *down = MakeCom(3, QStringLiteral("淘宝下载"), QString(), pic);
    down->setGeometry(Px(QRectF(8420, kZoomTop, 900, kZoomHeight)));
    auto *downFmt = MakeCom(37, QStringLiteral("下载格式"),
                            QStringLiteral("从网站下载更多的快递单格式模板。"), pic);
    downFmt->setGeometry(Px(QRectF(8420, 480, 900, kZoomHeight)));

    m_frm1 = new QGroupBox(pic);
    m_frm1->setObjectName(QStringLiteral("Frm"));
    // Without a frame, so that three rows of options fit the strip's height.
    m_frm1->setFlat(true);
    m_frm1->setStyleSheet(QStringLiteral("QGroupBox#Frm{border:0;margin:0;padding:0;}"));
    auto *ol = new QGridLayout(m_frm1);
    ol->setVerticalSpacing(0);
    ol->setContentsMargins(4, 0, 4, 0);
    const QStringList caps = {QStringLiteral("显示标尺(1厘米/大格；2毫米/小格)"),
                              QStringLiteral("纵向打印"), QStringLiteral("锁定格式"),
                              QStringLiteral("卡纸器两边向中间收缩"), QStringLiteral("显示底图")};
    const QStringList tips = {QStringLiteral("显示标尺网格，方便您根据打印偏差移动输入框。"),
                              QStringLiteral("将单据纵向放入打印机打印时，请选择此项。"),
                              QStringLiteral("选择此项后，格式被锁定，无法进行修改。"),
                              QStringLiteral("对于卡纸器两边向中间同时收缩的打印机，请选择此项。"),
                              QStringLiteral("显示单据的背景图片。")};
    for (int i = 0; i < 5; ++i) {
        auto *c = new QCheckBox(caps.at(i), m_frm1);
        c->setObjectName(QStringLiteral("O2_%1").arg(i));
        c->setToolTip(tips.at(i));
        connect(c, &QCheckBox::toggled, this, [this, i](bool on) {
            if (!m_syncing)
                m_state.SetOption(i, on ? 1 : 0);
        });
        // Three rows, so that the strip stays within a 1024-pixel screen.
        ol->addWidget(c, i % 3, i / 3);
        m_o2[size_t(i)] = c;
    }

    m_pfrm = new QFrame(pic);
    m_pfrm->setObjectName(QStringLiteral("PFrm"));
    m_pfrm->setFrameShape(QFrame::NoFrame);
    m_pfrm->setStyleSheet(QStringLiteral("QFrame#PFrm{background:#808080;}"));
    m_pg = new PageWidget(m_state, m_pfrm);
    m_input = new PageInput(m_state, m_pg);
    m_phs = new QScrollBar(Qt::Horizontal, pic);
    m_phs->setObjectName(QStringLiteral("PHS"));
    m_vs = new QScrollBar(Qt::Vertical, pic);
    m_vs->setObjectName(QStringLiteral("VS"));
    for (QScrollBar *s : {m_phs, m_vs}) {
        s->setPageStep(1);
        s->setSingleStep(1);
    }
    connect(m_vs, &QScrollBar::valueChanged, this, [this](int v) {
        if (!m_syncing)
            m_state.SetVScroll(v);
    });
    connect(m_phs, &QScrollBar::valueChanged, this, [this](int v) {
        if (!m_syncing)
            m_state.SetHScroll(v);
    });

    // FormatGrid and the format list: FMSF is filled by no operation yet.
    m_formatView = new GridView(pic);
    m_formatView->setObjectName(QStringLiteral("MSF3"));
    m_formatView->setGrid(&m_state.FormatGrid());
    m_formatView->hide();
    // A double click on a data row opens the property dialog of its control.
    connect(m_formatView, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &) {
        const GridModel &g = m_state.FormatGrid();
        if (g.row() >= g.fixedRows() && g.row() < g.rows())
            if (const DesignControl *c = m_state.Controls().FindCtlByRow(g, g.row()))
                mCtlSet_Click(c->index);
    });
    m_fmsf = new GridView(pic);
    m_fmsf->setObjectName(QStringLiteral("FMSF"));
    m_fmsf->hide();
}

void MainWindow::BuildDataTab(QWidget *pic)
{
    // The counter and the buttons on top, the record scroll bar in a row of
    // its own below them, then the grid, which follows the window.
    auto *vl = new QVBoxLayout(pic);
    vl->setContentsMargins(0, 2, 0, 0);
    auto *top = new QWidget(pic);
    auto *hl = new QHBoxLayout(top);
    hl->setContentsMargins(4, 0, 4, 0);
    hl->setSpacing(0);
    // "单据数：" then R_Num(1), L_K(1) and R_Num(0) left to right, 30 twips
    // apart; each as wide as its text, so a longer number moves the others.
    const auto counter = [&](const QString &name, const QString &text, const QString &tip) {
        QLabel *l = MakeLabel(name, text, tip, top);
        l->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        hl->addWidget(l);
        return l;
    };
    counter(QStringLiteral("Label1"), QStringLiteral("单据数："), {});
    m_rnum[1] = counter(QStringLiteral("R_Num1"), QStringLiteral("1"),
                        QStringLiteral("当前显示单据在的序号。"));
    hl->addSpacing(ToPx(30));
    counter(QStringLiteral("L_K1"), QStringLiteral("/"), {});
    hl->addSpacing(ToPx(30));
    m_rnum[0] = counter(QStringLiteral("R_Num0"), QStringLiteral("1"),
                        QStringLiteral("批量导入的单据数量。"));
    hl->addSpacing(ToPx(300));
    for (auto [index, text, tip] :
         {std::tuple{10, QStringLiteral("导入"), QStringLiteral("从XLS或CSV格式表格导入要批量打印的数据。")},
          std::tuple{11, QStringLiteral("删除"), QStringLiteral("删除已导入的批量打印数据。")},
          std::tuple{12, QStringLiteral("清除"), QStringLiteral("清除所有已经导入的批量数据。")}}) {
        hl->addWidget(MakeCom(index, text, tip, top));
        hl->addSpacing(4);
    }
    hl->addStretch();
    vl->addWidget(top);
    // HS: as wide as the tab's content area less 30 twips.
    m_hs = new QScrollBar(Qt::Horizontal, pic);
    m_hs->setObjectName(QStringLiteral("HS"));
    m_hs->setRange(1, 1);
    m_hs->setSingleStep(1);
    m_hs->setPageStep(1);
    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(0, 0, ToPx(30), 0);
    bar->addWidget(m_hs);
    vl->addLayout(bar);
    m_dataView = new GridView(pic);
    m_dataView->setObjectName(QStringLiteral("MSF1"));
    m_dataView->setGrid(&m_state.DataGrid());
    vl->addWidget(m_dataView, 1);
}

void MainWindow::BuildHistoryTab(QWidget *pic)
{
    auto *vl = new QVBoxLayout(pic);
    vl->setContentsMargins(0, 2, 0, 0);
    auto *top = new QWidget(pic);
    auto *hl = new QHBoxLayout(top);
    hl->setContentsMargins(4, 0, 4, 0);
    hl->addWidget(MakeLabel(QStringLiteral("Label3"), QStringLiteral("关键词："), {}, top));
    m_kword = new QLineEdit(top);
    m_kword->setObjectName(QStringLiteral("KWord"));
    m_kword->setMinimumWidth(ToPx(2400));
    // Enter in the keyword box searches as the button does.
    connect(m_kword, &QLineEdit::returnPressed, this, [this] { Com_Click(24); });
    hl->addWidget(m_kword);
    hl->addWidget(MakeCom(24, QStringLiteral("查找"),
                          QStringLiteral("根据左侧输入的关键词查找相关历史记录。"), top));
    hl->addWidget(MakeCom(20, QStringLiteral("再次打印"),
                          QStringLiteral("再次打印选中的历史打印记录内容。"), top));
    hl->addWidget(
        MakeCom(21, QStringLiteral("删除"), QStringLiteral("删除选中的历史打印记录。"), top));
    hl->addWidget(
        MakeCom(22, QStringLiteral("清空"), QStringLiteral("清空所有历史打印记录。"), top));
    hl->addWidget(MakeCom(23, QStringLiteral("导出"),
                          QStringLiteral("将历史打印记录导出成XLS或CSV格式表格文件。"), top));
    hl->addStretch();
    vl->addWidget(top);
    m_historyView = new GridView(pic);
    m_historyView->setObjectName(QStringLiteral("MSF2"));
    m_historyView->setGrid(&m_state.HistoryGrid());
    vl->addWidget(m_historyView, 1);
}

void MainWindow::ArrangeMainForm()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect geo = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    ArrangeOnScreen(geo, screen ? screen->availableGeometry() : geo);
}

void MainWindow::ArrangeOnScreen(const QRect &geo, const QRect &work)
{
    const double f = TwipsPerPixel();
    const double sw = ToTwips(geo.width()), sh = ToTwips(geo.height());
    const double taskbar = TaskbarHeight(sh, work.bottom() + 1, f);
    const MainLayout m = dsg::ArrangeMainForm(sw, sh, taskbar);
    m_state.SetScreenWidthTwips(qint32(sw));

    // The form's rectangle is the whole frame's, as a window's outer
    // position and size are: the client area lies inside it.
    m_frameTarget = Px(m.form);
    PlaceFrame();
    m_sst->setGeometry(Px(m.sst));
    m_pfrm->setGeometry(Px(m.frame));
    m_phs->setGeometry(Px(m.phs));
    m_vs->setGeometry(Px(m.vs));
    m_lbl->setGeometry(Px(m.lbl));
    m_frm1->setGeometry(Px(m.frm1));
    m_sst->setCurrentIndex(0);
    ArrangeToolStrip();
    // The page frame's size is the model's: the page is laid out from it.
    m_state.SetFrameSize(m.frame.width(), m.frame.height());
}

void MainWindow::PlaceFrame()
{
    if (!m_frameTarget)
        return;
    m_placedMargins = FrameMarginsOf(*this);
    resize(m_frameTarget->size().shrunkBy(m_placedMargins));
    // A move places the frame's corner (before the window is shown too).
    move(m_frameTarget->topLeft());
    if (!m_placedMargins.isNull())
        m_frameTarget.reset();
}

void MainWindow::FrameMarginsMayHaveChanged()
{
    if (m_frameTarget && windowState() == Qt::WindowNoState
        && FrameMarginsOf(*this) != m_placedMargins)
        PlaceFrame();
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    FrameMarginsMayHaveChanged();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FrameMarginsMayHaveChanged();
}

// A window manager may tell the frame only after the window has moved into
// it; by the time it activates the window the frame is known.
void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        FrameMarginsMayHaveChanged();
}

void MainWindow::Zm_Click(int index)
{
    m_state.Zm_Click(index);
}

void MainWindow::PageGeometryChanged()
{
    if (!m_pg)
        return;
    m_pg->SyncGeometry();
    const PageGeometry &g = m_state.Page();
    m_syncing = true;
    m_vs->setRange(0, g.vs.max);
    m_vs->setValue(g.vs.value);
    m_vs->setEnabled(g.vs.enabled);
    m_phs->setRange(0, g.phs.max);
    m_phs->setValue(g.phs.value);
    m_phs->setEnabled(g.phs.enabled);
    m_syncing = false;
    // FMSF below the zoom buttons, as high as the frame leaves.
    const double top = kZoomTop + kZoomHeight - 30;
    m_fmsf->setGeometry(Px(QRectF(0, top, 0, g.frameHeight - top - 15)));
}

void MainWindow::PageRedrawn()
{
    if (m_pg)
        m_pg->update();
}

void MainWindow::PageVisibilityChanged(bool visible)
{
    if (m_pg)
        m_pg->setVisible(visible);
}

void MainWindow::OptionShown(int index)
{
    if (index < 0 || index >= 5 || !m_o2[size_t(index)])
        return;
    m_syncing = true;
    m_o2[size_t(index)]->setChecked(m_state.Option(index) != 0);
    m_syncing = false;
}

void MainWindow::LockedItemsEnabled(bool enabled)
{
    if (m_ctlSame)
        m_ctlSame->setEnabled(enabled);
    if (QPushButton *b = Com(2))
        b->setEnabled(enabled);
    if (QPushButton *b = Com(36))
        b->setEnabled(enabled);
}

void MainWindow::CaptionsChanged()
{
    if (!m_wid)
        return;
    m_wid->setText(m_state.PageWidthText());
    m_hie->setText(m_state.PageHeightText());
    m_mx->setText(m_state.OffsetXText());
    m_my->setText(m_state.OffsetYText());
    m_lfmt0->setText(m_state.CurrentFormatName());
    m_setPaper->setChecked(m_state.SetPaperTicked());
    m_diTuPrint->setChecked(m_state.DiTuPrintTicked());
    m_printRulers->setChecked(m_state.printRulersTicked);
    // The format's name decides the width of its column.
    if (m_zm[0])
        ArrangeToolStrip();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Long work (a batch print, an import, ...) uses this window to its end.
    if (PutOffCloseWhileWorking(this, event))
        return;
    if (!m_unloaded && m_unsavedAfterFailure
        && !dialogs().AskYesNo(QStringLiteral("格式没有保存成功，关闭后本次修改将丢失。是否仍要关闭？"))) {
        event->ignore();
        return;
    }
    if (!m_unloaded) {
        // What the boxes hold is kept as the format's default record.
        if (!m_state.Unload()
            && !dialogs().AskYesNo(QStringLiteral("页面内容没有保存：数据库写入出错！关闭后页面内容将丢失。"
                                                  "是否仍要关闭？"))) {
            event->ignore();
            return;
        }
        m_unloaded = true;
        if (m_formSize)
            m_formSize->close();
        // Closing the program's main window ends the program: every other
        // window goes with it.
        if (m_endsProgram)
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w != this && w->isVisible())
                    w->close();
    }
    event->accept();
    DeleteWhenUnwound(this);
}

void InstallMainWindowFactory()
{
    SetMainWindowFactory([] {
        auto *w = new MainWindow;
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->SetEndsProgram(true);
        return static_cast<QWidget *>(w);
    });
}

// The format menu's commands: choose, save, save as, manage, export and
// import formats; the format list's delete button deletes through this window.
void MainWindow::WireFormatMenu(QMenu *fmt)
{
    auto on = [&](const char *name, std::function<void()> f) {
        if (QAction *a = fmt->findChild<QAction *>(QString::fromLatin1(name)))
            connect(a, &QAction::triggered, this, std::move(f));
    };
    FormatWindow &w = m_state;
    on("m_FCom30", [&w] { dsg::SelectFormat(w, QString(), false); });
    on("m_FCom31", [this] {
        SaveEnded(SaveFormatGrid(m_state, m_state.FormatGrid(), QString()));
    });
    on("m_FCom32", [this] { SaveEnded(dsg::SaveFormatAs(m_state, QString())); });
    on("mManageFmt", [&w] { dsg::SelectFormat(w, QString(), false); });
    on("mOutputFormat", [this] { ExportFormat(m_state, QString()); });
    on("mInputFormat", [this] { ImportFormat(m_state, QString(), true); });
    on("DownFmt", [this] { RunOnlineCommand(*this, 37); });
    m_downloadHook = InstallFmtListDownloadHook([this] { RunOnlineCommand(*this, 37); });
    m_deleteHook = InstallFmtListDeleteHook(
        [&w](const QString &name) { return dsg::DeleteFormat(w, name); });
}

} // namespace dsg
