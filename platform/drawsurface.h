#pragma once
// The drawing surface the print engine and the bar-code routines draw on: the
// printer (any paged paint device, such as a PDF writer or a printer) or the
// image of a picture box. Every coordinate and length is in printer twips
// (the Twips type of platform/lengths.h: 1440 to the inch, 1 mm = 56.6928
// twips), measured from the surface's origin.
//
// Like the printer object it stands in for, the surface keeps a current
// position (CurrentX/CurrentY) that Print and Line advance, a current font, a
// fore colour, a line width in device pixels and a line style. Every page
// ended with NewPage is a sheet, drawn on or not (a blank record on
// pre-numbered stock still takes its sheet); the page after the last
// NewPage is sent only when something is drawn on it, so NewPage directly
// followed by EndDoc adds no page. A document in which nothing was drawn
// and no page ended sends nothing at all.

#include "platform/fontmap.h"
#include "platform/lengths.h"

#include <QColor>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QPaintDevice;
class QPagedPaintDevice;

namespace surface {

// Drawing styles, numbered as the printer's (platform/fontmap.h).
using DrawStyle = fontmap::LineStyle;
using enum fontmap::LineStyle;

// The surface's font is the stored font (platform/fontmap.h).
using Font = FontSpec;

} // namespace surface

class DrawSurface
{
public:
    virtual ~DrawSurface() = default;

    // Current position.
    Twips CurrentX() const { return Twips(m_x); }
    Twips CurrentY() const { return Twips(m_y); }
    void MoveTo(Twips x, Twips y)
    {
        m_x = x.v;
        m_y = y.v;
    }

    // Font used by Print, TextWidth and TextHeight.
    const surface::Font &Font() const { return m_font; }
    void SetFont(const surface::Font &font) { m_font = font; }
    void SetFontName(const QString &name) { m_font.name = name; }
    // Sizes of 0 or below are refused and leave the size as it was.
    void SetFontSize(double points)
    {
        if (points > 0)
            m_font.size = points;
    }
    void SetFontBold(bool on) { m_font.bold = on; }
    void SetFontItalic(bool on) { m_font.italic = on; }
    void SetFontUnderline(bool on) { m_font.underline = on; }
    void SetFontStrikeOut(bool on) { m_font.strikeOut = on; }

    // Colour of text and of lines drawn without their own colour, 0x00BBGGRR.
    qint32 ForeColor() const { return m_foreColor; }
    void SetForeColor(qint32 bgr) { m_foreColor = bgr; }

    // Line width in device pixels (at least 1) and line style.
    int DrawWidth() const { return m_drawWidth; }
    void SetDrawWidth(int pixels) { m_drawWidth = pixels < 1 ? 1 : pixels; }
    int DrawStyle() const { return m_drawStyle; }
    void SetDrawStyle(int style)
    {
        if (style >= surface::Solid && style <= surface::InsideSolid)
            m_drawStyle = style;
    }

    // Shifts every later drawing by (x, y): the surface's origin.
    void SetOrigin(Twips x, Twips y)
    {
        m_originX = x.v;
        m_originY = y.v;
    }

    // Size of the drawable area.
    virtual Twips Width() const = 0;
    virtual Twips Height() const = 0;
    // Twips per device pixel (the width of a DrawWidth of 1).
    virtual double TwipsPerPixel() const = 0;

    // Width of the widest line and height of all lines of a text in the
    // current font, in twips. Lines are separated by CR LF or LF.
    virtual Twips TextWidth(const QString &text) const = 0;
    virtual Twips TextHeight(const QString &text) const = 0;

    // Prints the text with the top of its first line at CurrentY, starting
    // at CurrentX. Each further line starts at x = 0. Afterwards CurrentY
    // moves to the next line and CurrentX to 0; with newLine false the
    // position stays on the last line, right after the text.
    void Print(const QString &text, bool newLine = true);

    // A line from (x1, y1) to (x2, y2) in the fore colour, or in the given
    // colour; the current position moves to (x2, y2).
    void Line(Twips x1, Twips y1, Twips x2, Twips y2);
    void Line(Twips x1, Twips y1, Twips x2, Twips y2, qint32 bgr);
    // A piece of text of a line and where its cell starts.
    struct TextPiece
    {
        Twips x;
        QString text;
    };
    // Prints the pieces of one line with their tops at y, each from its own
    // x: as MoveTo(x, y) and Print(text, false) for each piece in turn, so
    // the position ends right after the last one. The characters of a
    // spaced line or of cells are printed this way; a printer draws a run of
    // them at once.
    void PrintPieces(const std::vector<TextPiece> &pieces, Twips y);

