#include "printing/printer.h"

#include "platform/numtext.h"

#include <QPdfWriter>

std::optional<QPageSize> ChooseCustomPaper(const QList<QPageSize> &offered, bool customAllowed,
                                           Mm width, Mm height)
{
    const auto tenths = [](double mm) { return num::RoundToInt64(mm * 10); };
    for (const QPageSize &p : offered) {
        const QSizeF s = p.size(QPageSize::Millimeter);
        if (tenths(s.width()) == tenths(width.v) && tenths(s.height()) == tenths(height.v))
            return p;
    }
    if (customAllowed && width.v > 0 && height.v > 0)
        return QPageSize(QSizeF(width.v, height.v), QPageSize::Millimeter,
                         QStringLiteral("沃栎格式"), QPageSize::ExactMatch);
    return std::nullopt;
}

bool SetPrinterPaper(Printer &printer, Mm width, Mm height)
{
    const std::optional<QPageSize> p = ChooseCustomPaper(
        printer.SupportedPageSizes(), printer.SupportsCustomPageSize(), width, height);
    if (!p)
        return false;
    printer.SetPageSize(*p);
    return true;
}

QString PdfPrinterName()
{
    return QStringLiteral("PDF 文件");
}

PdfPrinter::PdfPrinter(const QString &path)
    : m_writer(std::make_unique<QPdfWriter>(path))
{
    m_writer->setResolution(600);
    m_writer->setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    m_writer->setCreator(QStringLiteral("快递单套打"));
    m_surface = std::make_unique<PainterSurface>(m_writer.get());
}

PdfPrinter::~PdfPrinter() = default;

QString PdfPrinter::DeviceName() const
{
    return PdfPrinterName();
}

void PdfPrinter::SetOrientation(QPageLayout::Orientation orientation)
{
    m_writer->setPageOrientation(orientation);
}

void PdfPrinter::SetPageSize(const QPageSize &size)
{
    m_writer->setPageSize(size);
}

QPageSize PdfPrinter::PageSize() const
{
    return m_writer->pageLayout().pageSize();
}

QList<QPageSize> PdfPrinter::SupportedPageSizes() const
{
    return {QPageSize(QPageSize::A4), QPageSize(QPageSize::A5), QPageSize(QPageSize::Letter)};
}
