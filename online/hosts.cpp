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
    // A bare IPv6 literal ("::1", "fe80::2") cannot carry a port without its
    // brackets.
    if (host.count(u':') >= 2 && !host.contains(u'[') && !host.contains(QLatin1String("://")))
        host = u'[' + host + u']';
    if (!host.contains(QLatin1String("://")))
        host.prepend(defaultScheme + QStringLiteral("://"));
    QUrl url(host, QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty())
        return {};
    if (defaultPort > 0 && url.port() < 0)
        url.setPort(defaultPort);
    QString path = url.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    url.setPath(path);
    url.setQuery(QString());
    url.setFragment(QString());
    return url.toString();
}

QString MakerServerAddress()
{
    return Origin(Setting(kMakerKey), QStringLiteral("http"), 8080);
}

QString HelpPageUrl(int page)
{
    const QString host = MakerServerAddress();
    if (host.isEmpty())
        return {};
    return host + QStringLiteral("/Help/QA.asp?id=") + num::Str(page);
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
