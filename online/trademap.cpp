#include "online/trademap.h"

#include "core/controlrow.h"
#include "core/database.h"
#include "core/gridhelpers.h"
#include "online/tradegrid.h"
#include "platform/numtext.h"
#include "properties/pagecontrols.h"
#include "records/datagrid.h"

namespace tmap {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Sample grid columns of the merge.
constexpr qint32 kOrderNo = trade::OrderNo - 1;
constexpr qint32 kItem = trade::Item - 1;
constexpr qint32 kQuantity = trade::Quantity - 1;
constexpr qint32 kRecipient = trade::Recipient - 1;
constexpr qint32 kAddress = trade::Address - 1;

} // namespace

void FillSampleGrid(const GridModel &trades, GridModel &sample, bool merge)
{
    sample.setVisible(false);
    sample.clear();
    sample.setCols(std::max(trades.cols() - 1, 1));
    sample.setRows(trades.rows());
    qint32 next = 0;
    for (qint32 r = 0; r < trades.rows(); ++r) {
        if (trades.text(r, trade::Status).contains(QStringLiteral("关闭")))
            continue;
        if (merge && r >= trades.fixedRows()) {
            qint32 into = -1;
            for (qint32 t = next - 1; t >= 2; --t)
                if (sample.text(t, kRecipient) == trades.text(r, trade::Recipient)
                    && sample.text(t, kAddress) == trades.text(r, trade::Address)) {
                    into = t;
                    break;
                }
            if (into >= 0) {
                sample.setText(into, kOrderNo,
                               sample.text(into, kOrderNo) + kCrLf
                                   + trades.text(r, trade::OrderNo));
                sample.setText(into, kItem,
                               sample.text(into, kItem) + kCrLf + trades.text(r, trade::Item));
                sample.setText(into, kQuantity,
                               num::Str(num::Val(sample.text(into, kQuantity))
                                        + num::Val(trades.text(r, trade::Quantity))));
                continue;
            }
        }
        for (qint32 c = 1; c < sample.cols(); ++c)
            sample.setText(next, c, trades.text(r, c + 1));
        if (next > 1)
            sample.setText(next, 0, num::Str(qint64(next - 1)));
        ++next;
    }
    sample.setRows(std::max(next, 2));
    sample.setFixedRows(2);
    sample.setFixedCols(1);
    AutoFitGridColumns(GridFont(), sample, 0, true);
    sample.setVisible(true);
}

void ListFormatBoxes(GridModel &map, PageControls &page)
{
    map.setVisible(false);
    map.clear();
    map.setCols(5);
    map.setRows(1);
    map.setFixedRows(1);
    map.setFixedCols(0);
    const char *headers[5] = {"Index", "ID", "序号", "输入框内容", "对应列号"};
    for (qint32 c = 0; c < 5; ++c) {
        map.setText(0, c, QString::fromUtf8(headers[c]));
        map.setColAlignment(c, 0);
    }
    qint32 n = 0;
    for (qint32 cls = 0; cls <= 2; ++cls)
        for (qint32 i = 1; i <= page.ControlCount(cls); ++i) {
            const qint32 index = cls * 1000 + i;
            QString id, caption;
            if (const auto row = page.ControlRow(index))
                if (const auto cr = fmtgrid::ReadControlRow(page.FormatGrid(), *row)) {
                    id = num::Str(cr->id);
                    caption = cr->prompt;
                }
            map.addRow({num::Str(qint64(index)), id, num::Str(qint64(++n)), caption, QString()});
        }
    AutoFitGridColumns(GridFont(), map, 0, false);
    map.setVisible(true);
}

bool LoadTBMap(GridModel &map, const QString &formatName)
{
    const auto rs = db::OpenRecordset(QStringLiteral("SELECT ID, Map FROM 淘宝映射 WHERE Fmt=?"
                                                     " ORDER BY ID"),
                                      {formatName + QString::fromUtf8(kMapSuffix)});
    if (!rs)
        return false;
    for (int i = 0; i < rs->size(); ++i) {
        const double id = num::Val(rs->value(i, 0));
        for (qint32 r = map.fixedRows(); r < map.rows(); ++r)
            if (!map.text(r, MapID).isEmpty() && num::Val(map.text(r, MapID)) == id) {
                map.setText(r, MapText, num::Text(rs->value(i, 1)));
                break;
            }
    }
    return true;
}

bool SaveTBMap(const GridModel &map, const QString &formatName)
{
    sql::Connection *conn = db::Connection();
    if (!conn)
        return false;
    const QString fmt = formatName + QString::fromUtf8(kMapSuffix);
    sql::Transaction tx(*conn);
    if (!tx.ok() || !conn->Exec(QStringLiteral("DELETE FROM 淘宝映射 WHERE Fmt=?"), {fmt}))
        return false;
    for (qint32 r = map.fixedRows(); r < map.rows(); ++r) {
        const QString text = map.text(r, MapText);
        if (text.isEmpty())
            continue;
        if (!conn->Exec(QStringLiteral("INSERT INTO 淘宝映射 (ID, Fmt, Map) VALUES (?, ?, ?)"),
                        {num::RoundToInt64(num::Val(map.text(r, MapID))), fmt, text}))
            return false;
    }
    return tx.Commit();
}

imp::ColumnMaps ReadColumnMap(const GridModel &map, PageControls &page)
{
    imp::ColumnMaps maps;
    qint32 r = map.fixedRows();
    QStringList *lists[3] = {&maps.text, &maps.check, &maps.picture};
    for (qint32 cls = 0; cls <= 2; ++cls)
        for (qint32 i = 1; i <= page.ControlCount(cls); ++i)
            *lists[cls] << num::Trim(map.text(r++, MapText));
    return maps;
}

std::optional<RowRange> ImportRange(const GridModel &sample, qint32 firstNumber, qint32 lastNumber)
{
    if (sample.dataRows() < 1)
        return std::nullopt;
    const qint32 fixed = sample.fixedRows();
    qint32 first = firstNumber + fixed - 1;
    qint32 last = lastNumber + fixed - 1;
    if (first > last)
        std::swap(first, last);
    first = std::clamp(first, fixed, sample.rows() - 1);
    last = std::clamp(last, fixed, sample.rows() - 1);
    return RowRange {first, last};
}

void InputMSF(GridModel &dataGrid, const GridModel &sample, qint32 sRow, qint32 eRow,
              const imp::ColumnMaps &maps, PageControls &page, const QString &lineBreakMarker)
{
    const qint32 n = eRow - sRow + 1;
    imp::PrepareDataGrid(dataGrid, std::max(n, 0), maps, page);
    std::vector<imp::CompiledMap> compiled;
    for (const QString &entry : imp::MergeFieldArrays(maps))
        compiled.push_back(imp::CompileMapEntry(entry));
    // Sample rows are read as "sheet rows": the record's row is its sample row.
    const imp::CellReader cell = [&sample](qint64 row, qint32 col) {
        return row < sample.rows() ? sample.text(qint32(row), col) : QString();
    };
    const qint32 fixedCols = dataGrid.fixedCols();
    for (qint32 r = dataGrid.fixedRows(); r < dataGrid.rows(); ++r) {
        const qint64 source = sRow + (r - dataGrid.fixedRows());
        for (size_t i = 0; i < compiled.size(); ++i) {
            QString value = imp::EvaluateMapEntry(compiled[i], source, cell, lineBreakMarker);
            imp::DropTrailingTab(value);
            dataGrid.setText(r, fixedCols + qint32(i), value);
        }
    }
    AutoFitGridColumns(GridFont(), dataGrid, 0, true);
}

} // namespace tmap
