#include "properties/propertyedit.h"

#include "platform/numtext.h"
#include "properties/ctlaccessors.h"

#include <cmath>

namespace props {

using fmtgrid::ControlRow;

bool RowEdits::Empty() const
{
    return !prompt && !side && !x && !y && !w && !h && !spacing && !lineSpacing && !alignment
        && !font && !color && !fontSize && !cash && !rctl && !sumId && !sumId1;
}

void RowEdits::ApplyTo(ControlRow &r) const
{
    if (prompt)
        r.prompt = *prompt;
    if (side)
        r.side = *side;
    if (x)
        r.x = *x;
    if (y)
        r.y = *y;
    if (w)
        r.w = *w;
    if (h)
        r.h = *h;
    if (spacing)
        r.spacing = *spacing;
    if (lineSpacing || alignment)
        r.SetLineSpacing(lineSpacing.value_or(r.LineSpacing()), alignment.value_or(r.Alignment()));
    if (font)
        r.font = *font;
    if (fontSize)
        r.font.size = *fontSize;
    if (color)
        r.color = *color;
    if (cash)
        r.cash = *cash;
    if (rctl)
        r.rctl = *rctl;
    if (sumId)
        r.sumId = *sumId;
    if (sumId1)
        r.sumId1 = *sumId1;
}

std::vector<AffectedControl> AffectedControls(PropertyHost &host, qint32 cls, qint32 ctlRow)
{
    std::vector<AffectedControl> out;
    const GridModel &g = host.FormatGrid();
    const qint32 count = host.ControlCount(cls);
    for (qint32 n = 1; n <= count; ++n) {
        const qint32 index = cls * 1000 + n;
        const std::optional<qint32> row = host.ControlRow(index);
        if (!row || *row < g.fixedRows() || *row >= g.rows())
            continue;
        if (*row == ctlRow || host.ControlSelected(index))
            out.push_back({index, *row});
    }
    return out;
}

std::vector<AffectedControl> ApplyRowEdits(PropertyHost &host, qint32 cls, qint32 ctlRow,
                                           const RowEdits &edits)
{
    if (edits.Empty())
        return {};
    std::vector<AffectedControl> done;
    GridModel &g = host.FormatGrid();
    for (const AffectedControl &c : AffectedControls(host, cls, ctlRow)) {
        std::optional<ControlRow> row = fmtgrid::ReadControlRow(g, c.row);
        if (!row)
            continue;
        edits.ApplyTo(*row);
        fmtgrid::WriteControlRow(g, c.row, *row);
        host.ApplyRowToControl(c.row);
        done.push_back(c);
    }
    return done;
}

QString LineSpacingText(double v)
{
    const qint64 m = qint64(num::RoundHalfEven(std::fabs(v))) % 1000;
    return (v < 0 ? QStringLiteral("-") : QString()) + num::Str(m);
}

const QStringList &DataTypeItems()
{
    static const QStringList items = {
        QStringLiteral("000｜普通文本"),
        QStringLiteral("100｜年(中文)"),
        QStringLiteral("101｜月(中文)"),
        QStringLiteral("102｜日(中文)"),
        QStringLiteral("103｜大写金额"),
        QStringLiteral("104｜小写金额(不对格)(有￥)"),
        QStringLiteral("105｜小写金额(不对格)(无￥)"),
        QStringLiteral("117｜小写金额(不对格)(无￥无逗号)"),
        QStringLiteral("118｜小写金额(不对格)(有￥无逗号)"),
        QStringLiteral("011｜小写金额(对格)"),
        QStringLiteral("211｜数字(对格)"),
        QStringLiteral("106｜年(阿拉伯)"),
        QStringLiteral("107｜月(阿拉伯)"),
        QStringLiteral("108｜日(阿拉伯)"),
        QStringLiteral("109｜邮编"),
        QStringLiteral("110｜日期：YYYY年MM月DD日"),
        QStringLiteral("111｜日期：YYYY-MM-DD"),
        QStringLiteral("112｜日期：MM年DD月"),
        QStringLiteral("113｜日期：MM-DD"),
        QStringLiteral("119｜自定义日期："),
        QStringLiteral("114｜大写金额(仅数字)"),
        QStringLiteral("115｜只打√"),
        QStringLiteral("116｜百分数"),
    };
    return items;
}

qint32 ItemCode(const QString &item)
{
    return num::ToLong(num::Val(item.left(3)));
}

int FindItemByCode(const QStringList &items, qint32 listCode)
{
    for (int i = 0; i < items.size(); ++i)
        if (ItemCode(items[i]) == listCode)
            return i;
    return -1;
}

DataTypeView ShowDataTypeInfo(qint32 code)
{
    DataTypeView v;
    if (code >= 1 && code <= 99) {
        v.listCode = 11;
        v.codeCaption = QStringLiteral("小写金额格数：");
        v.cashNum = num::Str(qint64(code));
    } else if (code >= 201 && code <= 299) {
        v.listCode = 211;
        v.codeCaption = QStringLiteral("数字格数：");
        v.cashNum = num::Str(qint64(code - 200));
    } else {
        v.listCode = code;
        v.codeCaption = QStringLiteral("数据类型代码：");
        v.cashNum = num::Str(qint64(code));
        return v;
    }
    // Per-cell values are spread over their cells: the spacings do not apply.
    v.cashNumEnabled = true;
    v.spacingsEnabled = false;
    return v;
}

bool AlignmentEnabled(const QString &listText)
{
    const qint32 code = num::ToLong(num::Val(listText));
    return code != 114 && code != 11;
}

QString CheckedCellCount(const QString &text)
{
    const double n = num::Val(text);
    return n <= 0 || n > 99 ? QStringLiteral("11") : text;
}

qint32 StoredDataTypeCode(const QString &cashNumText, const QString &listText)
{
    qint32 code = num::ToLong(num::Val(cashNumText));
    const double listCode = num::Val(listText);
    if (listCode > 200 && listCode < 300)
        code += 200;
    return code;
}

QString WithUserFormat(const QString &item, const QString &format)
{
    const qsizetype colon = item.indexOf(u'：');
    return (colon < 0 ? item : item.left(colon)) + u'：' + format;
}

QStringList ItemsWithUserFormats(const QStringList &items)
{
    QStringList out = items;
    for (QString &item : out)
        if (item.contains(QStringLiteral("自定义")))
            item = WithUserFormat(item, ReadCustomDateFormat(ItemCode(item)));
    return out;
}

BoxList RelatedBoxList(const GridModel &g, qint32 editedRow, qint64 id)
{
    BoxList list;
    list.items << QStringLiteral("000000｜没有相关联输入框");
    const qint64 wanted = id < 0 ? -id : id;
    for (qint32 r = g.fixedRows(); r < g.rows(); ++r) {
        const std::optional<ControlRow> row = fmtgrid::ReadControlRow(g, r);
        // Boxes not stored yet have no lasting ID to link to.
        if (!row || row->cls != 0 || row->id <= 0 || r == editedRow)
            continue;
        list.items << num::Str(row->id).rightJustified(6, u'0') + u'｜' + row->prompt;
        if (row->id == wanted)
            list.shown = int(list.items.size() - 1);
    }
    return list;
}

} // namespace props
