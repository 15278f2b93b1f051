#include "online/http.h"

#include "core/progress.h"
#include "platform/codepage.h"
#include "platform/safefile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>

namespace {

QNetworkAccessManager &manager()
{
    static QNetworkAccessManager *nam = [] {
        auto *m = new QNetworkAccessManager(QCoreApplication::instance());
        m->setCookieJar(new QNetworkCookieJar(m));
        return m;
    }();
    return *nam;
}

struct ReplyDeleter
{
    void operator()(QNetworkReply *r) const
    {
        if (!r)
            return;
        r->disconnect();
        if (!r->isFinished())
            r->abort();
        r->deleteLater();
    }
};
using ReplyPtr = std::unique_ptr<QNetworkReply, ReplyDeleter>;

ReplyPtr sendGet(const QString &url)
{
    QNetworkRequest req(QUrl(AddTimeKey(url), QUrl::TolerantMode));
    req.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/xml"));
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    return ReplyPtr(manager().get(req));
}

enum class WaitResult { Finished, TimedOut, Cancelled };

std::function<QDateTime()> g_clock;

qint64 nowMs()
{
    return g_clock ? g_clock().toMSecsSinceEpoch() : QDateTime::currentMSecsSinceEpoch();
}

// Waits for the reply while the event loop runs, in short slices so that the
// deadline and the cancel test are checked often without spinning. The
// deadline is on the calendar clock in whole seconds (the start second plus
// the time-out): the wait ends once the clock is past it, so a time-out of 0
// still waits for the rest of the current second.
WaitResult waitFor(QNetworkReply *reply, qint32 timeoutSeconds,
                   const std::function<bool()> &cancelled)
{
    const qint64 endMs = (nowMs() / 1000 + qMax(timeoutSeconds, 0) + 1) * 1000;
    for (;;) {
        const qint64 left = endMs - nowMs();
        if (left <= 0)
            return WaitResult::TimedOut;
        if (reply->isFinished())
            return WaitResult::Finished;
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(int(qBound(qint64(1), left, qint64(50))), &loop, &QEventLoop::quit);
        loop.exec();
        if (reply->isFinished())
            return WaitResult::Finished;
        if (cancelled && cancelled())
            return WaitResult::Cancelled;
    }
}

// True when the server answered with success: no network error and, for
// HTTP, a 2xx status. An error page (404, 500 ...) is a failed attempt
// whatever its body holds; it is never read as an answer.
bool answered(QNetworkReply *reply)
{
    if (reply->error() != QNetworkReply::NoError)
        return false;
    const QVariant code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return !code.isValid() || (code.toInt() >= 200 && code.toInt() < 300);
}

} // namespace

void SetHttpClock(std::function<QDateTime()> now)
{
    g_clock = std::move(now);
}

QString AddTimeKey(const QString &url, const QTime &now)
{
    return url + (url.contains(u'?') ? u'&' : u'?') + QStringLiteral("Time=")
        + now.toString(QStringLiteral("HH:mm:ss"));
}

bool CutReply(const QByteArray &body, const QString &marker, QString &reply)
{
    reply = cp936::Decode(body);
    if (!reply.contains(marker))
        return false;
    const qsizetype br = reply.lastIndexOf(QLatin1String("<BR>"));
    if (br >= 0)
        reply.truncate(br);
    reply.replace(QStringLiteral("<+>"), QStringLiteral("\r\n"));
    return true;
}

QNetworkCookieJar &HttpCookieJar()
{
    return *manager().cookieJar();
}

QString HttpGetText(const QString &url, QString &reply, const QString &marker,
                    qint32 timeoutSeconds, const QString &savePath, bool *gotAnswer)
{
    QString status = QString::fromUtf8(kNetworkError);
    if (gotAnswer)
        *gotAnswer = false;
    ReplyPtr r = sendGet(url);
    if (waitFor(r.get(), timeoutSeconds, nullptr) != WaitResult::Finished || !answered(r.get()))
        return status;
    if (gotAnswer)
        *gotAnswer = true;
    const QByteArray body = r->readAll();
    if (!savePath.isEmpty())
        safefile::WriteFile(savePath, body);
    if (CutReply(body, marker, reply))
        status.clear();
    return status;
}

QString HttpGetRetry(const QString &url, QString &reply, const QString &marker,
                     qint32 timeoutSeconds, const QString &savePath)
{
    QString status;
    for (int attempt = 1; attempt <= 5; ++attempt) {
        status = HttpGetText(url, reply, marker, timeoutSeconds, savePath);
        if (status.isEmpty())
            break;
    }
    return status;
}

bool HttpGetAnswer(const QString &url, QString &reply, const QString &marker, qint32 timeoutSeconds)
{
    for (int attempt = 1; attempt <= 5; ++attempt) {
        bool got = false;
        HttpGetText(url, reply, marker, timeoutSeconds, QString(), &got);
        if (got)
            return true;
    }
    return false;
}

bool HttpDownloadFile(const QString &url, const QString &targetPath, qint32 timeoutSeconds,
                      bool writeMustSucceed)
{
    // Joins the stoppable work it runs in (a format download).
    const LongWork work(QStringLiteral("正在下载..."), 10, WorkStop::Can);
    ReplyPtr r = sendGet(url);
    const WaitResult w = waitFor(r.get(), timeoutSeconds, [&work] { return work.Stopped(); });
    if (w != WaitResult::Finished || !answered(r.get()))
        return false;
    const bool written = safefile::WriteFile(targetPath, r->readAll());
    return written || !writeMustSucceed;
}
