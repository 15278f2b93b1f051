#pragma once
// The format store: a format is the rows of table Fmt that share its name:
// one control row per design control and one header row (LBL = the header
// marker) with the page size, print offsets, screen width and flags; the
// settings row (Fmt = "") names the format open at exit and three option
// values. These operations move formats between the table, the format grid
// and the window state each operation is given (its FormatHost). An empty
// format name means the host's open format (CurrentFormatName).

#include "core/formathost.h"
#include "platform/gridmodel.h"
#include "platform/safefile.h"
#include "platform/sqlitedb.h"

#include <QString>
#include <memory>

// Reads the format's header row into the host (page size, offsets, menu
// ticks, options, font scale from the stored screen width). Nothing changes
// when there is none.
void ReadFormatHeader(FormatHost &host, const QString &name);
// Writes (or adds) the header row from the four texts, the host's ticks,
// options and screen width. True when stored.
bool SaveFormatHeader(const FormatHost &host, const QString &width, const QString &height,
                      const QString &x, const QString &y, const QString &name);

// The name of the format stored in the settings row ("" when none); sets
// the host's options 0 to 2 from it.
QString LoadAppSettings(FormatHost &host);
// Stores the name and the host's options 0 to 2 in the settings row.
bool SaveAppSettings(const FormatHost &host, const QString &name);

// Lays the grid out and fills it with the format's control rows, ordered by
// class and ID; font sizes are rescaled by the host's FontScale.
void LoadFormatGrid(const FormatHost &host, GridModel &grid, const QString &name);
// Writes the grid back as the format's rows in one transaction: deletes the
// records no row holds, updates or adds one record per row, gives new rows
// their stored IDs and rewrites every reference to them (in the grid and in
// the table), then writes the header from the host's labels. On any failure
// the table and the grid stay exactly as they were, and the result names
// the fault of the statement that failed. Shows nothing.
sql::Status SaveFormatGrid(const FormatHost &host, GridModel &grid, const QString &name);

// Stores an empty format under the name: its old rows go and a header with
// the given page size and the host's offsets, ticks and options is written,
// in one transaction. When refused, the table is as it was and the result
// names the fault.
class PictureCopy;
// A picture copied for the format is marked in the same transaction.
sql::Status StoreEmptyFormat(const FormatHost &host, const QString &name, const QString &width,
                             const QString &height, PictureCopy *picture = nullptr);

// A background picture copied for a format about to be stored, landing
// together with the format's rows or not at all, even across a kill of the
// program. Copy writes the picture completely to a hidden file beside the
// target, named in a record in the data folder (picture.pending); Mark, in
// the transaction that stores the rows, stores the copy's token with them;
// Keep, after the commit, gives the picture its name. Without Keep the
// hidden file and the record go when this goes. A killed save leaves the
// record, and RecoverPictureCopy (at the start, the database open) gives
// the picture its name when the token reached the database and removes it
// otherwise. A picture the target already had is never removed (and
// replaced only when asked to); a link at the target's name is replaced, the
// file it names is never written.
class PictureCopy
{
public:
    // step, when given, is called before each file operation (tests stop
    // there).
    explicit PictureCopy(safefile::StepHook step = {});
    ~PictureCopy();
    PictureCopy(const PictureCopy &) = delete;
    PictureCopy &operator=(const PictureCopy &) = delete;
    // Succeeds when there is nothing to copy or the copy is ready; a failure
    // names what the system said of the step that failed.
    sql::Status Copy(const QString &from, const QString &to, bool replace);
    // Inside the transaction of the rows; true when there is nothing to mark.
    bool Mark(sql::Connection &conn);
    // After the commit; a picture that cannot take its name now takes it at
    // the next start. What the user is to be told then; "" when named.
    [[nodiscard]] QString Keep();

private:
    safefile::StepHook m_step;
    std::unique_ptr<safefile::Together> m_files;
};

// Completes or undoes a picture copy a killed save left; run at the start
// once the database is open.
safefile::RecoverResult RecoverPictureCopy();

// The background picture of a format: the name with * ? < > / \ : | and "
// replaced by the digits 0 to 8, plus ".jpg", in the data folder.
QString GetBackgroundPicturePath(const QString &formatName);
