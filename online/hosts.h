#pragma once
// The servers the online services talk to, all settings (section Para of the
// settings store) and empty until set: the maker's server ("ServerHost",
// port 8080 unless the setting names one) and the marketplace's login page,
// seller pages and order-address service ("TaobaoLoginHost",
// "TaobaoSellerHost", "TaobaoTradeHost"). A setting is a host, "host:port",
// or a whole origin with its scheme ("http://127.0.0.1:8080"); marketplace
// hosts without a scheme are reached over https.

#include <QString>
#include <QUrl>

namespace hosts {

inline constexpr const char *kMakerKey = "ServerHost";
inline constexpr const char *kLoginKey = "TaobaoLoginHost";
inline constexpr const char *kSellerKey = "TaobaoSellerHost";
inline constexpr const char *kTradeKey = "TaobaoTradeHost";

// The stored setting, trimmed ("" when not set).
QString Setting(const char *key);
// "scheme://host[:port][/path]" of a setting without a trailing "/"; "" when
// not set or no host. defaultScheme applies when the setting names none;
// defaultPort (0 = none) when it names no port. An IPv6 literal may come with
// or without its brackets; a path of the setting's own is kept, and the
// callers' paths go after it.
QString Origin(const QString &setting, const QString &defaultScheme, int defaultPort = 0);

// The maker's server: "http://host:8080" or what the setting names.
QString MakerServerAddress();
// Help page n on the maker's server; "" when its host is not set.
QString HelpPageUrl(int page);

// The marketplace's login page, which returns to the seller administration
// page after the login; "" when the login or the seller host is not set.
QString LoginPageUrl();
// The order-address service for one order; "" when the trade host is not set.
QString OrderAddressUrl(const QString &orderNumber);
// True when a cookie of that domain (a leading "." allowed) belongs to one of
// the marketplace's hosts: the domain is a host's own name or a parent
// domain of it.
bool IsMarketplaceDomain(const QString &cookieDomain);
// The host names of the set marketplace hosts (login, seller, trade).
QStringList MarketplaceHostNames();

} // namespace hosts
