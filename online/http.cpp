#include "online/http.h"

#include "core/progress.h"
#include "platform/codepage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
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

// Waits for the reply while the event loop runs, in short slices so that the
// deadline and the cancel test are checked often without spinning.
WaitResult waitFor(QNetworkReply *reply, qint32 timeoutSeconds,
                   const std::function<bool()> &cancelled)
{
    QElapsedTimer clock;
    clock.start();
    const qint64 limitMs = qint64(qMax(timeoutSeconds, 0)) * 1000;
    for (;;) {
        if (clock.elapsed() > limitMs)
            return WaitResult::TimedOut;
        if (reply->isFinished())
            return WaitResult::Finished;
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(int(qBound(qint64(1), limitMs - clock.elapsed() + 1, qint64(50))), &loop,
                           &QEventLoop::quit);
        loop.exec();
        if (reply->isFinished())
            return WaitResult::Finished;
        if (cancelled && cancelled())
            return WaitResult::Cancelled;
    }
}

// True when a server answered, whatever its HTTP status; false when the
// connection failed and nothing came back.
bool answered(QNetworkReply *reply)
{
    return reply->error() == QNetworkReply::NoError
        || reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        f.commit();
        return false;
    }
    return f.commit();
}

} // namespace

QString AddTimeKey(const QString &url, const QTime &now)
{
    return url + (url.contains(u'?') ? u'&' : u'?') + QStringLiteral("Time=")
        + now.toString(QStringLiteral("HH:mm:ss"));
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
    reply = cp936::Decode(body);
    if (!savePath.isEmpty())
        writeBytes(savePath, body);
    if (reply.contains(marker)) {
        status.clear();
        const qsizetype br = reply.lastIndexOf(QLatin1String("<BR>"));
        if (br >= 0)
            reply.truncate(br);
        reply.replace(QStringLiteral("<+>"), QStringLiteral("\r\n"));
    }
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
                      bool successOnly)
{
    qint32 start = 0;
    ShowIndicator(QStringLiteral("正在下载..."), 10, start);
    bool ok = false;
    {
        ReplyPtr r = sendGet(url);
        const WaitResult w = waitFor(r.get(), timeoutSeconds, [] { return !IndicatorShown(); });
        if (w == WaitResult::Finished && answered(r.get())) {
            const int code = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (!successOnly) {
                ok = true;
                writeBytes(targetPath, r->readAll());
            } else if (code >= 200 && code < 300)
                ok = writeBytes(targetPath, r->readAll());
        }
    }
    CloseIndicator();
    return ok;
}
