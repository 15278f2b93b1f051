#include "online/pagehelpers.h"

#include "core/helpers.h"
#include "online/hosts.h"
#include "online/http.h"
#include "platform/numtext.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Bare LF (as most servers send) counts as a line end too.
QString withCrLf(const QString &text)
{
    QString s = text;
    s.replace(kCrLf, QStringLiteral("\n"));
    s.replace(u'\r', u'\n');
    s.replace(QStringLiteral("\n"), kCrLf);
    return s;
}

} // namespace

QStringList ParseAddressReply(const QString &reply)
{
    if (reply.isEmpty())
        return {};
    QString s = withCrLf(reply);
    // Each cut keeps the text unchanged when its marker is missing.
    if (s.contains(QLatin1String("address")))
        CutToken(s, QStringLiteral("address"), true);
    if (s.contains(kCrLf))
        CutToken(s, kCrLf, true);
    CutToken(s, QStringLiteral("})"), false);
    CutToken(s, QStringLiteral("}"), false);
    CutToken(s, kCrLf, false);

    QStringList values;
    const QStringList lines = s.split(kCrLf);
    for (QString line : lines) {
        CutToken(line, QStringLiteral(":\""), true);
        CutToken(line, QStringLiteral("\""), false);
        values << line;
    }
    return values;
}

QStringList GetOrderAddress(const QString &orderNumber)
{
    const QString url = hosts::OrderAddressUrl(orderNumber);
    if (url.isEmpty())
        return {};
    QString reply;
    HttpGetAnswer(url, reply, QStringLiteral("Finished"), 60);
    return ParseAddressReply(reply);
}

QString GetPageHtml(BrowserDocument *browser)
{
    if (!browser)
        return {};
    return browser->BodyHtml().value_or(QString());
}

QString FindLink(BrowserDocument *browser, const QString &text, bool click, const QString &tag)
{
    if (text.isEmpty() || !browser)
        return {};
    const auto elements = browser->Elements(tag);
    if (!elements)
        return {};
    for (size_t i = 0; i < elements->size(); ++i) {
        const PageElement &e = (*elements)[i];
        if (e.tagName.compare(tag, Qt::CaseInsensitive) != 0 || e.innerHtml != text)
            continue;
        if (e.outerHtml.contains(QLatin1String("disabled")))
            return {};
        if (click)
            browser->Click(tag, int(i), text);
        return e.href;
    }
    return {};
}

QString SellerNickFromPage(const QString &html)
{
    QString s = html;
    if (!s.contains(QLatin1String("user-nick")))
        return {};
    s = CutToken(s, QStringLiteral("user-nick"), false);
    CutToken(s, QStringLiteral(">"), true);
    const qsizetype lt = s.indexOf(u'<');
    return num::Trim(lt < 0 ? s : s.left(lt));
}

bool WaitForNextPage(BrowserDocument &browser, int loadsBefore, const QString &tableBefore,
                     const std::function<bool()> &cancelled, int minMs, int maxMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QEventLoop loop;
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
        loop.exec();
        if (cancelled && cancelled())
            return false;
        if (clock.elapsed() >= maxMs)
            return true;
        if (clock.elapsed() < minMs)
            continue;
        if (browser.LoadsFinished() > loadsBefore)
            return true;
        const auto table = browser.ElementInnerHtml(QStringLiteral("J_ListTable"));
        if (table && !table->isEmpty() && *table != tableBefore)
            return true;
    }
}
