// The program's entry: one running copy, the version check, the command-line
// request, then the password prompt or the main window.

#include "core/apppaths.h"
#include "core/database.h"
#include "core/exampleformat.h"
#include "core/exchangefile.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/helpers.h"
#include "core/settings.h"
#include "core/startup.h"
#include "core/ui/fmtlist.h"
#include "core/ui/progresswindow.h"
#include "core/ui/selformat.h"
#include "core/ui/startupui.h"
#include "designer/formatops.h"
#include "designer/ui/mainwindow.h"
#include "online/versioncheck.h"
#include "printing/ui/qtprinter.h"
#include "platform/ui/qtdialogs.h"

#include <QApplication>

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
    // Printing starts on the system's default printer until one is chosen.
    InstallSystemPrinters();

    // A second copy ends at once, without a message; a lock that cannot be
    // taken over, or a data folder where no lock file can be made, ends the
    // program with a message.
    SingleCopyLock lock(paths::DataPath(QStringLiteral("waybillprinter.lock")));
    switch (lock.Take()) {
    case InstanceLock::Taken:
        break;
    case InstanceLock::HeldByRunningCopy:
        return 0;
    case InstanceLock::Blocked:
        dialogs().Message(LockBlockedMessage(lock.fileName()));
        return 1;
    case InstanceLock::Failed:
        dialogs().Message(LockFailedMessage(paths::DataDir()));
        return 1;
    }
    // The working copies of a settings write killed on the way go.
    RemoveLeftSettingsCopies();
    // An export killed while replacing a .wlq file and its picture is
    // completed or undone, so the pair is both old or both new.
    if (const QString why = FileRecoveryMessage(RecoverFormatExport(), QStringLiteral("导出"), false); !why.isEmpty())
        dialogs().Message(why);
    // A database file that cannot be read, or that another process holds
    // for longer than the wait, ends the start with one message; the file
    // stays as it is, and the lock goes with this copy.
    switch (db::OpenAtStart()) {
    case db::StartState::Opened:
        break;
    case db::StartState::Busy:
        dialogs().Message(BusyDatabaseMessage(db::DatabasePath()));
        return 1;
    case db::StartState::Unusable:
        dialogs().Message(DamagedDatabaseMessage(db::DatabasePath()));
        return 1;
    }
    // However the run ends from here, the file's state is noted as the
    // connection closes, before the lock goes: the next start over an
    // unchanged file skips the check of its pages.
    struct CloseAtEnd
    {
        ~CloseAtEnd() { db::CloseAtEnd(); }
    } closeAtEnd;
    // A format save killed between its picture's copy and its rows gets the
    // picture it stored, or none.
    if (const QString why = FileRecoveryMessage(RecoverPictureCopy(), QStringLiteral("保存格式"), false);
        !why.isEmpty())
        dialogs().Message(why);

    bool endProgram = false;
    CheckNewVersion(kProductNumber, QString::fromUtf8(kOwnVersion), &endProgram);
    if (endProgram)
        return 0;

    // A data file named that is no ordinary file is said; the start goes on
    // without the request.
    const CommandLineRequest request = ReadCommandLine(app.arguments().mid(1));
    TheStartupRecord = request.record;
    if (!request.note.isEmpty())
        dialogs().Message(request.note);
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
