#pragma once
// The settings store: small settings in an INI file in the data folder
// (SaveRegSetting / GetRegSetting, one key per section and name), and the
// key/value table 参数 of the database (SaveParam / ReadParam).

#include <QString>

// Stores a value under application/section/name; true when stored.
bool SaveRegSetting(const QString &application, const QString &section, const QString &name,
                    const QString &value);
// The stored value, or the default when absent or empty.
QString GetRegSetting(const QString &application, const QString &section, const QString &name,
                      const QString &defaultValue = QString());

// Updates the first row of 参数 with that key, or adds one; true when stored.
bool SaveParam(const QString &name, const QString &value);
// The value of the key in 参数, "" when absent.
QString ReadParam(const QString &name);
