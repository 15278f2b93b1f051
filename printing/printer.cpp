#include "printing/printer.h"

#include "platform/numtext.h"

#include <QPdfWriter>
#include <QSaveFile>

bool CustomPaperRange::Holds(Mm width, Mm height) const
{
    const double slack = 0.5 * 25.4 / 72;
    return width.v >= min.width() - slack && width.v <= max.width() + slack
           && height.v >= min.height() - slack && height.v <= max.height() + slack;
}

std::optional<QPageSize> ChooseCustomPaper(const QList<QPageSize> &offered,
                                           const std::optional<CustomPaperRange> &custom,
                                           Mm width, Mm height)
{
    const auto tenths = [](double mm) { return num::RoundToInt64(mm * 10); };
    for (const QPageSize &p : offered) {
        const QSizeF s = p.size(QPageSize::Millimeter);
        if (tenths(s.width()) == tenths(width.v) && tenths(s.height()) == tenths(height.v))
            return p;
    }
    if (custom && width.v > 0 && height.v > 0 && custom->Holds(width, height))
        return QPageSize(QSizeF(width.v, height.v), QPageSize::Millimeter,
                         QStringLiteral("沃栎格式"), QPageSize::ExactMatch);
    return std::nullopt;
}

bool SetPrinterPaper(Printer &printer, Mm width, Mm height)
{
    const std::optional<QPageSize> p = ChooseCustomPaper(
        printer.SupportedPageSizes(), printer.CustomPaperSizes(), width, height);
    if (!p)
        return false;
    printer.SetPageSize(*p);
    return true;
}

QString PdfPrinterName()
{
    return QStringLiteral("PDF 文件");
}

// Passes the writer's bytes on to the save file and remembers a write that
// took fewer bytes than given: the PDF writer stops writing after a short
// write without reporting it, and on a full disk the file takes a part of a
// block before it refuses.
class PdfPrinter::CheckedWrites : public QIODevice
{
public:
    explicit CheckedWrites(QSaveFile &file)
        : m_file(file)
    { }
    bool Failed() const { return m_failed; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        const qint64 n = m_file.write(data, len);
        if (n != len)
            m_failed = true;
        return n;
    }

private:
    QSaveFile &m_file;
    bool m_failed = false;
};

// Replaces the target with the document when it ended well and every byte
// reached the disk; discards the temporary file otherwise.
class PdfPrinter::FileSurface : public PainterSurface
{
public:
    FileSurface(QPdfWriter *writer, QSaveFile &file, CheckedWrites &writes)
        : PainterSurface(writer)
        , m_file(file)
        , m_writes(writes)
    { }
    bool EndDoc() override
    {
        const bool sent = PagesStarted() > 0;
        const bool ok = PainterSurface::EndDoc();
        if (!m_file.isOpen())
            return ok && !sent; // the file could not be made, or a second document
        if (ok && sent && !m_writes.Failed() && m_file.flush())
            return m_file.commit();
        m_file.cancelWriting();
        m_file.commit(); // discards the temporary file
        return ok && !sent;
    }

private:
    QSaveFile &m_file;
    CheckedWrites &m_writes;
};

PdfPrinter::PdfPrinter(const QString &path)
    : m_file(std::make_unique<QSaveFile>(path))
    , m_writes(std::make_unique<CheckedWrites>(*m_file))
    , m_writer(std::make_unique<QPdfWriter>(m_writes.get()))
{
    // Opened here, so that the writer neither opens nor closes them: a save
    // file is only ever committed or discarded.
    if (m_file->open(QIODevice::WriteOnly))
        m_writes->open(QIODevice::WriteOnly);
    m_writer->setResolution(600);
    m_writer->setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    m_writer->setCreator(QStringLiteral("快递单套打"));
    m_surface = std::make_unique<FileSurface>(m_writer.get(), *m_file, *m_writes);
}

PdfPrinter::~PdfPrinter() = default;

DrawSurface &PdfPrinter::Surface()
{
    return *m_surface;
}

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

std::optional<CustomPaperRange> PdfPrinter::CustomPaperSizes() const
{
    // Any size a PDF page can have (3 to 5080 mm a side, PDF's own limits).
    return CustomPaperRange {QSizeF(3, 3), QSizeF(5080, 5080)};
}

QList<QPageSize> PdfPrinter::SupportedPageSizes() const
{
    return {QPageSize(QPageSize::A4), QPageSize(QPageSize::A5), QPageSize(QPageSize::Letter)};
}
