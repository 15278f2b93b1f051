#pragma once
// The embedded browser's page as a BrowserDocument: each read runs a small
// script in the page and waits for its answer while the event loop runs,
// with a time-out. A read while another one waits is refused (nullopt), and
// the page or this object going away during the wait ends it safely: the
// answer then arrives into a shared slot that nobody reads any more.
//
// Also: the page profile's cookies of the marketplace hosts are copied into
// the HTTP helper's cookie jar, so address requests carry the login.

#include "online/browserdocument.h"

#include <QObject>
#include <QPointer>
#include <QVariant>

class QWebEnginePage;
class QWebEngineProfile;

class WebDom : public QObject, public BrowserDocument
{
    Q_OBJECT
public:
    explicit WebDom(QWebEnginePage *page, QObject *parent = nullptr);

    // Runs the script and gives its result; nullopt on time-out, when the
    // page is gone or while another run waits.
    std::optional<QVariant> Run(const QString &script, int timeoutMs = kTimeoutMs);

    std::optional<QString> ElementInnerHtml(const QString &id) override;
    std::optional<QString> BodyHtml() override;
    std::optional<std::vector<PageElement>> Elements(const QString &tag) override;
    bool Click(const QString &tag, int n, const QString &innerHtml) override;
    int LoadsFinished() const override { return m_loads; }

    static constexpr int kTimeoutMs = 10000;

private:
    QPointer<QWebEnginePage> m_page;
    int m_loads = 0;
    bool m_waiting = false;
};

// A JavaScript string literal holding the text.
QString JsString(const QString &text);

// Why the embedded browser cannot start in this process, in Chinese; "" when
// nothing stands in its way. Chromium refuses to run as root with its
// sandbox on and ends the whole process when a browser is made, so the
// root user is caught before any browser object exists. The sandbox is
// never switched off here: the browser shows remote pages.
QString BrowserStartProblem();
inline constexpr const char *kBrowserUnderRoot
    = "内置浏览器不能在 root 用户下运行，无法打开淘宝页面。请以普通用户身份启动本程序。";
inline constexpr const char *kBrowserFailed = "内置浏览器无法启动或已意外退出，无法显示淘宝页面。";

// Keeps the HTTP helper's cookie jar in step with the profile's cookies of
// the marketplace hosts (those already stored and every later change).
void ShareMarketplaceCookies(QWebEngineProfile *profile);
