#pragma once
// The main window without widgets: the open format's name, page size and
// offset labels, menu ticks, the five options, the page and its scroll bars,
// the background picture, the grids (DataGrid, history, FormatGrid) and the
// design controls. It opens and closes the window's state, opens formats,
// zooms, resizes the page and keeps controls and FormatGrid rows in step.
// The window (designer/ui) shows this state through the MainView interface;
// tests drive it directly.

#include "core/formathost.h"
#include "designer/designcontrols.h"
#include "designer/formatwindow.h"
#include "designer/pagegeometry.h"
#include "designer/rulers.h"
#include "platform/gridmodel.h"
#include "platform/numtext.h"
#include "properties/controlset.h"
#include "properties/pagecontrols.h"
#include "properties/propertyhost.h"
#include "records/recordstep.h"

#include <QImage>
#include <QSet>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace dsg {

// What the window does when the state changes.
class MainView
{
public:
    virtual ~MainView() = default;
    // PG moved or resized, or the scroll bars changed.
    virtual void PageGeometryChanged() { }
    // The page was redrawn (rulers, background, prompt-label visibility).
    virtual void PageRedrawn() { }
    // PG hidden or shown.
    virtual void PageVisibilityChanged(bool) { }
    // An option's value changed (the check box shows it).
    virtual void OptionShown(int) { }
    // The items locked by "锁定格式" are enabled or not.
    virtual void LockedItemsEnabled(bool) { }
    // Labels Wid, Hie, M_X, M_Y, LFMT(0) or the menu ticks changed.
    virtual void CaptionsChanged() { }
    // A message that a control could not be added.
    virtual void Refused(const QString &) { }
    // The record scroll bar HS or the record labels R_Num changed.
    virtual void RecordScrollChanged() { }
};

// The drawing of the page as the last DrawRulers left it.
struct PageDrawing
{
    bool background = false; // TP stretched over the page
    bool rulers = false;
    RulerPlan plan;
};

class MainState : public FormatHost, public FormatWindow, public ControlSet, public PropertyHost
{
public:
    MainState();
    ~MainState() override;

    void SetView(MainView *view) { m_view = view; }

    // ---- window load and unload ----
    // Opening the window: database upgrade, settings, options and the current
    // format (the caption and the layout are the window's).
    void Load();
    // Closing the window: the default record, the options and the settings
    // row are stored. False when the database refused the default record.
    bool Unload();
    void LoadOptionChecks();
    void SaveOptionChecks();

    // ---- options ----
    // Sets an option's value; a change runs O2_Click as a click does.
    void SetOption(int index, qint32 value);
    qint32 Option(int index) const { return index >= 0 && index < 5 ? m_o2[size_t(index)] : 0; }
    bool LockedItemsEnabled() const { return m_lockedEnabled; }

    // ---- formats (through the format operations) ----
    // SelectFormat(name, reopen); "" lets the user choose.
    void SelectFormat(const QString &name, bool reopen);
    void OpenFormat(const QString &name);

    // ---- page ----
    PageGeometry &Page() { return m_page; }
    const PageGeometry &Page() const { return m_page; }
    // The frame's size, from the window's layout.
    void SetFrameSize(double width, double height);
    void DrawRulers();
    const PageDrawing &Drawing() const { return m_drawing; }
    bool PageVisible() const { return m_pageVisible; }
    void SetVScroll(qint32 v);
    void SetHScroll(qint32 v);
    // ZoomPage(f) and the three zoom buttons.
    void ZoomPage(double f);
    void Zm_Click(int index);
    // The page size dialog's confirm: true when the dialog may close; a
    // refused size shows the message and returns false.
    bool ConfirmPageSize(const QString &tx, const QString &ty);
    // Twips per millimetre on the page; zoom factor PG.Width / PFrm.Width.
    double TwipsPerMm() const;
    double ZoomFactor() const { return m_page.ZoomFactor(); }

