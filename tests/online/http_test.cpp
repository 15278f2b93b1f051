#include "core/progress.h"
#include "core/settings.h"
#include "online/hosts.h"
#include "online/http.h"
#include "online/pagehelpers.h"
#include "online/versioncheck.h"
#include "platform/codepage.h"
#include "support/localserver.h"
#include "support/testenv.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkProxy>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

class HttpTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    }
    LocalServer server;
};

// The calendar clock the time-outs count on, in the test's hands: it starts
// 0.9 s into a second and moves on by `step` ms after each reading, so a
// wait ends after as many readings whatever the machine's speed.
struct TestClock
{
    static constexpr qint64 kSecond = 1700000000000; // a whole second
    explicit TestClock(qint64 stepMs)
        : step(stepMs)
    {
        SetHttpClock([this] {
            last = now;
            now += step;
            return QDateTime::fromMSecsSinceEpoch(last);
        });
    }
    ~TestClock() { SetHttpClock(nullptr); }
    qint64 step, now = kSecond + 900, last = 0;
};

} // namespace

TEST(HttpUrl, TimeKeyJoinsExistingQueryWithAmpersand)
{
    const QTime t(9, 5, 7);
    EXPECT_EQ(AddTimeKey("http://h/a.asp", t), "http://h/a.asp?Time=09:05:07");
    EXPECT_EQ(AddTimeKey("http://h/hdx/fmt.asp?key=快递单", QTime(23, 0, 0)),
              "http://h/hdx/fmt.asp?key=快递单&Time=23:00:00");
}

TEST_F(HttpTest, MarkerFoundCutsAtLastBrAndTurnsPlusMarksIntoLineBreaks)
{
    server.handler = [](const QByteArray &) {
        return cp936::Encode(QStringLiteral("一<+>二<BR>三<br>Finished<BR>尾"));
    };
    QString reply = "old";
    EXPECT_EQ(HttpGetText(server.url("/x.asp?id=3"), reply, "Finished", 5), "");
    EXPECT_EQ(reply, QStringLiteral("一\r\n二<BR>三<br>Finished"));
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_TRUE(QRegularExpression(R"(^GET /x\.asp\?id=3&Time=\d\d:\d\d:\d\d HTTP)")
                    .match(QString::fromLatin1(server.requests[0]))
                    .hasMatch())
        << server.requests[0].constData();
}

TEST_F(HttpTest, MissingMarkerFailsFiveTimesAndKeepsTheWholeReply)
{
    server.handler = [](const QByteArray &) { return QByteArray("a<+>b<BR>c"); };
    QString reply;
    const QString saved = path("saved.txt");
    EXPECT_EQ(HttpGetRetry(server.url("/v"), reply, "</title>", 5, saved),
              QStringLiteral("网络错误！"));
    EXPECT_EQ(server.requests.size(), 5);
    EXPECT_EQ(reply, "a<+>b<BR>c");
    EXPECT_EQ(ReadBytes(saved), "a<+>b<BR>c");
    EXPECT_TRUE(server.requests[0].startsWith("GET /v?Time="));
}

TEST_F(HttpTest, TimeOutZeroStillWaitsWithinTheCurrentSecond)
{
    // The deadline is on the calendar clock in whole seconds: a time-out of
    // 0 lasts to the end of the second the request was sent in. While the
    // clock stands, an answer that takes 200 ms still comes in time.
    {
        TestClock clock(0);
        server.handler = [](const QByteArray &) { return QByteArray("ok Finished"); };
        server.delayMs = 200;
        QString reply;
        EXPECT_EQ(HttpGetText(server.url("/slow"), reply, "Finished", 0), "");
        EXPECT_EQ(reply, "ok Finished");
    }
    // A server that never answers: the wait ends once the clock is past the
    // second, not a second later.
    TestClock clock(200);
    server.handler = [](const QByteArray &) { return QByteArray(); };
    QString reply;
    EXPECT_EQ(HttpGetText(server.url("/never"), reply, "Finished", 0),
              QStringLiteral("网络错误！"));
    EXPECT_GE(clock.last, TestClock::kSecond + 1000);
    EXPECT_LT(clock.last, TestClock::kSecond + 1200);
}

