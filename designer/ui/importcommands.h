#pragma once
// The main window's import and export commands: import (Com 10: the file,
// the sheet, then the mapping window), deleting the selected imported rows
// (Com 11), clearing them (Com 12), exporting the print history (Com 23),
// the automatic import of the command line's rows, and importing and
// clearing the open format's background picture. The chosen import file and
// sheet live here between imports.

#include "records/importmapping.h"
#include "records/ui/importwindows.h"

#include <QtGlobal>

class QWidget;
struct StartupRecord;

namespace dsg {

class MainState;

class ImportCommands
{
public:
    ImportCommands(QWidget *window, MainState &state);

    // Com_Click for 10, 11, 12 and 23; false for any other index.
    bool Com_Click(int index);
    // NewEditionTimer's tick.
    void AutoImport(StartupRecord &record);
    // mModiBackgroundPic_Click and mClearBackPic_Click.
    void ImportBackgroundPicture();
    void ClearBackgroundPicture();

    imp::ImportChoice &Choice() { return m_choice; }
    imp::ImportHost Host();

private:
    QWidget *m_window;
    MainState &m_state;
    imp::ImportChoice m_choice;
};

inline constexpr const char *kHistoryExportTitle = "沃栎快递单打印历史数据";

} // namespace dsg
