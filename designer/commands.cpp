#include "designer/commands.h"

#include "core/database.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/settings.h"
#include "designer/mainstate.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"


namespace dsg {

namespace {

const QString kNewTitle = QStringLiteral("沃栎快递单-新建格式模板");

// A setting the file cannot take is said; the old settings stay as they were.
void StoreReg(const char *section, const char *name, const QString &value)
{
    if (!SaveRegSetting(QString::fromLatin1(kRegApp), QString::fromLatin1(section),
                        QString::fromLatin1(name), value))
        dialogs().Message(
            QStringLiteral("设置没有保存！请检查数据文件夹所在的磁盘是否已满。"));
}

// One size question: nullopt when answered empty or cancelled; 0 and sizes
// below 0 are refused and asked again.
std::optional<QString> AskSize(const QString &prompt, const QString &preset, const QString &zero)
{
    for (;;) {
        const std::optional<QString> a = dialogs().Input(prompt, kNewTitle, preset);
        if (!a || a->isEmpty())
            return std::nullopt;
        if (num::Val(*a) > 0)
            return a;
        dialogs().Message(zero);
    }
}

} // namespace

SaveOutcome NewFormat(MainState &state, const safefile::StepHook &step)
{
    const std::optional<QString> name
        = dialogs().Input(QStringLiteral("请输入需要新建的格式名称："), kNewTitle, QString());
    if (!name || name->isEmpty())
        return SaveOutcome::Cancelled;
    QString w, h;
    for (;;) {
        const auto aw = AskSize(QStringLiteral("输入格式模板宽度（单位：毫米）："),
                                state.PageWidthText(), QStringLiteral("单据宽度不能为零！"));
        if (!aw)
            return SaveOutcome::Cancelled;
        const auto ah = AskSize(QStringLiteral("输入格式模板高度（单位：毫米）："),
                                state.PageHeightText(), QStringLiteral("单据高度不能为零！"));
        if (!ah)
            return SaveOutcome::Cancelled;
        w = *aw;
        h = *ah;
        const double ratio = num::Val(w) / num::Val(h);
        if (ratio >= 1.0 / 20 && ratio <= 20)
            break;
        dialogs().Message(QStringLiteral("单据的宽度与高度比例应为1：20到20：1之间,请重新输入！"));
    }

    // Asked before anything is removed, so that No leaves the open format.
    // A failed read is said once, by the window, with its fault.
    const db::FormatFound exists = db::FindFormat(*name);
    if (!exists.status)
        return exists.status;
    if (exists.found && !dialogs().AskYesNo(QStringLiteral("该格式已经存在，是否覆盖？")))
        return SaveOutcome::Cancelled;

    // The open format keeps what its boxes hold now; the empty page must not
    // overwrite that record. The new format is stored before the page is
    // emptied, so that a refused write leaves the open format as it was.
    const QString open = state.CurrentFormatName();
    if (sql::Status kept = state.SaveDefaultRecord(open); !kept)
        return kept;
    PictureCopy picture(step);
    if (sql::Status copied
        = picture.Copy(GetBackgroundPicturePath(open), GetBackgroundPicturePath(*name), false);
        !copied)
        return copied;
    if (sql::Status stored = StoreEmptyFormat(state, *name, w, h, &picture); !stored)
        return stored;
    if (const QString why = picture.Keep(); !why.isEmpty())
        dialogs().Message(why); // the format is stored; its picture comes at the next start

    GridModel &g = state.FormatGrid();
    if (g.rows() > g.fixedRows()) {
        g.setRow(g.fixedRows());
        g.setRowSel(g.rows() - 1);
        state.DeleteRowControls(g, false);
    }
    if (num::Val(w) != num::Val(state.PageWidthText())
        || num::Val(h) != num::Val(state.PageHeightText())) {
        state.SetPageSizeTexts(w, h);
        state.SetPageSize(num::Val(w), num::Val(h));
        state.ReloadFormat(true);
    }
    state.SetFormatCaption(*name);
    SaveAppSettings(state, *name);
    return SaveOutcome::Saved;
}

void SetCrlfChr()
{
    const QString current = GetRegSetting(QString::fromLatin1(kRegApp), QStringLiteral("Para"),
                                          QStringLiteral("CrlfChr"), QStringLiteral("//"));
    const std::optional<QString> a
        = dialogs().Input(QStringLiteral("请输入表示回车的表示字符串"), QString(), current);
    if (!a || a->isEmpty())
        return;
    StoreReg("Para", "CrlfChr", *a);
    LineBreakMarker = *a;
}

bool ToggleTick(MainState &state, Tick tick)
{
    bool on = false;
    const char *name = "";
    switch (tick) {
    case Tick::SetPaper:
        on = !state.SetPaperTicked();
        state.SetMenuTicks(on, state.DiTuPrintTicked());
        name = "mSetPaper";
        break;
    case Tick::DiTuPrint:
        on = !state.DiTuPrintTicked();
        state.SetMenuTicks(state.SetPaperTicked(), on);
        name = "mDiTuPrint";
        break;
    case Tick::PrintRulers:
        on = !state.printRulersTicked;
        state.printRulersTicked = on;
        name = "mPrintRulers";
        state.SetMenuTicks(state.SetPaperTicked(), state.DiTuPrintTicked());
        break;
    }
    StoreReg("Validate", name, on ? QStringLiteral("1") : QString());
    return on;
}

QString AboutVersionText(const QString &caption)
{
    return QString(caption).replace(QStringLiteral("[EDITION]"), QStringLiteral("3.02"));
}

} // namespace dsg

#include "core/gridhelpers.h"

namespace dsg {

void DisplayCurrentRow(GridModel &m, qint32 r, qint32 &remembered)
{
    if (r == remembered || r < m.fixedRows() || r >= m.rows())
        return;
    SetRowBackColor(m, r, 0xDDDDDD);
    m.setRow(r);
    if (remembered >= m.fixedRows() && remembered < m.rows())
        SetRowBackColor(m, remembered, 0xFFFFFF);
    remembered = r;
}

} // namespace dsg
