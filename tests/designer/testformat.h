#pragma once
// Writes a format straight into table Fmt for the designer's tests: a header
// row with the page size and one control row per entry.

#include "core/database.h"
#include "core/formatgrid.h"

#include <QString>
#include <QVariant>

namespace testfmt {

struct Row
{
    int cls = 0;
    QString lbl;
    double x = 0, y = 0, w = 0, h = 0;
    QString dir = QStringLiteral("1"); // 0 above, 1 left, 2 right, 3 below
    double fSize = 9;
    int cash = 0;
    QString mem;
    qint32 color = 0;
};

inline void WriteHeader(const QString &name, double w, double h, qint32 screenWidth,
                        const QString &mem = QStringLiteral("False|False|0|0|0|0|0|"))
{
    db::InsertRow(QStringLiteral("Fmt"),
                  {{QStringLiteral("Fmt"), name},
                   {QStringLiteral("LBL"), fmtgrid::HeaderMarker()},
                   {QStringLiteral("W"), w},
                   {QStringLiteral("H"), h},
                   {QStringLiteral("X"), 10},
                   {QStringLiteral("Y"), 10},
                   {QStringLiteral("Color"), screenWidth},
                   {QStringLiteral("Mem"), mem}});
}

// Returns the record's ID.
inline qint64 WriteRow(const QString &name, const Row &r)
{
    return db::InsertRow(QStringLiteral("Fmt"),
                         {{QStringLiteral("Fmt"), name},
                          {QStringLiteral("LBL"), r.lbl},
                          {QStringLiteral("Dir"), r.dir.toInt()},
                          {QStringLiteral("X"), r.x},
                          {QStringLiteral("Y"), r.y},
                          {QStringLiteral("W"), r.w},
                          {QStringLiteral("H"), r.h},
                          {QStringLiteral("Color"), r.color},
                          {QStringLiteral("fName"), QStringLiteral("宋体")},
                          {QStringLiteral("fSize"), r.fSize},
                          {QStringLiteral("Clas"), r.cls},
                          {QStringLiteral("Cash"), r.cash},
                          {QStringLiteral("Mem"), r.mem}})
        .value_or(-1);
}

// Names the format as the one open at the last exit.
inline void SetLastFormat(const QString &name)
{
    db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET LBL=? WHERE Fmt=''"), {name});
}

} // namespace testfmt
