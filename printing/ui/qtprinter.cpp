#include "printing/ui/qtprinter.h"

#include "printing/printerchoice.h"

#include <QPrinter>
#include <QPrinterInfo>

QtPrinter::QtPrinter(const QString &name)
    : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    m_printer->setOutputFormat(QPrinter::NativeFormat);
    m_printer->setPrinterName(name);
    m_printer->setFullPage(false);
    m_printer->setDocName(QStringLiteral("快递单"));
    m_surface = std::make_unique<PainterSurface>(m_printer.get());
}

QtPrinter::~QtPrinter() = default;

bool QtPrinter::IsValid() const
{
    return m_printer->isValid() && !QPrinterInfo::printerInfo(m_printer->printerName()).isNull();
}

QString QtPrinter::DeviceName() const
{
    return m_printer->printerName();
}

void QtPrinter::SetOrientation(QPageLayout::Orientation orientation)
{
    m_printer->setPageOrientation(orientation);
}

void QtPrinter::SetPageSize(const QPageSize &size)
{
    m_printer->setPageSize(size);
}

QPageSize QtPrinter::PageSize() const
{
    return m_printer->pageLayout().pageSize();
}

QList<QPageSize> QtPrinter::SupportedPageSizes() const
{
    return QPrinterInfo::printerInfo(m_printer->printerName()).supportedPageSizes();
}

bool QtPrinter::SupportsCustomPageSize() const
{
    return QPrinterInfo::printerInfo(m_printer->printerName()).supportsCustomPageSizes();
}

QStringList InstalledPrinterNames()
{
    return QPrinterInfo::availablePrinterNames();
}

void InstallSystemPrinters()
{
    SetDefaultPrinterProvider([] { return QPrinterInfo::defaultPrinterName(); });
}
