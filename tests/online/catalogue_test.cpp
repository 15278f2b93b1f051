#include "core/database.h"
#include "core/formathost.h"
#include "core/progress.h"
#include "core/settings.h"
#include "online/catalogue.h"
#include "platform/codepage.h"
#include "support/localserver.h"
#include "support/testenv.h"

#include <QFileInfo>
#include <QTimer>
#include <QNetworkProxy>

namespace {

QByteArray formatFile(const QString &name)
{
    const QString sep = QStringLiteral("】★【");
    QStringList row = {"5",    "0",  "收件人", "0",     "10",    "10",    "40", "8", "0", "0", "0",
                       "宋体", "10", "False",  "False", "False", "False", "0",  "0", "",  "0", "0"};
    return cp936::Encode(QStringLiteral("<沃栎岚印坊格式专用>\r\n") + name + "\r\n"
                         + row.join(sep));
}

class CatalogueTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        SaveRegSetting("PQT_V", "Para", "ServerHost", server.origin());
        server.fullHandler
            = [this](const QByteArray &line, const QByteArray &, QByteArray &, int &status) {
                  const QByteArray path = line.mid(4, line.indexOf('?') - 4);
                  if (path == "/hdx/fmt.asp")
                      return cp936::Encode(catalogueReply);
                  if (files.contains(path))
                      return files.value(path);
                  status = 404;
                  return QByteArray("not found");
              };
    }
    int requestsFor(const QByteArray &path) const
    {
        int n = 0;
        for (const QByteArray &r : server.requests)
            n += r.startsWith("GET " + path + "?") ? 1 : 0;
        return n;
    }
    LocalServer server;
    QString catalogueReply;
    QHash<QByteArray, QByteArray> files;
};

} // namespace

TEST(CatalogueParse, RecordsFieldsAndMarker)
{
    const auto e = catalogue::ParseCatalogue(
        "快递|顺丰|/f/a.wlq|/p/a.jpg|2026-1-5<br><br>四|字|段|x<br>六|个|字|段|a|b<br>"
        "邮政|EMS|/f/b.wlq|/p/b.jpg|不是日期<br>甲|乙|/f|/p|2026-02-03<br>Finished");
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0], (CatalogueEntry {"快递", "顺丰", "/f/a.wlq", "/p/a.jpg", "2026-01-05"}));
    EXPECT_EQ(e[1].date, "不是日期");
    EXPECT_EQ(e[2].name, "乙"); // the piece after the last <br> is the marker
    EXPECT_TRUE(catalogue::ParseCatalogue("a|b|c|d|e").empty());
}

TEST_F(CatalogueTest, PathsStayOnTheMakersServerAndInTemp)
{
    EXPECT_EQ(catalogue::ResolvePath("/p/a.jpg"), server.origin() + "/p/a.jpg");
    for (const char *bad : {"p/a.jpg", "http://evil/a.jpg", "//evil/a.jpg", ""})
        EXPECT_EQ(catalogue::ResolvePath(bad), "") << bad;
    EXPECT_EQ(catalogue::FileNameOf("/p/a.jpg"), "a.jpg");
    for (const char *bad : {"/p/", "/p/.", "/p/..", "/p/a\\..\\b", ""})
        EXPECT_EQ(catalogue::FileNameOf(bad), "") << bad;
    EXPECT_EQ(catalogue::SafeBaseName("圆通/申通:ab"), "圆通4申通6ab");
}

TEST_F(CatalogueTest, DownloadStoresRecordsAndKeepsThemOnFailure)
{
    catalogueReply = "邮政|EMS|/f/b.wlq|/p/b.jpg|2026-1-1<br>快递|顺丰|/f/a.wlq|/p/a.jpg|2026-1-5"
                     "<br>坏|记录<br>Finished";
    ASSERT_TRUE(catalogue::DownWebFmt());
    GridModel grid;
    catalogue::LoadWebFmtList(grid);
    ASSERT_EQ(grid.dataRows(), 2);
    EXPECT_EQ(grid.fixedCols(), 4);
    EXPECT_EQ(grid.text(2, catalogue::ColName), "顺丰"); // ordered by category, name
    EXPECT_EQ(grid.text(2, catalogue::ColFile), "/f/a.wlq");
    EXPECT_EQ(grid.text(3, 5), "邮政");
    EXPECT_EQ(grid.text(3, catalogue::ColNumber), "2");

    catalogueReply = "no marker";
    EXPECT_FALSE(catalogue::DownWebFmt());
    EXPECT_EQ(requestsFor("/hdx/fmt.asp"), 6); // one, then five failing attempts
    catalogue::LoadWebFmtList(grid);
    EXPECT_EQ(grid.dataRows(), 2);

    // A server error page that holds the end marker is no catalogue either.
    server.fullHandler = [](const QByteArray &, const QByteArray &, QByteArray &, int &status) {
        status = 500;
        return QByteArray("Internal error<br>Finished");
    };
    EXPECT_FALSE(catalogue::DownWebFmt());
    catalogue::LoadWebFmtList(grid);
    EXPECT_EQ(grid.dataRows(), 2);
}

