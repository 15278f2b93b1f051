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
    const double lineHeight = TextHeight(QStringLiteral("0")).v;
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
        m_x = x + TextWidth(lines.last()).v;
        m_y = y;
    }
}

void DrawSurface::Line(Twips x1, Twips y1, Twips x2, Twips y2)
{
    Line(x1, y1, x2, y2, m_foreColor);
}

void DrawSurface::Line(Twips x1, Twips y1, Twips x2, Twips y2, qint32 bgr)
{
    if (m_drawStyle != surface::Transparent)
        drawLine(x1.v + m_originX, y1.v + m_originY, x2.v + m_originX, y2.v + m_originY, bgr);
    MoveTo(x2, y2);
}

void DrawSurface::Box(Twips x1, Twips y1, Twips x2, Twips y2, qint32 bgr, bool filled)
{
    if (filled || m_drawStyle != surface::Transparent)
        drawBox(x1.v + m_originX, y1.v + m_originY, x2.v + m_originX, y2.v + m_originY, bgr,
                filled);
    MoveTo(x2, y2);
}

void DrawSurface::Circle(Twips x, Twips y, Twips radius, qint32 bgr)
{
    if (m_drawStyle != surface::Transparent)
        drawEllipse(x.v + m_originX, y.v + m_originY, radius.v, radius.v, bgr);
    MoveTo(x, y);
}

void DrawSurface::PaintPicture(const QImage &image, Twips x, Twips y, Twips width, Twips height)
{
    if (image.isNull())
        return;
    const QSizeF own = imageSizeTwips(image);
    drawImage(image, x.v + m_originX, y.v + m_originY, width.v > 0 ? width.v : own.width(),
              height.v > 0 ? height.v : own.height());
}

QSizeF DrawSurface::imageSizeTwips(const QImage &image) const
{
    const double dpmX = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() : 3780;
    const double dpmY = image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() : 3780;
    return {image.width() / dpmX * 1000 * kTwipsPerMm, image.height() / dpmY * 1000 * kTwipsPerMm};
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

Twips PainterSurface::Width() const
{
    return Twips(m_device->width() * 1440.0 / dpiX());
}

Twips PainterSurface::Height() const
{
    return Twips(m_device->height() * 1440.0 / dpiY());
}

double PainterSurface::TwipsPerPixel() const
{
    return 1440.0 / dpiX();
}

QFont PainterSurface::QtFont(const surface::Font &f)
{
    // Sized in twips: the painter draws in twips, so a pixel of the font is a twip.
    return fontmap::ToQFont(f, std::max(1.0, num::RoundHalfEven(f.size * kTwipsPerPoint)));
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

Twips PainterSurface::TextWidth(const QString &text) const
{
    const QFontMetricsF &fm = currentMetrics();
    // Most texts measured are one line: no splitting.
    if (!text.contains(u'\n'))
        return Twips(fm.horizontalAdvance(text));
    double w = 0;
    for (const QString &line : SurfaceTextLines(text))
        w = std::max(w, fm.horizontalAdvance(line));
    return Twips(w);
}

Twips PainterSurface::TextHeight(const QString &text) const
{
    const QFontMetricsF &fm = currentMetrics();
    return Twips(fm.height() * (text.count(u'\n') + 1));
}

bool PainterSurface::ensurePage()
{
    if (m_failed)
        return false;
    if (m_pages > m_pageIndex)
        return true;
    if (!m_painter) {
        m_painter = std::make_unique<QPainter>();
        if (!m_painter->begin(m_device)) {
            m_failed = true;
            m_painter.reset();
            return false;
        }
        m_pages = 1;
        m_textFontFor.reset();
    }
    // Pages ended blank before this one are sheets too.
    while (m_pages <= m_pageIndex) {
        if (!m_paged || !m_paged->newPage()) {
            m_failed = true;
            return false;
        }
        ++m_pages;
    }
    // Twips on every new page.
    m_painter->resetTransform();
    m_painter->scale(dpiX() / 1440.0, dpiY() / 1440.0);
    return true;
}

QPen PainterSurface::pen(qint32 bgr) const
{
    QPen p(num::ColorFromBgr(bgr));
    p.setWidthF(DrawWidth() * TwipsPerPixel());
    p.setCapStyle(Qt::FlatCap);
    // Dashed styles apply to lines one pixel wide only, as on the printer.
    if (DrawStyle() != surface::Transparent)
        p.setStyle(fontmap::ToPenStyle(DrawStyle(), DrawWidth()));
    return p;
}

void PainterSurface::drawText(double x, double top, const QString &line)
{
    if (!ensurePage())
        return;
    // The painter's font and text pen change only when the surface's do:
    // a line is printed character by character.
    const QFont &font = currentFont();
    if (m_textFontFor != m_cachedFor) {
        m_painter->setFont(font);
        m_textFontFor = m_cachedFor;
    }
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
    // The page break is made when the next page is drawn on or ended; a
    // trailing NewPage adds no page. A picture box has no pages.
    if (!m_paged)
        return false;
    ++m_pageIndex;
    resetState();
    return !m_failed;
}

bool PainterSurface::EndDoc()
{
    bool ok = !m_failed;
    if (m_painter) {
        // Blank pages ended before the last NewPage are still sent.
        if (m_pageIndex > 0 && m_pages < m_pageIndex) {
            --m_pageIndex;
            ok = ensurePage() && ok;
        }
        if (m_painter->isActive() && !m_painter->end())
            ok = false;
        m_painter.reset();
    }
    m_failed = false;
    m_pageIndex = 0;
    m_pages = 0;
    resetState();
    return ok;
}
