#include "platform/drawsurface.h"

#include "platform/numtext.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QTextLayout>
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

void DrawSurface::PrintPieces(const std::vector<TextPiece> &pieces, Twips y)
{
    // Runs of pieces without line breaks go to the device at once; a piece
    // with a line break is printed as Print does.
    std::vector<TextPiece> run;
    const auto flush = [&] {
        if (!run.empty())
            drawPieces(run, y.v + m_originY);
        run.clear();
    };
    for (const TextPiece &p : pieces) {
        if (p.text.contains(u'\n')) {
            flush();
            MoveTo(p.x, y);
            Print(p.text, false);
        } else if (!p.text.isEmpty()) {
            run.push_back({Twips(p.x.v + m_originX), p.text});
        }
    }
    flush();
    if (!pieces.empty() && !pieces.back().text.contains(u'\n'))
        MoveTo(pieces.back().x + TextWidth(pieces.back().text), y);
}

void DrawSurface::drawPieces(const std::vector<TextPiece> &pieces, double top)
{
    for (const TextPiece &p : pieces)
        drawText(p.x.v, top, p.text);
}

void DrawSurface::FillBoxes(const std::vector<Corners> &boxes, qint32 bgr)
{
    if (boxes.empty())
        return;
    std::vector<Corners> moved;
    moved.reserve(boxes.size());
    const Twips ox(m_originX), oy(m_originY);
    for (const Corners &b : boxes)
        moved.push_back({b.x1 + ox, b.y1 + oy, b.x2 + ox, b.y2 + oy});
    fillBoxes(moved, bgr);
    MoveTo(boxes.back().x2, boxes.back().y2);
}

