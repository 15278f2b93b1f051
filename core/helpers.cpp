#include "core/helpers.h"

#include "core/apppaths.h"
#include "core/database.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"
#include "platform/safefile.h"
#include "platform/screenscale.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>
#include <algorithm>
#include <cstring>

namespace {

HookSlot<std::function<double()>> g_pageScale;
QString g_lastDialogName;

} // namespace

void DoEventsLoop(qint32 rounds)
{
    if (rounds < 0 || !QCoreApplication::instance())
        return;
    const qint64 passes = 2 * (qint64(rounds) + 1);
    for (qint64 i = 0; i < passes; ++i)
        QCoreApplication::processEvents();
}

double ParseNumberText(const QVariant &value)
{
    QString s = num::Text(value);
    s.remove(QChar(0xFFE5));
    s.remove(u'$');
    s.remove(u',');
    if (s.endsWith(u'%')) {
        s.remove(u'%');
        return num::Val(s) / 100.0;
    }
    return num::Val(s);
}

bool EnsureAppSubDir(const QString &name)
{
    const QString n = num::Trim(name);
    if (n.isEmpty())
        return false;
    const QString path = paths::DataPath(n);
    const QFileInfo fi(path);
    if (fi.exists() || fi.isSymLink())
        return fi.isDir();
    return QDir().mkpath(path);
}

void ShellOpen(const QString &target)
{
    if (target.isEmpty())
        return;
    const QUrl url
        = target.contains(QLatin1String("://")) ? QUrl(target) : QUrl::fromLocalFile(target);
    QDesktopServices::openUrl(url);
}

HookHandle InstallPageScaleProvider(std::function<double()> provider)
{
    return g_pageScale.Install(std::move(provider));
}

double PageScale()
{
    const auto *provider = g_pageScale.CurrentPtr();
    return provider && *provider ? (*provider)() : 1440.0 / 25.4;
}

double PageTwipsToMm(double twips, double scale)
{
    if (scale == 0)
        return 0;
    return num::RoundHalfEven(twips / scale * 1000.0) / 1000.0;
}

double PageTwipsToMm(double twips)
{
    return PageTwipsToMm(twips, PageScale());
}

qint32 MmToPageTwips(double mm, double scale)
{
    return num::ToLong(scale * mm);
}

qint32 MmToPageTwips(double mm)
{
    return MmToPageTwips(mm, PageScale());
}

void GetCursorPosTwips(qint32 &x, qint32 &y)
{
    const QPoint p = QCursor::pos();
    const double k = screen::TwipsPerPixel();
    x = num::ToLong(p.x() * k);
    y = num::ToLong(p.y() * k);
}

qint16 TaskbarHeight(double screenHeightTw, qint32 workBottomPx, double f)
{
    if (!(f > 0))
        return 0;
    const double v = num::RoundHalfEven((screenHeightTw / f - workBottomPx) * f);
    return qint16(std::clamp(v, -32768.0, 32767.0));
}

QPointF CenterPosition(double screenW, double screenH, double taskbar, double w, double h)
{
    return {(screenW - w) / 2, (screenH - h - taskbar) / 2};
}

QString BoolToMark(const QVariant &value)
{
    static const QString mark = QStringLiteral("√");
    if (!value.isValid() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? mark : QString();
    case QMetaType::QString: {
        const QString s = num::Trim(value.toString());
        if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return mark;
        return num::Val(s) != 0 ? mark : QString();
    }
    default:
        return value.toDouble() != 0 ? mark : QString();
    }
}

QString CutToken(QString &s, const QString &delim, bool fromStart)
{
    if (delim.isEmpty())
        return {};
    const qsizetype p = fromStart ? s.indexOf(delim) : s.lastIndexOf(delim);
    if (p < 0)
        return {};
    const QString before = s.left(p);
    const QString after = s.mid(p + delim.size());
    if (fromStart) {
        s = after;
        return before;
    }
    s = before;
    return after;
}

QString ReplaceBetween(QString &s, const QString &startMark, const QString &endMark,
                       const QString &repl)
{
    if (startMark.isEmpty())
        return s;
    qsizetype from = 0;
    for (;;) {
        const qsizetype p = s.indexOf(startMark, from);
        if (p < 0)
            break;
        const qsizetype q = s.indexOf(endMark, p + 1);
        if (q < 0) {
            s = s.left(p) + repl;
            break;
        }
        s = s.left(p) + repl + s.mid(q + endMark.size());
        // The search starts over where a new start mark may begin: one can
        // form across the join, before p. A replacement that holds the start
        // mark is stepped over, so the loop ends.
        from = repl.contains(startMark) ? p + repl.size()
                                        : std::max<qsizetype>(0, p - startMark.size() + 1);
    }
    return s;
}