TEST_F(HttpTest, RetryStopsAtFirstSuccess)
{
    int n = 0;
    server.handler = [&n](const QByteArray &) {
        return ++n < 3 ? QByteArray("busy") : QByteArray("ok Finished");
    };
    QString reply;
    EXPECT_EQ(HttpGetRetry(server.url("/v"), reply, "Finished", 5), "");
    EXPECT_EQ(server.requests.size(), 3);
    EXPECT_EQ(reply, "ok Finished");
}

TEST_F(HttpTest, SilentServerTimesOutAndReplyKeepsItsValue)
{
    server.handler = [](const QByteArray &) { return QByteArray(); };
    QString reply = "entry";
    {
        // A time-out of one second started 0.9 s into a second: to the end
        // of the next one.
        TestClock clock(200);
        EXPECT_EQ(HttpGetText(server.url("/slow"), reply, "x", 1), QStringLiteral("网络错误！"));
        EXPECT_GE(clock.last, TestClock::kSecond + 2000);
        EXPECT_LT(clock.last, TestClock::kSecond + 2200);
        EXPECT_EQ(reply, "entry");
    }
    // Five attempts, each to the end of the second it started in.
    TestClock clock(200);
    EXPECT_EQ(HttpGetRetry(server.url("/slow"), reply, "x", 0), QStringLiteral("网络错误！"));
    EXPECT_GE(clock.last, TestClock::kSecond + 5000);
    EXPECT_LT(clock.last, TestClock::kSecond + 5200);
    EXPECT_EQ(reply, "entry");
}

TEST_F(HttpTest, DownloadWritesBodyByteForByteAndClosesTheProgressWindow)
{
    QByteArray body;
    for (int i = 0; i < 70000; ++i)
        body.append(char(i * 7));
    server.handler = [&body](const QByteArray &) { return body; };
    const QString target = path("pic.jpg");
    ASSERT_TRUE(WriteBytes(target, "old"));
    EXPECT_TRUE(HttpDownloadFile(server.url("/a/b.jpg"), target, 60));
    EXPECT_EQ(ReadBytes(target), body);
    EXPECT_FALSE(IndicatorShown());
    EXPECT_EQ(Indicator().caption, QStringLiteral("正在下载..."));
}

// A download that does not fit on the disk (a file-size limit) is a failure
// and leaves the old file; the answers are smaller and larger than a write
// buffer.
TEST_F(HttpTest, DownloadOntoAFullDiskFailsAndKeepsTheOldFile)
{
    for (const int size : {6000, 70000}) {
        server.handler = [size](const QByteArray &) { return QByteArray(size, 'n'); };
        const QString target = path("fmt.wlq");
        ASSERT_TRUE(WriteBytes(target, "old"));
        const QStringList files = FilesIn(dataDir());
        bool ok = true;
        {
            FullDiskScope full(4096);
            ok = HttpDownloadFile(server.url("/f.wlq"), target, 60, true);
        }
        EXPECT_FALSE(ok) << size;
        EXPECT_EQ(ReadBytes(target), "old") << size;
        EXPECT_EQ(FilesIn(dataDir()), files) << size;
    }
}

TEST_F(HttpTest, ClosingTheProgressWindowCancelsTheDownload)
{
    server.handler = [](const QByteArray &) { return QByteArray(); };
    const QString target = path("keep.wlq");
    ASSERT_TRUE(WriteBytes(target, "keep me"));
    QTimer::singleShot(300, [] { StopLongWork(); });
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(HttpDownloadFile(server.url("/never"), target, 60));
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_EQ(ReadBytes(target), "keep me");
    EXPECT_FALSE(IndicatorShown());
}

