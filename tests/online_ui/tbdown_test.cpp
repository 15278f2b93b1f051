#include "core/progress.h"
#include "core/settings.h"
#include "core/ui/progresswindow.h"
#include "online/tradegrid.h"
#include "online/trademap.h"
#include "online/ui/tbdown.h"
#include "online/ui/tbinputmap.h"
#include "online/ui/webdom.h"
#include "platform/codepage.h"
#include "platform/ui/gridview.h"
#include "support/gridcontrols.h"
#include "support/localserver.h"
#include "support/testenv.h"
#include "support/workstep.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

QByteArray fixture(const char *name)
{
    QFile f(QStringLiteral(TEST_SOURCE_DIR "/online/fixtures/") + QString::fromUtf8(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

bool waitUntil(const std::function<bool()> &done, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(50);
    }
    return true;
}

QString title(TBDown &w)
{
    return w.WB->page()->title();
}

// The marketplace on 127.0.0.1: a login form that sets a session cookie and
// returns to the seller pages, two pages of sold orders, and the address
// service, which answers only a request that carries the session cookie.
class Marketplace
{
public:
    Marketplace()
    {
        server.fullHandler = [this](const QByteArray &line, const QByteArray &head,
                                    QByteArray &headers, int &status) -> QByteArray {
            const QByteArray target = line.split(' ').value(1);
            const QByteArray path = target.split('?').value(0);
            if (path == "/member/login.jhtml")
                return "<html><head><meta charset=\"utf-8\"><title>登录</title></head><body><form "
                       "action=\"/login\">"
                       "<input name=\"u\" value=\"seller\"><input type=\"submit\" id=\"go\">"
                       "</form></body></html>";
            if (path == "/login") {
                status = 302;
                headers = "Set-Cookie: sid=s3cret; Path=/\r\nLocation: /seller_admin.htm\r\n";
                return "";
            }
            if (path == "/seller_admin.htm")
                return fixture("orders_page1.html");
            if (path == "/orders_page2.html")
                return fixture("orders_page2.html");
            if (path == "/trade/json/order_address_info.htm") {
                ++addressRequests;
                if (!head.contains("sid=s3cret"))
                    return "{}";
                return cp936::Encode(QString::fromUtf8(fixture("address_reply.txt")));
            }
            status = 404;
            return "no";
        };
        for (const char *key : {"TaobaoLoginHost", "TaobaoSellerHost", "TaobaoTradeHost"})
            SaveRegSetting("PQT_V", "Para", key, server.origin());
    }
    LocalServer server;
    int addressRequests = 0;
};

// The main window as the trade mapping sees it.
class MapHost : public TradeMapHost
{
public:
    MapHost()
    {
        data.setCols(1);
        data.setRows(2);
        data.setFixedRows(2);
        data.setFixedCols(1);
    }
    PageControls &Page() override { return page; }
    GridModel &RecordsGrid() override { return data; }
    void RecordsFilled() override { filled = true; }
    GridControls page;
    GridModel data;
    bool filled = false;
};

class TBDownTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    }
};

} // namespace

TEST_F(TBDownTest, WithoutMarketplaceHostTheWindowSaysSo)
{
    TBDown w;
    w.show();
    ASSERT_TRUE(waitUntil([&] {
        const auto body = w.Dom()->BodyHtml();
        return body && body->contains(QStringLiteral("没有设置淘宝网址"));
    }));
    EXPECT_EQ(w.TradeGrid.tag(), "交易记录");
}

TEST_F(TBDownTest, LoginThenExtractAllPagesWithAddresses)
{
    Marketplace market;
    TBDown w;
    w.resize(900, 700);
    w.show();
    ASSERT_TRUE(waitUntil([&] { return title(w) == QStringLiteral("登录"); }));
    // The user logs in; the marketplace returns to the sold orders.
    w.Dom()->Run(QStringLiteral("document.getElementById('go').click()"));
    ASSERT_TRUE(waitUntil([&] { return title(w) == QStringLiteral("已卖出的宝贝"); }))
        << market.server.requests.join('\n').constData();

    // While the pages are read, the window's buttons take no click.
    bool blockedWhileRunning = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (LongWorkRunning() && QGuiApplication::modalWindow()
            && QGuiApplication::modalWindow() != w.windowHandle())
            blockedWhileRunning = true;
    });
    probe.start(20);
    InstallProgressWindow();
    QTest::mouseClick(w.Com[5], Qt::LeftButton);
    SetIndicatorView(nullptr);
    probe.stop();
    EXPECT_TRUE(blockedWhileRunning);
    EXPECT_EQ(w.TShop->text(), QStringLiteral("小店一号"));

    // Page 1: order 1001 with three items and 1002; page 2 repeats 1001 and adds 1003.
    const GridModel &g = w.TradeGrid;
    QStringList orders;
    for (qint32 r = g.fixedRows(); r < g.rows(); ++r)
        orders << g.text(r, trade::OrderNo);
    EXPECT_EQ(orders, QStringList({"1001", "1001_1", "1001_2", "1002", "1003"}));
    EXPECT_EQ(market.addressRequests, 3);
    for (qint32 r = g.fixedRows(); r < g.rows(); ++r) {
        EXPECT_EQ(g.text(r, trade::Recipient), QStringLiteral("张三")) << r;
        EXPECT_EQ(g.text(r, trade::Address), QStringLiteral("建国路 88号")) << r;
    }

    // Map the trades onto two boxes and fill DataGrid.
    MapHost host;
    host.page.Add(0, QStringLiteral("收件人"));
    host.page.Add(0, QStringLiteral("地址"));
    QPointer<TBInputMap> map;
    w.SetMappingOpener([&] {
        map = new TBInputMap(w.TradeGrid, w.Chk->isChecked(), host);
        map->show();
    });
    QTest::mouseClick(w.Com[1], Qt::LeftButton);
    ASSERT_TRUE(map);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(map->isModal());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(map));
    const auto typeInto = [&](qint32 row, const QString &text) {
        const QRect cell = map->M1->visualRect(map->M1->model()->index(row - 1, 4));
        QTest::mouseClick(map->M1->viewport(), Qt::LeftButton, {}, cell.center());
        ASSERT_TRUE(map->TT->isVisible());
        QTest::keyClicks(map->TT, text);
    };
    typeInto(1, "L");
    typeInto(2, "O,P,Q,R");
    EXPECT_EQ(map->Map.text(2, 4), "O,P,Q,R");
    QTest::mouseClick(map->Com[0], Qt::LeftButton);
    QTest::qWait(50);
    EXPECT_FALSE(map);
    EXPECT_TRUE(host.filled);
    // The closed trade 1002 is left out.
    ASSERT_EQ(host.data.dataRows(), 4);
    EXPECT_EQ(host.data.text(2, 1), QStringLiteral("张三"));
    EXPECT_EQ(host.data.text(5, 2), QStringLiteral("北京北京市朝阳区建国路 88号"));

    // Closing hides the window; the rows stay.
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(g.dataRows(), 5);
    EXPECT_FALSE(ReadParam(QString::fromUtf8(kSplitterKey)).isEmpty());
}

