#include "online/tradegrid.h"

#include "core/gridhelpers.h"
#include "core/helpers.h"
#include "core/progress.h"
#include "online/pagehelpers.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"

namespace trade {

QStringList Captions()
{
    return {QString(),
            QStringLiteral("序号"),
            QStringLiteral("订单编号"),
            QStringLiteral("成交时间"),
            QStringLiteral("宝贝"),
            QStringLiteral("单价(元)"),
            QStringLiteral("数量"),
            QStringLiteral("售后"),
            QStringLiteral("买家"),
            QStringLiteral("姓名"),
            QStringLiteral("交易状态"),
            QStringLiteral("实收款(元)"),
            QStringLiteral("评价"),
            QStringLiteral("收件人"),
            QStringLiteral("手机"),
            QStringLiteral("电话"),
            QStringLiteral("省"),
            QStringLiteral("市"),
            QStringLiteral("区"),
            QStringLiteral("地址"),
            QStringLiteral("邮编"),
            QStringLiteral("物流公司"),
            QStringLiteral("单号")};
}

QStringList Letters()
{
    QStringList l = {QString(), QString()};
    for (char c = 'A'; c <= 'U'; ++c)
        l << QString(QChar(c));
    return l;
}

} // namespace trade

namespace {

using namespace trade;

// CutToken with the marker found without regard to case.
QString cutCI(QString &s, const QString &marker, bool fromStart)
{
    const qsizetype i = fromStart ? s.indexOf(marker, 0, Qt::CaseInsensitive)
                                  : s.lastIndexOf(marker, -1, Qt::CaseInsensitive);
    if (i < 0)
        return {};
    QString part;
    if (fromStart) {
        part = s.left(i);
        s = s.mid(i + marker.size());
    } else {
        part = s.mid(i + marker.size());
        s.truncate(i);
    }
    return part;
}

// A cell's text: tags cut out, line breaks removed, blanks trimmed.
QString cleanPiece(QString piece)
{
    ReplaceBetween(piece, QStringLiteral("<"), QStringLiteral(">"), QString());
    piece.remove(QStringLiteral("\r\n"));
    piece.remove(u'\n');
    piece.remove(u'\r');
    return num::Trim(piece);
}

QString numberText(const QString &cell)
{
    return num::Str(num::Val(num::Trim(cell)));
}

// Columns 4 to 7 of an item row (first or further item).
void writeItemCells(GridModel &grid, qint32 row, const QStringList &p)
{
    const QString item = num::Trim(p.at(0)) + u' ';
    grid.setText(row, Item, item.left(item.indexOf(u' ')));
    grid.setText(row, Price, numberText(p.at(1)));
    grid.setText(row, Quantity, numberText(p.at(2)));
    QString after = p.at(3);
    after.remove(QStringLiteral("投诉维权"));
    grid.setText(row, AfterSale, num::Trim(after));
}

bool findOrder(const GridModel &grid, const QString &orderNo)
{
    if (grid.dataRows() < 1)
        return false;
    return GridCellText(grid, grid.fixedRows(), OrderNo, grid.rows() - 1, OrderNo, orderNo).row
        >= 0;
}

} // namespace

void InitTradeGrid(GridModel &grid)
{
    if (grid.tag() == QString::fromUtf8(kTag))
        return;
    SetGridColumns(grid, Letters(), Captions());
    for (qint32 c : {Price, Quantity, Received})
        grid.setColAlignment(c, 8);
    grid.setRowHeight(0, grid.rowHeight(1));
    grid.setTag(QString::fromUtf8(kTag));
    AutoFitGridColumns(GridFont(), grid, 0, true);
}

