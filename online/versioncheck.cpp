#include "online/versioncheck.h"

#include "core/apppaths.h"
#include "core/settings.h"
#include "online/hosts.h"
#include "online/http.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace {

QString updaterPath()
{
    for (const char *name : {"update", "update.exe"}) {
        const QString p = paths::ProgramDir() + u'/' + QString::fromUtf8(name);
        const QFileInfo fi(p);
        if (fi.isFile())
            return p;
    }
    return {};
}

QString programFileName()
{
    const QString app = QCoreApplication::applicationFilePath();
    return app.isEmpty() ? QStringLiteral("waybillprinter") : QFileInfo(app).fileName();
}

} // namespace

QString VersionPageUrl(qint32 productNumber)
{
    const QString host = hosts::MakerServerAddress();
    if (host.isEmpty())
        return {};
    return host + QStringLiteral("/wolisoft/downpage/Pro.asp?ID=") + num::Str(productNumber);
}

double VersionFromPage(const QString &page)
{
    QString s = page;
    const qsizetype t = s.indexOf(QLatin1String("<title>"));
    if (t >= 0)
        s = s.mid(t + 7);
    const qsizetype p = s.indexOf(u'(');
    if (p >= 0)
        s = s.mid(p + 1);
    return num::Val(s);
}

QString CheckNewVersion(qint32 productNumber, const QString &ownVersion, bool *endProgram)
{
    if (endProgram)
        *endProgram = false;
    const QString url = VersionPageUrl(productNumber);
    if (url.isEmpty())
        return {};
    const double own = num::Val(ownVersion);
    if (own == 0)
        return {};
    QString reply;
    HttpGetRetry(url, reply, QStringLiteral("</title>"), 5);
    const double server = VersionFromPage(reply);
    if (server == 0)
        return {};
    if (server > own) {
        const QString updater = updaterPath();
        if (updater.isEmpty()) {
            // Without the updater the user can still go on with this version.
            dialogs().Message(QStringLiteral("本软件已有新版本（") + num::Str(server)
                              + QStringLiteral("），请到网站下载升级。"));
            return num::Str(server);
        }
        dialogs().Message(QStringLiteral("本软件已升级，启动自动升级..."));
        QProcess::startDetached(updater, {QStringLiteral("WL05.rar|") + programFileName()},
                                paths::ProgramDir());
        if (endProgram)
            *endProgram = true;
        return {};
    }
    return num::Str(server);
}
