#include "core/settings.h"
#include "online/pagehelpers.h"
#include "online/tradegrid.h"
#include "platform/codepage.h"
#include "support/localserver.h"
#include "support/testenv.h"

#include <QFile>
#include <QNetworkProxy>
#include <map>

namespace {

using namespace trade;

QString fixture(const char *name)
{
    QFile f(QStringLiteral(TEST_SOURCE_DIR "/online/fixtures/") + QString::fromUtf8(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return QString::fromUtf8(f.readAll());
}

// The inner HTML of the page's order table, as a browser would give it.
QString tableOf(const QString &page)
{
    const qsizetype a = page.indexOf(QLatin1String("<table id=\"J_ListTable\">"));
    const qsizetype start = page.indexOf(u'>', a) + 1;
    return page.mid(start, page.indexOf(QLatin1String("</table>")) - start);
}

QString upperTags(QString html)
{
    for (const char *t : {"tbody", "tr", "td"}) {
        const QString l = QString::fromLatin1(t), u = l.toUpper();
        html.replace(u'<' + l, u'<' + u)
            .replace(QStringLiteral("</") + l, QStringLiteral("</") + u);
    }
    return html;
}

// A page of a fake browser: the order table, links, a click log.
class FakeDocument : public BrowserDocument
{
public:
    std::optional<QString> table;
    QString body;
    std::vector<PageElement> elements;
    std::vector<int> clicks;
    int loads = 0;

    std::optional<QString> ElementInnerHtml(const QString &id) override
    {
        return id == QLatin1String("J_ListTable") ? table.value_or(QString()) : QString();
    }
    std::optional<QString> BodyHtml() override { return body; }
    std::optional<std::vector<PageElement>> Elements(const QString &tag) override
    {
        std::vector<PageElement> out;
        for (const auto &e : elements)
            if (e.tagName.compare(tag, Qt::CaseInsensitive) == 0)
                out.push_back(e);
        return out;
    }
    bool Click(const QString &, int n, const QString &) override
    {
        clicks.push_back(n);
        return true;
    }
    int LoadsFinished() const override { return loads; }
};

class TradeGridTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        InitTradeGrid(grid);
    }
    QStringList row(qint32 r, std::initializer_list<qint32> cols) const
    {
        QStringList out;
        for (qint32 c : cols)
            out << grid.text(r, c);
        return out;
    }
    GridModel grid;
};

} // namespace

TEST_F(TradeGridTest, LayoutHasLettersCaptionsAndTag)
{
    EXPECT_EQ(grid.cols(), 23);
    EXPECT_EQ(grid.fixedRows(), 2);
    EXPECT_EQ(grid.fixedCols(), 2);
    EXPECT_EQ(grid.dataRows(), 0);
    EXPECT_EQ(grid.tag(), "交易记录");
    EXPECT_EQ(grid.text(0, 2), "A");
    EXPECT_EQ(grid.text(0, 22), "U");
    EXPECT_EQ(grid.text(1, 13), "收件人");
    EXPECT_EQ(grid.rowHeight(0), grid.rowHeight(1));
    EXPECT_EQ(grid.colAlignment(5), 8);
    grid.setText(0, 2, "x");
    InitTradeGrid(grid); // laid out once
    EXPECT_EQ(grid.text(0, 2), "x");
}

