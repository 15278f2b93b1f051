#include "core/apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace paths {

QString DataDir()
{
    QString dir = qEnvironmentVariable(kDataDirVariable);
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.waybillprinter");
    QDir().mkpath(dir);
    return QDir::cleanPath(dir);
}

QString DataPath(const QString &name)
{
    return DataDir() + u'/' + name;
}

QString ProgramDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

} // namespace paths
