// The program's entry: one running copy, the version check, the command-line
// request, then the password prompt or the main window.

#include "core/apppaths.h"
#include "core/exampleformat.h"
#include "core/globals.h"
#include "core/startup.h"
#include "core/ui/fmtlist.h"
#include "core/ui/progresswindow.h"
#include "core/ui/selformat.h"
#include "core/ui/startupui.h"
#include "designer/formatops.h"
#include "designer/ui/mainwindow.h"
#include "online/versioncheck.h"
#include "platform/ui/qtdialogs.h"

#include <QApplication>
#include <QLockFile>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("waybillprinter"));
    QApplication::setApplicationDisplayName(MainCaption());
    InstallQtTranslations();

    // Messages, progress and the format choosers go through real windows
    // from here on.
    static QtDialogs qtDialogs;
    setDialogs(&qtDialogs);
    InstallProgressWindow();
    InstallExportFormatChooser();
    dsg::SetFormatChoosers({ChooseFromFmtList, ChooseFormatName});

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
    // A database created by this start gets one example format, so a new
    // user sees a working format at once.
    StoreExampleFormatIfFirstStart();
    DialogResult.clear();

    dsg::InstallMainWindowFactory();
    if (!OpenFirstWindow())
        return 0;
    const int rc = app.exec();
    setDialogs(nullptr);
    return rc;
}
