#include "designer/ui/pageinput.h"

#include "core/ui/windowhelpers.h"
#include "designer/mainstate.h"
#include "designer/ui/pagewidget.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace dsg {

using screen::ToPx;
using screen::ToTwips;

namespace {

int Modifiers(Qt::KeyboardModifiers m)
{
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0)
        | (m & Qt::AltModifier ? 4 : 0);
}

int Buttons(Qt::MouseButtons b)
{
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0)
        | (b & Qt::MiddleButton ? 4 : 0);
}

Qt::CursorShape Shape(int pointer, bool text)
{
    switch (pointer) {
    case 2:
        return Qt::CrossCursor;
    case 3:
        return Qt::IBeamCursor;
    case 5:
        return Qt::SizeAllCursor;
    case 8:
        return Qt::SizeFDiagCursor;
    default:
        return text ? Qt::IBeamCursor : Qt::ArrowCursor;
    }
}

// Focus that goes to a pop-up menu or to another window comes back
// unchanged: it is no leaving and no entering of a box.
bool PassingFocus(const QFocusEvent *e)
{
    return e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason;
}

// The rubber band, drawn over the page's ground and under its controls.
class BandOverlay : public QWidget
{
public:
    BandOverlay(const PageEditor &editor, QWidget *page)
        : QWidget(page)
        , m_editor(editor)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setObjectName(QStringLiteral("Band"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!m_editor.BandShown())
            return;
        const Band &b = m_editor.CurrentBand();
        QPainter p(this);
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QPen(Qt::white, 1));
        p.drawRect(QRect(QPoint(ToPx(qMin(b.x0, b.x1)), ToPx(qMin(b.y0, b.y1))),
                         QPoint(ToPx(qMax(b.x0, b.x1)), ToPx(qMax(b.y0, b.y1)))));
    }

private:
    const PageEditor &m_editor;
};

// Input boxes keep CR LF; the widget shows LF alone, so positions differ
// by one per earlier line break.
qint32 ModelPos(const QString &shown, qint32 pos)
{
    return pos + qint32(shown.left(pos).count(QLatin1Char('\n')));
}
qint32 ShownPos(const QString &model, qint32 pos)
{
    return pos - qint32(model.left(pos).count(QStringLiteral("\r\n")));
}

} // namespace

int VirtualKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    default:
        return 0;
    }
}

PageInput::PageInput(MainState &state, PageWidget *page)
    : QObject(page)
    , m_editor(state)
    , m_page(page)
{
    m_editor.SetView(this);
    page->setFocusPolicy(Qt::ClickFocus);
    // The page's right press shows its own menu; the context-menu event the
    // window system sends after it must not open the main window's.
    page->setContextMenuPolicy(Qt::PreventContextMenu);
    page->installEventFilter(this);
    m_band = new BandOverlay(m_editor, page);
    m_band->setGeometry(page->rect());
    m_band->lower();
    m_band->show();
    m_comb = new QComboBox(page);
    m_comb->setObjectName(QStringLiteral("COMB"));
    m_comb->setEditable(true);
    m_comb->hide();
    m_comb->installEventFilter(this);
    if (m_comb->lineEdit())
        m_comb->lineEdit()->installEventFilter(this);
    connect(m_comb, &QComboBox::editTextChanged, this, [this](const QString &t) {
        if (!m_syncing)
            m_editor.COMB_Change(t);
    });
    connect(m_comb, &QComboBox::activated, this, [this](int) {
        if (!m_syncing)
            m_editor.COMB_Change(m_comb->currentText());
    });
    page->SetMouseHandler([this](int kind, int button, int shift, double x, double y) {
        switch (kind) {
        case 0:
            m_editor.PG_MouseDown(button, shift, x, y);
            break;
        case 1:
            m_editor.PG_MouseMove(button, shift, x, y);
            break;
        case 2:
            m_editor.PG_MouseUp(button, shift, x, y);
            break;
        default:
            // A double click is no second press.
            break;
        }
    });
    // Controls loaded before this adapter.
    for (QObject *o : page->children())
        if (auto *w = qobject_cast<QWidget *>(o); w && w->property("ctlIndex").isValid())
            Watch(w);
}

PageInput::~PageInput()
{
    if (m_page)
        m_page->SetMouseHandler({});
}

