#include "designer/pagegeometry.h"

#include "platform/numtext.h"

#include <algorithm>
#include <cmath>

namespace dsg {

qint32 ScrollMaxFor(double pageLength, double frameLength)
{
    if (pageLength <= 0)
        return 5;
    const double n = num::RoundHalfEven((pageLength - frameLength) / pageLength + 0.999);
    return qint32(5 * n);
}

bool PageGeometry::SetPageSize(double w, double h)
{
    if (!(w > 0) || !(h > 0))
        return false;
    const double r = w / h;
    left = 0;
    width = frameWidth;
    top = 0;
    height = width / r;
    phs.enabled = false;
    vs.enabled = height > frameHeight;
    if (vs.enabled)
        vs.max = ScrollMaxFor(height, frameHeight);
    return true;
}

void PageGeometry::SetVScroll(qint32 v)
{
    vs.value = v;
    // Past the fifth step the page would leave the frame: the offset stops
    // at the hidden part.
    const double hidden = qMax(0.0, height - frameHeight);
    top = -qMin(hidden, hidden / 5.0 * qMax(0, v));
}

void PageGeometry::SetHScroll(qint32 v)
{
    phs.value = v;
    const double hidden = qMax(0.0, width - frameWidth);
    left = -qMin(hidden, hidden / 5.0 * qMax(0, v));
}

double PageGeometry::FitFactor() const
{
    return width > 0 ? -(width - frameWidth) / width : 0;
}

double PageGeometry::ZoomFactor() const
{
    return frameWidth > 0 && width > 0 ? width / frameWidth : 1.0;
}

double PageGeometry::Zoom(double f)
{
    if (!(width > 0) || !(height > 0))
        return 0;
    const double a = top / height;
    const double b = left / width;
    double newWidth = width * (1 + f);
    // Keep the page between a quarter and five times its frame's width, so
    // that repeated steps neither lose the page nor make it enormous.
    if (frameWidth > 0)
        newWidth = std::clamp(newWidth, frameWidth * kMinZoom, frameWidth * kMaxZoom);
    const double applied = newWidth / width - 1;
    height = height * (1 + applied);
    width = newWidth;

    if (height > frameHeight) {
        vs.max = ScrollMaxFor(height, frameHeight);
        vs.enabled = true;
        SetVScroll(qint32(num::RoundHalfEven(std::fabs(a) * vs.max)));
    } else {
        top = 0;
        vs.enabled = false;
    }
    if (width > frameWidth) {
        phs.max = ScrollMaxFor(width, frameWidth);
        phs.enabled = true;
        SetHScroll(qint32(num::RoundHalfEven(std::fabs(b) * phs.max)));
    } else {
        left = 0;
        phs.enabled = false;
    }
    return applied;
}

MainLayout ArrangeMainForm(double screenW, double screenH, double taskbar, const MainDesign &d)
{
    MainLayout m;
    // the window fills the work area
    m.form = QRectF(0, 0, screenW, screenH - taskbar);
    // the tab control
    m.sst = QRectF(0, d.sstTop, m.form.width() - 80, m.form.height() - 1000);
    // the content of the first tab
    const double picLeft = 0, picTop = 330;
    m.pic = QRectF(picLeft, picTop, m.sst.width() - 2 * picLeft, m.sst.height() - picTop - picLeft);
    // the page frame
    const double frmTop = 1020;
    m.frame = QRectF(0, frmTop, m.pic.width() - d.vsWidth, m.pic.height() - frmTop - d.phsHeight);
    // the page's horizontal scroll bar
    m.phs = QRectF(0, m.pic.height() - d.phsHeight - 15, m.frame.width(), d.phsHeight);
    // the page's vertical scroll bar
    m.vs = QRectF(m.sst.width() - 280, d.vsTop, d.vsWidth, m.pic.height() - d.vsTop - 20);
    // the line below the tab control
    m.lbl = QRectF(20, m.sst.top() + m.sst.height() + 20, m.sst.width() - 40, d.lblHeight);
    // the frame of the first tab stretched to the right edge
    m.frm1 = QRectF(d.frm1Left, d.frm1Top, m.pic.width() - d.frm1Left - 30, d.frm1Height);
    // centred on the work area
    const QPointF c = CenterPosition(screenW, screenH, taskbar, m.form.width(), m.form.height());
    m.form.moveTopLeft(c);
    return m;
}

} // namespace dsg
