#include "platform/safefile.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <vector>
#include <fcntl.h>
#include <unistd.h>

namespace safefile {

Writer::Writer(const QString &path)
    : m_file(path)
{ }

Writer::~Writer()
{
    if (m_file.isOpen())
        m_file.cancelWriting(); // QSaveFile drops the temporary file
}

bool Writer::Open()
{
    // Unbuffered, so that a failed write shows at once: QSaveFile does not
    // notice a failure of the buffer's last flush and would rename an
    // incomplete file over the target.
    m_ok = m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return m_ok;
}

bool Writer::Write(const QByteArray &bytes)
{
    if (m_ok && !bytes.isEmpty())
        m_ok = m_file.write(bytes) == bytes.size();
    return m_ok;
}

QString Writer::PathForLibrary() const
{
    // The link under /proc opens the same file, even one without a name.
    return m_file.isOpen() ? QStringLiteral("/proc/self/fd/%1").arg(m_file.handle()) : QString();
}

bool Writer::Finish()
{
    if (!m_file.isOpen())
        return false;
    // A delayed allocation can still fail at the sync; QSaveFile ignores that.
    if (m_ok)
        m_ok = m_file.flush() && ::fsync(m_file.handle()) == 0;
    if (!m_ok)
        Cancel();
    return m_ok;
}

void Writer::Cancel()
{
    if (!m_file.isOpen())
        return;
    m_file.cancelWriting();
    m_file.commit(); // removes the temporary file
}

bool Writer::Commit()
{
    return Finish() && m_file.commit();
}

bool CommitTogether(std::initializer_list<Writer *> writers)
{
    bool ok = true;
    for (Writer *w : writers)
        ok = w->Finish() && ok;
    struct Replaced
    {
        QByteArray target;
        QByteArray kept; // empty when there was no old file
    };
    std::vector<Replaced> done;
    for (Writer *w : writers) {
        if (!ok)
            break;
        // The old file gets a second name (a hard link), so it can come back
        // without needing room on the disk.
        const QFileInfo info(w->m_file.fileName());
        Replaced r {QFile::encodeName(info.absoluteFilePath()), {}};
        if (info.exists()) {
            r.target = QFile::encodeName(info.canonicalFilePath());
            r.kept = QFile::encodeName(info.absolutePath() + QStringLiteral("/.")
                                       + info.fileName() + QStringLiteral(".replaced"));
            ::unlink(r.kept.constData()); // left by a killed run
            ok = info.isFile() && ::link(r.target.constData(), r.kept.constData()) == 0;
        }
        ok = ok && w->m_file.commit();
        if (ok)
            done.push_back(r);
        else if (!r.kept.isEmpty())
            ::unlink(r.kept.constData());
    }
    for (Writer *w : writers)
        w->Cancel(); // the ones not committed
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
        if (ok)
            ::unlink(it->kept.constData());
        else if (it->kept.isEmpty())
            ::unlink(it->target.constData());
        else
            std::rename(it->kept.constData(), it->target.constData());
    }
    return ok;
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    Writer w(path);
    return w.Open() && w.Write(bytes) && w.Commit();
}

bool CopyInto(const QString &from, Writer &to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    while (!in.atEnd()) {
        const QByteArray block = in.read(1 << 20);
        if (block.isEmpty() && in.error() != QFileDevice::NoError)
            return false;
        if (!to.Write(block))
            return false;
    }
    return in.error() == QFileDevice::NoError;
}

bool CopyFile(const QString &from, const QString &to)
{
    const QFileInfo a(from), b(to);
    if (b.exists() && a.canonicalFilePath() == b.canonicalFilePath())
        return true;
    if (!a.exists())
        return false;
    Writer w(to);
    return w.Open() && CopyInto(from, w) && w.Commit();
}

bool ReplaceWithFinished(const QString &temporary, const QString &target)
{
    const QByteArray tmp = QFile::encodeName(temporary);
    bool ok = false;
    const int fd = ::open(tmp.constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ok = ::fsync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
    }
    ok = ok && std::rename(tmp.constData(), QFile::encodeName(target).constData()) == 0;
    if (!ok)
        ::unlink(tmp.constData());
    return ok;
}

} // namespace safefile
