#include "online/catalogue.h"

#include "core/apppaths.h"
#include "core/database.h"
#include "core/exchangefile.h"
#include "core/formatstore.h"
#include "core/gridhelpers.h"
#include "core/helpers.h"
#include "core/progress.h"
#include "online/hosts.h"
#include "online/http.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"
#include "records/valueconversion.h"

#include <QDir>
#include <QFileInfo>

namespace catalogue {

QString CatalogueUrl()
{
    const QString host = hosts::MakerServerAddress();
    return host.isEmpty() ? QString() : host + QStringLiteral("/hdx/fmt.asp?key=快递单");
}

std::vector<CatalogueEntry> ParseCatalogue(const QString &reply)
{
    std::vector<CatalogueEntry> out;
    const QStringList pieces = reply.split(QStringLiteral("<br>"));
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        const QString &piece = pieces.at(i);
        if (piece.isEmpty())
            continue;
        const QStringList f = piece.split(u'|');
        if (f.size() != 5)
            continue;
        const QDateTime d = conv::ReadDate(num::Trim(f.at(4)));
        out.push_back({f.at(0), f.at(1), f.at(2), f.at(3),
                       d.isValid() ? conv::GeneralDateTime(d) : num::Trim(f.at(4))});
    }
    return out;
}

QString ResolvePath(const QString &path)
{
    // "//host/..." would name another server.
    if (!path.startsWith(u'/') || path.startsWith(QLatin1String("//")))
        return {};
    const QString host = hosts::MakerServerAddress();
    return host.isEmpty() ? QString() : host + path;
}

QString FileNameOf(const QString &path)
{
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(u'\\'))
        return {};
    return name;
}

QString TempPath(const QString &fileName)
{
    EnsureAppSubDir(QStringLiteral("Temp"));
    return paths::DataPath(QStringLiteral("Temp")) + u'/' + fileName;
}

QString SafeBaseName(const QString &formatName)
{
    QString file = QFileInfo(GetBackgroundPicturePath(formatName)).fileName();
    file.chop(4); // ".jpg"
    return file;
}

void LoadWebFmtList(GridModel &grid)
{
    SetGridColumns(grid,
                   {QStringLiteral("ID"), QStringLiteral("fPath"), QStringLiteral("pPath"),
                    QString(), QString(), QStringLiteral("Clas"), QStringLiteral("Name"),
                    QStringLiteral("Dat")},
                   {QStringLiteral("ID"), QStringLiteral("格式"), QStringLiteral("图片"),
                    QStringLiteral("序号"), QStringLiteral("选择"), QStringLiteral("类别"),
                    QStringLiteral("格式名称"), QStringLiteral("更新日期")});
    grid.setTag(QString::fromUtf8(catalogue::kTable));
    grid.setFixedCols(ColTick);
    FillGridFromTable(grid, QString(), QStringLiteral("Clas,Name"));
    AutoFitGridColumns(GridFont(), grid, 0, false);
    grid.setColAlignment(ColTick, 4);
}

bool StoreCatalogue(const std::vector<CatalogueEntry> &entries)
{
    sql::Connection *conn = db::Connection();
    if (!conn)
        return false;
    sql::Transaction tx(*conn);
    if (!tx.ok() || !conn->Exec(QStringLiteral("DELETE FROM 网站格式")))
        return false;
    qint64 id = 0;
    for (const CatalogueEntry &e : entries)
        if (!conn->Exec(QStringLiteral("INSERT INTO 网站格式 (ID, Clas, Name, fPath, pPath, Dat)"
                                       " VALUES (?, ?, ?, ?, ?, ?)"),
                        {++id, e.clas, e.name, e.fPath, e.pPath, e.date}))
            return false;
    return tx.Commit();
}

bool DownWebFmt()
{
    const QString url = CatalogueUrl();
    if (url.isEmpty())
        return false;
    QString reply;
    if (!HttpGetRetry(url, reply, QStringLiteral("Finished"), 60).isEmpty())
        return false;
    return StoreCatalogue(ParseCatalogue(reply));
}

QString FetchPreview(const QString &pPath)
{
    const QString url = ResolvePath(pPath);
    const QString name = FileNameOf(pPath);
    if (url.isEmpty() || name.isEmpty())
        return {};
    const QString cache = TempPath(name);
    if (!QFileInfo::exists(cache))
        HttpDownloadFile(url, cache, 60, true);
    return QFileInfo::exists(cache) ? cache : QString();
}

bool DownInputFmt(FormatHost &host, const QString &name, const QString &fPath, const QString &pPath)
{
    const QString base = SafeBaseName(name);
    const QString formatUrl = ResolvePath(fPath);
    if (base.isEmpty() || formatUrl.isEmpty()) {
        dialogs().Message(QStringLiteral("格式文件下载失败！"));
        return false;
    }
    // The two downloads join this work: a stop of either stops both, and
    // nothing is imported.
    const LongWork work(WorkStop::Can);
    qint32 start = 0;
    ShowIndicator(QStringLiteral("正在下载..."), 2, start);
    const QString picture = TempPath(base + QStringLiteral(".jpg"));
    const QString file = TempPath(base + QStringLiteral(".wlq"));
    // An earlier download must not stand in for one that fails now.
    QFile::remove(picture);
    QFile::remove(file);
    const QString pictureUrl = ResolvePath(pPath);
    if (!pictureUrl.isEmpty())
        HttpDownloadFile(pictureUrl, picture, 60, true);
    StepIndicator(1, QStringLiteral("pages"));
    const bool got = !work.Stopped() && HttpDownloadFile(formatUrl, file, 60, true);
    CloseIndicator();
    if (!got || !QFileInfo::exists(file)) {
        // Nothing of a failed or stopped download stays in Temp.
        QFile::remove(picture);
        QFile::remove(file);
        dialogs().Message(work.Stopped()
                              ? QStringLiteral("格式“%1”的下载已停止：格式文件未下载，格式未导入。").arg(name)
                              : QStringLiteral("格式文件下载失败！"));
        return false;
    }
    return ImportFormat(host, file, false);
}

} // namespace catalogue
