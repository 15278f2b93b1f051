#include "designer/formatops.h"

#include "core/apppaths.h"
#include "core/database.h"
#include "core/formatgrid.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/gridhelpers.h"
#include "core/progress.h"
#include "core/startup.h"
#include "designer/formatwindow.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"

#include <QDir>

namespace dsg {

namespace {

FormatChoosers g_choosers;

// The chooser's answer, or nullopt when the window went while it waited.
std::optional<QString> chooseFormatName(FormatWindow &window, bool allowTyping)
{
    if (!g_choosers.formatName)
        return QString();
    const auto life = window.Life();
    QString answer = g_choosers.formatName(window.Host(), allowTyping);
    if (life.expired())
        return std::nullopt;
    return answer;
}

std::optional<QString> chooseFromFormatList(FormatWindow &window)
{
    if (!g_choosers.formatList)
        return QString();
    const auto life = window.Life();
    QString answer = g_choosers.formatList(window.Host());
    if (life.expired())
        return std::nullopt;
    return answer;
}

} // namespace

void SetFormatChoosers(FormatChoosers choosers)
{
    g_choosers = std::move(choosers);
}

void OpenFormat(FormatWindow &window, const QString &nameIn)
{
    FormatHost &host = window.Host();
    const QString name = nameIn.isEmpty() ? window.FormatCaption() : nameIn;
    const QString pages = QStringLiteral("pages");

    window.SetPageVisible(false);
    ClearGridRecords(window.DataGrid(), false);
    const LongWork work;
    ShowIndicator(QStringLiteral("正在初始化格式……"), 6);
    StepIndicator(1, pages);

    ReadFormatHeader(host, name);
    StepIndicator(1, pages);

    window.SetPageSize(num::Val(host.PageWidthText()), num::Val(host.PageHeightText()));
    StepIndicator(1, pages);

    LoadFormatGrid(host, window.FormatGrid(), window.FormatCaption());
    StepIndicator(1, pages);

    window.ReloadFormat(false);
    StepIndicator(1, pages);

    window.LoadDefaultRecord(name);
    CloseIndicator();
    window.SetPageVisible(true);
}

void SelectFormat(FormatWindow &window, const QString &nameIn, bool reopen)
{
    QString name = nameIn;
    if (name.isEmpty()) {
        const auto answer = chooseFromFormatList(window);
        if (!answer)
            return;
        DialogResult = *answer;
        name = *answer;
    }
    const QString open = window.FormatCaption();
    if (name.isEmpty() || (name == open && !reopen))
        return;

    if (name != open) {
        // What the boxes hold would be lost with the format left.
        if (const sql::Status saved = window.SaveDefaultRecord(open); !saved) {
            dialogs().Message(QStringLiteral("页面内容没有保存！")
                              + db::WriteFaultText(saved, QStringLiteral("切换格式")));
            return;
        }
        window.SetFormatCaption(name);
    }
    OpenFormat(window, name);
    SaveAppSettings(window.Host(), name);
    window.AutoFillDates();
    for (int i = 0; i < 5; ++i)
        window.O2_Click(i);
}

SaveOutcome SaveFormatAs(FormatWindow &window, const QString &nameIn,
                         const safefile::StepHook &step)
{
    QString name = nameIn;
    if (name.isEmpty()) {
        const auto answer = chooseFormatName(window, true);
        if (!answer)
            return SaveOutcome::Cancelled;
        DialogResult = *answer;
        name = *answer;
        if (name.isEmpty())
            return SaveOutcome::Cancelled;
    }

    // Ask before anything is copied or written, so that No changes nothing.
    // A failed read is said once, by the window, with its fault.
    const db::FormatFound exists = db::FindFormat(name);
    if (!exists.status)
        return exists.status;
    const auto life = window.Life();
    if (exists.found && !dialogs().AskYesNo(QStringLiteral("该格式已经存在，是否覆盖？")))
        return SaveOutcome::Cancelled;
    if (life.expired())
        return SaveOutcome::Cancelled;

    FormatHost &host = window.Host();
    const QString open = window.FormatCaption();
    // The default record is keyed by the Control IDs the grid holds now,
    // before saving under the new name gives the rows new IDs.
    if (sql::Status stored = window.SaveDefaultRecord(open); !stored)
        return stored;
    PictureCopy picture(step);
    if (sql::Status copied
        = picture.Copy(GetBackgroundPicturePath(open), GetBackgroundPicturePath(name), false);
        !copied)
        return copied;
    sql::Connection *conn = db::Connection();
    if (!conn)
        return sql::Status {sql::Fault::Other, QStringLiteral("无法建立数据库连接！")};

    // Both passes are one transaction: a refused second pass takes the
    // first one back, and the caption and the grid's IDs and references
    // return to the open format's.
    GridModel &grid = window.FormatGrid();
    const ControlIdColumns kept(grid);
    sql::Transaction tx(*conn);
    sql::Status saved = tx.ok() ? SaveFormatGrid(host, grid, name) : conn->lastStatus();
    if (saved) {
        window.SetFormatCaption(name);
        // Again under the caption's name: references to rows that got their
        // ID later in the first pass are stored with their final values.
        saved = SaveFormatGrid(host, grid, QString());
        // A refused commit is classified as 保存格式 classifies it (a full
        // disk is said as such).
        if (saved && (!picture.Mark(*conn) || !tx.Commit())) {
            saved = conn->lastStatus();
            if (saved)
                saved.fault = sql::Fault::Other;
        }
    }
    if (!saved) {
        tx.Rollback();
        kept.Restore(grid);
        window.SetFormatCaption(open);
        return saved;
    }
    if (const QString why = picture.Keep(); !why.isEmpty())
        dialogs().Message(why); // the format is stored; its picture comes at the next start
    SaveAppSettings(host, name);
    return SaveOutcome::Saved;
}

QString SaveFailedMessage(const sql::Status &why)
{
    return QStringLiteral("格式没有保存，修改仍在页面上！") + db::WriteFaultText(why, QStringLiteral("保存"));
}

bool DeleteFormat(FormatWindow &window, const QString &nameIn)
{
    if (nameIn.isEmpty()) {
        const auto answer = chooseFormatName(window, false);
        if (!answer)
            return false;
        DialogResult = *answer;
    } else {
        DialogResult = nameIn;
    }
    const QString name = DialogResult;
    if (name.isEmpty())
        return false;
    // Format names compare without regard to case in the table, so a name
    // differing from the open one only in case would delete the open format.
    if (name.compare(window.FormatCaption(), Qt::CaseInsensitive) == 0) {
        dialogs().Message(QStringLiteral("此格式为当前格式，不允许删除！"));
        return false;
    }
    if (!dialogs().AskYesNo(QStringLiteral("您确定要删除格式：“") + name + QStringLiteral("”？")))
        return false;

    bool deleted = false;
    if (sql::Connection *conn = db::Connection()) {
        sql::Transaction tx(*conn);
        deleted = tx.ok() && conn->Exec(QStringLiteral("DELETE FROM 历史 WHERE Fmt=?"), {name})
            && conn->Exec(QStringLiteral("DELETE FROM 映射 WHERE Fmt=?"), {name})
            && conn->Exec(QStringLiteral("DELETE FROM Fmt WHERE Fmt=?"), {name}) && tx.Commit();
    }
    if (!deleted) {
        dialogs().Message(QStringLiteral("格式：“") + name + QStringLiteral("”删除失败！"));
        return false;
    }
    dialogs().Message(QStringLiteral("删除完成！"));
    return true;
}

} // namespace dsg
