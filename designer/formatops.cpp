#include "designer/formatops.h"

#include "core/database.h"
#include "core/formathost.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/gridhelpers.h"
#include "core/progress.h"
#include "designer/formatwindow.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"

#include <QFile>
#include <QFileInfo>

namespace dsg {

namespace {

FormatChoosers g_choosers;

// The format store reads and writes the window through the installed host;
// while an operation runs that is this window's host.
class HostScope
{
public:
    explicit HostScope(FormatWindow &window)
        : m_previous(&formatHost())
    {
        SetFormatHost(&window.Host());
    }
    ~HostScope() { SetFormatHost(m_previous); }
    HostScope(const HostScope &) = delete;
    HostScope &operator=(const HostScope &) = delete;

private:
    FormatHost *m_previous;
};

QString chooseFormatName(bool allowTyping)
{
    return g_choosers.formatName ? g_choosers.formatName(allowTyping) : QString();
}

// nullopt when the query failed (its message was shown).
std::optional<bool> formatExists(const QString &name)
{
    const auto rs
        = db::OpenRecordset(QStringLiteral("SELECT Fmt FROM Fmt WHERE Fmt=? LIMIT 1"), {name});
    if (!rs)
        return std::nullopt;
    return !rs->empty();
}

} // namespace

void SetFormatChoosers(FormatChoosers choosers)
{
    g_choosers = std::move(choosers);
}

void OpenFormat(FormatWindow &window, const QString &nameIn)
{
    HostScope scope(window);
    const QString name = nameIn.isEmpty() ? window.FormatCaption() : nameIn;
    const QString pages = QStringLiteral("pages");

    window.SetPageVisible(false);
    ClearGridRecords(window.DataGrid(), false);
    ShowIndicator(QStringLiteral("正在初始化格式……"), 6);
    StepIndicator(1, pages);

    ReadFormatHeader(name);
    StepIndicator(1, pages);

    const FormatHost &host = window.Host();
    window.SetPageSize(num::Val(host.PageWidthText()), num::Val(host.PageHeightText()));
    StepIndicator(1, pages);

    LoadFormatGrid(window.FormatGrid(), window.FormatCaption());
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
        DialogResult = g_choosers.formatList ? g_choosers.formatList() : QString();
        name = DialogResult;
    }
    const QString open = window.FormatCaption();
    if (name.isEmpty() || (name == open && !reopen))
        return;

    HostScope scope(window);
    if (name != open) {
        window.SaveDefaultRecord(open);
        window.SetFormatCaption(name);
    }
    OpenFormat(window, name);
    SaveAppSettings(name);
    window.AutoFillDates();
    for (int i = 0; i < 5; ++i)
        window.O2_Click(i);
}

bool SaveFormatAs(FormatWindow &window, const QString &nameIn)
{
    QString name = nameIn;
    if (name.isEmpty()) {
        DialogResult = chooseFormatName(true);
        name = DialogResult;
        if (name.isEmpty())
            return false;
    }

    // Ask before anything is copied or written, so that No changes nothing.
    const auto exists = formatExists(name);
    if (!exists)
        return false;
    if (*exists && !dialogs().AskYesNo(QStringLiteral("该格式已经存在，是否覆盖？")))
        return false;

    HostScope scope(window);
    const QString open = window.FormatCaption();
    const QString oldPicture = GetBackgroundPicturePath(open);
    const QString newPicture = GetBackgroundPicturePath(name);
    if (QFileInfo::exists(oldPicture) && !QFileInfo::exists(newPicture))
        QFile::copy(oldPicture, newPicture);

    // The default record is keyed by the Control IDs the grid holds now,
    // before saving under the new name gives the rows new IDs.
    window.SaveDefaultRecord(open);

    if (!SaveFormatGrid(window.FormatGrid(), name))
        return false;
    window.SetFormatCaption(name);
    // Again under the caption's name: references to rows that got their ID
    // later in the first pass are stored with their final values.
    SaveFormatGrid(window.FormatGrid(), QString());
    SaveAppSettings(name);
    return true;
}

bool DeleteFormat(FormatWindow &window, const QString &nameIn)
{
    DialogResult = nameIn.isEmpty() ? chooseFormatName(false) : nameIn;
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
