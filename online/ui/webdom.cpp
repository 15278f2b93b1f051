#include "online/ui/webdom.h"

#include "online/hosts.h"
#include "online/http.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QTimer>
#include <QCoreApplication>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <unistd.h>
#include <memory>

QString JsString(const QString &text)
{
    const QByteArray json = QJsonDocument(QJsonArray {text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

WebDom::WebDom(QWebEnginePage *page, QObject *parent)
    : QObject(parent)
    , m_page(page)
{
    if (page)
        connect(page, &QWebEnginePage::loadFinished, this, [this] { ++m_loads; });
}

std::optional<QVariant> WebDom::Run(const QString &script, int timeoutMs)
{
    if (m_waiting || !m_page)
        return std::nullopt;
    struct Slot
    {
        bool done = false;
        QVariant value;
        QPointer<QEventLoop> loop;
    };
    auto slot = std::make_shared<Slot>();
    QEventLoop loop;
    slot->loop = &loop;
    QPointer<WebDom> self(this);
    m_waiting = true;
    m_page->runJavaScript(script, [slot](const QVariant &v) {
        slot->done = true;
        slot->value = v;
        if (slot->loop)
            slot->loop->quit();
    });
    if (!slot->done) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        connect(m_page, &QObject::destroyed, &loop, &QEventLoop::quit);
        connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    slot->loop = nullptr;
    if (!self)
        return std::nullopt;
    m_waiting = false;
    if (!slot->done || !m_page)
        return std::nullopt;
    return slot->value;
}

std::optional<QString> WebDom::ElementInnerHtml(const QString &id)
{
    const auto v = Run(QStringLiteral("(function(){var e=document.getElementById(%1);"
                                      "return e?String(e.innerHTML):'';})()")
                           .arg(JsString(id)));
    if (!v)
        return std::nullopt;
    return v->toString();
}

std::optional<QString> WebDom::BodyHtml()
{
    const auto v = Run(QStringLiteral("document.body?String(document.body.innerHTML):''"));
    if (!v)
        return std::nullopt;
    return v->toString();
}

std::optional<std::vector<PageElement>> WebDom::Elements(const QString &tag)
{
    // One answer as JSON text: the same elements, in the same order, as
    // Click counts them.
    const auto v = Run(QStringLiteral("JSON.stringify(Array.prototype.map.call("
                                      "document.getElementsByTagName(%1),function(e){"
                                      "return [String(e.tagName),String(e.innerHTML),"
                                      "String(e.outerHTML),e.href?String(e.href):''];}))")
                           .arg(JsString(tag)));
    if (!v)
        return std::nullopt;
    const QJsonArray list = QJsonDocument::fromJson(v->toString().toUtf8()).array();
    std::vector<PageElement> out;
    out.reserve(size_t(list.size()));
    for (const auto &item : list) {
        const QJsonArray e = item.toArray();
        out.push_back(
            {e.at(0).toString(), e.at(1).toString(), e.at(2).toString(), e.at(3).toString()});
    }
    return out;
}

bool WebDom::Click(const QString &tag, int n, const QString &innerHtml)
{
    const auto v = Run(QStringLiteral("(function(){var e=document.getElementsByTagName(%1)[%2];"
                                      "if(!e||e.innerHTML!==%3)return false;e.click();"
                                      "return true;})()")
                           .arg(JsString(tag))
                           .arg(n)
                           .arg(JsString(innerHtml)));
    return v && v->toBool();
}

namespace {

// A host-only cookie may come without a domain: it then belongs to no
// marketplace host we could name, and is not shared.
bool shared(const QNetworkCookie &c)
{
    return hosts::IsMarketplaceDomain(c.domain());
}

} // namespace

QString BrowserStartProblem()
{
    if (geteuid() != 0)
        return {};
    // The switches by which a user or a test run may have turned the
    // sandbox off; only then does Chromium start under root.
    const bool sandboxOff = qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")
        || qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(QLatin1String("--no-sandbox"))
        || QCoreApplication::arguments().contains(QLatin1String("--no-sandbox"));
    return sandboxOff ? QString() : QString::fromUtf8(kBrowserUnderRoot);
}

void ShareMarketplaceCookies(QWebEngineProfile *profile)
{
    if (!profile)
        return;
    QWebEngineCookieStore *store = profile->cookieStore();
    if (store->property("pqtShared").toBool())
        return;
    store->setProperty("pqtShared", true);
    QObject::connect(store, &QWebEngineCookieStore::cookieAdded, store,
                     [](const QNetworkCookie &c) {
                         if (shared(c))
                             HttpCookieJar().insertCookie(c);
                     });
    QObject::connect(store, &QWebEngineCookieStore::cookieRemoved, store,
                     [](const QNetworkCookie &c) {
                         if (shared(c))
                             HttpCookieJar().deleteCookie(c);
                     });
    store->loadAllCookies();
}
