#pragma once
// The marketplace outside the trade grid: the delivery address of one order
// from the order-address service, the page's HTML, and finding (and
// clicking) a link of the shown page by its text.

#include "online/browserdocument.h"

#include <QString>
#include <QStringList>
#include <functional>

// The values of an address reply, one per line of its address block: after
// the line holding "address" and before the closing "}" / "})", each line's
// text after the first `:"` and before its last `"` (a missing marker keeps
// the line). An empty reply gives no values. Line ends may be CR LF or LF.
QStringList ParseAddressReply(const QString &reply);

// Asks the order-address service (with the browser's login cookies) and
// parses the reply; no values when the service is not set or never answered.
// Stops after the first attempt that received an answer.
QStringList GetOrderAddress(const QString &orderNumber);

// The page's HTML; "" when it cannot be read or no browser is given.
QString GetPageHtml(BrowserDocument *browser);

// The href of the first element of that tag (any case) whose inner HTML is
// exactly text, clicked when click is set; "" for an empty text, when none
// matches, or when the match's markup holds "disabled" (shown, not active).
QString FindLink(BrowserDocument *browser, const QString &text, bool click, const QString &tag);

// The seller's nick on a seller page: after the last "user-nick", past the
// end of that tag, up to the next "<", trimmed; "" without "user-nick".
QString SellerNickFromPage(const QString &html);

// Waits after a click on a next-page link until the page has loaded anew
// (more finished loads than loadsBefore) or its order table differs from
// tableBefore: at least minMs and at most maxMs, while the event loop runs.
// False when cancelled() turned true first.
bool WaitForNextPage(BrowserDocument &browser, int loadsBefore, const QString &tableBefore,
                     const std::function<bool()> &cancelled, int minMs = 1000, int maxMs = 30000);