TEST_F(TradeGridTest, OrderWithThreeItemsInEitherTagCase)
{
    const QString table = tableOf(fixture("orders_page1.html"));
    for (const QString &html : {table, upperTags(table)}) {
        GridModel g;
        InitTradeGrid(g);
        EXPECT_EQ(AppendOrderTable(g, html), 4);
        ASSERT_EQ(g.dataRows(), 4);
        const auto cells = [&](qint32 r) {
            QStringList out;
            for (qint32 c = Number; c <= Rating; ++c)
                out << g.text(r, c);
            return out;
        };
        EXPECT_EQ(cells(2),
                  QStringList({"1", "1001", "2026-12-01 10:00:00", "连衣裙", "12.5", "2", "",
                               "buyer1", "张三", "交易成功", "25", "好评"}));
        // Further items: their own item cells, the order's other cells, no amount.
        EXPECT_EQ(cells(3),
                  QStringList({"2", "1001_1", "2026-12-01 10:00:00", "腰带", "5", "1", "", "buyer1",
                               "张三", "交易成功", "", "好评"}));
        EXPECT_EQ(cells(4),
                  QStringList({"3", "1001_2", "2026-12-01 10:00:00", "帽子", "8", "3", "退款成功",
                               "buyer1", "张三", "交易成功", "", "好评"}));
        EXPECT_EQ(g.text(5, OrderNo), "1002");
        EXPECT_EQ(g.text(5, Status), "交易关闭");
    }
}

TEST_F(TradeGridTest, DuplicateHeaderSkipsTheOrderAndItsItems)
{
    AppendOrderTable(grid, tableOf(fixture("orders_page1.html")));
    EXPECT_EQ(AppendOrderTable(grid, tableOf(fixture("orders_page1.html"))), 0);
    // Page 2 repeats order 1001 with two items, then a new order.
    EXPECT_EQ(AppendOrderTable(grid, tableOf(fixture("orders_page2.html"))), 1);
    ASSERT_EQ(grid.dataRows(), 5);
    EXPECT_EQ(grid.text(4, OrderNo), "1001_2"); // nothing joined order 1001
    EXPECT_EQ(row(6, {OrderNo, Item, Price, Quantity, Received}),
              QStringList({"1003", "手套", "0", "4", "40"}));
}

TEST_F(TradeGridTest, RowShapesThatAreSkipped)
{
    const QString header = "<tr><td>订单编号：7 成交时间：t</td></tr>";
    const QString item = "<tr><td>A</td><td>1</td><td>1</td><td></td><td>b 名旺旺</td>"
                         "<td>交易关闭</td><td>1</td><td>r</td></tr>";
    struct Case
    {
        const char *name;
        QString html;
        qint32 rows;
    } cases[] = {
        // Item rows without a header of this call, and a header without the label.
        {"item without header", "<tbody>" + item + "</tbody>", 0},
        {"further item without first", "<tbody><tr><td>x</td><td>1</td><td>1</td><td></td></tr>",
         0},
        {"no label", "<tbody><tr><td>编号 7</td></tr>" + item, 0},
        {"second first item", "<tbody>" + header + item + item, 1},
        {"other cell count", "<tbody>" + header + "<tr><td>a</td><td>b</td></tr>" + item, 1},
    };
    for (const Case &c : cases) {
        GridModel g;
        InitTradeGrid(g);
        AppendOrderTable(g, c.html + "<tr></tr>");
        EXPECT_EQ(g.dataRows(), c.rows) << c.name;
    }
    GridModel g;
    InitTradeGrid(g);
    AppendOrderTable(g, "<tbody>" + header + item + "<tr></tr>");
    EXPECT_EQ(g.text(2, Status), ""); // a status without a blank
    EXPECT_EQ(g.text(2, Item), "A"); // an item without a blank is taken whole
}

TEST_F(TradeGridTest, AddressValuesFillProvinceCityDistrictAndRest)
{
    grid.addRow();
    WriteAddressValues(grid, 2,
                       {" 张三 ", "138", "010", "北京 北京市 朝阳区 建国路 88号", "100022"});
    EXPECT_EQ(
        row(2, {Recipient, Mobile, Phone, Province, City, District, Address, Postcode}),
        QStringList({"张三", "138", "010", "北京", "北京市", "朝阳区", "建国路 88号", "100022"}));
    EXPECT_EQ(grid.colWidth(Logistics), 0);
    WriteAddressValues(grid, 2, {"李四", "1", "2", "无空格地址"});
    EXPECT_EQ(row(2, {Recipient, Province, City, District, Address, Postcode}),
              QStringList({"李四", "", "", "", "无空格地址", "100022"}));
}

