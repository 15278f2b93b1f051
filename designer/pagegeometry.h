#pragma once
// Layout arithmetic of the main window, in twips: the window laid out on the
// screen's work area, the page PG sized to its frame PFrm at the paper's
// ratio, the page scroll bars VS and PHS, and the zoom steps. No widgets:
// the window applies these numbers to its widgets.

#include "core/helpers.h"

#include <QPointF>
#include <QRectF>
#include <QtGlobal>

namespace dsg {

struct ScrollState
{
    bool enabled = false;
    qint32 max = 5;
    qint32 value = 0;
};

// The page and its frame (twips; the page's left/top are relative to the
// frame and 0 or negative when scrolled) with the page scroll bars.
struct PageGeometry
{
    double left = 0, top = 0, width = 0, height = 0; // PG
    double frameWidth = 0, frameHeight = 0; // PFrm
    ScrollState vs, phs;

    // SetPageSize: the page takes the frame's width at the
    // ratio W:H, unscrolled; VS is enabled only when the page is higher than
    // the frame. False (nothing changed) when W or H is not above 0.
    bool SetPageSize(double w, double h);
    // The change handlers of VS and PHS: value v moves the page.
    void SetVScroll(qint32 v);
    void SetHScroll(qint32 v);
    // ZoomPage: the page grows by (1 + f), kept between
    // kMinZoom and kMaxZoom times the frame's width; the scroll bars keep
    // the relative scroll position. Returns the factor actually applied.
    double Zoom(double f);
    // The factor of Zm(2): back to the frame's width.
    double FitFactor() const;
    // Zoom factor: page width / frame width (1 when the frame has no width).
    double ZoomFactor() const;
};

inline constexpr double kMinZoom = 0.25;
inline constexpr double kMaxZoom = 5.0;

// 5 * N with N = round((page - frame) / page + 0.999), halves to even.
qint32 ScrollMaxFor(double pageLength, double frameLength);

// ArrangeMainForm: the geometry of the window's chief controls (twips).
struct MainLayout
{
    QRectF form; // MF on the screen
    QRectF sst; // tab control in the form
    QRectF pic; // Pic(0..2) in the tab control
    QRectF frame; // PFrm in Pic(0)
    QRectF phs; // PHS in Pic(0)
    QRectF vs; // VS in Pic(0)
    QRectF lbl; // LBL in the form
    QRectF frm1; // Frm(1) in Pic(0)
};

// The designed places of the controls the layout does not move.
struct MainDesign
{
    double sstTop = 0;
    double vsTop = 1020;
    double vsWidth = 255;
    double phsHeight = 255;
    double frm1Left = 9400, frm1Top = 0, frm1Height = 1000;
    double lblHeight = 300;
};

MainLayout ArrangeMainForm(double screenWidthTw, double screenHeightTw, double taskbarTw,
                           const MainDesign &design = {});

} // namespace dsg