TEST_F(HttpTest, VersionPageNumberIsReadAfterFirstParenthesisOfTitle)
{
    EXPECT_EQ(VersionFromPage("<html><title>快递单(3.05)(9)</title>"), 3.05);
    EXPECT_EQ(VersionFromPage("<title>x</title>"), 0);
    EXPECT_EQ(VersionFromPage("before(1.5) <title>软件 (3.1)"), 3.1);
    EXPECT_GT(VersionFromPage("<title>(3.1)"), 3.02);
    EXPECT_LT(VersionFromPage("<title>(3.10)"), VersionFromPage("<title>(3.9)"));
    // Digits with at most one point only: no exponent, no sign, no hex.
    EXPECT_EQ(VersionFromPage("<title>(3.1E1)"), 3.1);
    EXPECT_EQ(VersionFromPage("<title>(-4)"), 0);
    EXPECT_EQ(VersionFromPage("<title>(  2.5.1)"), 2.5);
    EXPECT_EQ(VersionFromPage("<title>(&H10)"), 0);
}

TEST_F(HttpTest, VersionPageUrlFromAnyHostSetting)
{
    const QString page = "/wolisoft/downpage/Pro.asp?ID=51";
    const std::pair<const char *, QString> cases[] = {
        {"example.org", "http://example.org:8080" + page},
        {" example.org:81/ ", "http://example.org:81" + page},
        {"example.org/sub/", "http://example.org:8080/sub" + page},
        {"https://example.org:9/a/b", "https://example.org:9/a/b" + page},
        {"::1", "http://[::1]:8080" + page},
        {"[fe80::2]", "http://[fe80::2]:8080" + page},
        {"[::1]:81/x", "http://[::1]:81/x" + page},
        {"   ", ""},
    };
    for (const auto &[host, url] : cases)
        EXPECT_EQ(hosts::Origin(QString::fromUtf8(host), "http", 8080).isEmpty()
                      ? QString()
                      : hosts::Origin(QString::fromUtf8(host), "http", 8080) + page,
                  url)
            << host;
    SaveRegSetting("PQT_V", "Para", "ServerHost", "[::1]:81/x/");
    EXPECT_EQ(VersionPageUrl(51), "http://[::1]:81/x" + page);
    EXPECT_EQ(hosts::HelpPageUrl(23), "http://[::1]:81/x/Help/QA.asp?id=23");
}

TEST_F(HttpTest, VersionCheckWithoutHostDoesNothing)
{
    bool end = true;
    EXPECT_EQ(CheckNewVersion(51, "3.02", &end), "");
    EXPECT_FALSE(end);
    EXPECT_TRUE(server.requests.isEmpty());
    EXPECT_TRUE(dlg.shown().empty());
    EXPECT_EQ(VersionPageUrl(51), "");
    EXPECT_EQ(hosts::HelpPageUrl(23), "");
    SaveRegSetting("PQT_V", "Para", "ServerHost", "example.org");
    EXPECT_EQ(VersionPageUrl(51), "http://example.org:8080/wolisoft/downpage/Pro.asp?ID=51");
}

TEST_F(HttpTest, OlderOrEqualServerVersionStartsNothing)
{
    SaveRegSetting("PQT_V", "Para", "ServerHost",
                   QStringLiteral("127.0.0.1:%1").arg(server.port()));
    QByteArray page = "<html><head><title>Waybill (2.9)</title></head></html>";
    server.handler = [&page](const QByteArray &) { return page; };
    bool end = true;
    EXPECT_EQ(CheckNewVersion(51, "3.02", &end), "2.9");
    EXPECT_FALSE(end);
    EXPECT_TRUE(dlg.shown().empty());
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_TRUE(server.requests[0].startsWith("GET /wolisoft/downpage/Pro.asp?ID=51&Time="));

    page = "<title>Waybill (3.02)</title>";
    EXPECT_EQ(CheckNewVersion(51, "3.02", &end), "3.02");
    EXPECT_FALSE(end);
    // An own version without a number disables the check.
    EXPECT_EQ(CheckNewVersion(51, "v3", &end), "");
    EXPECT_TRUE(dlg.shown().empty());
}

