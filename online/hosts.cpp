#include "online/hosts.h"

#include "core/settings.h"
#include "platform/numtext.h"

#include <QStringList>

namespace hosts {

QString Setting(const char *key)
{
    return num::Trim(GetRegSetting(QStringLiteral("PQT_V"), QStringLiteral("Para"),
                                   QString::fromLatin1(key), QString()));
}

QString Origin(const QString &setting, const QString &defaultScheme, int defaultPort)
{
    QString host = num::Trim(setting);
    if (host.isEmpty())
        return {};
    if (!host.contains(QLatin1String("://")))
        host.prepend(defaultScheme + QStringLiteral("://"));
    while (host.endsWith(u'/'))
        host.chop(1);
    const qsizetype hostStart = host.indexOf(QLatin1String("://")) + 3;
    if (defaultPort > 0 && !host.mid(hostStart).contains(u':'))
        host += u':' + QString::number(defaultPort);
    return host;
}

QString MakerServerAddress()
{
    return Origin(Setting(kMakerKey), QStringLiteral("http"), 8080);
}

QString LoginPageUrl()
{
    const QString login = Origin(Setting(kLoginKey), QStringLiteral("https"));
    const QString seller = Origin(Setting(kSellerKey), QStringLiteral("http"));
    if (login.isEmpty() || seller.isEmpty())
        return {};
    const QString back = seller + QStringLiteral("/seller_admin.htm");
    return login + QStringLiteral("/member/login.jhtml?redirectURL=")
        + QString::fromLatin1(QUrl::toPercentEncoding(back));
}

QString OrderAddressUrl(const QString &orderNumber)
{
    const QString trade = Origin(Setting(kTradeKey), QStringLiteral("https"));
    if (trade.isEmpty())
        return {};
    return trade + QStringLiteral("/trade/json/order_address_info.htm?biz_order_id=")
        + QString::fromLatin1(QUrl::toPercentEncoding(orderNumber));
}

QStringList MarketplaceHostNames()
{
    QStringList names;
    for (const char *key : {kLoginKey, kSellerKey, kTradeKey}) {
        const QString origin = Origin(Setting(key), QStringLiteral("https"));
        if (origin.isEmpty())
            continue;
        const QString h = QUrl(origin).host().toLower();
        if (!h.isEmpty() && !names.contains(h))
            names << h;
    }
    return names;
}

bool IsMarketplaceDomain(const QString &cookieDomain)
{
    QString d = cookieDomain.toLower();
    while (d.startsWith(u'.'))
        d.remove(0, 1);
    if (d.isEmpty())
        return false;
    for (const QString &h : MarketplaceHostNames())
        if (h == d || h.endsWith(u'.' + d))
            return true;
    return false;
}

} // namespace hosts
