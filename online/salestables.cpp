#include "online/salestables.h"

#include "core/database.h"
#include "core/helpers.h"
#include "core/progress.h"
#include "online/tradegrid.h"
#include "platform/numtext.h"

namespace sales {

namespace {

// Names kept as the stored tables have always held them.
QString storedText(QString s)
{
    s.replace(u'"', u'\'');
    s.replace(u'\'', QChar(0x2019));
    return s;
}

std::optional<qint64> firstId(const QString &sql, const QVariantList &params)
{
    const auto rs = db::OpenRecordset(sql, params);
    if (!rs)
        return std::nullopt;
    if (rs->empty())
        return qint64(-1);
    return rs->value(0, 0).toLongLong();
}

} // namespace

std::optional<qint64> GetProductID(const QString &nameIn, double price)
{
    const QString name = storedText(nameIn.isEmpty() ? QStringLiteral("其他") : nameIn);
    const auto rs
        = db::OpenRecordset(QStringLiteral("SELECT ID, Price FROM Pro WHERE Name=?"), {name});
    if (!rs)
        return std::nullopt;
    if (rs->empty())
        return db::InsertRow(QStringLiteral("Pro"),
                             {{QStringLiteral("Name"), name}, {QStringLiteral("Price"), price}});
    const qint64 id = rs->value(0, 0).toLongLong();
    if (num::Val(rs->value(0, 1)) == 0
        && !db::ExecuteSQL(QStringLiteral("UPDATE Pro SET Price=? WHERE ID=?"), {price, id}))
        return std::nullopt;
    return id;
}

std::optional<qint64> GetCustomerID(const QString &nick, const QString &nameIn,
                                    const QString &cname, const QString &mobile,
                                    const QString &phone, const QString &address,
                                    const QString &postcode)
{
    const auto found = firstId(QStringLiteral("SELECT ID FROM Cus WHERE Nick=?"), {nick});
    if (!found || *found >= 0)
        return found;
    QString rest = storedText(address);
    const QString prov = CutToken(rest, QStringLiteral(" "), true);
    const QString region = CutToken(rest, QStringLiteral(" "), true);
    return db::InsertRow(
        QStringLiteral("Cus"),
        {{QStringLiteral("Nick"), nick},
         {QStringLiteral("Name"), storedText(nameIn.isEmpty() ? QStringLiteral("其他") : nameIn)},
         {QStringLiteral("CName"), cname},
         {QStringLiteral("Mobile"), storedText(mobile)},
         {QStringLiteral("Phone"), storedText(phone)},
         {QStringLiteral("Prov"), prov},
         {QStringLiteral("Region"), region},
         {QStringLiteral("Address"), rest},
         {QStringLiteral("PC"), postcode.left(6)}});
}

bool InputTBRecord(const GridModel &g, const QString &shopNick)
{
    using namespace trade;
    const LongWork work;
    qint32 start = 0;
    ShowIndicator(QStringLiteral("正在将淘宝交易数据导入至进销存..."), g.dataRows(), start);
    const bool ok = static_cast<bool>(db::RunInTransaction([&](sql::Connection &conn) {
        const qint64 account
            = db::GetOrAddNameID(QStringLiteral("Acc"), QStringLiteral("淘宝_") + shopNick);
        if (account < 0)
            return false;
        for (qint32 r = g.fixedRows(); r < g.rows(); ++r) {
            const QString order = g.text(r, OrderNo);
            if (order.isEmpty() || g.text(r, Status) == QString::fromUtf8(kClosed))
                continue;
            const auto product = GetProductID(g.text(r, Item), num::Val(g.text(r, Price)));
            QStringList address;
            for (qint32 c : {Province, City, District, Address})
                address << g.text(r, c);
            const auto customer = GetCustomerID(
                g.text(r, Buyer), g.text(r, BuyerName), g.text(r, Recipient), g.text(r, Mobile),
                g.text(r, Phone), address.join(u' '), g.text(r, Postcode));
            if (!product || !customer)
                return false;
            const auto rs
                = conn.Query(QStringLiteral("SELECT Memo FROM Sale WHERE TBID=?"), {order});
            if (!rs)
                return false;
            QString memo = rs->empty() ? QString() : num::Text(rs->value(0, 0));
            double pay = num::Val(g.text(r, Received));
            if (g.text(r, AfterSale) == QStringLiteral("退款成功")) {
                pay = 0;
                if (!memo.contains(QStringLiteral("退款成功")))
                    memo += QStringLiteral("退款成功");
            }
            const QVariantList values
                = {account, shopNick, *product, *customer, pay, memo, pay, order};
            if (rs->empty()
                    ? !conn.Exec(QStringLiteral("INSERT INTO Sale (AID, SID, PID, CID, Pay, Memo,"
                                                " Pay1, TBID) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                                 values)
                    : !conn.Exec(QStringLiteral("UPDATE Sale SET AID=?, SID=?, PID=?, CID=?,"
                                                " Pay=?, Memo=?, Pay1=? WHERE TBID=?"),
                                 values))
                return false;
            StepIndicator(1, QStringLiteral("pages"));
        }
        return true;
    }));
    CloseIndicator();
    return ok;
}

} // namespace sales