// The mapping window closed by its title bar while its import fits the
// record grid's columns under the progress window (more than 200 records):
// it stays until that work has ended, then closes, keeps the map and gives
// the main window back.
TEST_F(TBDownTest, MappingWindowClosedDuringItsImport)
{
    constexpr int kTrades = 1000;
    GridModel trades;
    InitTradeGrid(trades);
    for (int i = 1; i <= kTrades; ++i) {
        const qint32 r = trades.addRow();
        trades.setText(r, trade::OrderNo, QString::number(i));
        trades.setText(r, trade::Status, QStringLiteral("交易成功"));
        trades.setText(r, trade::Recipient, QStringLiteral("收件人%1").arg(i));
    }
    MapHost host;
    host.page.Add(0, QStringLiteral("收件人"));
    InstallProgressWindow();
    QPointer<TBInputMap> map = new TBInputMap(trades, false, host);
    map->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(map));
    map->Map.setText(1, tmap::MapText, QStringLiteral("L"));
    AtWorkStep closer(QStringLiteral("正在做交易数据表格进行格式设置"), [&map] {
        QCoreApplication::postEvent(map->windowHandle(), new QCloseEvent);
    });
    std::optional<bool> hiddenInWork;
    OnEvent atHide(map, QEvent::Hide, [&hiddenInWork] { hiddenInWork = LongWorkRunning(); });
    QTest::mouseClick(map->Com[0], Qt::LeftButton);
    SetIndicatorView(nullptr);
    ASSERT_TRUE(closer.fired);
    EXPECT_TRUE(waitUntil([&map] { return map.isNull(); }));
    ASSERT_TRUE(hiddenInWork);
    EXPECT_FALSE(*hiddenInWork) << "the window closed while its import ran";
    EXPECT_EQ(host.data.dataRows(), kTrades);
    EXPECT_EQ(host.data.text(2 + kTrades - 1, 1), QStringLiteral("收件人%1").arg(kTrades));
    EXPECT_TRUE(host.filled);
    GridModel stored;
    tmap::ListFormatBoxes(stored, host.page);
    ASSERT_TRUE(tmap::LoadTBMap(stored, host.page.name));
    EXPECT_EQ(stored.text(1, tmap::MapText), QStringLiteral("L"));
}

TEST_F(TBDownTest, RunIsRefusedWhileWaitingAndEndsWhenThePageGoes)
{
    auto *view = new QWebEngineView;
    view->setHtml("<html><body>x</body></html>");
    WebDom dom(view->page());
    ASSERT_TRUE(waitUntil([&] { return dom.LoadsFinished() > 0; }));
    std::optional<QVariant> inner = QVariant(1);
    QTimer::singleShot(0, [&] {
        inner = dom.Run("1");
        delete view; // the window goes while the outer run waits
    });
    const auto outer = dom.Run("var t = Date.now(); while (Date.now() - t < 2000) {} 1", 8000);
    EXPECT_FALSE(inner.has_value());
    EXPECT_FALSE(outer.has_value());
    EXPECT_FALSE(dom.Run("1").has_value());
}

// As root with the sandbox on, Chromium ends the process that makes a
// browser. A child test program without the tests' sandbox switch opens the
// download window: it shows the message and goes on.
TEST_F(DataDirTest, DownloadWindowAsRootSaysSoAndTheProgramGoesOn)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs the root user";
    if (qEnvironmentVariableIsSet("PQT_TEST_BROWSER_SANDBOX")) {
        ASSERT_FALSE(qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"));
        TBDown w;
        w.show();
        QTest::qWait(300);
        EXPECT_EQ(w.WB, nullptr);
        EXPECT_TRUE(w.BrowserMessage->isVisible());
        EXPECT_EQ(w.BrowserMessage->text(), QString::fromUtf8(kBrowserUnderRoot));
        for (int i : {0, 5, 2})
            w.Com[i]->click();
        w.close();
        std::printf("still alive\n");
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"));
    env.insert(QStringLiteral("PQT_TEST_BROWSER_SANDBOX"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=DataDirTest.DownloadWindowAsRootSaysSoAndTheProgramGoesOn")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray out = child.readAll();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << out.constData();
    EXPECT_TRUE(out.contains("still alive")) << out.constData();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.constData();
}
