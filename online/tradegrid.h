#pragma once
// TradeGrid: the downloaded marketplace trades, one row per order item, 23
// columns (2 fixed) and 2 fixed rows: row 0 the column letters "A".."U" of
// columns 2..22 (the names the trade mapping reads), row 1 the captions; Tag
// "交易记录" once laid out. An order's main row carries the plain order
// number, each further item's row the number, "_" and 1, 2, ...
//
// The order table is read as text (no HTML parser): rows end at "</TR>",
// cells at "</TD>", tags are cut out. Tag markers match without regard to
// case (browsers write lower-case tags); cell contents keep their case.

#include "online/browserdocument.h"
#include "platform/gridmodel.h"

#include <QString>
#include <QStringList>

namespace trade {

inline constexpr const char *kTag = "交易记录";
inline constexpr qint32 kCols = 23;
// Columns by their role.
enum Col : qint32 {
    Number = 1,
    OrderNo = 2,
    Time = 3,
    Item = 4,
    Price = 5,
    Quantity = 6,
    AfterSale = 7,
    Buyer = 8,
    BuyerName = 9,
    Status = 10,
    Received = 11,
    Rating = 12,
    Recipient = 13,
    Mobile = 14,
    Phone = 15,
    Province = 16,
    City = 17,
    District = 18,
    Address = 19,
    Postcode = 20,
    Logistics = 21,
    Waybill = 22,
};
inline constexpr const char *kClosed = "交易关闭";
inline constexpr const char *kNothingFound
    = "没有提取到交易记录，请在下面网页点开淘宝店铺“已卖出的宝贝”页面！";

// The 23 captions and the 23 letter-row entries.
QStringList Captions();
QStringList Letters();

} // namespace trade

// Lays the grid out once (nothing when its Tag is already "交易记录").
void InitTradeGrid(GridModel &grid);

// Appends the orders of the order table's inner HTML to the grid: a new
// order header adds a row; its first item fills that row; its further items
// add rows of their own. An order already in the grid is not taken again,
// and neither are item rows that follow it. Returns the number of rows added.
qint32 AppendOrderTable(GridModel &grid, const QString &tableHtml);

// Fills the address columns of the last count rows from the order-address
// service (each main row asks once), then copies each further item row's
// address from its main row. A row whose order number changed meanwhile is
// left alone.
void DownloadAddresses(GridModel &grid, qint32 count, bool showProgress);

// Puts one order's address values into a row (see the column table): values
// 0..2 recipient, mobile, telephone; 3 the address, whose first three blank-
// separated words are province, city and district; 4 the postcode. Missing
// values leave their cells.
void WriteAddressValues(GridModel &grid, qint32 row, const QStringList &values);
// Copies the address of each further item row from its order's main row.
void CopyAddressesToItemRows(GridModel &grid);

// Reads the order table ("J_ListTable") of the shown page into the grid and
// fetches the new orders' addresses; with goNext clicks an active "下一页"
// link and returns true when it did. Shows the message when the grid is left
// without data rows.
bool ExtractTradeTable(BrowserDocument *browser, GridModel &grid, bool goNext);
