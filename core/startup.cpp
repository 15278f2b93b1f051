#include "core/startup.h"

#include "core/settings.h"
#include "platform/numtext.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

QString MainCaption(const QString &captionTemplate)
{
    QString caption = captionTemplate;
    caption.replace(QStringLiteral("[EDITION]"), QString::fromUtf8(kOwnVersion));
    return caption;
}

InstanceLock TakeInstanceLock(QLockFile &lock)
{
    // Only a dead owner's lock counts as stale.
    lock.setStaleLockTime(0);
    if (lock.tryLock(0))
        return InstanceLock::Taken;
    return lock.error() == QLockFile::LockFailedError ? InstanceLock::HeldByRunningCopy
                                                      : InstanceLock::Failed;
}

QString LockFailedMessage(const QString &folder)
{
    return QStringLiteral("数据文件夹“") + QDir::toNativeSeparators(folder)
        + QStringLiteral("”无法写入，程序不能运行！请检查此文件夹的权限和磁盘空间。");
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
