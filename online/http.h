#pragma once
// The program's HTTP client: GET requests that wait on the user-interface
// thread while the event loop keeps running. Every request carries the query
// key "Time" with the time of day, so no cache answers in the server's place.

#include <QDateTime>
#include <QString>
#include <QTime>
#include <functional>

// The failure status of HttpGetText and HttpGetRetry ("" means success).
inline constexpr const char *kNetworkError = "网络错误！";

// The url with "Time=hh:mm:ss" appended after "&" (when it already has a
// "?") or "?".
QString AddTimeKey(const QString &url, const QTime &now = QTime::currentTime());

// The answer's body as HttpGetText reads it: decoded as code page 936; when
// it holds the marker, cut before its last "<BR>" with every "<+>" made CR LF.
// True when the marker was found.
bool CutReply(const QByteArray &body, const QString &marker, QString &reply);

// Fetches the url. When an answer arrives (a 2xx HTTP status) the reply is
// set to its body read as code page 936, and the undecoded body replaces the
// file at savePath when one is given. When the reply holds the marker the
// status is "", the reply is cut before its last "<BR>" and every "<+>"
// becomes CR LF; otherwise the status is "网络错误！" and the reply stays
// whole. Any other status (an error page), like a time-out, is a failed
// attempt: "网络错误！", the reply keeps what it held and nothing is saved.
// Time-outs count whole seconds of the calendar clock: 0 still waits to the
// end of the current second. answered (when given) tells whether an answer
// arrived.
QString HttpGetText(const QString &url, QString &reply, const QString &marker,
                    qint32 timeoutSeconds, const QString &savePath = QString(),
                    bool *answered = nullptr);
// The calendar clock the time-outs count on; nullptr (at the start) is the
// system's. For tests, which set it and put it back.
void SetHttpClock(std::function<QDateTime()> now);
// HttpGetText up to five times, until one succeeds; the last status.
QString HttpGetRetry(const QString &url, QString &reply, const QString &marker,
                     qint32 timeoutSeconds, const QString &savePath = QString());
// HttpGetText up to five times, until one attempt received an answer (for
// services whose answers never hold a marker); true when one did.
bool HttpGetAnswer(const QString &url, QString &reply, const QString &marker,
                   qint32 timeoutSeconds);
// Saves the body at the url into the target file while the progress window
// ("正在下载...") is shown; closing that window cancels. True when a 2xx
// answer arrived; on an error status, time-out or cancel false and the
// target is not touched. With writeMustSucceed a failed write of the answer is a
// failure too. Answers are written through platform/safefile: a write that
// fails (a full disk) leaves the old file.
bool HttpDownloadFile(const QString &url, const QString &targetPath, qint32 timeoutSeconds,
                      bool writeMustSucceed = false);

// The cookies every request sends: the embedded browser's login cookies for
// the marketplace hosts are copied in here.
class QNetworkCookieJar;
QNetworkCookieJar &HttpCookieJar();
