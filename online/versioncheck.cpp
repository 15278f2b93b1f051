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
#include <QUrl>
#include <limits>

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

double VersionNumber(QStringView text)
{
    // The version's own rule picks the characters (leading blanks, then
    // digits with at most one point); the shared reader reads them.
    qsizetype begin = 0;
    while (begin < text.size() && text.at(begin) == u' ')
        ++begin;
    qsizetype end = begin;
    bool point = false;
    for (; end < text.size(); ++end) {
        const QChar c = text.at(end);
        if (c == u'.' && !point)
            point = true;
        else if (c < u'0' || c > u'9')
            break;
    }
    const double v = num::Val(text.mid(begin, end - begin));
    // Digits beyond the range of a double name no version.
    return v < std::numeric_limits<double>::max() ? v : 0;
}

double VersionFromPage(const QString &page)
{
    QStringView s(page);
    const qsizetype t = s.indexOf(QLatin1String("<title>"));
    if (t >= 0)
        s = s.mid(t + 7);
    const qsizetype p = s.indexOf(u'(');
    if (p >= 0)
        s = s.mid(p + 1);
    return VersionNumber(s);
}

QString CheckNewVersion(qint32 productNumber, const QString &ownVersion, bool *endProgram)
{
    if (endProgram)
        *endProgram = false;
    const QString url = VersionPageUrl(productNumber);
    if (url.isEmpty())
        return {};
    const double own = VersionNumber(ownVersion);
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
