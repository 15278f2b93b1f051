#include "testenv.h"

#include "core/apppaths.h"
#include "core/database.h"

#include <QFile>
#include <QProcess>

void DataDirTest::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    m_processDataDir = qgetenv(paths::kDataDirVariable);
    qputenv(paths::kDataDirVariable, m_dir.path().toUtf8());
    db::CloseConnection();
    setDialogs(&dlg);
}

void DataDirTest::TearDown()
{
    db::CloseConnection();
    setDialogs(nullptr);
    // Back to the process's own folder (tests/support/testmain.h).
    if (m_processDataDir.isEmpty())
        qunsetenv(paths::kDataDirVariable);
    else
        qputenv(paths::kDataDirVariable, m_processDataDir);
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int RunCommand(const QString &program, const QStringList &args, QByteArray *out)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return -1;
    if (out)
        *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
