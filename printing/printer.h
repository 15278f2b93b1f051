#pragma once
// The printer the print engine drives: a drawing surface (platform/
// drawsurface.h, origin at the corner of the printable area, so stored
// offsets mean what they meant on the original printer object) plus the
// page set-up the engine changes before a page: orientation, a paper of the
// format's size, A4 for the calibration page. Two kinds exist: a printer of
// the system (printing/ui/qtprinter.h, over QPrinter and CUPS) and a PDF
// file (PdfPrinter below), the chooser's "PDF 文件" entry.
//
// Choosing a custom paper: a paper the printer offers of the format's size
// as the printer states it (in whole points, so within half a point a side;
// the same size turned by 90 degrees does not count), else a custom size
// when the printer takes one of that size, else nothing and the current
// paper stays.

#include "platform/drawsurface.h"
#include "platform/lengths.h"

#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QPdfWriter;
namespace safefile {
class Writer;
}

// The custom paper sizes a printer feeds, width by height in millimetres,
// limits included.
struct CustomPaperRange
{
    QSizeF min, max;
    // Printers are handed sizes in points: each side's nearest whole point,
    // or, where that passes a limit that is no whole point while the side
    // itself lies within it, the last whole point inside; a side whose
    // limits hold no whole point goes at the size they hold when it lies
    // within half a point of them. nullopt when a side gets no such size
    // (it lies outside).
    std::optional<QSizeF> FedPoints(Mm width, Mm height) const;
    // Whether the size's points lie within the range.
    bool Holds(Mm width, Mm height) const { return FedPoints(width, height).has_value(); }
};

class Printer
{
public:
    virtual ~Printer() = default;
    // The printer's name ("PDF 文件" for a file).
    virtual QString DeviceName() const = 0;
    virtual DrawSurface &Surface() = 0;
    // The page set-up applies from the next page that is started.
    virtual void SetOrientation(QPageLayout::Orientation orientation) = 0;
    virtual void SetPageSize(const QPageSize &size) = 0;
    virtual QPageSize PageSize() const = 0;
    // The papers the printer offers and the custom sizes it takes (nullopt:
    // none).
    virtual QList<QPageSize> SupportedPageSizes() const = 0;
    virtual std::optional<CustomPaperRange> CustomPaperSizes() const = 0;
    // Why the document could not be written, in the user's words, when the
    // printer knows (a file on a full disk); "" otherwise.
    virtual QString DocumentFault() const { return {}; }
    // Ends the document and, once it is complete, calls record (the history
    // write) before the document is handed on where that can wait: a PDF
    // file takes its name only after, so a kill in between leaves a record
    // without its file, never a file without its record. False when the
    // document failed, before record or after it.
    virtual bool EndDocRecorded(const std::function<void()> &record)
    {
        if (!Surface().EndDoc())
            return false;
        record();
        return true;
    }
};

// The paper for a format of that size, or nullopt when the printer offers
// none of that size and takes no custom one of it.
std::optional<QPageSize> ChooseCustomPaper(const QList<QPageSize> &offered,
                                           const std::optional<CustomPaperRange> &custom,
                                           Mm width, Mm height);
// Sets the printer's paper to ChooseCustomPaper's; false (paper unchanged)
// when there is none.
bool SetPrinterPaper(Printer &printer, Mm width, Mm height);

// Prints one document into a PDF file: the page is the paper, the printable
// area all of it, at 600 dots per inch. The document goes through
// platform/safefile: it replaces the target only when the document ended and
// every write and the sync to disk succeeded (and, through EndDocRecorded,
// after its record is written); otherwise EndDoc fails, the temporary file
// is removed and an existing file keeps its bytes. A
// document with nothing drawn writes nothing.
class PdfPrinter : public Printer
{
public:
    explicit PdfPrinter(const QString &path);
    ~PdfPrinter() override;

    // False when the file cannot be made (its folder cannot be written) and
    // once the document has ended.
    bool Writing() const { return m_file != nullptr; }

    QString DeviceName() const override;
    DrawSurface &Surface() override;
    void SetOrientation(QPageLayout::Orientation orientation) override;
    void SetPageSize(const QPageSize &size) override;
    QPageSize PageSize() const override;
    QList<QPageSize> SupportedPageSizes() const override;
    std::optional<CustomPaperRange> CustomPaperSizes() const override;
    QString DocumentFault() const override;
    bool EndDocRecorded(const std::function<void()> &record) override;

private:
    class CheckedWrites;
    class FileSurface;
    std::unique_ptr<safefile::Writer> m_file;
    std::unique_ptr<CheckedWrites> m_writes;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<FileSurface> m_surface;
    QString m_path;
};

// The chooser's entry for printing into a PDF file.
QString PdfPrinterName();
// The message when the PDF file chosen cannot be written.
QString PdfFileUnwritableMessage(const QString &path);