    // A rectangle with corners (x1, y1) and (x2, y2): outlined with the pen,
    // or filled exactly (no pen around it); the position moves to (x2, y2).
    void Box(Twips x1, Twips y1, Twips x2, Twips y2, qint32 bgr, bool filled);
    // Rectangles filled exactly in one colour, as Box(..., bgr, true) for
    // each in turn (the bars of a bar code): the position moves to the last
    // one's (x2, y2).
    struct Corners
    {
        Twips x1, y1, x2, y2;
    };
    void FillBoxes(const std::vector<Corners> &boxes, qint32 bgr);
    // A circle outline; the position moves to its centre.
    void Circle(Twips x, Twips y, Twips radius, qint32 bgr);
    // Draws a picture scaled into the rectangle; a width or height of 0 or
    // below takes the picture's own size.
    void PaintPicture(const QImage &image, Twips x, Twips y, Twips width = Twips(),
                      Twips height = Twips());

    // Ends the current page, blank or not. The next page is started only
    // when something is drawn on it or a further NewPage ends it, so NewPage
    // followed by EndDoc adds no empty page.
    virtual bool NewPage() = 0;
    // Ends the document and sends it. False when the document could not be
    // started or finished; a document with nothing drawn sends nothing and
    // succeeds.
    virtual bool EndDoc() = 0;

protected:
    // Primitive drawing in plain twips of the origin-free device space;
    // the base class has applied the origin already.
    virtual void drawText(double x, double top, const QString &line) = 0;
    virtual void drawLine(double x1, double y1, double x2, double y2, qint32 bgr) = 0;
    virtual void drawBox(double x1, double y1, double x2, double y2, qint32 bgr, bool filled) = 0;
    virtual void drawEllipse(double cx, double cy, double rx, double ry, qint32 bgr) = 0;
    virtual void drawImage(const QImage &image, double x, double y, double w, double h) = 0;
    // Pieces of one line (none empty, none with a line break) and filled
    // boxes, origin applied; by default drawText and drawBox for each.
    virtual void drawPieces(const std::vector<TextPiece> &pieces, double top);
    virtual void fillBoxes(const std::vector<Corners> &boxes, qint32 bgr);
    // Native size of a picture in twips, for PaintPicture without a size.
    virtual QSizeF imageSizeTwips(const QImage &image) const;

    // Resets position and drawing state for a new document.
    void resetState() { m_x = m_y = 0; }

private:
    double m_x = 0, m_y = 0;
    double m_originX = 0, m_originY = 0;
    surface::Font m_font;
    qint32 m_foreColor = 0;
    int m_drawWidth = 1;
    int m_drawStyle = surface::Solid;
};

// Splits a text into its lines at CR LF or LF.
QStringList SurfaceTextLines(const QString &text);

// Draws through a QPainter on a paged device (a PDF writer or a printer, not
// owned) or on an image (a picture box, not owned).
class PainterSurface : public DrawSurface
{
public:
    explicit PainterSurface(QPagedPaintDevice *device);
    explicit PainterSurface(QImage *image);
    ~PainterSurface() override;

    Twips Width() const override;
    Twips Height() const override;
    double TwipsPerPixel() const override;
    Twips TextWidth(const QString &text) const override;
    Twips TextHeight(const QString &text) const override;
    bool NewPage() override;
    bool EndDoc() override;

    // True once starting the document or a page has failed.
    bool Failed() const { return m_failed; }
    // Pages started so far in this document.
    int PagesStarted() const { return m_pages; }
    // Pages ended with NewPage so far in this document.
    int PagesEnded() const { return m_pageIndex; }
    // The QFont the surface uses for a font, sized in twips.
    static QFont QtFont(const surface::Font &font);

protected:
    void drawText(double x, double top, const QString &line) override;
    void drawLine(double x1, double y1, double x2, double y2, qint32 bgr) override;
    void drawBox(double x1, double y1, double x2, double y2, qint32 bgr, bool filled) override;
    void drawEllipse(double cx, double cy, double rx, double ry, qint32 bgr) override;
    void drawImage(const QImage &image, double x, double y, double w, double h) override;
    void drawPieces(const std::vector<TextPiece> &pieces, double top) override;
    void fillBoxes(const std::vector<Corners> &boxes, qint32 bgr) override;
    QSizeF imageSizeTwips(const QImage &image) const override;

private:
    // What the surface keeps for each font it has used in the document:
    // the QFont, its metrics, the widths of single characters and the
    // glyphs of the pieces drawn so far.
    struct FontCache;
    // Starts the document and the pages up to the current one; false when
    // it cannot draw.
    bool ensurePage();
    QPen pen(qint32 bgr) const;
    // The cache of the current font, made on its first use.
    FontCache &current() const;
    // Gives the painter the current font and the text pen.
    void useTextFont(const FontCache &font);
    double dpiX() const;
    double dpiY() const;

    QPaintDevice *m_device = nullptr;
    QPagedPaintDevice *m_paged = nullptr;
    std::unique_ptr<QPainter> m_painter;
    // Pages ended so far (the current page's number from 0) and pages
    // started on the device.
    int m_pageIndex = 0;
    bool m_failed = false;
    int m_pages = 0;
    mutable std::vector<std::unique_ptr<FontCache>> m_fonts;
    mutable FontCache *m_current = nullptr;
    mutable const FontCache *m_painterFont = nullptr; // the font last given to the painter
};