    // ---- background picture (TP) ----
    // The picture the page shows and the printer prints, read once when
    // the format is opened (or its picture imported or cleared).
    const QImage &BackgroundPicture() const { return m_tp; }
    // Reads the format's picture file; one that is there but cannot be read
    // is told (TellPictureFault) and leaves the background empty.
    void LoadBackgroundPicture(const QString &formatName);
    // Tells the user why a picture file was not read, once a run for each
    // text: a picture shown again, printed again or given again to a box by
    // the next record is not told again; the user's own choice of the file
    // (again true) is told every time. An empty text tells nothing.
    void TellPictureFault(const QString &text, bool again = false);

    // ---- design controls ----
    DesignControls &Controls() { return m_ctls; }
    GridModel &HistoryGrid() { return m_historyGrid; }
    DesignControl *GetCtlByIndex(qint32 index) const { return m_ctls.GetCtlByIndex(index); }
    // LoadNewControl(class, row): a row below 1 captures the control into a
    // new last row. nullptr (with the message) when the class is full.
    DesignControl *LoadNewControl(int cls, qint32 &row);
    // PlaceControlLabel(control, label or none, side or -1).
    void PlaceControlLabel(DesignControl &ctl, PromptLabel *label, int side);
    void SetControlValue(DesignControl &ctl, const QString &value);
    QString GetControlValue(const DesignControl &ctl) const;

    // ---- adding and deleting design controls ----
    // The class chooser (SelFormat in its class mode), installed by the
    // window: the chosen class code as text, "" when cancelled.
    void SetControlClassChooser(std::function<QString()> chooser)
    {
        m_classChooser = std::move(chooser);
    }
    // AskControlClass: the chooser's answer, also left in DialogResult.
    QString AskControlClass();
    // AddControl: a new control of class cls with a new last row of
    // FormatGrid, at the template's place. cls -1 asks the user and hands
    // the chosen class back. nullptr when cancelled or refused.
    DesignControl *AddControl(int &cls);
    // DeleteRowControls: removes the controls of the rows selected in the
    // grid (FormatGrid), asking first when ask is true, and rebuilds.
    void DeleteRowControls(GridModel &grid, bool ask);
    // DeleteSelectedControls: after asking, removes every selected control
    // and the current one, and rebuilds.
    void DeleteSelectedControls(const DesignControl &current);

    // ---- property synchronisation ----
    qint32 CtlToGridRow(DesignControl &ctl);
    void ApplyGridRowToCtl(qint32 row, DesignControl *ctl);
    void CopyCtlProperties(DesignControl &source, DesignControl &target, bool useTarget);

    // ---- menu ticks ----
    bool printRulersTicked = false;

    // ---- FormatHost ----
    QString CurrentFormatName() const override { return m_lfmt; }
    QString PageWidthText() const override { return m_wid; }
    QString PageHeightText() const override { return m_hie; }
    QString OffsetXText() const override { return m_mx; }
    QString OffsetYText() const override { return m_my; }
    void SetPageSizeTexts(const QString &width, const QString &height) override;
    void SetOffsetTexts(const QString &x, const QString &y) override;
    bool SetPaperTicked() const override { return m_setPaper; }
    bool DiTuPrintTicked() const override { return m_diTuPrint; }
    void SetMenuTicks(bool setPaper, bool diTuPrint) override;
    qint32 OptionValue(int index) const override { return Option(index); }
    void SetOptionValue(int index, qint32 value) override { SetOption(index, value); }
    qint32 ScreenWidthTwips() const override { return m_screenWidth; }
    double FontScale() const override { return m_fontScale; }
    void SetFontScale(double scale) override { m_fontScale = scale; }
    std::optional<QString> FixedInputText(qint32 row) const override;
    void SelectFormat(const QString &name) override { SelectFormat(name, false); }

