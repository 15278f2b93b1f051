#include "testenv.h"

#include "core/database.h"

#include <QFile>
#include <QProcess>

void DataDirTest::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    qputenv("WAYBILL_DATA_DIR", m_dir.path().toUtf8());
    db::CloseConnection();
    setDialogs(&dlg);
}

void DataDirTest::TearDown()
{
    db::CloseConnection();
    setDialogs(nullptr);
    qunsetenv("WAYBILL_DATA_DIR");
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
