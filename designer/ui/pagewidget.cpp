#include "designer/ui/pagewidget.h"

#include "designer/recordservices.h"
#include "platform/fontmap.h"
#include "platform/mousecodes.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>

namespace dsg {

using screen::ToPx;
using screen::ToTwips;
using screen::TwipsPerPixel;

namespace {

QFont FontOf(const DesignControl &c)
{
    return fontmap::ToQFont(c.Font(), qMax(1, ToPx(c.fontSize * 20)));
}

Qt::Alignment AlignOf(qint32 a)
{
    return (a == 1 ? Qt::AlignRight : a == 2 ? Qt::AlignHCenter : Qt::AlignLeft);
}

// A picture box: a bar code left undrawn while a batch printed
// (DesignControl::barCodePending) is drawn when the box is painted.
class PictureLabel : public QLabel
{
public:
    PictureLabel(QWidget *parent, std::function<void(QLabel &)> beforePaint)
        : QLabel(parent)
        , m_beforePaint(std::move(beforePaint))
    { }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        m_beforePaint(*this);
        QLabel::paintEvent(event);
    }

private:
    std::function<void(QLabel &)> m_beforePaint;
};

} // namespace

PageWidget::PageWidget(MainState &state, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
{
    setObjectName(QStringLiteral("PG"));
    setToolTip(QStringLiteral("点击右键，可添加输入框或清空输入框内容。"));
    setAutoFillBackground(false);
    setMouseTracking(true);
    m_state.Controls().SetObserver(this);
}

PageWidget::~PageWidget()
{
    m_state.Controls().SetObserver(nullptr);
}

void PageWidget::SyncGeometry()
{
    const PageGeometry &g = m_state.Page();
    setGeometry(ToPx(g.left), ToPx(g.top), ToPx(g.width), ToPx(g.height));
    setVisible(m_state.PageVisible());
    update();
}

QWidget *PageWidget::ControlWidget(qint32 index) const
{
    auto it = m_widgets.find(index);
    return it == m_widgets.end() ? nullptr : it->second;
}

QLabel *PageWidget::PromptWidget(qint32 index) const
{
    auto it = m_labels.find(index);
    return it == m_labels.end() ? nullptr : it->second;
}

void PageWidget::ControlLoaded(DesignControl &ctl)
{
    const qint32 index = ctl.index;
    QWidget *w = nullptr;
    switch (ctl.cls) {
    case InputBox: {
        auto *e = new QPlainTextEdit(this);
        e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        e->document()->setDocumentMargin(1);
        connect(e, &QPlainTextEdit::textChanged, this, [this, e, index] {
            if (m_syncing)
                return;
            if (DesignControl *c = m_state.GetCtlByIndex(index))
                c->text = e->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        });
        w = e;
        w->setObjectName(QStringLiteral("TT"));
        break;
    }
    case CheckBox: {
        auto *b = new QCheckBox(this);
        b->setTristate(false);
        connect(b, &QCheckBox::stateChanged, this, [this, index](int s) {
            if (m_syncing)
                return;
            if (DesignControl *c = m_state.GetCtlByIndex(index))
                c->value = s == Qt::Checked ? 1 : s == Qt::PartiallyChecked ? 2 : 0;
        });
        w = b;
        w->setObjectName(QStringLiteral("CC"));
        break;
    }
    case PictureBox: {
        auto *l = new PictureLabel(this, [this, index](QLabel &label) {
            DesignControl *c = m_state.GetCtlByIndex(index);
            if (!c || !c->barCodePending)
                return;
            DrawPendingBarCode(*c);
            label.setPixmap(QPixmap::fromImage(c->picture));
        });
        l->setScaledContents(true);
        w = l;
        w->setObjectName(QStringLiteral("II"));
        break;
    }
    case LabelCtl: {
        auto *l = new QLabel(this);
        w = l;
        w->setObjectName(QStringLiteral("LB"));
        break;
    }
    default:
        break;
    }
    if (w) {
        w->setProperty("ctlIndex", index);
        m_widgets[index] = w;
    }
    if (ctl.cls <= PictureBox) {
        auto *l = new QLabel(this);
        l->setObjectName(QStringLiteral("LL"));
        l->setProperty("ctlIndex", index);
        m_labels[index] = l;
        if (PromptLabel *pl = m_state.Controls().Label(index))
            LabelChanged(index, *pl);
    }
    // The look follows with the first change (the row applied to it).
    if (w)
        w->hide();
}

void PageWidget::ControlUnloading(DesignControl &ctl)
{
    if (auto it = m_widgets.find(ctl.index); it != m_widgets.end()) {
        delete it->second;
        m_widgets.erase(it);
    }
    if (auto it = m_labels.find(ctl.index); it != m_labels.end()) {
        delete it->second;
        m_labels.erase(it);
    }
    if (ctl.cls == LineCtl)
        update();
}

void PageWidget::LabelChanged(qint32 index, PromptLabel &label)
{
    QLabel *l = PromptWidget(index);
    if (!l)
        return;
    l->setText(label.caption);
    // The caption shows whole: a label left of its box grows to the left.
    int x = ToPx(label.left), w = ToPx(label.width);
    if (const int need = l->sizeHint().width(); need > w) {
        const DesignControl *owner = m_state.GetCtlByIndex(index);
        if (owner && label.left + label.width <= owner->left)
            x -= need - w;
        w = need;
    }
    l->setGeometry(x, ToPx(label.top), w, ToPx(label.height));
    l->setVisible(label.visible);
}

void PageWidget::ControlChanged(DesignControl &ctl)
{
    if (ctl.cls == LineCtl) {
        update();
        return;
    }
    if (QWidget *w = ControlWidget(ctl.index))
        ApplyLook(w, ctl);
}

void PageWidget::ApplyLook(QWidget *w, const DesignControl &c)
{
    m_syncing = true;
    const QRect r(ToPx(c.left), ToPx(c.top), ToPx(c.width), ToPx(c.height));
    if (w->geometry() != r)
        w->setGeometry(r);
    const QFont f = FontOf(c);
    if (w->font() != f)
        w->setFont(f);
    if (w->toolTip() != c.toolTip)
        w->setToolTip(c.toolTip);
    const QColor fore = num::ColorFromBgr(c.foreColor);
    switch (c.cls) {
    case InputBox: {
        auto *e = static_cast<QPlainTextEdit *>(w);
        const QString t = QString(c.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (e->toPlainText() != t)
            e->setPlainText(t);
        QPalette pal = e->palette();
        pal.setColor(QPalette::Base, num::ColorFromBgr(c.selected ? kSelectedGrey : c.backColor));
        pal.setColor(QPalette::Text, fore);
        e->setPalette(pal);
        // The text area paints the ground and holds a palette of its own
        // once the style has polished it: it gets the colours too.
        e->viewport()->setPalette(pal);
        e->setFrameShape(c.borderStyle == 1 ? QFrame::Box : QFrame::NoFrame);
        QTextOption opt = e->document()->defaultTextOption();
        if (opt.alignment() != AlignOf(c.alignment)) {
            opt.setAlignment(AlignOf(c.alignment));
            e->document()->setDefaultTextOption(opt);
        }
        break;
    }
    case CheckBox: {
        auto *b = static_cast<QCheckBox *>(w);
        b->setTristate(c.value == 2);
        b->setCheckState(c.value == 0       ? Qt::Unchecked
                             : c.value == 2 ? Qt::PartiallyChecked
                                            : Qt::Checked);
        // The flat look (also the selected look) shows a grey ground and a
        // grey box: the box is all a small check box shows.
        const bool flat = c.selected || c.appearance == 0;
        b->setAutoFillBackground(flat);
        QPalette pal = b->palette();
        const QPalette normal = palette();
        pal.setColor(QPalette::Window,
                     flat ? num::ColorFromBgr(kSelectedGrey) : normal.color(QPalette::Window));
        pal.setColor(QPalette::Base,
                     flat ? num::ColorFromBgr(kSelectedGrey) : normal.color(QPalette::Base));
        b->setPalette(pal);
        break;
    }
    case PictureBox: {
        auto *l = static_cast<QLabel *>(w);
        l->setPixmap(c.picture.isNull() ? QPixmap() : QPixmap::fromImage(c.picture));
        if (c.barCodePending)
            l->update(); // drawn when painted
        l->setFrameShape(c.selected ? QFrame::Box : QFrame::NoFrame);
        break;
    }
    case LabelCtl: {
        auto *l = static_cast<QLabel *>(w);
        l->setText(c.caption);
        l->setAlignment(AlignOf(c.alignment) | Qt::AlignTop);
        l->setFrameShape(c.selected ? QFrame::Box : QFrame::NoFrame);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, fore);
        l->setPalette(pal);
        break;
    }
    default:
        break;
    }
    w->setVisible(c.visible);
    m_syncing = false;
}

void PageWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const PageDrawing &d = m_state.Drawing();
    if (d.background)
        p.drawImage(rect(), m_state.BackgroundPicture());
    if (d.rulers) {
        for (const RulerLine &l : d.plan.lines) {
            p.setPen(QPen(num::ColorFromBgr(l.color), 1));
            p.drawLine(QPointF(ToPx(l.x1), ToPx(l.y1)), QPointF(ToPx(l.x2), ToPx(l.y2)));
        }
        QFont f;
        f.setPixelSize(kRulerFontPixels);
        p.setFont(f);
        p.setPen(Qt::black);
        for (const RulerText &t : d.plan.texts)
            p.drawText(QRect(ToPx(t.x), ToPx(t.y), 200, kRulerFontPixels + 4),
                       Qt::AlignLeft | Qt::AlignTop, t.text);
    }
    // Lines are no widgets: the page draws them.
    for (qint32 i = 3001; i <= 3000 + m_state.Controls().Count(LineCtl); ++i) {
        const DesignControl *c = m_state.Controls().GetCtlByIndex(i);
        if (!c || !c->visible)
            continue;
        QPen pen(num::ColorFromBgr(c->selected ? kSelectedGrey : c->borderColor),
                 qMax(1, c->borderWidth),
                 fontmap::LinePenStyle(c->borderStyle, qMax(1, c->borderWidth)));
        p.setPen(pen);
        p.drawLine(QPointF(ToPx(c->x1), ToPx(c->y1)), QPointF(ToPx(c->x2), ToPx(c->y2)));
    }
}

void PageWidget::SendMouse(int kind, QMouseEvent *e)
{
    if (!m_mouse)
        return;
    const int button = kind == 1 ? mouse::ButtonCode(e->buttons()) : mouse::ButtonCode(e->button());
    m_mouse(kind, button, mouse::ShiftCode(e->modifiers()), ToTwips(e->position().x()),
            ToTwips(e->position().y()));
}

void PageWidget::mousePressEvent(QMouseEvent *e)
{
    SendMouse(0, e);
}

void PageWidget::mouseMoveEvent(QMouseEvent *e)
{
    SendMouse(1, e);
}

void PageWidget::mouseReleaseEvent(QMouseEvent *e)
{
    SendMouse(2, e);
}

void PageWidget::mouseDoubleClickEvent(QMouseEvent *e)
{
    SendMouse(3, e);
}

} // namespace dsg
