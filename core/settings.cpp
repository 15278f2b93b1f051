#include "core/settings.h"

#include "core/apppaths.h"
#include "core/database.h"
#include "platform/numtext.h"

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

bool SaveRegSetting(const QString &application, const QString &section, const QString &name,
                    const QString &value)
{
    QSettings s(settingsFile(), QSettings::IniFormat);
    s.setValue(settingsKey(application, section, name), value);
    s.sync();
    return s.status() == QSettings::NoError;
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
    const auto rs = db::OpenRecordset(QStringLiteral("SELECT rowid FROM 参数 WHERE Var=? LIMIT 1"),
                                      {name});
    if (!rs)
        return false;
    if (rs->empty())
        return db::InsertRow(QStringLiteral("参数"), {{QStringLiteral("Var"), name},
                                                     {QStringLiteral("Con"), value}})
            .has_value();
    return db::ExecuteSQL(QStringLiteral("UPDATE 参数 SET Var=?, Con=? WHERE rowid=?"),
                          {name, value, rs->value(0, 0)});
}

QString ReadParam(const QString &name)
{
    return num::Text(db::GetFieldWhere(QStringLiteral("参数"), QStringLiteral("Var=?"), {name},
                                       QStringLiteral("Con")));
}
