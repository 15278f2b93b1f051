#include "platform/drawsurface.h"

#include "platform/numtext.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <algorithm>

QStringList SurfaceTextLines(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t.split(u'\n');
}

void DrawSurface::Print(const QString &text, bool newLine)
{
    const QStringList lines = SurfaceTextLines(text);
    const double lineHeight = TextHeight(QStringLiteral("0"));
    double x = m_x;
    double y = m_y;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            x = 0;
            y += lineHeight;
        }
        if (!lines[i].isEmpty())
            drawText(x + m_originX, y + m_originY, lines[i]);
    }
    if (newLine) {
        m_x = 0;
        m_y = y + lineHeight;
    } else {
        m_x = x + TextWidth(lines.last());
        m_y = y;
    }
}

void DrawSurface::Line(double x1, double y1, double x2, double y2)
{
    Line(x1, y1, x2, y2, m_foreColor);
}

void DrawSurface::Line(double x1, double y1, double x2, double y2, qint32 bgr)
{
    if (m_drawStyle != surface::Transparent)
        drawLine(x1 + m_originX, y1 + m_originY, x2 + m_originX, y2 + m_originY, bgr);
    MoveTo(x2, y2);
}

void DrawSurface::Box(double x1, double y1, double x2, double y2, qint32 bgr, bool filled)
{
    if (filled || m_drawStyle != surface::Transparent)
        drawBox(x1 + m_originX, y1 + m_originY, x2 + m_originX, y2 + m_originY, bgr, filled);
    MoveTo(x2, y2);
}

void DrawSurface::Circle(double x, double y, double radius, qint32 bgr)
{
    if (m_drawStyle != surface::Transparent)
        drawEllipse(x + m_originX, y + m_originY, radius, radius, bgr);
    MoveTo(x, y);
}

void DrawSurface::PaintPicture(const QImage &image, double x, double y, double width, double height)
{
    if (image.isNull())
        return;
    const QSizeF own = imageSizeTwips(image);
    drawImage(image, x + m_originX, y + m_originY, width > 0 ? width : own.width(),
              height > 0 ? height : own.height());
}

QSizeF DrawSurface::imageSizeTwips(const QImage &image) const
{
    const double dpmX = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() : 3780;
    const double dpmY = image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() : 3780;
    return {image.width() / dpmX * 1000 * surface::kTwipsPerMm,
            image.height() / dpmY * 1000 * surface::kTwipsPerMm};
}

// ---------------------------------------------------------------------------

PainterSurface::PainterSurface(QPagedPaintDevice *device)
    : m_device(device)
    , m_paged(device)
{ }

PainterSurface::PainterSurface(QImage *image)
    : m_device(image)
{ }

PainterSurface::~PainterSurface()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

double PainterSurface::dpiX() const
{
    const int d = m_device->logicalDpiX();
    return d > 0 ? d : 96;
}

double PainterSurface::dpiY() const
{
    const int d = m_device->logicalDpiY();
    return d > 0 ? d : 96;
}

double PainterSurface::Width() const
{
    return m_device->width() * 1440.0 / dpiX();
}

double PainterSurface::Height() const
{
    return m_device->height() * 1440.0 / dpiY();
}

double PainterSurface::TwipsPerPixel() const
{
    return 1440.0 / dpiX();
}

