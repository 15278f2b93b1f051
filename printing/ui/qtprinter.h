#pragma once
// A printer of the system (CUPS) through QPrinter, drawn on through the
// drawing surface: the origin is the corner of the printable area the
// printer's description declares (its imageable area; the paper's corner
// where it declares no margins), and metrics come from the printer device.

#include "printing/printer.h"

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
    bool SupportsCustomPageSize() const override;

private:
    // Margins = the declared printable area, after every page change.
    void useDeclaredPrintableArea();

    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<PainterSurface> m_surface;
};

// The installed printers in the system's order.
QStringList InstalledPrinterNames();
// Makes the system's default printer the current printer until one is chosen.
void InstallSystemPrinters();
