#include "designer/popupmenu.h"

#include "core/controlrow.h"
#include "core/globals.h"
#include "core/gridhelpers.h"
#include "core/helpers.h"
#include "designer/formatops.h"
#include "designer/mainstate.h"
#include "designer/recordservices.h"
#include "designer/selection.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"
#include "platform/picturefile.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>

namespace dsg {

namespace {

QClipboard *Clipboard()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        ? QGuiApplication::clipboard()
        : nullptr;
}

// The selection (start, length) kept inside the text.
QPoint Clamp(QPoint sel, qsizetype size)
{
    const qint32 start = qBound(0, sel.x(), qint32(size));
    return {start, qBound(0, sel.y(), qint32(size) - start)};
}

} // namespace

QString NumberedCaption(const QString &caption, qint32 add)
{
    qsizetype cut = caption.size();
    while (cut > 0 && caption.at(cut - 1) >= u'0' && caption.at(cut - 1) <= u'9')
        --cut;
    const qint64 m = cut < caption.size() ? caption.mid(cut).toLongLong() : 0;
    return caption.left(cut) + num::Str(m + add);
}

void CopyControls(MainState &state, DesignControl &menuCtl)
{
    const std::optional<QString> answer = dialogs().Input(
        QStringLiteral("请输入要复制输入框个数："), QString(), QStringLiteral("1"));
    const qint32 n = answer ? num::ToLong(num::Val(*answer)) : 0;
    if (n < 1)
        return;
    DesignControls &ctls = state.Controls();
    const QString menuTag = menuCtl.tag;
    for (int t = 0; t <= 4; ++t) {
        // The bounds are taken before this class's copies come.
        const qint32 first = t * 1000 + 1, last = t * 1000 + ctls.Count(t);
        for (qint32 i = last; i >= first; --i) {
            DesignControl *s = ctls.GetCtlByIndex(i);
            if (!s || !(s->tag == menuTag || IsControlSelected(*s)))
                continue;
            const qint32 sIndex = s->index;
            for (qint32 k = 1; k <= n; ++k) {
                int cls = t;
                DesignControl *c = state.AddControl(cls);
                s = ctls.GetCtlByIndex(sIndex);
                if (!c || !s)
                    break;
                const qint32 offset = k * 200;
                state.CopyCtlProperties(*s, *c, true);
                if (t == LineCtl) {
                    c->x1 -= offset;
                    c->x2 -= offset;
                    c->y1 -= offset;
                    c->y2 -= offset;
                } else {
                    c->left = s->left - offset;
                    c->top = s->top - offset;
                    if (t <= PictureBox) {
                        PromptLabel *sl = ctls.Label(sIndex);
                        PromptLabel *cl = ctls.Label(c->index);
                        if (sl && cl)
                            cl->caption = NumberedCaption(sl->caption, k);
                        state.PlaceControlLabel(*c, nullptr, -1);
                    }
                }
                state.CtlToGridRow(*c);
                SetControlSelected(state, *c, true);
                ctls.Changed(*c);
            }
            if (s)
                SetControlSelected(state, *s, false);
        }
    }
}

void BuildLinkChain(MainState &state, DesignControl &menuCtl)
{
    if (menuCtl.cls != InputBox)
        return;
    GridModel &g = state.FormatGrid();
    const auto own = fmtgrid::ReadControlRow(g, menuCtl.Row());
    if (!own)
        return;
    const qint64 first = own->id;
    qint32 prevRow = menuCtl.Row();
    const auto link = [&](qint32 row, qint64 id) {
        if (auto r = fmtgrid::ReadControlRow(g, row)) {
            r->rctl = id;
            fmtgrid::WriteControlRow(g, row, *r);
        }
    };
    DesignControls &ctls = state.Controls();
    for (qint32 i = 1; i <= ctls.Count(InputBox); ++i) {
        DesignControl *b = ctls.GetCtlByIndex(i);
        if (!b || !IsControlSelected(*b))
            continue;
        const auto r = fmtgrid::ReadControlRow(g, b->Row());
        if (!r || r->id == first)
            continue;
        link(prevRow, r->id);
        prevRow = b->Row();
    }
    if (prevRow != menuCtl.Row())
        link(prevRow, first);
}

