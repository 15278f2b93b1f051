#pragma once
// The environment every test program runs in, set before Qt starts: the
// offscreen platform, the browser without its sandbox (tests run as root;
// PQT_TEST_BROWSER_SANDBOX keeps it on for a child that checks that case),
// a UTF-8 C locale and the time zone of the program's users. A value given
// from outside is kept.

#include <QByteArray>
#include <QtGlobal>
#include <ctime>

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
}