void NumericKeyFilter(int &keyCode)
{
    if ((keyCode >= '0' && keyCode <= '9') || keyCode == '.' || keyCode == 8)
        return;
    keyCode = 0;
}

QString FileDialog(const QString &filter, bool save, const QString &defaultName)
{
    const QString start = defaultName.isEmpty() ? g_lastDialogName : defaultName;
    const QString chosen
        = save ? dialogs().SaveFile(filter, start) : dialogs().OpenFile(filter, start);
    if (!chosen.isEmpty())
        g_lastDialogName = chosen;
    return chosen;
}

QString DiskFullText(const QString &place, const QString &retry)
{
    return place + QStringLiteral("所在的磁盘已满！请腾出空间，然后再") + retry + u'。';
}

QString FileWriteFaultText(const QString &path, int systemError, const QString &retry)
{
    if (sql::FaultOfErrno(systemError) != sql::Fault::Full)
        return {};
    const QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    return DiskFullText(QStringLiteral("文件夹“") + folder + u'”', retry);
}

QString SystemErrorText(int systemError)
{
    return systemError ? QString::fromLocal8Bit(std::strerror(systemError)) : QString();
}

bool ConfirmReplaceFile(const QString &path)
{
    const QFileInfo target(path);
    if (!target.exists())
        return true;
    if (!dialogs().AskYesNo(QStringLiteral("该文件已存在，是否覆盖？")))
        return false;
    // The old file is replaced only by a complete new one; one that cannot
    // be replaced is reported before anything is written.
    if (!target.isFile() || !target.isWritable()
        || !QFileInfo(target.absolutePath()).isWritable()) {
        dialogs().Message(QStringLiteral("该文件无法覆盖，请确认该文件没被其他软件打开！"));
        return false;
    }
    return true;
}

QString PickPictureFile()
{
    return FileDialog(QString::fromUtf8(kPictureFilter), false, QString());
}

QStringList HistoryValues(qint64 controlId)
{
    QStringList out;
    const auto rs = db::OpenRecordset(
        QStringLiteral("SELECT Con FROM 历史 WHERE CID=? GROUP BY Con ORDER BY Con"), {controlId});
    if (!rs)
        return out;
    for (int i = 0; i < rs->size(); ++i)
        out << num::Text(rs->value(i, 0));
    return out;
}

QString FileRecoveryMessage(const safefile::RecoverResult &r, const QString &work, bool needed)
{
    switch (r.what) {
    case safefile::Recovery::Nothing:
        return {};
    case safefile::Recovery::Completed:
        if (r.removed.isEmpty())
            return {};
        return QStringLiteral("上次中断的") + work + QStringLiteral("已撤销，它新建的文件“")
            + r.removed.join(QStringLiteral("”、“")) + QStringLiteral("”已删除。");
    case safefile::Recovery::SetAside:
        return work + QStringLiteral("记录“") + r.record + QStringLiteral("”所列的文件不是")
            + work + QStringLiteral("时建立的，没有改动任何文件；该记录已改名为“")
            + r.setAsideAs + QStringLiteral("”。")
            + (r.kept.isEmpty() ? QString()
                                : QStringLiteral("文件“") + r.target + QStringLiteral("”应有的内容可能在“")
                       + r.kept + QStringLiteral("”中，请检查后自行改名。"));
    case safefile::Recovery::NotAFile:
        // Nothing is lost while no export runs.
        if (!needed)
            return {};
        return QStringLiteral("“") + r.record
            + (QFileInfo(r.record).isDir() ? QStringLiteral("”是一个文件夹")
                                            : QStringLiteral("”不是普通文件"))
            + QStringLiteral("，") + work + QStringLiteral("要用这个名称记录文件的替换，无法") + work
            + QStringLiteral("。请将它移走或改名后再试。");
    case safefile::Recovery::Unreadable:
        return work + QStringLiteral("记录“") + r.record + QStringLiteral("”无法读取或改名，上次中断的")
            + work + QStringLiteral("没有处理。请检查数据文件夹的权限。");
    case safefile::Recovery::Stuck:
        return QStringLiteral("上次中断的") + work + QStringLiteral("无法完成或撤销：文件“") + r.target
            + QStringLiteral("”无法取得应有的内容，该内容现保存在“") + r.kept
            + QStringLiteral("”。") + work + QStringLiteral("记录已保留，下次启动时将再次处理。");
    }
    return {};
}