TEST_F(CatalogueTest, PreviewIsFetchedOnceAndErrorPagesAreNotKept)
{
    files["/p/a.jpg"] = "JPEGDATA";
    const QString cache = catalogue::FetchPreview("/p/a.jpg");
    EXPECT_EQ(ReadBytes(cache), "JPEGDATA");
    EXPECT_EQ(QFileInfo(cache).dir().dirName(), "Temp");
    EXPECT_EQ(catalogue::FetchPreview("/p/a.jpg"), cache);
    EXPECT_EQ(requestsFor("/p/a.jpg"), 1);

    EXPECT_EQ(catalogue::FetchPreview("/p/missing.jpg"), ""); // a 404 page is no picture
    EXPECT_FALSE(QFileInfo::exists(catalogue::TempPath("missing.jpg")));
    EXPECT_EQ(catalogue::FetchPreview("/p/.."), "");
    EXPECT_EQ(requestsFor("/p/.."), 0);
}

TEST_F(CatalogueTest, ImportDownloadsUnderTheSafeNameAndImports)
{
    files["/f/x.wlq"] = formatFile("ignored");
    files["/p/x.jpg"] = "JPEG";
    FormatHostState host;
    // Answers "open it now" and notes whether a progress window was up.
    struct Watching : ScriptedDialogs
    {
        QList<bool> shownAtQuestion;
        bool AskYesNo(const QString &, const QString &) override
        {
            shownAtQuestion << IndicatorShown();
            return true;
        }
    } watching;
    setDialogs(&watching);
    const bool imported = catalogue::DownInputFmt(host, "申通/圆通", "/f/x.wlq", "/p/x.jpg");
    setDialogs(&dlg);
    ASSERT_TRUE(imported);
    EXPECT_EQ(host.selectedFormat, "申通4圆通");
    EXPECT_EQ(ReadBytes(catalogue::TempPath("申通4圆通.jpg")), "JPEG");
    EXPECT_TRUE(QFileInfo::exists(catalogue::TempPath("申通4圆通.wlq")));
    const auto rs = db::OpenRecordset("SELECT LBL FROM Fmt WHERE Fmt=?", {"申通4圆通"});
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->size(), 1);

    // The progress window is gone when the import asks to open the format.
    EXPECT_EQ(watching.shownAtQuestion, QList<bool>({false}));

    // A format file that is not there is reported, nothing is imported and
    // the picture that came leaves nothing behind in Temp.
    dlg.Clear();
    files["/p/y.jpg"] = "JPEG";
    EXPECT_FALSE(catalogue::DownInputFmt(host, "缺", "/f/none.wlq", "/p/y.jpg"));
    EXPECT_EQ(dlg.messages(), QStringList({"格式文件下载失败！"}));
    EXPECT_EQ(requestsFor("/p/y.jpg"), 1);
    EXPECT_FALSE(QFileInfo::exists(catalogue::TempPath("缺.jpg")));
    EXPECT_FALSE(QFileInfo::exists(catalogue::TempPath("缺.wlq")));

    // A stop while the picture downloads stops the format's download as a
    // whole: the format file is not fetched, nothing is imported, and the
    // one message says so.
    dlg.Clear();
    files["/p/slow.jpg"] = QByteArray(); // never answered
    files["/f/z.wlq"] = formatFile("ignored");
    QTimer::singleShot(200, [] { StopLongWork(); });
    EXPECT_FALSE(catalogue::DownInputFmt(host, "停", "/f/z.wlq", "/p/slow.jpg"));
    EXPECT_EQ(requestsFor("/f/z.wlq"), 0);
    EXPECT_EQ(dlg.messages(), QStringList({"格式“停”的下载已停止：格式文件未下载，格式未导入。"}));
}
