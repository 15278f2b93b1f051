#pragma once
// The print engine: puts the open format, filled with what the page
// controls now show, onto the printer, one waybill (PrintRecord) or a range
// of imported records as one document of one page each (BatchPrint). Each
// control's position, size, font and data-type code come from its row of
// the format grid (read through fmtgrid::ControlRow), its content from the
// control; millimetres become printer twips (56.6928 to the mm), shifted by
// the print offsets (the offset labels minus 10 mm: a positive offset moves
// the print left or up) and placed for lengthwise or centring feeds.
//
// The engine reaches the main window only through what it is given: the
// page controls (properties/pagecontrols.h), the window state of the format
// host (offsets, page size, options, ticks), a PrintView for what the host
// does not hold, and a PrintUi for the questions (printer, range). It speaks
// to the user through dialogs() where a print fails: a failed or cancelled
// print stores nothing. The printed contents of every page are collected and
// handed to the history writer once, after the document ended successfully,
// so one print or batch is one write.

#include "platform/lengths.h"
#include "platform/sqlitedb.h"
#include "printing/barcodes.h"
#include "printing/printer.h"
#include "properties/printedpage.h"

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <utility>

class FormatHost;
class PageControls;
struct FontSpec;

namespace print {

// Stores the pages of one print of a format as consecutive history records
// (in one transaction); the fault when they could not be stored.
using HistoryWriter = std::function<sql::Status(const QString &formatName,
                                                const std::vector<PrintedPage> &pages)>;

// What the engine reads of the main window beyond the format host.
class PrintView
{
public:
    virtual ~PrintView() = default;
    // Menu tick mPrintRulers.
    virtual bool PrintRulersTicked() const = 0;
    // The background picture of the open format (TP); null when none.
    virtual QImage BackgroundPicture() const = 0;
    // The picture a picture box shows (not a bar code); null when none.
    virtual QImage ControlPicture(qint32 index) const = 0;
    // Width of the page frame PFrm on the screen, in screen twips: the
    // page's width at zoom 1, which font sizes at factor 1 are shown against.
    virtual double FrameWidthTwips() const = 0;
};

// The questions printing asks. Both show their own message where they fail.
class PrintUi
{
public:
    virtual ~PrintUi() = default;
    // The printer chooser: the chosen printer, nullptr when cancelled or no
    // printer can be reached.
    virtual std::unique_ptr<Printer> ChoosePrinter() = 0;
    // The batch range window, starting at the shown record and the last;
    // "start:end" as typed, "" when cancelled.
    virtual QString AskBatchRange(qint32 value, qint32 max) = 0;
};

struct PrintContext
{
    PageControls &controls;
    FormatHost &host;
    PrintView &view;
    PrintUi &ui;
    // The money form of an amount ("￥1,234.50"), for amounts over cells.
    std::function<QString(const QString &)> formatMoney;
    // Where the printed pages go; nothing is stored when empty.
    HistoryWriter writeHistory;
    // The standard of picture boxes' bar codes, read by whoever builds the
    // context: the engine reads no settings while it prints.
    BarCodeStandard barCodeStandard = BarCodeStandard::Code39;
};

// The record scroll bar over DataGrid and the row display: value r shows
// grid row r + 1.
struct RecordScroll
{
    qint32 value = 1;
    qint32 max = 1;
    std::function<void(qint32 gridRow)> showGridRow;
    // Puts a row into the page controls for printing only (what only the
    // screen shows may be left for later); showGridRow when empty. The
    // shown record is put back with showGridRow when the batch ends.
    std::function<void(qint32 gridRow)> fillGridRow;
};

// Prints the waybill the page shows on a printer the user chooses, then
// stores it as one history record. False when nothing was printed.
bool PrintRecord(PrintContext &ctx);
// Prints records start..end of the range the user gives as one document;
// returns the number of pages printed (0 when cancelled or failed).
qint32 BatchPrint(PrintContext &ctx, const RecordScroll &records);

// The range "start:end" read and clamped to 1..max (start may end up
// above end: nothing is printed then).
std::pair<qint32, qint32> BatchRange(const QString &answer, qint32 max);
// What a stopped batch of the records start..end says when `printed` of them
// were printed: how many, and the record to go on from.
QString BatchStoppedMessage(qint32 start, qint32 end, qint32 printed);

// The width of the fitting sample on the page view, in screen twips, in the
// stored font (size at factor 1).
double PageViewSampleTwips(const FontSpec &font);

// Draws one page onto a printer: the set-up (paper, orientation), the
// background picture when ticked and every control. The page is not ended.
// Exposed for the calibration tests and the benchmark through PrintContext.
class PageDrawer
{
public:
    PageDrawer(PrintContext &ctx, Printer &printer);
    ~PageDrawer();
    // Offsets in mm (offset label - 10).
    void PrintPage(Mm offsetX, Mm offsetY);
    // The 2 mm grid over the whole printer page from its origin.
    void PrintRulerGrid();
    void PrintBackgroundPicture(Mm offsetX, Mm offsetY, Mm w, Mm h, bool lengthwise, bool centred);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The offsets of the offset labels: Val(label) - 10 mm each.
std::pair<Mm, Mm> PrintOffsets(const FormatHost &host);

} // namespace print
