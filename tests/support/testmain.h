#pragma once
// The environment every test program runs in, set before Qt starts and
// before anything opens the database: the offscreen platform, the browser
// without its sandbox (tests run as root; PQT_TEST_BROWSER_SANDBOX keeps it
// on for a child that checks that case), a UTF-8 C locale, the time zone of
// the program's users and a data folder of the process's own (a temporary
// folder removed at exit), so that test programs running in parallel never
// share a database or settings file. Other values given from outside are
// kept; a data folder from outside only in a process that a test program
// started (it inherits kStartedByTestVariable), which gets its parent's data
// folder that way. Any other data folder from outside, such as a user's own,
// is never used by a test.

#include "core/apppaths.h"

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <QtGlobal>
#include <ctime>

inline constexpr const char *kStartedByTestVariable = "WAYBILL_STARTED_BY_TEST";

inline void SetTestEnvironment()
{
    const auto keep = [](const char *name, const char *value) {
        if (qgetenv(name).isEmpty())
            qputenv(name, value);
    };
    keep("QT_QPA_PLATFORM", "offscreen");
    // A test of the browser under root runs a child with the sandbox left on.
    if (!qEnvironmentVariableIsSet("PQT_TEST_BROWSER_SANDBOX"))
        keep("QTWEBENGINE_DISABLE_SANDBOX", "1");
    keep("LC_ALL", "C.UTF-8");
    keep("TZ", "Asia/Shanghai");
    tzset();
    static QTemporaryDir data(QDir::tempPath() + QStringLiteral("/waybill-test-XXXXXX"));
    if (qgetenv(kStartedByTestVariable).isEmpty())
        qunsetenv(paths::kDataDirVariable);
    if (data.isValid())
        keep(paths::kDataDirVariable, data.path().toUtf8().constData());
    qputenv(kStartedByTestVariable, "1");
}
