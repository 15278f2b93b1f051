#include "core/settings.h"

#include "core/apppaths.h"
#include "core/database.h"
#include "platform/numtext.h"
#include "platform/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace {

QString settingsFile()
{
    return paths::DataPath(QStringLiteral("settings.ini"));
}

QString settingsKey(const QString &application, const QString &section, const QString &name)
{
    // QSettings treats "/" and "\" as group separators; keep one level per
    // section by escaping them in names.
    QString n = name;
    n.replace(u'/', QStringLiteral("%2F"));
    n.replace(u'\\', QStringLiteral("%5C"));
    return application + u'/' + section + u'/' + n;
}

} // namespace

void RemoveLeftSettingsCopies()
{
    // The names a write uses: its copy, the copy's numbered name once
    // written, and the lock and temporary files QSettings makes beside the
    // copy (".lock", "." and six letters or digits).
    static const QRegularExpression own(
        QStringLiteral("^settings\\.ini\\.new([0-9]*|\\.lock|\\.[A-Za-z0-9]{6})$"));
    const QDir folder = QFileInfo(settingsFile()).absoluteDir();
    for (const QString &left : folder.entryList({QStringLiteral("settings.ini.new*")},
                                                QDir::Files | QDir::Hidden | QDir::System))
        if (own.match(left).hasMatch())
            QFile::remove(folder.filePath(left));
}

bool SaveRegSetting(const QString &application, const QString &section, const QString &name,
                    const QString &value)
{
    // QSettings replaces its file through a buffered save that misses a
    // failed last flush, which would leave a cut file in place of the old
    // one, and a second QSettings on that file answers from the first one's
    // memory. So the values are written into a copy, the copy is moved to a
    // name no QSettings of this program has read, read back from the disk
    // there, and replaces the file only when it holds every value.
    const QString file = settingsFile();
    const QString work = file + QStringLiteral(".new");
    RemoveLeftSettingsCopies();
    if (QFileInfo::exists(file) && !safefile::CopyFile(file, work))
        return false;
    QVariantMap expected;
    {
        QSettings s(work, QSettings::IniFormat);
        s.setValue(settingsKey(application, section, name), value);
        s.sync();
        for (const QString &k : s.allKeys())
            expected.insert(k, s.value(k));
        if (s.status() != QSettings::NoError) {
            QFile::remove(work);
            return false;
        }
    }
    static int saves = 0;
    const QString checked = work + QString::number(++saves);
    if (!QFile::rename(work, checked)) {
        QFile::remove(work);
        return false;
    }
    QVariantMap written;
    {
        const QSettings check(checked, QSettings::IniFormat);
        for (const QString &k : check.allKeys())
            written.insert(k, check.value(k));
    }
    if (written != expected) {
        QFile::remove(checked);
        return false;
    }
    return safefile::ReplaceWithFinished(checked, file);
}

QString GetRegSetting(const QString &application, const QString &section, const QString &name,
                      const QString &defaultValue)
{
    QSettings s(settingsFile(), QSettings::IniFormat);
    const QString v = s.value(settingsKey(application, section, name)).toString();
    return v.isEmpty() ? defaultValue : v;
}

bool SaveParam(const QString &name, const QString &value)
{
    const auto rs
        = db::OpenRecordset(QStringLiteral("SELECT rowid FROM 参数 WHERE Var=? LIMIT 1"), {name});
    if (!rs)
        return false;
    if (rs->empty())
        return db::InsertRow(QStringLiteral("参数"),
                             {{QStringLiteral("Var"), name}, {QStringLiteral("Con"), value}})
            .has_value();
    return db::ExecuteSQL(QStringLiteral("UPDATE 参数 SET Var=?, Con=? WHERE rowid=?"),
                          {name, value, rs->value(0, 0)});
}

QString ReadParam(const QString &name)
{
    return num::Text(db::GetFieldWhere(QStringLiteral("参数"), QStringLiteral("Var=?"), {name},
                                       QStringLiteral("Con")));
}

QString WindowPosText(qint32 left, qint32 top, qint32 width, qint32 height, qint32 screenWidth)
{
    if (width >= screenWidth)
        return QStringLiteral("0;0;0;0");
    return num::Str(left) + u';' + num::Str(top) + u';' + num::Str(width) + u';' + num::Str(height);
}

bool SaveWindowPosText(const QString &name, const QString &value)
{
    const QString key = QString::fromUtf8(kWindowPosPrefix) + name;
    sql::Connection *conn = db::Connection();
    if (!conn)
        return false;
    sql::Transaction tx(*conn);
    if (!db::ExecuteSQL(QStringLiteral("DELETE FROM 参数 WHERE Var=?"), {key}))
        return false;
    if (!db::ExecuteSQL(QStringLiteral("INSERT INTO 参数(Var,Con) VALUES(?,?)"), {key, value}))
        return false;
    return tx.Commit();
}

WindowPlacement PlanWindowPos(const QString &stored, qint32 screenWidth, qint32 screenHeight)
{
    WindowPlacement plan;
    if (stored.isEmpty())
        return plan;
    const QStringList parts = num::Split(stored, QStringLiteral(";"));
    if (parts.size() < 4)
        return plan;
    // 64-bit sums, so numbers near the 32-bit limits cannot overflow.
    const qint64 l = num::ToLong(parts[0]);
    const qint64 t = num::ToLong(parts[1]);
    const qint64 w = num::ToLong(parts[2]);
    const qint64 h = num::ToLong(parts[3]);
    if (l < screenWidth && t < screenHeight && l + w > 0 && t + h > 0) {
        plan.move = true;
        plan.left = qint32(l);
        plan.top = qint32(t);
    }
    if (w > 0 && h > 0) {
        plan.resize = true;
        plan.width = qint32(w);
        plan.height = qint32(h);
    }
    return plan;
}