    // ---- FormatWindow ----
    FormatHost &Host() override { return *this; }
    QString FormatCaption() const override { return m_lfmt; }
    // LFMT(0).Caption; a change loads that format's background picture.
    void SetFormatCaption(const QString &name) override;
    void SetPageVisible(bool visible) override;
    void SetPageSize(double w, double h) override;
    GridModel &DataGrid() override { return m_dataGrid; }
    GridModel &FormatGrid() override { return m_formatGrid; }
    void ReloadFormat(bool showProgress) override;
    sql::Status SaveDefaultRecord(const QString &formatName) override;
    void LoadDefaultRecord(const QString &formatName) override;
    void AutoFillDates() override;
    void O2_Click(int index) override;

    // ---- ControlSet ----
    std::optional<QString> ControlTag(qint32 index) const override;

    // ---- PropertyHost over PageControls (designer/mainstate_properties.cpp) ----
    bool ControlSelected(qint32 index) const override;
    void ApplyRowToControl(qint32 row) override;
    void InputBoxLeft(qint32 index) override;
    std::optional<qint32> AddControlOfClass(qint32 cls) override;
    quint64 ControlsGeneration() const override;

    // ---- PageControls (FormatGrid() is FormatWindow's) ----
    QString FormatName() const override { return m_lfmt; }
    qint32 ControlCount(qint32 cls) const override { return m_ctls.Count(int(cls)); }
    std::optional<qint32> ControlRow(qint32 index) const override;
    QString ControlValue(qint32 index) const override;
    void SetControlValue(qint32 index, const QString &value) override;
    void SetInputText(qint32 index, const QString &text) override;
    void SetInputBorder(qint32 index, int style) override;

    // ---- imported records (DataGrid) and the record scroll bar HS ----
    // SetupRecordScroll over DataGrid: the first record shown, HS bound.
    void SetupRecordScroll();
    // HS_Change: the record of the bar's value when there are two or more.
    void HS_Change(qint32 value);
    // ShowGridRow(grid, row) with the main window's lost-focus processing;
    // R_Num(1) follows.
    void ShowGridRow(GridModel &grid, qint32 row);
    // ShowGridRow for printing a batch: the picture boxes' bar codes, which
    // only the screen shows, are drawn when the page is shown next
    // (ShowGridRow, or the page painting them).
    void FillGridRow(GridModel &grid, qint32 row);
    const rec::RecordScroll &RecordScroll() const { return m_recordScroll; }
    // R_Num(0) and R_Num(1).
    QString RecordCountText() const { return num::Str(qint64(m_recordScroll.max)); }
    QString RecordShownText() const { return m_recordShown; }

    void SetScreenWidthTwips(qint32 w) { m_screenWidth = w; }

private:
    // Rebuilds the design controls from FormatGrid (at the page's current
    // scale) and redraws the page, keeping what the page shows: typed texts,
    // ticks and picture contents.
    void RebuildKeepingContents(bool showProgress);
    // Prompt labels are hidden exactly while the background picture shows.
    void ShowPromptLabels();
    MainView *m_view = nullptr;
    DesignControls m_ctls;
    GridModel m_formatGrid, m_dataGrid, m_historyGrid;
    PageGeometry m_page;
    PageDrawing m_drawing;
    QImage m_tp;
    bool m_pageVisible = true;
    std::array<qint32, 5> m_o2 {};
    bool m_lockedEnabled = true;
    QString m_wid = QStringLiteral("0"), m_hie = QStringLiteral("0");
    QString m_mx = QStringLiteral("0"), m_my = QStringLiteral("0");
    QString m_lfmt = QStringLiteral("上次退出时格式");
    bool m_setPaper = false, m_diTuPrint = false;
    qint32 m_screenWidth = 15360;
    double m_fontScale = 1.0;
    bool m_refusedShown = false;
    QSet<QString> m_picturesTold;
    std::function<QString()> m_classChooser;
    bool m_reloading = false;
    bool m_barCodesLater = false; // FillGridRow is running
    rec::RecordScroll m_recordScroll;
    QString m_recordShown = QStringLiteral("1");
    // What this state installed into the lower libraries (page scale, control
    // counts, control set, format grid); taken out when it goes.
    std::vector<HookHandle> m_hooks;
};

// The registry application name of every setting.
inline constexpr const char *kRegApp = "PQT_V";

} // namespace dsg
