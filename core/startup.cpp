#include "core/startup.h"

#include "core/settings.h"
#include "platform/numtext.h"
#include "platform/sqlitedb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

QString MainCaption(const QString &captionTemplate)
{
    QString caption = captionTemplate;
    caption.replace(QStringLiteral("[EDITION]"), QString::fromUtf8(kOwnVersion));
    return caption;
}

SingleCopyLock::SingleCopyLock(const QString &path)
    : m_path(path)
{ }

SingleCopyLock::~SingleCopyLock()
{
    if (m_fd < 0)
        return;
    // Removed while still held: a start that opened this file meanwhile
    // finds, once it holds the lock, that the name no longer leads to it,
    // and starts over with a new file.
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
}

InstanceLock SingleCopyLock::Take()
{
    // The kernel's lock on the open file decides, in one step that no two
    // starts can both win; it goes with its process, however that ends, so
    // whatever a dead copy, a power cut or another program left in the file
    // does not matter. The file only carries the lock (and, for people, the
    // holder's process number).
    const QByteArray name = QFile::encodeName(m_path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0 && errno != ENOENT)
            fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC); // a read-only file locks too
        struct stat own {};
        if (fd < 0 || ::fstat(fd, &own) != 0 || !S_ISREG(own.st_mode)) {
            if (fd >= 0)
                ::close(fd);
            struct stat there {};
            return ::lstat(name.constData(), &there) == 0 ? InstanceLock::Blocked
                                                          : InstanceLock::Failed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int why = errno;
            ::close(fd);
            return why == EWOULDBLOCK ? InstanceLock::HeldByRunningCopy : InstanceLock::Blocked;
        }
        // The copy that held this file may have removed it on its way out.
        struct stat there {};
        if (::stat(name.constData(), &there) != 0 || there.st_dev != own.st_dev
            || there.st_ino != own.st_ino) {
            ::close(fd);
            continue;
        }
        // A lock file left in a folder that has since become read-only
        // opens; the folder is no place to run in all the same.
        if (!sql::CanCreateFileIn(QFileInfo(m_path).absolutePath())) {
            ::close(fd);
            return InstanceLock::Failed;
        }
        // Only a note for people: the lock holds without it.
        const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
        if (::ftruncate(fd, 0) == 0)
            (void)!::pwrite(fd, pid.constData(), size_t(pid.size()), 0);
        m_fd = fd;
        return InstanceLock::Taken;
    }
    // The file kept being replaced: copies are starting and ending.
    return InstanceLock::HeldByRunningCopy;
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

QString DamagedDatabaseMessage(const QString &databasePath, bool atStart)
{
    const QString file = QStringLiteral("数据文件“") + QDir::toNativeSeparators(databasePath);
    if (!atStart)
        return file
            + QStringLiteral("”已损坏或无法读取！\r\n请退出程序，用此文件的备份替换它后重新启动。");
    return file
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
    return ReadCommandLine(arguments).record;
}

CommandLineRequest ReadCommandLine(const QStringList &arguments)
{
    CommandLineRequest request;
    StartupRecord &rec = request.record;
    const QString line = arguments.join(u' ');
    if (line.isEmpty())
        return request;
    const QStringList parts = num::Split(line, QStringLiteral(" "));
    if (parts.size() != 5)
        return request;
    const QFileInfo data(parts[1]);
    if (!parts[1].isEmpty() && data.exists() && !data.isFile())
        request.note
            = QStringLiteral("命令行指定的数据文件“%1”不是普通文件（文件夹、设备或管道），不能导入！")
                  .arg(parts[1]);
    if (parts[1].isEmpty() || !data.exists() || !data.isFile() || data.isHidden())
        return request;
    rec.FormatName = parts[0];
    rec.DataFile = parts[1];
    rec.FirstRow = num::ToLong(parts[2]);
    rec.LastRow = num::ToLong(parts[3]);
    rec.AutoRun = !parts[4].isEmpty();
    return request;
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
