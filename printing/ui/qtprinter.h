#pragma once
// A printer of the system (CUPS) through QPrinter, drawn on through the
// drawing surface: the origin is the corner of the printable area the
// printer's description declares (its imageable area; the paper's corner
// where it declares no margins) on the page as it is printed, so a
// landscape page has the margins of the paper turned the way the queue
// turns the page; metrics come from the printer device. The paper starts
// as the queue's own (its default, or the one the user chose for it), and
// a custom size is taken only within the range its description declares.

#include "printing/printer.h"
#include "printing/ui/queueppd.h"

#include <QStringList>
#include <memory>

class QPrinter;

class QtPrinter : public Printer
{
public:
    explicit QtPrinter(const QString &name);
    ~QtPrinter() override;

    // False when the system does not know the printer.
    bool IsValid() const;
    QPrinter &Device() { return *m_printer; }

    QString DeviceName() const override;
    DrawSurface &Surface() override { return *m_surface; }
    void SetOrientation(QPageLayout::Orientation orientation) override;
    void SetPageSize(const QPageSize &size) override;
    QPageSize PageSize() const override;
    QList<QPageSize> SupportedPageSizes() const override;
    std::optional<CustomPaperRange> CustomPaperSizes() const override;

private:
    // Margins = the declared printable area, after every page change.
    void useDeclaredPrintableArea();

    std::unique_ptr<QPrinter> m_printer;
    std::optional<QueuePaperRules> m_rules;
    std::unique_ptr<PainterSurface> m_surface;
};

// The installed printers in the system's order.
QStringList InstalledPrinterNames();
// Makes the system's default printer the current printer until one is chosen.
void InstallSystemPrinters();