TEST_F(TradeGridTest, AddressReplyParse)
{
    EXPECT_EQ(ParseAddressReply(fixture("address_reply.txt")),
              QStringList({"张三", "13800000000", "010-12345678", "北京 北京市 朝阳区 建国路 88号",
                           "100022"}));
    // LF line ends read alike; a line without :" keeps its text up to its last quote.
    EXPECT_EQ(ParseAddressReply("({\"address\":{\n\"a\":\"1\",\nplain\"x\",\n}\n})"),
              QStringList({"1", "plain\"x"}));
    EXPECT_TRUE(ParseAddressReply("").isEmpty());
}

TEST_F(TradeGridTest, DownloadAddressesAsksOncePerOrder)
{
    LocalServer server;
    std::map<QByteArray, int> asked;
    const QByteArray reply = fixture("address_reply.txt").toUtf8();
    server.handler = [&](const QByteArray &line) {
        ++asked[line.mid(line.indexOf("biz_order_id=") + 13, 4)];
        return cp936::Encode(QString::fromUtf8(reply));
    };
    SaveRegSetting("PQT_V", "Para", "TaobaoTradeHost", server.origin());
    AppendOrderTable(grid, tableOf(fixture("orders_page1.html")));
    DownloadAddresses(grid, grid.dataRows(), false);
    // The reply never holds a marker: one request per main row all the same.
    EXPECT_EQ(asked, (std::map<QByteArray, int> {{"1001", 1}, {"1002", 1}}));
    for (qint32 r = 2; r < grid.rows(); ++r)
        EXPECT_EQ(row(r, {Recipient, District, Postcode}),
                  QStringList({"张三", "朝阳区", "100022"}))
            << r;
    SaveRegSetting("PQT_V", "Para", "TaobaoTradeHost", "");
}

TEST_F(TradeGridTest, ExtractFromAPageWithoutTableOrNextLink)
{
    FakeDocument doc;
    EXPECT_FALSE(ExtractTradeTable(&doc, grid, true));
    EXPECT_EQ(dlg.messages(), QStringList({QString::fromUtf8(kNothingFound)}));

    doc.table = tableOf(fixture("orders_page1.html"));
    doc.elements = {{"A", "下一页", "<a class=\"disabled\">下一页</a>", "http://x/2"}};
    EXPECT_FALSE(ExtractTradeTable(&doc, grid, true));
    EXPECT_TRUE(doc.clicks.empty());
    EXPECT_EQ(grid.dataRows(), 4);

    doc.elements = {{"A", "<b>下一页</b>", "<a><b>下一页</b></a>", "http://x/1"},
                    {"A", "下一页", "<a href=\"2\">下一页</a>", "http://x/2"}};
    EXPECT_TRUE(ExtractTradeTable(&doc, grid, true));
    EXPECT_EQ(doc.clicks, std::vector<int>({1}));
}

TEST_F(TradeGridTest, FindLinkRules)
{
    FakeDocument doc;
    doc.elements = {{"A", "下一页", "<a>下一页</a>", "h1"}};
    EXPECT_EQ(FindLink(&doc, "", true, "A"), "");
    EXPECT_EQ(FindLink(&doc, "下一页", false, "a"), "h1");
    EXPECT_TRUE(doc.clicks.empty());
    EXPECT_EQ(FindLink(&doc, "下一", true, "A"), "");
    EXPECT_EQ(FindLink(nullptr, "下一页", true, "A"), "");
}

TEST(PageHelpers, SellerNick)
{
    EXPECT_EQ(SellerNickFromPage("<a class=\"user-nick\" href=x> 小店 </a><b>"), "小店");
    EXPECT_EQ(SellerNickFromPage("<div>no nick</div>"), "");
}