// Both cases in one test: the updater is a file beside the test program, so
// the two must not run at the same time.
TEST_F(HttpTest, NewerVersionWithAndWithoutUpdater)
{
    {
        ASSERT_FALSE(QFile::exists(QCoreApplication::applicationDirPath() + "/update"));
        ASSERT_FALSE(QFile::exists(QCoreApplication::applicationDirPath() + "/update.exe"));
        SaveRegSetting("PQT_V", "Para", "ServerHost",
                       QStringLiteral("127.0.0.1:%1").arg(server.port()));
        server.handler
            = [](const QByteArray &) { return QByteArray("<title>Waybill (3.1)</title>"); };
        bool end = true;
        EXPECT_EQ(CheckNewVersion(51, "3.02", &end), "3.1");
        EXPECT_FALSE(end);
        ASSERT_EQ(dlg.messages().size(), 1);
        EXPECT_TRUE(dlg.messages()[0].contains("3.1"));
    }
    dlg.Clear();
    const QString updater = QCoreApplication::applicationDirPath() + "/update";
    const QString argsFile = path("updater-args");
    ASSERT_TRUE(WriteBytes(updater,
                           "#!/bin/sh\nprintf '%s' \"$1\" > \"$WAYBILL_DATA_DIR/updater-args\"\n"));
    QFile::setPermissions(updater, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    SaveRegSetting("PQT_V", "Para", "ServerHost",
                   QStringLiteral("127.0.0.1:%1").arg(server.port()));
    server.handler = [](const QByteArray &) { return QByteArray("<title>Waybill (3.05)</title>"); };
    bool end = false;
    EXPECT_EQ(CheckNewVersion(51, "3.02", &end), "");
    EXPECT_TRUE(end);
    EXPECT_EQ(dlg.messages(), QStringList {QStringLiteral("本软件已升级，启动自动升级...")});
    QElapsedTimer t;
    t.start();
    while (ReadBytes(argsFile).isEmpty() && t.elapsed() < 5000)
        QCoreApplication::processEvents();
    QFile::remove(updater);
    EXPECT_EQ(ReadBytes(argsFile), "WL05.rar|test_online");
}

TEST_F(HttpTest, ErrorStatusIsAFailedAttemptForEveryCaller)
{
    // Error pages whose bodies look like answers: a version, an address, the
    // catalogue's end marker.
    const std::pair<int, QByteArray> pages[] = {
        {404, "404"},
        {500, cp936::Encode(QStringLiteral("<body>服务器错误</body></html>Finished"))},
        {404, "<html><title>Waybill (9.9)</title></html>"},
        {503, "({\"address\":{\r\n\"a\":\"1\",\r\n}\r\n})Finished"},
    };
    SaveRegSetting("PQT_V", "Para", "ServerHost", server.origin());
    SaveRegSetting("PQT_V", "Para", "TaobaoTradeHost", server.origin());
    const QString saved = path("saved.txt");
    for (const auto &[code, body] : pages) {
        server.fullHandler = [code = code, body = body](const QByteArray &, const QByteArray &,
                                                          QByteArray &, int &status) {
            status = code;
            return body;
        };
        server.requests.clear();
        ASSERT_TRUE(WriteBytes(saved, "old"));
        QString reply = "kept";
        bool got = true;
        EXPECT_EQ(HttpGetText(server.url("/v"), reply, "Finished", 5, saved, &got),
                  QStringLiteral("网络错误！"));
        EXPECT_FALSE(got);
        EXPECT_EQ(HttpGetRetry(server.url("/v"), reply, "</title>", 5, saved),
                  QStringLiteral("网络错误！"));
        EXPECT_FALSE(HttpGetAnswer(server.url("/v"), reply, "Finished", 5));
        EXPECT_EQ(server.requests.size(), 11) << code; // one, then five and five attempts
        EXPECT_EQ(reply, "kept") << code;
        EXPECT_FALSE(HttpDownloadFile(server.url("/p.jpg"), saved, 5));
        EXPECT_FALSE(HttpDownloadFile(server.url("/p.jpg"), saved, 5, true));
        EXPECT_EQ(ReadBytes(saved), "old") << code;

        bool end = true;
        EXPECT_EQ(CheckNewVersion(51, "3.02", &end), "") << code;
        EXPECT_FALSE(end);
        EXPECT_TRUE(GetOrderAddress("1234").isEmpty()) << code;
        EXPECT_TRUE(dlg.shown().empty()) << code;
    }
}
