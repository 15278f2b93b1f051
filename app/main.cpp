// The program's entry: one running copy, the version check, the command-line
// request, then the password prompt or the main window.

#include "core/apppaths.h"
#include "core/globals.h"
#include "core/startup.h"
#include "core/ui/startupui.h"
#include "online/versioncheck.h"
#include "platform/ui/qtdialogs.h"

#include <QApplication>
#include <QLockFile>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("waybillprinter"));
    QApplication::setApplicationDisplayName(MainCaption());

    // Messages go through real dialogs from here on.
    static QtDialogs qtDialogs;
    setDialogs(&qtDialogs);

    // A second copy ends at once, without a message. The lock is held for the
    // whole run; only a dead owner's lock counts as stale.
    QLockFile lock(paths::DataPath(QStringLiteral("waybillprinter.lock")));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0))
        return 0;

    bool endProgram = false;
    CheckNewVersion(kProductNumber, QString::fromUtf8(kOwnVersion), &endProgram);
    if (endProgram)
        return 0;

    TheStartupRecord = ParseCommandLine(app.arguments().mid(1));
    DialogResult.clear();

    if (!OpenFirstWindow())
        return 0;
    const int rc = app.exec();
    setDialogs(nullptr);
    return rc;
}
