#pragma once
// A drawing surface that draws nothing and records every drawing call, for
// tests of code that draws. Text is measured with a fixed, simple metric so
// that positions are predictable: every character is a fixed fraction of the
// font size wide and a line is a fixed multiple of it high.

#include "platform/drawsurface.h"

#include <QString>
#include <vector>

struct SurfaceOp
{
    enum Kind { Text, Line, Box, FilledBox, Circle, Picture, PageBreak };
    Kind kind;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // twips, origin applied
    qint32 color = 0;
    QString text;
    surface::Font font;
    int drawWidth = 1;
    int drawStyle = 0;
};

class RecordingSurface : public DrawSurface
{
public:
    // Width and height of the page in twips.
    explicit RecordingSurface(double width = 11906, double height = 16838);

    Twips Width() const override { return Twips(m_width); }
    Twips Height() const override { return Twips(m_height); }
    double TwipsPerPixel() const override { return 2.4; } // a 600 dpi printer
    // A character is 0.5 × the font size wide (twips), a line 1.2 × high.
    Twips TextWidth(const QString &text) const override;
    Twips TextHeight(const QString &text) const override;
    bool NewPage() override;
    bool EndDoc() override;

    const std::vector<SurfaceOp> &ops() const { return m_ops; }
    std::vector<SurfaceOp> ops(SurfaceOp::Kind kind) const;
    void clear() { m_ops.clear(); }
    int endDocCount() const { return m_endDocs; }
    // Makes the next EndDoc report a failure.
    void failNextEndDoc() { m_failEnd = true; }

protected:
    void drawText(double x, double top, const QString &line) override;
    void drawLine(double x1, double y1, double x2, double y2, qint32 bgr) override;
    void drawBox(double x1, double y1, double x2, double y2, qint32 bgr, bool filled) override;
    void drawEllipse(double cx, double cy, double rx, double ry, qint32 bgr) override;
    void drawImage(const QImage &image, double x, double y, double w, double h) override;

private:
    SurfaceOp make(SurfaceOp::Kind kind) const;
    void add(SurfaceOp op);

    double m_width, m_height;
    std::vector<SurfaceOp> m_ops;
    // Breaks up to page lastIndex (from 0), as PainterSurface starts them.
    void startPages(int lastIndex);
    int m_pageIndex = 0;
    int m_pages = 0;
    bool m_failEnd = false;
    int m_endDocs = 0;
};