void PageInput::Watch(QWidget *w)
{
    // The designer's menus are the only ones: no toolkit edit menu on a
    // design control.
    w->installEventFilter(this);
    w->setMouseTracking(true);
    w->setContextMenuPolicy(Qt::PreventContextMenu);
    if (auto *area = qobject_cast<QAbstractScrollArea *>(w)) {
        area->viewport()->installEventFilter(this);
        area->viewport()->setMouseTracking(true);
        area->viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
    }
}

int PageInput::PopupAtPage(const QStringList &items, double x, double y,
                           const QList<int> &disabled)
{
    const QPoint global = m_page ? m_page->mapToGlobal(QPoint(ToPx(x), ToPx(y))) : QPoint();
    return dialogs().PopupMenu(items, global, disabled);
}

void PageInput::PointersChanged()
{
    if (!m_page)
        return;
    m_page->setCursor(Shape(m_editor.PagePointer(), false));
    if (!m_editor.PageToolTip().isEmpty())
        m_page->setToolTip(m_editor.PageToolTip());
    for (QObject *o : m_page->children()) {
        auto *w = qobject_cast<QWidget *>(o);
        if (!w || w->objectName() == QLatin1String("LL"))
            continue;
        const QVariant v = w->property("ctlIndex");
        if (!v.isValid())
            continue;
        const int p = m_editor.CtlPointer(v.toInt());
        if (auto *area = qobject_cast<QAbstractScrollArea *>(w))
            area->viewport()->setCursor(Shape(p, true));
        else
            w->setCursor(Shape(p, false));
    }
}

void PageInput::BandChanged()
{
    if (m_band)
        m_band->update();
}

void PageInput::HistoryComboChanged()
{
    const HistoryCombo &c = m_editor.Combo();
    m_syncing = true;
    if (c.visible) {
        m_comb->clear();
        m_comb->setEditText(c.text);
        FillHistoryCombo(m_comb, c.controlId);
        m_comb->setGeometry(ToPx(c.left), ToPx(c.top), ToPx(c.width), m_comb->sizeHint().height());
        m_comb->show();
        m_comb->raise();
    } else {
        m_comb->hide();
    }
    m_syncing = false;
}

QPoint PageInput::TextSelection(qint32 index) const
{
    auto *e = m_page ? qobject_cast<QPlainTextEdit *>(m_page->ControlWidget(index)) : nullptr;
    if (!e)
        return {};
    const QTextCursor c = e->textCursor();
    const QString shown = e->toPlainText();
    const qint32 a = ModelPos(shown, c.selectionStart()), b = ModelPos(shown, c.selectionEnd());
    return {a, b - a};
}

void PageInput::SetTextSelection(qint32 index, qint32 start, qint32 length)
{
    auto *e = m_page ? qobject_cast<QPlainTextEdit *>(m_page->ControlWidget(index)) : nullptr;
    if (!e)
        return;
    QString model = e->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QTextCursor c = e->textCursor();
    c.setPosition(ShownPos(model, start));
    c.setPosition(ShownPos(model, start + length), QTextCursor::KeepAnchor);
    e->setTextCursor(c);
}

void PageInput::ShowPropertyDialog(int cls, qint32 row)
{
    if (propertyDialog)
        propertyDialog(cls, row);
    else
        EditorView::ShowPropertyDialog(cls, row);
}

void PageInput::ImportBackground(const QString &formatName)
{
    if (importBackground)
        importBackground();
    else
        EditorView::ImportBackground(formatName);
}

void PageInput::ClearBackground(const QString &formatName)
{
    if (clearBackground)
        clearBackground();
    else
        EditorView::ClearBackground(formatName);
}

bool PageInput::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_page)
        return false;
    if (watched == m_page) {
        if (event->type() == QEvent::Resize)
            m_band->setGeometry(m_page->rect());
        else if (event->type() == QEvent::ChildAdded)
            if (auto *w = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child());
                w && w != m_band && w != m_comb)
                Watch(w);
        if (event->type() == QEvent::KeyPress) {
            auto *k = static_cast<QKeyEvent *>(event);
            if (const int vk = VirtualKey(k->key())) {
                m_editor.KeyDown(vk, Modifiers(k->modifiers()));
                return true;
            }
        }
        return false;
    }
    if (watched == m_comb || (m_comb && watched == m_comb->lineEdit())) {
        if (event->type() == QEvent::FocusOut && !m_comb->hasFocus()
            && !(m_comb->lineEdit() && m_comb->lineEdit()->hasFocus())
            && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
            m_editor.COMB_LostFocus();
        return false;
    }
    // A design control or its text area.
    auto *w = qobject_cast<QWidget *>(watched);
    QWidget *ctl = w;
    while (ctl && ctl->parentWidget() != m_page)
        ctl = ctl->parentWidget();
    if (!ctl)
        return false;
    // The text area of an input box comes while the box is being built,
    // before it carries its index.
    if (event->type() == QEvent::ChildAdded && ctl == w) {
        if (auto *c = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child())) {
            c->installEventFilter(this);
            c->setMouseTracking(true);
        }
        return false;
    }
    const QVariant v = ctl->property("ctlIndex");
    if (!v.isValid())
        return false;
    return ControlEvent(ctl, v.toInt(), watched, event);
}

