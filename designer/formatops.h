#pragma once
// The operations on whole formats in the designer: opening one into the
// main window, choosing which one is open, saving the open one under another
// name and deleting one. They work on the window through FormatWindow and
// on table Fmt through the format store.

#include "core/formathost.h"
#include "platform/safefile.h"
#include "platform/sqlitedb.h"

#include <QString>
#include <functional>

namespace dsg {

class FormatWindow;

// The chooser windows, installed by the user interface: the format list
// (the chosen name, or "" when nothing is to change) and the format-name
// chooser (typing allowed or not; "" when cancelled), each for the window
// whose host it is given. Without them both answer "". A chooser waits for
// its answer while the event loop runs, so the window may be closed and
// destroyed meanwhile: the operations check it still exists afterwards and
// end without touching it when it does not.
struct FormatChoosers
{
    std::function<QString(FormatHost &)> formatList;
    std::function<QString(const FormatHost &, bool allowTyping)> formatName;
};
void SetFormatChoosers(FormatChoosers choosers);

// Loads the format into the window: header (page size, offsets, ticks,
// options), page size, the rows of the format the caption names, the design
// controls and the default record. "" means the open format.
void OpenFormat(FormatWindow &window, const QString &name);

// Makes the named format the open one ("" lets the user choose from the
// format list). Nothing happens when the name is empty or already open,
// unless reopen is true. The page's contents are first stored as the
// default record of the format being left; when the database refuses that,
// the user is told and the format stays open, its contents on the page.
void SelectFormat(FormatWindow &window, const QString &name, bool reopen);

// How a command that stores a format ended: stored, cancelled by the user
// (nothing changed), or refused by the database or the disk (nothing
// changed either; the window says so, naming the fault).
struct SaveOutcome
{
    enum Kind { Saved, Cancelled, Failed };
    SaveOutcome(Kind k)
        : kind(k)
    { }
    SaveOutcome(sql::Status refused)
        : kind(refused ? Saved : Failed)
        , why(std::move(refused))
    { }
    Kind kind;
    sql::Status why; // for Failed
    bool operator==(Kind k) const { return kind == k; }
};

// The window's message for a refused save: the edits are still on the page,
// and what the program found (a file or folder that cannot be written,
// another program using the data file, a full disk, a damaged file, else
// the system's own words).
QString SaveFailedMessage(const sql::Status &why);

// Saves the open format under another name ("" asks for it) and makes that
// the open format. An existing format of that name is replaced only when the
// user agrees, and nothing at all is written before that. The picture is
// copied along and lands with the format's rows or not at all, also when the
// program is killed on the way. step, when given, is called before each file operation of the picture's
// copy (tests stop there).
SaveOutcome SaveFormatAs(FormatWindow &window, const QString &name,
                         const safefile::StepHook &step = {});

// Deletes a format ("" asks for it) that is not the open one, after asking:
// its rows in Fmt, 历史 and 映射, in one transaction. Leaves the name in
// DialogResult. True when deleted.
bool DeleteFormat(FormatWindow &window, const QString &name);

} // namespace dsg
