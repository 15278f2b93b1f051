#pragma once
// The main window MF: the tab control with the page of the open format (its
// frame, the page, the page scroll bars, the size and offset labels, the
// options, the zoom buttons and the tool buttons), the imported records and
// the print history; the menu bar. The window shows the widget-free
// MainState; the format store reaches the state through the format host.

#include "designer/formatops.h"
#include "designer/mainstate.h"
#include "designer/ui/importcommands.h"
#include "designer/ui/pagesizedialog.h"
#include "platform/hookslot.h"
#include "properties/ui/propertydialogs.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QTabWidget;
class QTimer;
class GridView;

namespace props {
class PropertyDialogs;
}

namespace dsg {

class PageWidget;
class PageInput;

class MainWindow : public QMainWindow, public MainView
{
    Q_OBJECT
public:
    // Creates the window and runs its opening: caption, layout on the
    // screen's work area, settings, and the current format.
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    MainState &State() { return m_state; }
    // Lays the window out for a screen (pixels) and its work area, as the
    // opening does for the primary screen: the whole frame, title bar
    // included, fills the work area.
    void ArrangeOnScreen(const QRect &screenGeometry, const QRect &workArea);
    PageWidget *Page() const { return m_pg; }
    QFrame *PageFrame() const { return m_pfrm; }
    QScrollBar *VScroll() const { return m_vs; }
    QScrollBar *HScroll() const { return m_phs; }
    QCheckBox *Option(int i) const { return m_o2[size_t(i)]; }
    QPushButton *ZoomButton(int i) const { return m_zm[size_t(i)]; }
    QPushButton *Com(int i) const;
    QLabel *WidLabel() const { return m_wid; }
    QLabel *HieLabel() const { return m_hie; }
    QLabel *FormatLabel() const { return m_lfmt0; }
    QAction *CtlSameMenu() const { return m_ctlSame; }
    PageSizeDialog *SizeDialog() const { return m_formSize; }
    // Import, export and background-picture commands (the page menu's
    // picture items call ImportBackgroundPicture / ClearBackgroundPicture).
    ImportCommands &Import() { return *m_import; }

    // Whether closing this window closes every other window (the program's
    // main window does; windows made by tests do not).
    void SetEndsProgram(bool on) { m_endsProgram = on; }

    // The tool buttons' handler (also the print menu's and Enter in KWord).
    void Com_Click(int index);
    // The page's mouse, keys and input boxes.
    PageInput *Input() const { return m_input; }
    QWidget *AboutBox() const { return m_about; }
    // mCtlSet_Click: the property dialog of the control with that index,
    // modeless, loaded with its row (designer/ui/propertycommands.cpp).
    void mCtlSet_Click(qint32 index);
    // Adds a control of the class and opens its property dialog on it.
    void AddControlWithDialog(int cls);
    props::PropertyDialogs &PropertyDialogs() { return *m_propDialogs; }
    // Zm_Click.
    void Zm_Click(int index);
    // SST_Click: the history tab reloads its grid whenever it is shown.
    void SST_Click(int previousTab);
    // The history tab's buttons: 20 apply, 21 delete the selected rows,
    // 22 delete all rows, 24 search for KWord's text.
    void HistoryCommand(int index);
    // The print commands: 0 print, 1 batch print, 36 calibration.
    void PrintCommand(int index);
    QTabWidget *Tabs() const { return m_sst; }
    QScrollBar *RecordScroll() const { return m_hs; }
    QLabel *RecordLabel(int i) const { return m_rnum[size_t(i)]; }
    QLineEdit *KeyWord() const { return m_kword; }
    // The timer that starts the command line's automatic import 10 s after
    // the window is made.
    QTimer *AutoImportTimer() const { return m_newEditionTimer; }

    // MainView
    void PageGeometryChanged() override;
    void PageRedrawn() override;
    void PageVisibilityChanged(bool visible) override;
    void OptionShown(int index) override;
    void LockedItemsEnabled(bool enabled) override;
    void CaptionsChanged() override;
    void RecordScrollChanged() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void BuildMenus();
    void WireFormatMenu(QMenu *fmt);
    void WirePrintCommands();
    void BuildPageTab(QWidget *pic);
    void BuildDataTab(QWidget *pic);
    void BuildHistoryTab(QWidget *pic);
    void ConnectRecordControls();
    void ArrangeMainForm();
    // Puts the frame on m_frameTarget with the frame's margins as known now.
    void PlaceFrame();
    // Places the frame again when its margins became known (the window
    // manager frames a window only once it is shown) or changed.
    void FrameMarginsMayHaveChanged();
    QPushButton *MakeCom(int index, const QString &text, const QString &tip, QWidget *parent);
    // The menu commands, the grids' and labels' handlers (maincommands.cpp).
    void WireCommands();
    // Places the strip above the page left to right, each part as wide as
    // its captions need.
    void ArrangeToolStrip();
    void ShowAbout();

    MainState m_state;
    // The format list's delete button deletes through this window's state
    // while the window exists.
    HookHandle m_deleteHook;
    HookHandle m_downloadHook;
    // Clearing DataGrid's records rebinds the record scroll bar.
    HookHandle m_recordScrollHook;
    QTabWidget *m_sst = nullptr;
    std::array<QWidget *, 3> m_pic {};
    QFrame *m_pfrm = nullptr;
    PageWidget *m_pg = nullptr;
    QScrollBar *m_phs = nullptr, *m_vs = nullptr, *m_hs = nullptr;
    std::array<QCheckBox *, 5> m_o2 {};
    std::array<QPushButton *, 3> m_zm {};
    std::map<int, QPushButton *> m_com;
    QLabel *m_wid = nullptr, *m_hie = nullptr, *m_mx = nullptr, *m_my = nullptr;
    QLabel *m_lfmt0 = nullptr, *m_lbl = nullptr;
    std::array<QLabel *, 2> m_rnum {};
    QLineEdit *m_kword = nullptr;
    QGroupBox *m_frm1 = nullptr;
    GridView *m_dataView = nullptr, *m_historyView = nullptr, *m_formatView = nullptr;
    GridView *m_fmsf = nullptr;
    QAction *m_ctlSame = nullptr;
    QAction *m_setPaper = nullptr, *m_diTuPrint = nullptr, *m_printRulers = nullptr;
    QTimer *m_newEditionTimer = nullptr;
    QPointer<PageSizeDialog> m_formSize;
    std::unique_ptr<ImportCommands> m_import;
    PageInput *m_input = nullptr;
    QPointer<QWidget> m_about, m_modiPsd;
    // The row DisplayCurrentRow last highlighted, shared by the grids.
    qint32 m_shownRow = 0;
    std::unique_ptr<props::PropertyDialogs> m_propDialogs;
    void WirePropertyCommands(QMenu *ctlMenu);
    bool m_syncing = false;
    // Where the laid-out frame goes, and the frame margins it was placed
    // with; the target is dropped once a real frame was placed, so that the
    // user's own moves are never undone.
    std::optional<QRect> m_frameTarget;
    QMargins m_placedMargins;
    bool m_unloaded = false;
    // The last save of the format failed: its edits live only on the page.
    bool m_unsavedAfterFailure = false;
    // After 保存格式, 另存格式 or 新建格式: a refused save is said and
    // closing asks first; a stored format clears that; a cancel changes nothing.
    void SaveEnded(SaveOutcome outcome);
    bool m_endsProgram = false;
};

// Installs the main window as the one the start-up shows.
void InstallMainWindowFactory();

} // namespace dsg