bool PageInput::ControlEvent(QWidget *ctl, qint32 index, QObject *watched, QEvent *event)
{
    const bool prompt = ctl->objectName() == QLatin1String("LL");
    const int cls = index / 1000;
    // Labels and picture boxes do not take presses themselves: without
    // this, Qt hands them to the page underneath.
    // Check boxes too: they pass a press outside their box on to the page,
    // so they take every press and tick themselves.
    const bool swallow = prompt || cls != InputBox;
    auto *w = static_cast<QWidget *>(watched);
    // The window system follows a right press with a context-menu event:
    // the control's menu has been shown by then, nothing else opens.
    if (event->type() == QEvent::ContextMenu) {
        event->accept();
        return true;
    }
    QPointer<QWidget> alive(w);
    switch (event->type()) {
    case QEvent::DynamicPropertyChange:
    case QEvent::Polish:
        // Built by now: its text area (which gets the mouse) is watched too.
        if (w == ctl)
            Watch(ctl);
        return false;
    case QEvent::Enter:
        w->setMouseTracking(true);
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        if (prompt)
            return true;
        // An input box's mouse events come from its text area; what the
        // area passes on to the box itself was handled there.
        if (w == ctl && qobject_cast<QAbstractScrollArea *>(ctl))
            return false;
        auto *me = static_cast<QMouseEvent *>(event);
        const QPointF pos
            = w == ctl ? me->position() : QPointF(w->mapTo(ctl, me->position().toPoint()));
        const double x = ToTwips(pos.x()), y = ToTwips(pos.y());
        const int shift = Modifiers(me->modifiers());
        if (event->type() == QEvent::MouseButtonPress) {
            m_editor.CtlMouseDown(index, Buttons(me->button()), shift, x, y);
        } else if (event->type() == QEvent::MouseMove) {
            m_editor.CtlMouseMove(index, Buttons(me->buttons()), shift, x, y);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            if (me->button() == Qt::LeftButton) {
                if (cls == InputBox)
                    m_editor.TT_Click(index);
                else if (cls == CheckBox)
                    m_editor.CC_Click(index, shift);
                else
                    m_editor.HideHistoryCombo();
            }
        } else if (cls == InputBox) {
            m_editor.TT_DblClick(index);
        }
        // A control removed by its own menu gets nothing more. A right
        // button ends here: the text area ignores it, and Qt would hand it
        // on to the page, whose menu would follow the control's.
        return !alive || swallow || me->button() == Qt::RightButton
            || (me->buttons() & Qt::RightButton);
    }
    case QEvent::FocusIn:
        if (w != ctl || PassingFocus(static_cast<QFocusEvent *>(event)) || m_editor.InPopup())
            return false;
        if (cls == InputBox)
            m_editor.TT_GotFocus(index);
        else if (cls == PictureBox)
            m_page->setFocus();
        return false;
    case QEvent::FocusOut:
        if (w != ctl || cls != InputBox || PassingFocus(static_cast<QFocusEvent *>(event))
            || m_editor.InPopup())
            return false;
        m_editor.TT_LostFocus(index);
        return false;
    case QEvent::KeyPress: {
        if (cls != InputBox)
            return false;
        auto *k = static_cast<QKeyEvent *>(event);
        if (const int vk = VirtualKey(k->key()))
            m_editor.KeyDown(vk, Modifiers(k->modifiers()));
        const QString text = k->text();
        if (text.isEmpty())
            return false;
        int code = k->key() == Qt::Key_Backspace                        ? 8
            : (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) ? 13
                                                                        : text.at(0).unicode();
        if (!alive)
            return true;
        m_editor.TT_KeyPress(index, code);
        return code == 0;
    }
    default:
        return false;
    }
}

} // namespace dsg