qint32 AppendOrderTable(GridModel &grid, const QString &tableHtml)
{
    const qint32 before = grid.rows();
    QString html = tableHtml;
    if (html.isEmpty())
        return 0;
    cutCI(html, QStringLiteral("</TR>"), false);
    cutCI(html, QStringLiteral("<TBODY"), true);
    cutCI(html, QStringLiteral(">"), true);

    // The main row of the order whose first item this call took; 0 when the
    // last header seen was not taken (a duplicate), so that its item rows
    // never join an earlier order.
    qint32 orderRow = 0;
    qint32 furtherItems = 0;
    bool duplicate = false; // the last header named an order already taken
    const QStringList rows
        = html.split(QStringLiteral("</TR>"), Qt::KeepEmptyParts, Qt::CaseInsensitive);
    for (const QString &pageRow : rows) {
        QStringList p
            = pageRow.split(QStringLiteral("</TD>"), Qt::KeepEmptyParts, Qt::CaseInsensitive);
        for (QString &piece : p)
            piece = cleanPiece(piece);
        const qint32 last = grid.rows() - 1;
        switch (p.size()) {
        case 2: {
            if (!p.at(0).contains(QStringLiteral("订单编号")))
                break;
            orderRow = 0;
            QString h = p.at(0);
            CutToken(h, QStringLiteral("订单编号："), true);
            const QString orderNo = CutToken(h, QStringLiteral(" "), true);
            CutToken(h, QStringLiteral("成交时间："), true);
            const QString time = num::Trim(h);
            duplicate = findOrder(grid, orderNo);
            if (duplicate)
                break;
            const qint32 r = grid.addRow();
            grid.setText(r, Number, num::Str(qint64(r - grid.fixedRows() + 1)));
            grid.setText(r, OrderNo, orderNo);
            grid.setText(r, Time, time);
            break;
        }
        case 9: {
            if (duplicate || last < grid.fixedRows() || !grid.text(last, Item).isEmpty())
                break;
            writeItemCells(grid, last, p);
            QString buyer = p.at(4);
            QString account = CutToken(buyer, QStringLiteral(" "), true);
            account.remove(QStringLiteral("&nbsp;"));
            grid.setText(last, Buyer, account);
            QString rest = num::Trim(buyer);
            grid.setText(last, BuyerName, num::Trim(CutToken(rest, QStringLiteral("旺旺"), true)));
            QString status = p.at(5);
            grid.setText(last, Status, CutToken(status, QStringLiteral(" "), true));
            grid.setText(last, Received, numberText(p.at(6)));
            grid.setText(last, Rating, p.at(7));
            orderRow = last;
            furtherItems = 0;
            break;
        }
        case 5: {
            if (orderRow == 0 || orderRow > last)
                break;
            const qint32 r = grid.addRow();
            ++furtherItems;
            grid.setText(r, Number, num::Str(qint64(r - grid.fixedRows() + 1)));
            grid.setText(r, OrderNo,
                         grid.text(orderRow, OrderNo) + u'_' + num::Str(qint64(furtherItems)));
            grid.setText(r, Time, grid.text(orderRow, Time));
            writeItemCells(grid, r, p);
            for (qint32 c : {Buyer, BuyerName, Status, Rating})
                grid.setText(r, c, grid.text(orderRow, c));
            break;
        }
        default:
            break;
        }
    }
    return grid.rows() - before;
}

void WriteAddressValues(GridModel &grid, qint32 row, const QStringList &values)
{
    const qint32 direct[3] = {Recipient, Mobile, Phone};
    for (int i = 0; i < 3 && i < values.size(); ++i)
        grid.setText(row, direct[i], num::Trim(values.at(i)));
    if (values.size() > 3) {
        QString a = values.at(3);
        for (qint32 c : {Province, City, District})
            grid.setText(row, c, CutToken(a, QStringLiteral(" "), true));
        grid.setText(row, Address, num::Trim(a));
    }
    if (values.size() > 4)
        grid.setText(row, Postcode, num::Trim(values.at(4)));
    grid.setColWidth(Logistics, 0);
    grid.setColWidth(Waybill, 0);
}

void CopyAddressesToItemRows(GridModel &grid)
{
    for (qint32 r = grid.fixedRows(); r < grid.rows(); ++r) {
        const QString no = grid.text(r, OrderNo);
        const qsizetype u = no.indexOf(u'_');
        if (u < 0)
            continue;
        const QString main = no.left(u);
        const GridCellPos pos
            = GridCellText(grid, grid.fixedRows(), OrderNo, grid.rows() - 1, OrderNo, main);
        if (pos.row < 0)
            continue;
        for (qint32 c = Recipient; c < grid.cols(); ++c)
            grid.setText(r, c, grid.text(pos.row, c));
    }
}

void DownloadAddresses(GridModel &grid, qint32 count, bool showProgress)
{
    // The requests let the event loop run; the grid stays in use.
    const LongWork work;
    if (showProgress) {
        qint32 start = 0;
        ShowIndicator(QStringLiteral("正在下载物流信息...."), count, start);
    }
    const qint32 first = std::max(grid.rows() - count, grid.fixedRows());
    for (qint32 r = grid.rows() - 1; r >= first; --r) {
        const QString no = grid.text(r, OrderNo);
        if (no.contains(u'_'))
            continue;
        const QStringList values = GetOrderAddress(no);
        // The event loop ran during the request: the user may have removed
        // rows, so write only where the row still holds that order.
        if (r < grid.rows() && grid.text(r, OrderNo) == no)
            WriteAddressValues(grid, r, values);
        if (showProgress)
            StepIndicator(1, QStringLiteral("pages"));
    }
    CopyAddressesToItemRows(grid);
    if (showProgress)
        CloseIndicator();
}

bool ExtractTradeTable(BrowserDocument *browser, GridModel &grid, bool goNext)
{
    InitTradeGrid(grid);
    QString html;
    if (browser)
        html = browser->ElementInnerHtml(QStringLiteral("J_ListTable")).value_or(QString());
    if (grid.dataRows() > 0 && grid.text(grid.rows() - 1, OrderNo).isEmpty())
        grid.removeRows(grid.rows() - 1, grid.rows() - 1);
    const qint32 firstNew = grid.rows();
    bool result = false;
    if (!html.isEmpty()) {
        AppendOrderTable(grid, html);
        if (goNext)
            result
                = !FindLink(browser, QStringLiteral("下一页"), true, QStringLiteral("A")).isEmpty();
        DownloadAddresses(grid, grid.rows() - firstNew, !goNext);
    }
    if (grid.dataRows() < 1)
        dialogs().Message(QString::fromUtf8(kNothingFound));
    return result;
}
