#pragma once
// The sales tables written from a trade grid: Sale (one row per trade row,
// by order number), Pro (products by name), Cus (customers by nick) and Acc
// (the shop's account "淘宝_" + nick). Every value is bound; the whole grid
// goes in one transaction.

#include "platform/gridmodel.h"

#include <QString>
#include <optional>

namespace sales {

// The product's ID, added when missing; a product without a price takes
// this one. An empty name is "其他".
std::optional<qint64> GetProductID(const QString &name, double price);
// The customer's ID by nick, added with these details when missing (the
// address split into province, region and the rest; the postcode's first
// six characters). An existing customer is not changed.
std::optional<qint64> GetCustomerID(const QString &nick, const QString &name, const QString &cname,
                                    const QString &mobile, const QString &phone,
                                    const QString &address, const QString &postcode);
// Writes every trade row that is not closed and has an order number: the
// order number, the shop's nick (SID), account, product, customer, the
// amount received as Pay and Pay1 (0 after "退款成功", which Memo then
// notes once). False when nothing was written (the tables stay as they were).
bool InputTBRecord(const GridModel &grid, const QString &shopNick);

} // namespace sales