QFont PainterSurface::QtFont(const surface::Font &f)
{
    QFont font(f.name);
    // Sized in twips: the painter draws in twips, so a pixel of the font is a twip.
    font.setPixelSize(
        std::max(1, static_cast<int>(num::RoundHalfEven(f.size * surface::kTwipsPerPoint))));
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

const QFont &PainterSurface::currentFont() const
{
    if (!m_cachedFor || !(*m_cachedFor == Font())) {
        m_cachedFor = Font();
        m_font = QtFont(Font());
        m_metrics.emplace(m_font);
    }
    return m_font;
}

const QFontMetricsF &PainterSurface::currentMetrics() const
{
    currentFont();
    return *m_metrics;
}

double PainterSurface::TextWidth(const QString &text) const
{
    const QFontMetricsF &fm = currentMetrics();
    double w = 0;
    for (const QString &line : SurfaceTextLines(text))
        w = std::max(w, fm.horizontalAdvance(line));
    return w;
}

double PainterSurface::TextHeight(const QString &text) const
{
    const QFontMetricsF &fm = currentMetrics();
    return fm.height() * SurfaceTextLines(text).size();
}

bool PainterSurface::ensurePage()
{
    if (m_failed)
        return false;
    if (!m_painter) {
        m_painter = std::make_unique<QPainter>();
        if (!m_painter->begin(m_device)) {
            m_failed = true;
            m_painter.reset();
            return false;
        }
        m_pages = 1;
        m_pageBreakPending = false;
    } else if (m_pageBreakPending) {
        if (!m_paged || !m_paged->newPage()) {
            m_failed = true;
            return false;
        }
        ++m_pages;
        m_pageBreakPending = false;
    } else {
        m_pageHasContent = true;
        return true;
    }
    // Twips on every new page.
    m_painter->resetTransform();
    m_painter->scale(dpiX() / 1440.0, dpiY() / 1440.0);
    m_pageHasContent = true;
    return true;
}

QPen PainterSurface::pen(qint32 bgr) const
{
    QPen p(num::ColorFromBgr(bgr));
    p.setWidthF(DrawWidth() * TwipsPerPixel());
    p.setCapStyle(Qt::FlatCap);
    // Dashed styles apply to lines one pixel wide only, as on the printer.
    if (DrawWidth() == 1) {
        switch (DrawStyle()) {
        case surface::Dash:
            p.setStyle(Qt::DashLine);
            break;
        case surface::Dot:
            p.setStyle(Qt::DotLine);
            break;
        case surface::DashDot:
            p.setStyle(Qt::DashDotLine);
            break;
        case surface::DashDotDot:
            p.setStyle(Qt::DashDotDotLine);
            break;
        default:
            break;
        }
    }
    return p;
}

void PainterSurface::drawText(double x, double top, const QString &line)
{
    if (!ensurePage())
        return;
    m_painter->setFont(currentFont());
    m_painter->setPen(num::ColorFromBgr(ForeColor()));
    m_painter->drawText(QPointF(x, top + currentMetrics().ascent()), line);
}

void PainterSurface::drawLine(double x1, double y1, double x2, double y2, qint32 bgr)
{
    if (!ensurePage())
        return;
    m_painter->setPen(pen(bgr));
    m_painter->drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void PainterSurface::drawBox(double x1, double y1, double x2, double y2, qint32 bgr, bool filled)
{
    if (!ensurePage())
        return;
    const QRectF r = QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized();
    if (filled) {
        m_painter->fillRect(r, num::ColorFromBgr(bgr));
    } else {
        m_painter->setPen(pen(bgr));
        m_painter->setBrush(Qt::NoBrush);
        m_painter->drawRect(r);
    }
}

void PainterSurface::drawEllipse(double cx, double cy, double rx, double ry, qint32 bgr)
{
    if (!ensurePage())
        return;
    m_painter->setPen(pen(bgr));
    m_painter->setBrush(Qt::NoBrush);
    m_painter->drawEllipse(QPointF(cx, cy), rx, ry);
}

void PainterSurface::drawImage(const QImage &image, double x, double y, double w, double h)
{
    if (!ensurePage())
        return;
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    m_painter->drawImage(QRectF(x, y, w, h), image);
}

QSizeF PainterSurface::imageSizeTwips(const QImage &image) const
{
    return DrawSurface::imageSizeTwips(image);
}

bool PainterSurface::NewPage()
{
    // The break is made when the next page gets its first drawing; an
    // empty page is never sent. A picture box has no pages.
    if (!m_paged)
        return false;
    if (m_painter && m_pageHasContent) {
        m_pageBreakPending = true;
        m_pageHasContent = false;
    }
    resetState();
    return !m_failed;
}

bool PainterSurface::EndDoc()
{
    bool ok = !m_failed;
    if (m_painter) {
        if (m_painter->isActive() && !m_painter->end())
            ok = false;
        m_painter.reset();
    }
    m_failed = false;
    m_pageBreakPending = false;
    m_pageHasContent = false;
    m_pages = 0;
    resetState();
    return ok;
}
