#pragma once
// The printer chooser's list and the program's current printer. The list
// holds the installed printers in the system's order and, last, the entry
// for a PDF file; the preselection is the printer chosen last time (setting
// Validate/Printer) when it is still installed, else the current printer,
// else the first entry. The current printer is the one printing uses until
// another is chosen; it starts as the system's default printer.

#include <QString>
#include <QStringList>

struct PrinterList
{
    QStringList names; // the installed printers, then PdfPrinterName()
    QString selected;
};

PrinterList BuildPrinterList(const QStringList &installed, const QString &current,
                             const QString &remembered);

// The setting that remembers the chosen printer.
QString RememberedPrinter();
void RememberPrinter(const QString &name);

// The program's current printer ("" when none has been chosen and the
// system names no default).
QString CurrentPrinterName();
void SetCurrentPrinterName(const QString &name);
// The system's default printer, installed by the window side (CUPS).
void SetDefaultPrinterProvider(QString (*provider)());

// The message when the chosen printer cannot be reached.
QString NoPrinterMessage();
