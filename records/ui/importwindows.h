#pragma once
// The import windows: the sheet window "选择要导入数据所在的工作表" that lists
// a workbook's sheets for a tick, and the mapping window "导入数据映射" where
// the user writes each box's column map and the rows to import. While
// either is open it is modal: the main window takes no input. Also the flows that use
// them: choosing the import file (SelectImportFile), showing the mapping
// window (ShowImportMapping) and the automatic import of the command line's
// rows (AutoImport).

#include "records/importfile.h"
#include "records/importmapping.h"

#include <QDeadlineTimer>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class GridView;
class QLabel;
class QLineEdit;
class QPushButton;
struct StartupRecord;

namespace imp {

// What the import windows use of the main window.
struct ImportHost
{
    QWidget *mainWindow = nullptr; // blocked while a window is open (modal)
    PageControls *page = nullptr;
    GridModel *dataGrid = nullptr;
    ImportChoice *choice = nullptr;
    // After a reading: the record scroll bar bound to DataGrid and the
    // grid shown (SetupRecordScroll).
    std::function<void()> afterImport;
};

class SheetsWindow : public QWidget
{
    Q_OBJECT
public:
    // Lists the sheets of the choice's workbook; single choice when mode is
    // 1. A workbook that cannot be read shows "无法打开XLS文件！" (a helper
    // that cannot run, its own message; a cancelled read, none) and the
    // window closes with no sheet chosen.
    SheetsWindow(ImportHost host, int mode);
    ~SheetsWindow() override;

    GridView *SHL() const { return m_shl; }
    QPushButton *Img(int i) const { return m_img[size_t(i)]; }
    const SheetList &Sheets() const { return m_sheets; }
    // A click on grid row r (row 0 is the header).
    void SHL_Click(qint32 r);
    // 0 takes the ticked sheets into the choice, 1 cancels.
    void Img_Click(int index);

private:
    void ShowTicks();

    ImportHost m_host;
    bool m_single = true;
    SheetList m_sheets;
    GridModel m_grid;
    GridView *m_shl = nullptr;
    std::array<QPushButton *, 2> m_img {};
};

class InputMapWindow : public QWidget
{
    Q_OBJECT
public:
    // Form_Load: modal over the main window, builds the preview (showing a
    // message for a file it cannot show), lists the boxes and puts in the
    // saved maps and row texts. With a deadline the preview and the import
    // read the workbook until it (the automatic import's one time limit);
    // without, each read has kXlsTimeLimitMs.
    explicit InputMapWindow(ImportHost host, std::optional<QDeadlineTimer> deadline = {});
    ~InputMapWindow() override;

    ImportMapping &Mapping() { return m_mapping; }
    GridView *M0() const { return m_m0; }
    GridView *M1() const { return m_m1; }
    QLineEdit *T(int i) const { return m_t[size_t(i)]; }
    QLineEdit *Editor() const { return m_tt; }
    QPushButton *Com(int i) const { return m_com[size_t(i)]; }
    // 0 imports (when the choice is complete and the rows are accepted) and
    // closes; 1 closes. Refused rows or interval keep the window open, and
    // then it returns true.
    bool COM_Click(int index);
    // The editor laid over a cell of M1 (only column 4 of a data row).
    void M1_Click(qint32 row, qint32 col);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QDeadlineTimer ReadDeadline() const;

    ImportHost m_host;
    ImportMapping m_mapping;
    std::optional<QDeadlineTimer> m_deadline;
    GridView *m_m0 = nullptr, *m_m1 = nullptr;
    std::array<QLineEdit *, 3> m_t {};
    QLineEdit *m_tt = nullptr;
    QLabel *m_help = nullptr;
    std::array<QPushButton *, 2> m_com {};
    bool m_saved = false;
};

// SelectImportFile(mode): empties the choice, asks for the file and, for
// any file but a CSV, shows the sheet window and waits until it closes.
void SelectImportFile(int mode, ImportHost &host);
// ShowImportMapping: the mapping window, shown when the choice is complete;
// nullptr otherwise.
InputMapWindow *ShowImportMapping(ImportHost &host);
// AutoImport: hands the command line's rows of its data file to the
// mapping window. A workbook's sheet is the first one with the automatic
// flag, the user's choice without it. With the flag the import runs at
// once: rows the import would refuse are refused before anything is read,
// the reads of the sheet names, the preview and the records share one time
// limit, and a failed read (its message shown) ends it; saved rows the
// import refuses (its message shown) show the window for the user to set
// them again; without the flag the window is shown for the user.
void AutoImport(StartupRecord &record, ImportHost &host, int timeLimitMs = kXlsTimeLimitMs);

} // namespace imp
