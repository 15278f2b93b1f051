#include "designer/mainstate.h"

#include "core/controlrow.h"
#include "core/database.h"
#include "core/formatgrid.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/gridhelpers.h"
#include "core/helpers.h"
#include "core/progress.h"
#include "core/settings.h"
#include "designer/formatops.h"
#include "designer/recordservices.h"
#include "platform/dialogs.h"
#include "platform/fontmap.h"
#include "platform/numtext.h"
#include "platform/picturefile.h"
#include "properties/controlset.h"
#include "records/valueconversion.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <optional>

namespace dsg {

using namespace fmtgrid;

namespace {
const QString kOptionSep = QStringLiteral("§☆§");
constexpr double kDefaultWidthMm = 230, kDefaultHeightMm = 127;

QString Reg(const char *section, const char *name, const QString &def = QString())
{
    return GetRegSetting(QString::fromLatin1(kRegApp), QString::fromLatin1(section),
                         QString::fromLatin1(name), def);
}
} // namespace

MainState::MainState()
{
    LayoutFormatGrid(m_formatGrid);
    m_hooks.push_back(InstallPageScaleProvider([this] { return TwipsPerMm(); }));
    m_hooks.push_back(InstallCtlCountProvider([this](int c) { return m_ctls.Count(c); }));
    m_hooks.push_back(InstallControlSet(this));
    m_hooks.push_back(InstallFormatGridModel(&m_formatGrid));
}

MainState::~MainState()
{
    // Newest first, each taking out only what this state installed.
    while (!m_hooks.empty())
        m_hooks.pop_back();
    m_ctls.SetObserver(nullptr);
}

// ---------------------------------------------------------------- load/unload

void MainState::Load()
{
    db::EnsureColumn(QStringLiteral("Fmt"), QStringLiteral("SumID"), QStringLiteral("LONG"));
    db::EnsureColumn(QStringLiteral("Fmt"), QStringLiteral("SumID1"), QStringLiteral("LONG"));
    LineBreakMarker = Reg("Para", "CrlfChr", QStringLiteral("//"));
    EnsureAppSubDir(QStringLiteral("Temp"));
    m_setPaper = !Reg("Validate", "mSetPaper").isEmpty();
    m_diTuPrint = !Reg("Validate", "mDiTuPrint").isEmpty();
    printRulersTicked = !Reg("Validate", "mPrintRulers").isEmpty();
    m_ctls.ResetCtlCounters();
    LoadOptionChecks();
    const QString stored = LoadAppSettings(*this);
    const QString name
        = TheStartupRecord.FormatName.isEmpty() ? stored : TheStartupRecord.FormatName;
    SetFormatCaption(name);
    SelectFormat(name, true);
    if (m_view)
        m_view->CaptionsChanged();
}

bool MainState::Unload()
{
    const bool stored = static_cast<bool>(SaveDefaultRecord(m_lfmt));
    SaveOptionChecks();
    SaveAppSettings(*this, QString());
    return stored;
}

void MainState::LoadOptionChecks()
{
    const QString s = Reg("Validate", "DefaultSoftSet");
    if (s.isEmpty())
        return;
    const QStringList parts = num::Split(s, kOptionSep);
    for (int i = 0; i < parts.size() && i < 5; ++i)
        SetOption(i, num::ToLong(parts.at(i)));
}

void MainState::SaveOptionChecks()
{
    QString s;
    for (int i = 0; i < 5; ++i)
        s += num::Str(qint64(m_o2[size_t(i)])) + kOptionSep;
    SaveRegSetting(QString::fromLatin1(kRegApp), QStringLiteral("Validate"),
                   QStringLiteral("DefaultSoftSet"), s);
}

// -------------------------------------------------------------------- options

void MainState::O2_Click(int index)
{
    if (index == 0 || index == 4) {
        DrawRulers();
    } else if (index == 2) {
        m_lockedEnabled = m_o2[2] == 0;
        if (m_view)
            m_view->LockedItemsEnabled(m_lockedEnabled);
    }
}

void MainState::SetOption(int index, qint32 value)
{
    if (index < 0 || index >= 5 || m_o2[size_t(index)] == value)
        return;
    m_o2[size_t(index)] = value;
    if (m_view)
        m_view->OptionShown(index);
    O2_Click(index);
}

// -------------------------------------------------------------------- formats

void MainState::SetFormatCaption(const QString &name)
{
    if (name == m_lfmt)
        return;
    m_lfmt = name;
    LoadBackgroundPicture(name);
    if (m_view)
        m_view->CaptionsChanged();
}

void MainState::SelectFormat(const QString &name, bool reopen)
{
    dsg::SelectFormat(static_cast<FormatWindow &>(*this), name, reopen);
}

void MainState::OpenFormat(const QString &name)
{
    dsg::OpenFormat(*this, name);
}

void MainState::SetPageVisible(bool visible)
{
    m_pageVisible = visible;
    if (m_view)
        m_view->PageVisibilityChanged(visible);
}

sql::Status MainState::SaveDefaultRecord(const QString &formatName)
{
    return dsg::SaveDefaultRecord(*this, formatName);
}

void MainState::LoadDefaultRecord(const QString &formatName)
{
    dsg::LoadDefaultRecord(*this, formatName);
}

void MainState::AutoFillDates()
{
    dsg::AutoFillDates(*this);
}

std::optional<QString> MainState::ControlTag(qint32 index) const
{
    if (const DesignControl *c = m_ctls.GetCtlByIndex(index))
        return c->tag;
    return std::nullopt;
}

// ------------------------------------------------------------- PageControls

std::optional<qint32> MainState::ControlRow(qint32 index) const
{
    const DesignControl *c = m_ctls.GetCtlByIndex(index);
    if (!c || c->Row() < m_formatGrid.fixedRows() || c->Row() >= m_formatGrid.rows())
        return std::nullopt;
    return c->Row();
}

QString MainState::ControlValue(qint32 index) const
{
    const DesignControl *c = m_ctls.GetCtlByIndex(index);
    return c ? GetControlValue(*c) : QString();
}

void MainState::SetControlValue(qint32 index, const QString &value)
{
    if (DesignControl *c = m_ctls.GetCtlByIndex(index))
        SetControlValue(*c, value);
}

void MainState::SetInputText(qint32 index, const QString &text)
{
    DesignControl *c = m_ctls.GetCtlByIndex(index);
    if (!c || c->cls != InputBox || c->text == text)
        return;
    c->text = text;
    m_ctls.Changed(*c);
}

void MainState::SetInputBorder(qint32 index, int style)
{
    DesignControl *c = m_ctls.GetCtlByIndex(index);
    if (!c || c->cls != InputBox || c->borderStyle == style)
        return;
    c->borderStyle = style;
    m_ctls.Changed(*c);
}

// ------------------------------------------------------- records and HS

void MainState::FillGridRow(GridModel &grid, qint32 row)
{
    m_barCodesLater = true;
    ShowGridRow(grid, row);
    m_barCodesLater = false;
}

void MainState::ShowGridRow(GridModel &grid, qint32 row)
{
    const auto shown
        = rec::ShowGridRow(*this, grid, row, [this](qint32 index) { TT_LostFocus(*this, index); });
    if (!shown)
        return;
    m_recordShown = num::Str(qint64(*shown));
    if (m_view)
        m_view->RecordScrollChanged();
}

void MainState::SetupRecordScroll()
{
    m_recordScroll
        = rec::SetupRecordScroll(m_dataGrid, [this](qint32 row) { ShowGridRow(m_dataGrid, row); });
    m_recordShown = num::Str(qint64(m_recordScroll.value));
    if (m_view)
        m_view->RecordScrollChanged();
}

void MainState::HS_Change(qint32 value)
{
    if (value < 1 || value > m_recordScroll.max)
        return;
    m_recordScroll.value = value;
    if (m_recordScroll.max >= 2)
        ShowGridRow(m_dataGrid, value + 1);
}

// ----------------------------------------------------------------------- page

double MainState::TwipsPerMm() const
{
    const double w = num::Val(m_wid);
    if (!(w > 0) || !(m_page.width > 0))
        return 1440.0 / 25.4;
    return m_page.width / w;
}

void MainState::SetFrameSize(double width, double height)
{
    m_page.frameWidth = width;
    m_page.frameHeight = height;
}

void MainState::SetPageSize(double w, double h)
{
    if (!m_page.SetPageSize(w, h)) {
        // A stored size of 0 (or none) has no ratio: the page takes the
        // common waybill size and the labels show it.
        w = kDefaultWidthMm;
        h = kDefaultHeightMm;
        m_wid = num::Str(w);
        m_hie = num::Str(h);
        m_page.SetPageSize(w, h);
        if (m_view)
            m_view->CaptionsChanged();
    }
    if (m_view)
        m_view->PageGeometryChanged();
    O2_Click(0);
    O2_Click(4);
}

void MainState::DrawRulers()
{
    m_drawing = PageDrawing();
    m_drawing.background = m_o2[4] == 1 && !m_tp.isNull();
    ShowPromptLabels();
    if (m_o2[0] == 1) {
        m_drawing.rulers = true;
        m_drawing.plan = PlanRulers(m_page.width, m_page.height, num::Val(m_wid));
    }
    if (m_view)
        m_view->PageRedrawn();
}

void MainState::ShowPromptLabels()
{
    for (int c = 2; c >= 0; --c)
        for (qint32 i = LastCtlID(c); i >= FirstCtlID(c); --i)
            if (PromptLabel *l = m_ctls.Label(i); l && l->visible == m_drawing.background) {
                l->visible = !m_drawing.background;
                m_ctls.LabelChanged(i);
            }
}

void MainState::SetVScroll(qint32 v)
{
    m_page.SetVScroll(v);
    if (m_view)
        m_view->PageGeometryChanged();
}

void MainState::SetHScroll(qint32 v)
{
    m_page.SetHScroll(v);
    if (m_view)
        m_view->PageGeometryChanged();
}

void MainState::ZoomPage(double f)
{
    SetPageVisible(false);
    m_page.Zoom(f);
    if (m_view)
        m_view->PageGeometryChanged();
    RebuildKeepingContents(false);
    SetPageVisible(true);
}

void MainState::RebuildKeepingContents(bool showProgress)
{
    // Keep what was typed, ticked or shown while the controls are rebuilt.
    std::vector<std::pair<qint32, QString>> texts, contents;
    std::vector<std::pair<qint32, qint32>> values;
    m_ctls.ForEach([&](DesignControl &c) {
        if (c.cls == InputBox)
            texts.emplace_back(c.index, c.text);
        else if (c.cls == CheckBox)
            values.emplace_back(c.index, c.value);
        else if (c.cls == PictureBox)
            contents.emplace_back(c.index, c.linkItem);
    });
    ReloadFormat(showProgress);
    O2_Click(0);
    O2_Click(4);
    for (const auto &[i, t] : texts)
        if (DesignControl *c = m_ctls.GetCtlByIndex(i)) {
            c->text = t;
            m_ctls.Changed(*c);
        }
    for (const auto &[i, v] : values)
        if (DesignControl *c = m_ctls.GetCtlByIndex(i)) {
            c->value = v;
            m_ctls.Changed(*c);
        }
    // Bar codes are redrawn at the new size as well as pictures.
    for (const auto &[i, t] : contents)
        if (DesignControl *c = m_ctls.GetCtlByIndex(i); c && !t.isEmpty()) {
            SetPictureContent(*this, *c, t);
            m_ctls.Changed(*c);
        }
}

void MainState::Zm_Click(int index)
{
    double f = 0;
    if (index == 0)
        f = 0.1;
    else if (index == 1)
        f = -0.1;
    else if (index == 2)
        f = m_page.FitFactor();
    else
        return;
    ZoomPage(f);
}

bool MainState::ConfirmPageSize(const QString &tx, const QString &ty)
{
    const double w = num::Val(tx), h = num::Val(ty);
    if (!(w > 0) || !(h > 0)) {
        dialogs().Message(QStringLiteral("单据的宽度和高度都应大于0！"));
        return false;
    }
    const double r = w / h;
    if (r < 1.0 / 20 || r > 20) {
        dialogs().Message(QStringLiteral("单据的宽度与高度比例应为1：20到20：1之间！"));
        return false;
    }
    if (num::Val(m_wid) != w || num::Val(m_hie) != h) {
        m_wid = num::Str(w);
        m_hie = num::Str(h);
        if (m_view)
            m_view->CaptionsChanged();
        SetPageSize(w, h);
        RebuildKeepingContents(true);
    }
    return true;
}

void MainState::LoadBackgroundPicture(const QString &formatName)
{
    const QString path = GetBackgroundPicturePath(formatName);
    const PictureRead read = ReadPicture(path);
    m_tp = read.image;
    TellPictureFault(PictureFaultText(path, read));
}

void MainState::TellPictureFault(const QString &text, bool again)
{
    if (text.isEmpty() || (!again && m_picturesTold.contains(text)))
        return;
    m_picturesTold.insert(text);
    dialogs().Message(text);
}

// ------------------------------------------------------------ design controls

DesignControl *MainState::LoadNewControl(int cls, qint32 &row)
{
    DesignControl *ctl = m_ctls.LoadElement(cls, row < 1 ? 0 : row);
    if (!ctl) {
        if (cls >= 0 && cls <= 4 && !m_refusedShown) {
            m_refusedShown = true;
            dialogs().Message(QStringLiteral("每类内容框最多只能有999个，无法再添加！"));
        }
        return nullptr;
    }
    if (row < 1) {
        CtlToGridRow(*ctl);
        row = m_formatGrid.rows() - 1;
    }
    ctl->tag = num::Str(qint64(row));
    // A rebuild applies each row right away; otherwise show the template.
    if (!m_reloading)
        m_ctls.Changed(*ctl);
    return ctl;
}

void MainState::PlaceControlLabel(DesignControl &ctl, PromptLabel *label, int side)
{
    if (ctl.cls > PictureBox)
        return;
    qint32 index = ctl.index;
    if (!label) {
        if (DesignControl *owner = m_ctls.FindCtlByRow(m_formatGrid, ctl.Row()))
            index = owner->index;
        label = m_ctls.Label(index);
        if (!label)
            return;
    }
    if (side == -1)
        side = DirNameToCode(m_formatGrid.text(ctl.Row(), ColDir));
    PlaceLabel(ctl, *label, side);
    m_ctls.LabelChanged(index);
}

void MainState::SetControlValue(DesignControl &ctl, const QString &value)
{
    switch (ctl.cls) {
    case InputBox: {
        QString t = value;
        if (!LineBreakMarker.isEmpty())
            t.replace(LineBreakMarker, QStringLiteral("\r\n"));
        ctl.text = t;
        break;
    }
    case CheckBox:
        ctl.value = num::Trim(value).isEmpty() ? 0 : 1;
        break;
    case PictureBox:
        SetPictureContent(*this, ctl, value, !m_barCodesLater);
        break;
    default:
        return;
    }
    m_ctls.Changed(ctl);
}

QString MainState::GetControlValue(const DesignControl &ctl) const
{
    switch (ctl.cls) {
    case InputBox:
        return ctl.text;
    case CheckBox:
        return ctl.value == 0 ? QString() : num::Str(qint64(ctl.value));
    case PictureBox:
        return ctl.linkItem;
    default:
        return QString();
    }
}

QString MainState::AskControlClass()
{
    DialogResult = m_classChooser ? m_classChooser() : QString();
    return DialogResult;
}

DesignControl *MainState::AddControl(int &cls)
{
    if (cls == -1) {
        // The chooser waits while the event loop runs: this state may go.
        const auto life = Life();
        const QString answer = AskControlClass();
        if (life.expired() || answer.isEmpty())
            return nullptr;
        cls = qint16(num::ToLong(answer));
    }
    // Every refused addition says why.
    m_refusedShown = false;
    qint32 row = 0;
    DesignControl *ctl = LoadNewControl(cls, row);
    if (ctl && ctl->cls <= PictureBox)
        PlaceControlLabel(*ctl, nullptr, -1);
    return ctl;
}

void MainState::DeleteRowControls(GridModel &grid, bool ask)
{
    if (grid.fixedRows() == grid.rows())
        return;
    qint32 first = grid.row(), last = grid.rowSel();
    if (first > last)
        std::swap(first, last);
    if (ask
        && !dialogs().AskYesNo(QStringLiteral("您确定要删除第") + num::Str(qint64(first - 1))
                               + QStringLiteral("行至第") + num::Str(qint64(last - 1))
                               + QStringLiteral("行对应的输入框？")))
        return;
    DeleteGridRows(grid, first, last, false);
    ReloadFormat(true);
    LoadDefaultRecord(m_lfmt);
}

void MainState::DeleteSelectedControls(const DesignControl &current)
{
    if (!dialogs().AskYesNo(QStringLiteral("您确定要删除选定的输入框和当前输入框？")))
        return;
    SetPageVisible(false);
    const qint32 currentIndex = current.index;
    std::vector<qint32> rows;
    m_ctls.ForEach([&](DesignControl &c) {
        if (IsControlSelected(c) || c.index == currentIndex)
            rows.push_back(c.Row());
    });
    // From the highest row down, so that no removal shifts a row still to go.
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (qint32 r : rows) {
        if (r < m_formatGrid.fixedRows() || r >= m_formatGrid.rows())
            continue;
        qint32 first = r, last = r;
        DeleteGridRows(m_formatGrid, first, last, false);
    }
    ReloadFormat(true);
    LoadDefaultRecord(m_lfmt);
    SetPageVisible(true);
}

// --------------------------------------------------- property synchronisation

qint32 MainState::CtlToGridRow(DesignControl &ctl)
{
    GridModel &g = m_formatGrid;
    const double r = m_page.width > 0 ? m_page.frameWidth / m_page.width : 1.0;
    const double s = TwipsPerMm();
    const qint32 row = ctl.Row();
    fmtgrid::ControlRow v;
    if (row == 0) {
        v.id = NewTempCtlID(g);
        v.side = 1; // 左边
    } else if (const auto stored = ReadControlRow(g, row)) {
        v = *stored;
    } else {
        return row;
    }
    if (ctl.cls <= PictureBox) {
        if (const PromptLabel *l = m_ctls.Label(ctl.index))
            v.prompt = l->caption;
    } else if (ctl.cls == LineCtl) {
        v.prompt = QStringLiteral("线条");
    } else {
        v.prompt = ctl.caption;
    }
    const auto mm = [&](double tw) { return PageTwipsToMm(tw, s); };
    if (ctl.cls == LineCtl) {
        v.x = mm(ctl.x1);
        v.y = mm(ctl.y1);
        v.w = mm(ctl.x2);
        v.h = mm(ctl.y2);
        v.font.name = QStringLiteral("宋体");
        v.font.size = ctl.borderWidth * r;
        // A selected line shows the selection grey, not its own colour: the
        // stored colour stays.
        if (!IsControlSelected(ctl))
            v.color = ctl.borderColor;
        v.cash = ctl.borderStyle;
    } else {
        v.x = mm(ctl.left);
        v.y = mm(ctl.top);
        v.w = mm(ctl.width);
        v.h = mm(ctl.height);
        const FontSpec font = ctl.Font();
        v.font = font;
        v.font.size = font.size * r;
        v.color = ctl.foreColor;
    }
    v.cls = ctl.cls;
    if (row == 0)
        return AppendControlRow(g, v);
    WriteControlRow(g, row, v);
    return row;
}

void MainState::ApplyGridRowToCtl(qint32 row, DesignControl *ctl)
{
    const GridModel &g = m_formatGrid;
    const auto v = ReadControlRow(g, row);
    if (!v)
        return;
    const double z = ZoomFactor();
    const double s = TwipsPerMm();
    if (!ctl)
        ctl = m_ctls.FindCtlByRow(g, row);
    if (!ctl)
        return;
    const auto tw = [&](double mm) { return MmToPageTwips(mm, s); };
    PromptLabel *label = ctl->cls <= PictureBox ? m_ctls.Label(ctl->index) : nullptr;

    if (ctl->cls == LineCtl) {
        ctl->x1 = tw(v->x);
        ctl->y1 = tw(v->y);
        ctl->x2 = tw(v->w);
        ctl->y2 = tw(v->h);
        if (const qint32 bw = num::ToLong(v->font.size * z); bw >= 1)
            ctl->borderWidth = bw;
        if (v->cash >= fontmap::Solid && v->cash <= fontmap::InsideSolid)
            ctl->borderStyle = v->cash;
        ctl->borderColor = v->color;
    } else {
        ctl->left = tw(v->x);
        ctl->top = tw(v->y);
        if (ctl->cls != CheckBox) {
            ctl->width = qMax(0, tw(v->w));
            ctl->height = qMax(0, tw(v->h));
        }
        ctl->foreColor = v->color;
        FontSpec font = ctl->Font();
        if (!v->font.name.isEmpty())
            font.name = v->font.name;
        if (ctl->cls != CheckBox)
            if (const double fs = v->font.size * z; fs > 0)
                font.size = fs;
        font.bold = v->font.bold;
        font.italic = v->font.italic;
        font.underline = v->font.underline;
        font.strikeOut = v->font.strikeOut;
        ctl->SetFont(font);
        const qint32 align = v->Alignment();
        if (ctl->cls == CheckBox ? (align == 0 || align == 1)
                                 : (ctl->cls != PictureBox && align >= 0 && align <= 2))
            ctl->alignment = align;
    }
    if (ctl->cls == LabelCtl)
        ctl->caption = v->prompt;
    if (label)
        label->caption = v->prompt;
    if (ctl->cls == InputBox) {
        ctl->borderStyle = conv::BorderForCode(v->cash);
        if (IsRightAlignedCode(v->cash))
            ctl->alignment = 1;
        if (label && label->caption.isEmpty()) {
            // A fixed-text box shows the text stored with its record. A
            // record stored while the box still had a prompt holds no text:
            // NULL, or an empty text in rows that came from an exchange
            // file. Either way the box keeps what it shows.
            auto rs = db::OpenRecordset(QStringLiteral("SELECT Mem FROM Fmt WHERE ID=?"), {v->id});
            if (rs && !rs->empty())
                if (const QString mem = num::Text(rs->value(0, 0)); !mem.isEmpty())
                    ctl->text = mem;
        }
    }
    if (label) {
        PlaceLabel(*ctl, *label, v->side);
        m_ctls.LabelChanged(ctl->index);
    }
    m_ctls.Changed(*ctl);
}

void MainState::CopyCtlProperties(DesignControl &source, DesignControl &target, bool useTarget)
{
    GridModel &g = m_formatGrid;
    const qint32 s = source.Row();
    const qint32 d = useTarget ? target.Row() : s;
    if (d != s && s >= g.fixedRows() && s < g.rows() && d >= g.fixedRows() && d < g.rows()) {
        for (qint32 c = ColLBL; c <= ColSumID1; ++c)
            g.setText(d, c, g.text(s, c));
        g.setBackColor(d, ColColor, g.backColor(s, ColColor));
    }
    ApplyGridRowToCtl(d, nullptr);
}

void MainState::ReloadFormat(bool showProgress)
{
    GridModel &g = m_formatGrid;
    std::optional<LongWork> work;
    if (showProgress) {
        work.emplace();
        ShowIndicator(QStringLiteral("重新加载格式……"), g.rows());
    }
    m_ctls.UnloadAllControls();
    if (showProgress)
        StepIndicator(1, QStringLiteral("pages"));
    m_refusedShown = false;
    m_reloading = true;
    for (qint32 r = g.fixedRows(); r < g.rows(); ++r) {
        const qint32 cls = num::ToLong(g.text(r, ColClas));
        if (cls >= 0 && cls <= 4) {
            qint32 row = r;
            if (DesignControl *ctl = LoadNewControl(cls, row))
                ApplyGridRowToCtl(r, ctl);
        }
        if (showProgress)
            StepIndicator(1, QStringLiteral("pages"));
    }
    m_reloading = false;
    // New labels follow the page as last drawn, whatever rebuilt them.
    ShowPromptLabels();
    if (showProgress)
        CloseIndicator();
}

// ------------------------------------------------------------------ FormatHost

void MainState::SetPageSizeTexts(const QString &width, const QString &height)
{
    m_wid = width;
    m_hie = height;
    if (m_view)
        m_view->CaptionsChanged();
}

void MainState::SetOffsetTexts(const QString &x, const QString &y)
{
    m_mx = x;
    m_my = y;
    if (m_view)
        m_view->CaptionsChanged();
}

void MainState::SetMenuTicks(bool setPaper, bool diTuPrint)
{
    m_setPaper = setPaper;
    m_diTuPrint = diTuPrint;
    if (m_view)
        m_view->CaptionsChanged();
}

std::optional<QString> MainState::FixedInputText(qint32 row) const
{
    const DesignControl *ctl = m_ctls.FindCtlByRow(m_formatGrid, row);
    if (!ctl || ctl->cls != InputBox)
        return std::nullopt;
    const PromptLabel *l = m_ctls.Label(ctl->index);
    if (!l || !l->caption.isEmpty())
        return std::nullopt;
    return ctl->text;
}

} // namespace dsg
