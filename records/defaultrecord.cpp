#include "records/defaultrecord.h"

#include "core/database.h"
#include "core/formatgrid.h"
#include "platform/numtext.h"
#include "records/pagecontents.h"
#include "records/valueconversion.h"

namespace rec {

sql::Status SaveDefaultRecord(PageControls &page, const QString &formatName)
{
    QList<QPair<qint64, QString>> rows;
    ForEachContentControl(page, [&](qint32 index) {
        const QString v = page.ControlValue(index);
        if (v.isEmpty())
            return;
        if (const auto r = ControlRowOf(page, index))
            rows.append({r->id, v});
    });
    return db::RunInTransaction([&](sql::Connection &conn) {
        if (!conn.Exec(QStringLiteral("DELETE FROM 默认 WHERE Fmt=?"), {formatName}))
            return false;
        RowStatements st(conn);
        for (const auto &[id, value] : rows)
            if (!st.Exec(QStringLiteral("INSERT INTO 默认 (Fmt, ID, Con) VALUES (?, ?, ?)"),
                         {formatName, id, value}))
                return false;
        return true;
    });
}

void LoadDefaultRecord(PageControls &page, const QString &formatName)
{
    sql::Connection *conn = db::Connection();
    if (!conn)
        return;
    const auto rs
        = conn->Query(QStringLiteral("SELECT ID, Con FROM 默认 WHERE Fmt=?"), {formatName});
    if (!rs)
        return;
    // Lines and labels hold no value, but a row naming one is no fault.
    const ControlIndexByID byId(page, 0, 2);
    for (const QVariantList &row : rs->rows) {
        const qint64 id = qint64(num::Val(num::Text(row.value(0))));
        if (const qint32 index = byId.IndexOf(id))
            page.SetControlValue(index, num::Text(row.value(1)));
    }
}

void AutoFillDates(PageControls &page)
{
    PageInputBoxes boxes(page);
    conv::AutoFillDates(boxes);
}

} // namespace rec
