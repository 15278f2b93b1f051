#pragma once
// Program-wide state shared by the windows: the answer of the last chooser
// dialog, the clicked cell of the mapping grids, the line-break marker, the
// command-line request, and the index range of each design-control class.

#include "platform/hookslot.h"

#include <QString>
#include <functional>

// The command-line request: a format to open and rows of a data file to
// import, possibly at once.
struct StartupRecord
{
    QString FormatName; // "" = none
    QString DataFile;
    qint32 FirstRow = 0;
    qint32 LastRow = 0;
    bool AutoRun = false;

    bool operator==(const StartupRecord &) const = default;
};

// The answer of the last chooser dialog ("" = cancelled).
extern QString DialogResult;
// Row and column of the cell last clicked in a column-mapping grid.
extern qint32 MapClickRow;
extern qint32 MapClickCol;
// The text that stands for a line break in one-line contents.
extern QString LineBreakMarker;
// The request read from the command line at start.
extern StartupRecord TheStartupRecord;

// Design controls of class c (0 input box, 1 check box, 2 picture box,
// 3 line, 4 label) carry the indexes c*1000+1 .. c*1000+count(c). The
// designer installs the function that gives count(c) (until the handle
// goes); without one every class counts as empty.
HookHandle InstallCtlCountProvider(std::function<qint32(int)> provider);
qint32 FirstCtlID(int ctlClass);
// One less than FirstCtlID when the class has no controls.
qint32 LastCtlID(int ctlClass);
