#pragma once
// What the format operations (open, choose, save as, delete) need of the main
// window: the open format's name, the page, the two grids they load and
// clear, the page size, rebuilding the design controls, the default record,
// automatic dates and the option handling, and the window's format host for
// the format store. The main window implements it; tests use a fake.

#include "core/formathost.h"
#include "platform/gridmodel.h"
#include "platform/sqlitedb.h"

#include <QString>
#include <memory>

namespace dsg {

class FormatWindow
{
public:
    virtual ~FormatWindow() = default;

    // Expires when the window goes: an operation that waited for a chooser
    // (the event loop ran, the window may have been closed and destroyed)
    // checks it before touching the window again.
    std::weak_ptr<const void> Life() const { return m_life; }

    // The format store's view of this window (page size and offset labels,
    // menu ticks, options, screen width, font scale), passed to every store
    // operation on its behalf.
    virtual FormatHost &Host() = 0;

    // Caption of LFMT(0): the open format's name. Setting it runs the
    // caption's change handling (the background picture of that format).
    virtual QString FormatCaption() const = 0;
    virtual void SetFormatCaption(const QString &name) = 0;

    // Hides or shows the page PG.
    virtual void SetPageVisible(bool visible) = 0;
    // Lays the page out for a paper of w x h millimetres.
    virtual void SetPageSize(double w, double h) = 0;

    // MSF(1), the imported records, and MSF(3), the open format's rows.
    virtual GridModel &DataGrid() = 0;
    virtual GridModel &FormatGrid() = 0;
    // Builds every design control anew from FormatGrid.
    virtual void ReloadFormat(bool showProgress) = 0;

    // The default record of a format: stores the page's present contents
    // under that name (a refusal names the database's fault), or puts the
    // stored contents into the page.
    virtual sql::Status SaveDefaultRecord(const QString &formatName) = 0;
    virtual void LoadDefaultRecord(const QString &formatName) = 0;
    // Input boxes of the date types take today's date.
    virtual void AutoFillDates() = 0;
    // The handling of option O2(index), as a click runs it.
    virtual void O2_Click(int index) = 0;

private:
    std::shared_ptr<const void> m_life = std::make_shared<char>(0);
};

} // namespace dsg
