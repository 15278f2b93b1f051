#include "support/recordingsurface.h"

#include <algorithm>

RecordingSurface::RecordingSurface(double width, double height)
    : m_width(width)
    , m_height(height)
{ }

Twips RecordingSurface::TextWidth(const QString &text) const
{
    qsizetype longest = 0;
    for (const QString &line : SurfaceTextLines(text))
        longest = std::max(longest, line.size());
    return Twips(longest * Font().size * kTwipsPerPoint * 0.5);
}

Twips RecordingSurface::TextHeight(const QString &text) const
{
    return Twips(SurfaceTextLines(text).size() * Font().size * kTwipsPerPoint * 1.2);
}

SurfaceOp RecordingSurface::make(SurfaceOp::Kind kind) const
{
    SurfaceOp op {kind};
    op.font = Font();
    op.drawWidth = DrawWidth();
    op.drawStyle = DrawStyle();
    op.color = ForeColor();
    return op;
}

void RecordingSurface::add(SurfaceOp op)
{
    startPages(m_pageIndex);
    m_ops.push_back(std::move(op));
}

void RecordingSurface::drawText(double x, double top, const QString &line)
{
    SurfaceOp op = make(SurfaceOp::Text);
    op.x1 = x;
    op.y1 = top;
    op.text = line;
    add(op);
}

void RecordingSurface::drawLine(double x1, double y1, double x2, double y2, qint32 bgr)
{
    SurfaceOp op = make(SurfaceOp::Line);
    op.x1 = x1, op.y1 = y1, op.x2 = x2, op.y2 = y2, op.color = bgr;
    add(op);
}

void RecordingSurface::drawBox(double x1, double y1, double x2, double y2, qint32 bgr, bool filled)
{
    SurfaceOp op = make(filled ? SurfaceOp::FilledBox : SurfaceOp::Box);
    op.x1 = x1, op.y1 = y1, op.x2 = x2, op.y2 = y2, op.color = bgr;
    add(op);
}

void RecordingSurface::drawEllipse(double cx, double cy, double rx, double ry, qint32 bgr)
{
    SurfaceOp op = make(SurfaceOp::Circle);
    op.x1 = cx, op.y1 = cy, op.x2 = rx, op.y2 = ry, op.color = bgr;
    add(op);
}

void RecordingSurface::drawImage(const QImage &, double x, double y, double w, double h)
{
    SurfaceOp op = make(SurfaceOp::Picture);
    op.x1 = x, op.y1 = y, op.x2 = x + w, op.y2 = y + h;
    add(op);
}

std::vector<SurfaceOp> RecordingSurface::ops(SurfaceOp::Kind kind) const
{
    std::vector<SurfaceOp> out;
    std::copy_if(m_ops.begin(), m_ops.end(), std::back_inserter(out),
                 [kind](const SurfaceOp &op) { return op.kind == kind; });
    return out;
}

void RecordingSurface::startPages(int lastIndex)
{
    if (m_pages == 0)
        m_pages = 1;
    for (; m_pages <= lastIndex; ++m_pages)
        m_ops.push_back(make(SurfaceOp::PageBreak));
}

bool RecordingSurface::NewPage()
{
    ++m_pageIndex;
    resetState();
    return true;
}

bool RecordingSurface::EndDoc()
{
    ++m_endDocs;
    // As on the printer: blank pages before the last NewPage are sheets.
    if (m_pages > 0)
        startPages(m_pageIndex - 1);
    m_pageIndex = 0;
    m_pages = 0;
    resetState();
    const bool ok = !m_failEnd;
    m_failEnd = false;
    return ok;
}