void AddPicture(MainState &state, DesignControl &box)
{
    if (box.cls != PictureBox)
        return;
    const QString p = PickPictureFile();
    if (p.isEmpty())
        return;
    if (!QFileInfo(p).isFile()) {
        dialogs().Message(QStringLiteral("图片文件“") + p + QStringLiteral("”不存在！"));
        return;
    }
    // A file that cannot be shown leaves the box's picture as it was, and
    // its name out of the format.
    if (const QString fault = PictureFaultText(p, ReadPicture(p)); !fault.isEmpty()) {
        state.TellPictureFault(fault, true);
        return;
    }
    SetPictureContent(state, box, p);
    state.Controls().Changed(box);
}

void InputBarCode(MainState &state, DesignControl &box)
{
    if (box.cls != PictureBox)
        return;
    const std::optional<QString> answer
        = dialogs().Input(QStringLiteral("请输入条形码（数字串）："), QString(), box.linkItem);
    // Cancelling keeps the content; only an explicit empty answer clears it.
    if (!answer)
        return;
    SetPictureContent(state, box, num::Trim(*answer));
    state.Controls().Changed(box);
}

void CopyText(const DesignControl &ctl, QPoint selection)
{
    QString t;
    if (ctl.cls == InputBox) {
        const QPoint s = Clamp(selection, ctl.text.size());
        t = s.y() == 0 ? ctl.text : ctl.text.mid(s.x(), s.y());
    } else if (ctl.cls == LabelCtl) {
        t = ctl.caption;
    }
    if (!t.isEmpty())
        if (QClipboard *c = Clipboard())
            c->setText(t);
}

qint32 PasteText(MainState &state, DesignControl &ctl, QPoint selection)
{
    QClipboard *c = Clipboard();
    const QString t = c ? c->text() : QString();
    if (t.isEmpty())
        return -1;
    if (ctl.cls == InputBox) {
        const QPoint s = Clamp(selection, ctl.text.size());
        ctl.text = ctl.text.left(s.x()) + t + ctl.text.mid(s.x() + s.y());
        state.Controls().Changed(ctl);
        return s.x() + qint32(t.size());
    }
    if (ctl.cls == LabelCtl) {
        ctl.caption = t;
        state.CtlToGridRow(ctl);
        state.Controls().Changed(ctl);
        return 0;
    }
    return -1;
}

void ClearContents(MainState &state)
{
    DesignControls &ctls = state.Controls();
    const bool all = CountSelected(ctls) == 0;
    for (int c = 0; c <= 2; ++c)
        for (qint32 i = FirstCtlID(c); i <= LastCtlID(c); ++i) {
            DesignControl *k = ctls.GetCtlByIndex(i);
            if (!k || !(all || IsControlSelected(*k)))
                continue;
            if (c == InputBox) {
                const PromptLabel *l = ctls.Label(i);
                if (l && l->caption.isEmpty())
                    continue;
                k->text.clear();
            } else if (c == CheckBox) {
                k->value = 0;
            } else if (!k->linkItem.isEmpty()) {
                k->picture = QImage();
                k->linkItem.clear();
            }
            ctls.Changed(*k);
        }
}

void DeleteListedFormat(MainState &state, GridModel &list)
{
    const qint32 row = list.row();
    if (row < list.fixedRows() || row >= list.rows())
        return;
    const QString name = list.text(row, 3);
    if (!DeleteFormat(state, name))
        return;
    qint32 first = row, last = row;
    DeleteGridRows(list, first, last, false);
}

} // namespace dsg
