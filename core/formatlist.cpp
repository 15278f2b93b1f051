#include "core/formatlist.h"

#include "core/helpers.h"

#include "core/database.h"
#include "core/formatgrid.h"
#include "core/formatstore.h"
#include "core/gridhelpers.h"
#include "platform/numtext.h"

#include <QFileInfo>

namespace {

const QString kBar = QStringLiteral("｜");

} // namespace

QStringList ControlClassItems()
{
    return {QStringLiteral("0｜文本框"), QStringLiteral("1｜可选框"), QStringLiteral("2｜图像框"),
            QStringLiteral("3｜线条"), QStringLiteral("4｜标签")};
}

QStringList ControlListItems(const GridModel &formatGrid)
{
    QStringList items;
    for (qint32 r = formatGrid.fixedRows(); r < formatGrid.rows(); ++r)
        items << formatGrid.text(r, fmtgrid::ColID) + kBar + formatGrid.text(r, fmtgrid::ColSerial)
                + kBar + formatGrid.text(r, fmtgrid::ColLBL);
    return items;
}

QStringList SelFormatItems(const QString &mode, const GridModel *formatGrid)
{
    if (mode == QLatin1String(fmtlist::kModeFormat))
        return db::FillComboFromFmt(QStringLiteral("Fmt"));
    if (mode == QLatin1String(fmtlist::kModeCtlClas))
        return ControlClassItems();
    if (mode == QLatin1String(fmtlist::kModeControl) && formatGrid)
        return ControlListItems(*formatGrid);
    return {};
}

QString SelFormatAnswer(const QString &comboText)
{
    QString answer = num::Trim(comboText);
    const qsizetype bar = answer.indexOf(kBar);
    if (bar >= 0)
        answer = answer.left(bar);
    return answer;
}

void LoadFmtList(GridModel &grid, const QString &open, bool highlight)
{
    using namespace fmtlist;
    SetGridColumns(grid,
                   {QStringLiteral("ID"), QString(), QString(), QStringLiteral("Fmt"),
                    QStringLiteral("W"), QStringLiteral("H")},
                   {QStringLiteral("ID"), QStringLiteral("序号"), QStringLiteral("选择"),
                    QStringLiteral("格式名称"), QStringLiteral("宽(毫米)"),
                    QStringLiteral("高(毫米)")});
    grid.setTag(QStringLiteral("Fmt"));
    FillGridFromTable(grid, QStringLiteral("LBL=?"), QStringLiteral("Fmt"),
                      {fmtgrid::HeaderMarker()});
    AutoFitGridColumns(GridFont(), grid, 0, true);

    qint32 found = -1;
    for (qint32 r = grid.fixedRows(); r < grid.rows(); ++r) {
        if (grid.text(r, ColName) == open) {
            found = r;
            break;
        }
    }
    if (found < 0)
        return;
    grid.setText(found, ColTick, BoolToMark(true));
    grid.setCurrent(found, ColTick);
    grid.setRowSel(found);
    grid.setColSel(grid.cols() - 1);
    if (highlight)
        SetCellForeColor(grid, found, 0x0000FF); // RGB(255, 0, 0)
}

void TickFmtListRow(GridModel &grid, qint32 row)
{
    for (qint32 r = grid.fixedRows(); r < grid.rows(); ++r)
        grid.setText(r, fmtlist::ColTick, BoolToMark(r == row));
}

QString FmtListName(const GridModel &grid, qint32 row)
{
    if (row < grid.fixedRows() || row >= grid.rows())
        return QString();
    return grid.text(row, fmtlist::ColName);
}

QString FmtPicturePath(const QString &picture)
{
    if (!picture.isEmpty() && QFileInfo(picture).isFile())
        return picture;
    return GetBackgroundPicturePath(picture);
}

FmtPicturePlan PlanFmtPicture(double picW, double picH, double imageWidth, double frameHeight)
{
    FmtPicturePlan plan;
    if (picW <= 0 || frameHeight <= 0)
        return plan;
    plan.imageHeight = picH / picW * imageWidth;
    if (plan.imageHeight > frameHeight) {
        plan.scroll = true;
        plan.maximum = num::ToLong(plan.imageHeight / frameHeight * 10);
    }
    return plan;
}

double FmtPictureTop(qint32 value, double frameHeight)
{
    return -(value * frameHeight / 10);
}
