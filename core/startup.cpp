#include "core/startup.h"

#include "core/settings.h"
#include "platform/numtext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString MainCaption(const QString &captionTemplate)
{
    QString caption = captionTemplate;
    caption.replace(QStringLiteral("[EDITION]"), QString::fromUtf8(kOwnVersion));
    return caption;
}

namespace {

// True when some process holds the lock file's advisory lock, as QLockFile
// does for the whole life of the copy that took it.
bool lockHeldByAProcess(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

} // namespace

InstanceLock TakeInstanceLock(QLockFile &lock)
{
    // QLockFile itself treats a lock whose owner is no longer running as
    // stale; an age limit would also let a second copy take a live lock.
    lock.setStaleLockTime(0);
    if (lock.tryLock(0))
        return InstanceLock::Taken;
    if (lock.error() != QLockFile::LockFailedError)
        return InstanceLock::Failed;
    const QString path = lock.fileName();
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return InstanceLock::Blocked;
    // A lock file that names no running copy of this program: empty or
    // unreadable, or written by another program. QLockFile keeps it unless
    // its owner's process is gone, so it is removed here, which fails
    // while a live process holds it.
    qint64 pid = 0;
    QString host, app;
    const bool readable = lock.getLockInfo(&pid, &host, &app);
    if ((!readable || app != QCoreApplication::applicationName()) && !lockHeldByAProcess(path)
        && lock.removeStaleLockFile() && lock.tryLock(0))
        return InstanceLock::Taken;
    if (lockHeldByAProcess(path))
        return InstanceLock::HeldByRunningCopy;
    return QFileInfo::exists(path) ? InstanceLock::Blocked : InstanceLock::Failed;
}

QString LockFailedMessage(const QString &folder)
{
    return QStringLiteral("数据文件夹“") + QDir::toNativeSeparators(folder)
        + QStringLiteral("”无法写入，程序不能运行！请检查此文件夹的权限和磁盘空间。");
}

QString LockBlockedMessage(const QString &lockPath)
{
    return QStringLiteral("锁定文件“") + QDir::toNativeSeparators(lockPath)
        + QStringLiteral("”无法使用，程序不能运行！请删除它（或改名）后重新启动。");
}

QString DamagedDatabaseMessage(const QString &databasePath)
{
    return QStringLiteral("数据文件“") + QDir::toNativeSeparators(databasePath)
        + QStringLiteral("”已损坏或无法读取，程序不能运行！\r\n请用此文件的备份替换它后重新启动。"
                         "此文件已原样保留，未作任何改动。");
}

QString BusyDatabaseMessage(const QString &databasePath)
{
    return QStringLiteral("数据文件“") + QDir::toNativeSeparators(databasePath)
        + QStringLiteral("”正被其他程序使用，程序暂时不能运行！\r\n请等它用完（或关闭使用它的程序）"
                         "后重新启动。此文件未作任何改动。");
}

StartupRecord ParseCommandLine(const QStringList &arguments)
{
    StartupRecord rec;
    const QString line = arguments.join(u' ');
    if (line.isEmpty())
        return rec;
    const QStringList parts = num::Split(line, QStringLiteral(" "));
    if (parts.size() != 5)
        return rec;
    const QFileInfo data(parts[1]);
    if (parts[1].isEmpty() || !data.exists() || !data.isFile() || data.isHidden())
        return rec;
    rec.FormatName = parts[0];
    rec.DataFile = parts[1];
    rec.FirstRow = num::ToLong(parts[2]);
    rec.LastRow = num::ToLong(parts[3]);
    rec.AutoRun = !parts[4].isEmpty();
    return rec;
}

QString SoftwarePassword()
{
    return ReadParam(QString::fromUtf8(kPasswordKey));
}

bool PasswordMatches(const QString &typed)
{
    return typed == SoftwarePassword();
}

PasswordChange ChangePassword(const QString &oldText, const QString &newText,
                              const QString &repeatText)
{
    if (newText != repeatText)
        return PasswordChange::NewTextsDiffer;
    if (!PasswordMatches(oldText))
        return PasswordChange::OldPasswordWrong;
    return SaveParam(QString::fromUtf8(kPasswordKey), newText) ? PasswordChange::Changed
                                                               : PasswordChange::StoreFailed;
}
