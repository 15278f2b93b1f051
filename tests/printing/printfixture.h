#pragma once
// Test doubles for the print engine: page controls over a plain format grid,
// a printer over the recording surface or a PDF file, a view and scripted
// questions.

#include "core/controlrow.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "printing/printengine.h"
#include "support/gridcontrols.h"
#include "support/recordingsurface.h"

class RecordingPrinter : public Printer
{
public:
    explicit RecordingPrinter(RecordingSurface &s)
        : surface(s)
    { }
    QString DeviceName() const override { return QStringLiteral("记录"); }
    DrawSurface &Surface() override { return surface; }
    void SetOrientation(QPageLayout::Orientation o) override
    {
        orientation = o;
        if (seenOrientation)
            *seenOrientation = o;
    }
    void SetPageSize(const QPageSize &size) override { page = size; }
    QPageSize PageSize() const override { return page; }
    QList<QPageSize> SupportedPageSizes() const override { return {}; }
    std::optional<CustomPaperRange> CustomPaperSizes() const override
    {
        if (!customOk)
            return std::nullopt;
        return CustomPaperRange {QSizeF(1, 1), QSizeF(10000, 10000)};
    }

    RecordingSurface &surface;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    // Outlives the printer, which the print engine deletes when done.
    QPageLayout::Orientation *seenOrientation = nullptr;
    QPageSize page {QPageSize::A4};
    bool customOk = true;
};

class TestView : public print::PrintView
{
public:
    bool PrintRulersTicked() const override { return rulers; }
    QImage BackgroundPicture() const override { return background; }
    QImage ControlPicture(qint32) const override { return picture; }
    double FrameWidthTwips() const override { return frameWidth; }
    bool rulers = false;
    QImage background, picture;
    double frameWidth = 0;
};

// Hands out the printers it is given, one per question; nullptr cancels.
class TestUi : public print::PrintUi
{
public:
    std::unique_ptr<Printer> ChoosePrinter() override
    {
        ++chooserShown;
        return std::move(next);
    }
    QString AskBatchRange(qint32 value, qint32 max) override
    {
        askedValue = value;
        askedMax = max;
        return range;
    }
    std::unique_ptr<Printer> next;
    QString range;
    qint32 askedValue = 0, askedMax = 0;
    int chooserShown = 0;
};

// A whole print set-up around the controls, recording the history handed on.
struct PrintRig
{
    GridControls controls;
    FormatHostState host;
    TestView view;
    TestUi ui;
    std::vector<std::vector<PrintedPage>> stored;
    print::PrintContext ctx {controls,
                             host,
                             view,
                             ui,
                             [](const QString &t) { return t; },
                             [this](const QString &, const std::vector<PrintedPage> &p) {
                                 stored.push_back(p);
                                 return sql::Status {};
                             }};
    PrintRig()
    {
        host.width = QStringLiteral("230");
        host.height = QStringLiteral("127");
        host.offsetX = QStringLiteral("10");
        host.offsetY = QStringLiteral("10");
    }
};

inline fmtgrid::ControlRow Box(qint32 cls, double x, double y, double w, double h, qint32 cash = 0)
{
    fmtgrid::ControlRow r;
    r.cls = cls;
    r.x = x;
    r.y = y;
    r.w = w;
    r.h = h;
    r.cash = cash;
    r.font.size = 10;
    return r;
}

// Measuring printed PDF files.
#include "support/testenv.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>

// Page `page` (from 1) of a PDF rasterised at dpi; null when it fails.
inline QImage RasterPage(const QString &pdf, int page, int dpi)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    const QString n = QString::number(page);
    if (RunCommand(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-gray"), QStringLiteral("-r"), QString::number(dpi),
                    QStringLiteral("-f"), n, QStringLiteral("-l"), n, QStringLiteral("-png"),
                    QStringLiteral("-singlefile"), pdf, base})
        != 0)
        return {};
    QImageReader::setAllocationLimit(1024); // A4 at 600 dpi
    return QImage(base + QStringLiteral(".png"));
}

// The bounding box of the dark pixels inside an area (all of the image when
// the area is empty); empty when there are none.
inline QRect DarkBox(const QImage &img, QRect area = {}, int threshold = 128)
{
    if (area.isEmpty())
        area = img.rect();
    area &= img.rect();
    int l = INT_MAX, t = INT_MAX, r = -1, b = -1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(img.pixel(x, y)) < threshold) {
                l = std::min(l, x), r = std::max(r, x);
                t = std::min(t, y), b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

inline double PxToMm(double px, int dpi)
{
    return px * 25.4 / dpi;
}

// pdfinfo's page count and the size of page 1 in millimetres.
inline int PdfPageCount(const QString &pdf, QSizeF *sizeMm = nullptr)
{
    QByteArray out;
    if (RunCommand(QStringLiteral("pdfinfo"), {pdf}, &out) != 0)
        return -1;
    const QString text = QString::fromUtf8(out);
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(text);
    const auto size
        = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(text);
    if (sizeMm && size.hasMatch())
        *sizeMm = QSizeF(size.captured(1).toDouble() * 25.4 / 72,
                         size.captured(2).toDouble() * 25.4 / 72);
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

// Bar codes of page `page` read back with zbarimg: "TYPE:data" lines, sorted.
inline QStringList ReadBarCodes(const QString &pdf, int page)
{
    QTemporaryDir dir;
    const QImage img = RasterPage(pdf, page, 300);
    const QString png = dir.filePath(QStringLiteral("codes.png"));
    if (img.isNull() || !img.save(png))
        return {};
    QByteArray out;
    RunCommand(QStringLiteral("zbarimg"), {QStringLiteral("-q"), png}, &out);
    QStringList lines = QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}
