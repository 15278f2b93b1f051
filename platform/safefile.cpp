#include "platform/safefile.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
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

bool Writer::Commit()
{
    if (!m_file.isOpen())
        return false;
    // A delayed allocation can still fail at the sync; QSaveFile ignores that.
    if (m_ok)
        m_ok = m_file.flush() && ::fsync(m_file.handle()) == 0;
    if (!m_ok) {
        m_file.cancelWriting();
        m_file.commit(); // removes the temporary file
        return false;
    }
    return m_file.commit();
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    Writer w(path);
    return w.Open() && w.Write(bytes) && w.Commit();
}

bool CopyFile(const QString &from, const QString &to)
{
    const QFileInfo a(from), b(to);
    if (b.exists() && a.canonicalFilePath() == b.canonicalFilePath())
        return true;
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    Writer w(to);
    if (!w.Open())
        return false;
    while (!in.atEnd()) {
        const QByteArray block = in.read(1 << 20);
        if (block.isEmpty() && in.error() != QFileDevice::NoError)
            return false;
        if (!w.Write(block))
            return false;
    }
    return in.error() == QFileDevice::NoError && w.Commit();
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
