#include "designer/recordservices.h"

#include "core/apppaths.h"
#include "core/database.h"
#include "core/globals.h"
#include "designer/mainstate.h"
#include "platform/drawsurface.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"
#include "printing/barcodes.h"
#include "records/inputboxes.h"
#include "records/valueconversion.h"

#include <QFileInfo>

namespace dsg {

void SaveDefaultRecord(MainState &state, const QString &formatName)
{
    db::ExecuteSQL(QStringLiteral("DELETE FROM 默认 WHERE Fmt=?"), {formatName});
    GridModel &grid = state.FormatGrid();
    QList<QPair<qint64, QString>> rows;
    state.Controls().ForEach([&](DesignControl &ctl) {
        const QString v = state.GetControlValue(ctl);
        if (!v.isEmpty())
            rows.append({qint64(num::ToLong(grid.text(ctl.Row(), 0))), v});
    });
    for (const auto &r : rows)
        db::ExecuteSQL(QStringLiteral("INSERT INTO 默认 (Fmt, ID, Con) VALUES (?, ?, ?)"),
                       {formatName, r.first, r.second});
}

void LoadDefaultRecord(MainState &state, const QString &formatName)
{
    auto rs
        = db::OpenRecordset(QStringLiteral("SELECT ID, Con FROM 默认 WHERE Fmt=?"), {formatName});
    if (!rs)
        return;
    for (const auto &row : rs->rows) {
        const qint32 id = num::ToLong(num::Text(row.value(0)));
        if (DesignControl *ctl = state.Controls().FindCtlByID(state.FormatGrid(), id))
            state.SetControlValue(*ctl, num::Text(row.value(1)));
    }
}

namespace {

// The page's input boxes as the value conversion sees them: box i is TT(i).
class StateInputBoxes : public InputBoxes
{
public:
    explicit StateInputBoxes(MainState &s)
        : m_s(s)
    { }
    int InputBoxCount() const override { return m_s.Controls().Count(InputBox); }
    qint32 BoxCode(int index) const override
    {
        const DesignControl *c = m_s.GetCtlByIndex(index);
        return c ? num::ToLong(m_s.FormatGrid().text(c->Row(), 18)) : 0;
    }
    QString BoxText(int index) const override
    {
        const DesignControl *c = m_s.GetCtlByIndex(index);
        return c ? c->text : QString();
    }
    void SetBoxText(int index, const QString &text) override
    {
        if (DesignControl *c = m_s.GetCtlByIndex(index)) {
            c->text = text;
            m_s.Controls().Changed(*c);
        }
    }
    void SetBoxBorder(int index, int style) override
    {
        if (DesignControl *c = m_s.GetCtlByIndex(index)) {
            c->borderStyle = style;
            m_s.Controls().Changed(*c);
        }
    }

private:
    MainState &m_s;
};

} // namespace

void AutoFillDates(MainState &state)
{
    StateInputBoxes boxes(state);
    conv::AutoFillDates(boxes);
}

void TT_LostFocus(MainState &state, qint32 index)
{
    DesignControl *c = state.GetCtlByIndex(index);
    if (!c || c->cls != InputBox || c->text.isEmpty())
        return;
    StateInputBoxes boxes(state);
    const QString converted = conv::ApplyConversion(boxes, index, c->text);
    if (converted != c->text) {
        c->text = converted;
        state.Controls().Changed(*c);
    }
}

void SetPictureContent(DesignControl &box, const QString &content)
{
    box.linkItem = content;
    box.picture = QImage();
    if (content.isEmpty())
        return;
    if (content.at(0).isDigit()) {
        // A bar code, drawn over the box at the screen's resolution.
        const int w = qMax(1, screen::ToPx(box.width)), h = qMax(1, screen::ToPx(box.height));
        QImage img(w, h, QImage::Format_RGB32);
        const int dotsPerMetre = qRound(1440.0 / screen::TwipsPerPixel() / 0.0254);
        img.setDotsPerMeterX(dotsPerMetre);
        img.setDotsPerMeterY(dotsPerMetre);
        img.fill(Qt::white);
        {
            PainterSurface s(&img);
            DrawBarCode(s, ReadBarCodeStandard(), content, Mm(0), Mm(0), ToMm(s.Width()),
                        ToMm(s.Height()), box.fontSize, true);
            s.EndDoc();
        }
        box.picture = img;
        box.toolTip = QStringLiteral("当前条码：") + content;
    } else if (QFileInfo(content).isFile()) {
        box.picture = QImage(content);
        box.toolTip = QStringLiteral("当前图片：") + content;
    }
}

void AutoImport(const StartupRecord &) { }

} // namespace dsg
