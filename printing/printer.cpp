#include "printing/printer.h"

#include "core/helpers.h"
#include "platform/safefile.h"

#include <QDir>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

namespace {

// One side's points within [lo, hi] millimetres; see FedPoints.
std::optional<double> PointsWithin(Mm side, double lo, double hi)
{
    // The limits came from points through millimetres: a whole limit may
    // come back a hair below itself.
    constexpr double kSlack = 1e-6;
    const double p = ToPt(side).v, low = ToPt(Mm(lo)).v - kSlack, high = ToPt(Mm(hi)).v + kSlack;
    double n = std::round(p);
    if (n > high && p <= high)
        n = std::floor(high);
    if (n < low && p >= low)
        n = std::ceil(low);
    if (n >= low && n <= high)
        return n;
    // A range narrower than a point may hold no whole point (a roll whose
    // width is fixed at 175.75 pt): a side within rounding of it goes at
    // the size the range holds.
    if (std::ceil(low) > high && std::abs(p - std::clamp(p, low, high)) <= 0.5)
        return std::clamp(p, ToPt(Mm(lo)).v, ToPt(Mm(hi)).v);
    return std::nullopt;
}

// Whether a paper of `pt` points is a side of `side` as the printer states
// it: printers state sizes in whole points (Qt rounds a description's to
// them, and descriptions round their millimetre labels), half a point off.
bool StatedAs(double pt, Mm side)
{
    return std::abs(pt - ToPt(side).v) <= 0.5 + 1e-6;
}

} // namespace

std::optional<QSizeF> CustomPaperRange::FedPoints(Mm width, Mm height) const
{
    const auto w = PointsWithin(width, min.width(), max.width());
    const auto h = PointsWithin(height, min.height(), max.height());
    if (!w || !h)
        return std::nullopt;
    return QSizeF(*w, *h);
}

std::optional<QPageSize> ChooseCustomPaper(const QList<QPageSize> &offered,
                                           const std::optional<CustomPaperRange> &custom,
                                           Mm width, Mm height)
{
    for (const QPageSize &p : offered) {
        const QSizeF s = p.size(QPageSize::Point);
        if (StatedAs(s.width(), width) && StatedAs(s.height(), height))
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

QString PdfFileUnwritableMessage(const QString &path)
{
    return QStringLiteral("无法写入文件“%1”：它所在的文件夹不存在或不能写入。请另选保存位置。")
        .arg(QDir::toNativeSeparators(path));
}

// Passes the PDF writer's bytes on to the file in blocks (the file is written
// unbuffered, and the writer hands over a few bytes at a time).
class PdfPrinter::CheckedWrites : public QIODevice
{
public:
    explicit CheckedWrites(const std::unique_ptr<safefile::Writer> &file)
        : m_file(file)
    { }
    // Hands on what is still held; false when any write failed.
    bool Finish() { return pass(); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        m_held.append(data, len);
        if (m_held.size() >= kBlock && !pass())
            return -1;
        return len;
    }

private:
    static constexpr qsizetype kBlock = 1 << 16;
    bool pass()
    {
        const bool ok = m_file && m_file->Write(m_held);
        m_held.clear();
        return ok;
    }
    const std::unique_ptr<safefile::Writer> &m_file;
    QByteArray m_held;
};

// Replaces the target with the document when it ended well and every byte
// reached the disk; discards the temporary file otherwise.
class PdfPrinter::FileSurface : public PainterSurface
{
public:
    FileSurface(QPdfWriter *writer, std::unique_ptr<safefile::Writer> &file,
                CheckedWrites &writes)
        : PainterSurface(writer)
        , m_file(file)
        , m_writes(writes)
    { }
    bool EndDoc() override
    {
        const bool sent = PagesStarted() > 0 || PagesEnded() > 0;
        const bool ok = PainterSurface::EndDoc();
        // Without a file (it could not be made, or a second document) only
        // a document that sent nothing ends well.
        const bool writing = m_file && sent;
        const bool complete
            = writing ? ok && m_writes.Finish() && m_file->Finish() : ok && (m_file || !sent);
        if (complete && m_beforeNaming)
            m_beforeNaming();
        const bool named = !writing || (complete && m_file->Commit());
        if (m_file)
            m_systemError = m_file->SystemError();
        m_file.reset(); // removes the temporary file unless committed
        return complete && named;
    }
    // The system error number of the file's failed write; 0 when none.
    int SystemError() const { return m_systemError; }
    // Called once the file is complete on the disk, before it is named.
    void SetBeforeNaming(std::function<void()> call) { m_beforeNaming = std::move(call); }

private:
    int m_systemError = 0;
    std::function<void()> m_beforeNaming;
    std::unique_ptr<safefile::Writer> &m_file;
    CheckedWrites &m_writes;
};

PdfPrinter::PdfPrinter(const QString &path)
    : m_file(std::make_unique<safefile::Writer>(path))
    , m_writes(std::make_unique<CheckedWrites>(m_file))
    , m_writer(std::make_unique<QPdfWriter>(m_writes.get()))
    , m_path(path)
{
    // Opened here, so that the writer neither opens nor closes them: the
    // file is only ever committed or discarded.
    if (m_file->Open())
        m_writes->open(QIODevice::WriteOnly);
    else
        m_file.reset();
    m_writer->setResolution(600);
    m_writer->setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    m_writer->setCreator(QStringLiteral("快递单套打"));
    m_surface = std::make_unique<FileSurface>(m_writer.get(), m_file, *m_writes);
}

bool PdfPrinter::EndDocRecorded(const std::function<void()> &record)
{
    m_surface->SetBeforeNaming(record);
    const bool ended = m_surface->EndDoc();
    m_surface->SetBeforeNaming({});
    return ended;
}

QString PdfPrinter::DocumentFault() const
{
    return FileWriteFaultText(m_path, m_surface->SystemError(), QStringLiteral("打印"));
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
    // Any size a PDF page can have: 3 to 14,400 points a side.
    const double min = ToMm(Pt(3)).v, max = ToMm(Pt(14400)).v;
    return CustomPaperRange {QSizeF(min, min), QSizeF(max, max)};
}

QList<QPageSize> PdfPrinter::SupportedPageSizes() const
{
    return {QPageSize(QPageSize::A4), QPageSize(QPageSize::A5), QPageSize(QPageSize::Letter)};
}
