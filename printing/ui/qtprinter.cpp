#include "printing/ui/qtprinter.h"

#include "printing/printerchoice.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>

namespace {

// A custom paper as the queue will feed it. CUPS keeps a custom size in
// hundredths of a millimetre and hands the printer whole points cut down, so
// 230 mm (651.97 pt) would come out 651 pt (229.66 mm) wide. Asking for the
// points the range gives (the nearest whole point, kept inside a limit that
// is no whole point), written in millimetres rounded up to the hundredth,
// comes out those points: within 0.18 mm of the format (1 pt at such a
// limit). A width fixed at 175.75 pt is asked as 62.01 mm, past the range
// in hundredths, which CUPS hands on uncut: 175.78 pt, where 62 mm would
// come out 175 pt.
QPageSize AsQueueFeedsIt(const QPageSize &size, const std::optional<CustomPaperRange> &range)
{
    if (size.id() != QPageSize::Custom)
        return size;
    const QSizeF mm = size.size(QPageSize::Millimeter);
    const QSizeF nearest(std::round(ToPt(Mm(mm.width())).v), std::round(ToPt(Mm(mm.height())).v));
    const QSizeF points
        = range ? range->FedPoints(Mm(mm.width()), Mm(mm.height())).value_or(nearest) : nearest;
    const auto fed = [](double points) {
        return std::ceil(ToMm(Pt(points)).v * 100 - 1e-6) / 100;
    };
    return QPageSize(QSizeF(fed(points.width()), fed(points.height())), QPageSize::Millimeter,
                     size.name(), QPageSize::ExactMatch);
}

} // namespace

QtPrinter::QtPrinter(const QString &name)
    : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    m_printer->setOutputFormat(QPrinter::NativeFormat);
    m_printer->setPrinterName(name);
    m_printer->setFullPage(false);
    m_printer->setDocName(QStringLiteral("快递单"));
    if (IsValid()) {
        m_rules = ReadQueuePaperRules(name);
        // QPrinter starts on A4 whatever the queue feeds.
        const QPageSize own = QPrinterInfo::printerInfo(name).defaultPageSize();
        if (own.isValid())
            m_printer->setPageSize(own);
    }
    useDeclaredPrintableArea();
    m_surface = std::make_unique<PainterSurface>(m_printer.get());
}

void QtPrinter::useDeclaredPrintableArea()
{
    // The margins are the printer's own (its description's imageable area,
    // 0 where it declares none), never Qt's default of 10 pt. Qt gives those
    // of portrait paper whatever the orientation; a landscape page gets them
    // turned as the queue turns the page (clockwise when it does not say).
    const QPageLayout::Orientation orientation = m_printer->pageLayout().orientation();
    m_printer->setPageOrientation(QPageLayout::Portrait);
    const QPageLayout portrait = m_printer->pageLayout();
    QMarginsF margins = portrait.minimumMargins();
    if (orientation == QPageLayout::Landscape) {
        m_printer->setPageOrientation(orientation);
        margins = LandscapeMargins(margins, m_rules && m_rules->turnsCounterClockwise);
    }
    // Qt holds margins to its portrait minimum on every side; in full-page
    // mode it takes them as given, and they hold when the mode returns.
    m_printer->setFullPage(true);
    m_printer->setPageMargins(margins, portrait.units());
    m_printer->setFullPage(false);
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
    useDeclaredPrintableArea();
}

void QtPrinter::SetPageSize(const QPageSize &size)
{
    m_printer->setPageSize(AsQueueFeedsIt(size, CustomPaperSizes()));
    useDeclaredPrintableArea();
}

QPageSize QtPrinter::PageSize() const
{
    return m_printer->pageLayout().pageSize();
}

QList<QPageSize> QtPrinter::SupportedPageSizes() const
{
    return QPrinterInfo::printerInfo(m_printer->printerName()).supportedPageSizes();
}

std::optional<CustomPaperRange> QtPrinter::CustomPaperSizes() const
{
    if (m_rules)
        return m_rules->custom;
    // No description: what Qt knows, any size where it reports no range.
    const QPrinterInfo info = QPrinterInfo::printerInfo(m_printer->printerName());
    if (!info.supportsCustomPageSizes())
        return std::nullopt;
    const QSizeF min = info.minimumPhysicalPageSize().size(QPageSize::Millimeter);
    const QSizeF max = info.maximumPhysicalPageSize().size(QPageSize::Millimeter);
    if (max.isEmpty())
        return CustomPaperRange {QSizeF(0, 0), QSizeF(1e6, 1e6)};
    return CustomPaperRange {min, max};
}

QStringList InstalledPrinterNames()
{
    return QPrinterInfo::availablePrinterNames();
}

void InstallSystemPrinters()
{
    SetDefaultPrinterProvider([] { return QPrinterInfo::defaultPrinterName(); });
}