void DrawSurface::fillBoxes(const std::vector<Corners> &boxes, qint32 bgr)
{
    for (const Corners &b : boxes)
        drawBox(b.x1.v, b.y1.v, b.x2.v, b.y2.v, bgr, true);
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

struct PainterSurface::FontCache
{
    explicit FontCache(const surface::Font &f)
        : spec(f)
        , font(QtFont(f))
        , metrics(font)
    { }
    // Glyphs of one font engine, placed from the piece's left edge on the
    // baseline.
    struct Glyphs
    {
        QRawFont raw;
        QList<quint32> indexes;
        QList<QPointF> positions;
    };
    surface::Font spec;
    QFont font;
    QFontMetricsF metrics;
    QHash<QString, double> widths;
    QHash<QString, QList<Glyphs>> glyphs;
};

PainterSurface::FontCache &PainterSurface::current() const
{
    if (m_current && m_current->spec == Font())
        return *m_current;
    for (const std::unique_ptr<FontCache> &f : m_fonts)
        if (f->spec == Font())
            return *(m_current = f.get());
    // A document uses a handful of fonts; a surface that has seen very many
    // starts again rather than grow.
    if (m_fonts.size() >= 64) {
        m_fonts.clear();
        m_painterFont = nullptr;
    }
    m_fonts.push_back(std::make_unique<FontCache>(Font()));
    return *(m_current = m_fonts.back().get());
}

Twips PainterSurface::TextWidth(const QString &text) const
{
    FontCache &f = current();
    // Most texts measured are one line: no splitting. A character's width
    // is measured once.
    if (!text.contains(u'\n')) {
        if (text.size() > 2)
            return Twips(f.metrics.horizontalAdvance(text));
        const auto it = f.widths.constFind(text);
        if (it != f.widths.constEnd())
            return Twips(*it);
        return Twips(*f.widths.insert(text, f.metrics.horizontalAdvance(text)));
    }
    double w = 0;
    for (const QString &line : SurfaceTextLines(text))
        w = std::max(w, f.metrics.horizontalAdvance(line));
    return Twips(w);
}

Twips PainterSurface::TextHeight(const QString &text) const
{
    return Twips(current().metrics.height() * (text.count(u'\n') + 1));
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
        m_painterFont = nullptr;
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

void PainterSurface::useTextFont(const FontCache &font)
{
    // The painter's font changes only when the surface's does.
    if (m_painterFont != &font) {
        m_painter->setFont(font.font);
        m_painterFont = &font;
    }
    m_painter->setPen(num::ColorFromBgr(ForeColor()));
}

void PainterSurface::drawText(double x, double top, const QString &line)
{
    if (!ensurePage())
        return;
    const FontCache &font = current();
    useTextFont(font);
    m_painter->drawText(QPointF(x, top + font.metrics.ascent()), line);
}

void PainterSurface::drawPieces(const std::vector<TextPiece> &pieces, double top)
{
    // Underlined or struck-out text keeps its line under each piece; a
    // picture box draws on the screen's image as it always did.
    if (!m_paged || Font().underline || Font().strikeOut) {
        DrawSurface::drawPieces(pieces, top);
        return;
    }
    if (!ensurePage())
        return;
    FontCache &font = current();
    useTextFont(font);
    // Each piece's glyphs as drawText shapes the piece alone, placed where
    // drawText would put them, and drawn as runs of one font engine: the
    // same glyphs at the same positions in fewer, cheaper calls.
    const double baseline = top + font.metrics.ascent();
    QRawFont raw;
    QList<quint32> indexes;
    QList<QPointF> positions;
    const auto flush = [&] {
        if (indexes.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(indexes);
        run.setPositions(positions);
        m_painter->drawGlyphRun(QPointF(0, 0), run);
        indexes.clear();
        positions.clear();
    };
    for (const TextPiece &p : pieces) {
        auto it = font.glyphs.constFind(p.text);
        if (it == font.glyphs.constEnd()) {
            QTextLayout layout(p.text, font.font, m_device);
            layout.beginLayout();
            const QTextLine line = layout.createLine();
            layout.endLayout();
            QList<FontCache::Glyphs> shaped;
            for (const QGlyphRun &run : layout.glyphRuns()) {
                FontCache::Glyphs g {run.rawFont(), run.glyphIndexes(), run.positions()};
                for (QPointF &at : g.positions)
                    at -= QPointF(line.x(), line.ascent());
                shaped.append(std::move(g));
            }
            it = font.glyphs.insert(p.text, std::move(shaped));
        }
        for (const FontCache::Glyphs &g : *it) {
            if (!(g.raw == raw)) {
                flush();
                raw = g.raw;
            }
            indexes.append(g.indexes);
            for (const QPointF &at : g.positions)
                positions.append(QPointF(p.x.v + at.x(), baseline + at.y()));
        }
    }
    flush();
}

void PainterSurface::fillBoxes(const std::vector<Corners> &boxes, qint32 bgr)
{
    if (!m_paged) {
        DrawSurface::fillBoxes(boxes, bgr);
        return;
    }
    if (!ensurePage())
        return;
    // Each box filled as fillRect fills it (no pen around it), the pen and
    // brush set once for all and put back after. Every box stays a path of
    // its own: a reader snaps a lone rectangle's edges to whole pixels,
    // which it does not do for several rectangles in one path.
    const QPen pen = m_painter->pen();
    const QBrush brush = m_painter->brush();
    m_painter->setPen(Qt::NoPen);
    m_painter->setBrush(num::ColorFromBgr(bgr));
    for (const Corners &b : boxes)
        m_painter->drawRect(QRectF(QPointF(b.x1.v, b.y1.v), QPointF(b.x2.v, b.y2.v)).normalized());
    m_painter->setBrush(brush);
    m_painter->setPen(pen);
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
    // Blank pages ended before the last NewPage are still sent, also when
    // nothing at all was drawn: each is a sheet.
    if (m_pageIndex > 0 && m_pages < m_pageIndex) {
        --m_pageIndex;
        ok = ensurePage() && ok;
    }
    if (m_painter) {
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
