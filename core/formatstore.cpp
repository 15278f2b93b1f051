#include "core/formatstore.h"

#include "core/apppaths.h"
#include "core/database.h"
#include "core/formatgrid.h"
#include "core/gridhelpers.h"
#include "core/helpers.h"
#include "core/progress.h"
#include "platform/numtext.h"
#include "platform/safefile.h"

#include <QFile>
#include <cerrno>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <vector>

using namespace fmtgrid;

namespace {

QString resolveName(const FormatHost &host, const QString &name)
{
    return name.isEmpty() ? host.CurrentFormatName() : name;
}

QString flagsText(const FormatHost &h)
{
    auto tf = [](bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); };
    QString mem = tf(h.SetPaperTicked()) + u'|' + tf(h.DiTuPrintTicked()) + u'|';
    for (int i = 0; i < 5; ++i)
        mem += num::Str(h.OptionValue(i)) + u'|';
    return mem;
}

// Writes the header row on the given connection (inside the caller's
// transaction when there is one).
bool writeHeader(sql::Connection &conn, const FormatHost &host, const QString &width,
                 const QString &height, const QString &x, const QString &y, const QString &name)
{
    const auto rs
        = conn.Query(QStringLiteral("SELECT ID FROM Fmt WHERE Fmt=? AND LBL=? ORDER BY ID"),
                     {name, HeaderMarker()});
    if (!rs)
        return false;
    const QVariantList values = {name,
                                 HeaderMarker(),
                                 num::Val(width),
                                 num::Val(height),
                                 num::Val(x),
                                 num::Val(y),
                                 qint64(host.ScreenWidthTwips()),
                                 flagsText(host)};
    if (rs->empty())
        return conn.Exec(QStringLiteral("INSERT INTO Fmt (Fmt,LBL,W,H,X,Y,Color,Mem) "
                                        "VALUES (?,?,?,?,?,?,?,?)"),
                         values);
    QVariantList params = values;
    params << rs->value(0, 0);
    return conn.Exec(QStringLiteral("UPDATE Fmt SET Fmt=?,LBL=?,W=?,H=?,X=?,Y=?,Color=?,Mem=? "
                                    "WHERE ID=?"),
                     params);
}

QString cellText(const QVariant &v)
{
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Bool)
        return BoolToMark(v);
    return num::Text(v);
}

} // namespace

void ReadFormatHeader(FormatHost &h, const QString &nameIn)
{
    const QString name = resolveName(h, nameIn);
    const auto rs = db::OpenRecordset(QStringLiteral("SELECT * FROM Fmt WHERE Fmt=? AND LBL=? "
                                                     "ORDER BY ID"),
                                      {name, HeaderMarker()});
    if (!rs || rs->empty())
        return;
    h.SetPageSizeTexts(num::Text(rs->value(0, QStringLiteral("W"))),
                       num::Text(rs->value(0, QStringLiteral("H"))));
    h.SetOffsetTexts(num::Text(rs->value(0, QStringLiteral("X"))),
                     num::Text(rs->value(0, QStringLiteral("Y"))));

    // A header without a screen width counts as written on a 15360-twip screen.
    const double sw = h.ScreenWidthTwips();
    const double c = num::Val(rs->value(0, QStringLiteral("Color")));
    double scale = 1.0;
    if (c == 0) {
        if (sw != 15360)
            scale = (sw - 340) / 15020.0;
    } else if (c != sw && c - 340 != 0) {
        scale = (sw - 340) / (c - 340);
    }
    h.SetFontScale(scale);

    const QVariant memValue = rs->value(0, QStringLiteral("Mem"));
    const QString mem = memValue.isNull() ? QString() : memValue.toString();
    if (mem.isEmpty())
        return;
    const QStringList parts = num::Split(mem, QStringLiteral("|"));
    if (parts.size() != 8)
        return;
    h.SetMenuTicks(parts.at(0).toLower() == QStringLiteral("true"),
                   parts.at(1).toLower() == QStringLiteral("true"));
    for (int i = 0; i < 5; ++i)
        h.SetOptionValue(i, num::ToLong(parts.at(i + 2)));
}

bool SaveFormatHeader(const FormatHost &host, const QString &width, const QString &height,
                      const QString &x, const QString &y, const QString &nameIn)
{
    const QString name = resolveName(host, nameIn);
    if (name.isEmpty())
        return false;
    sql::Connection *conn = db::Connection();
    if (!conn)
        return false;
    sql::Transaction tx(*conn);
    return tx.ok() && writeHeader(*conn, host, width, height, x, y, name) && tx.Commit();
}

QString LoadAppSettings(FormatHost &host)
{
    const QString lbl = num::Text(db::GetFieldWhere(QStringLiteral("Fmt"), QStringLiteral("Fmt=?"),
                                                    {QString()}, QStringLiteral("LBL")));
    const QString opts = num::Text(db::GetFieldWhere(QStringLiteral("Fmt"), QStringLiteral("Fmt=?"),
                                                     {QString()}, QStringLiteral("fName")));
    if (!opts.isEmpty()) {
        const QStringList parts = num::Split(opts, QStringLiteral("§☆§"));
        for (int i = 0; i < parts.size() && i < 3; ++i)
            host.SetOptionValue(i, num::ToLong(parts.at(i)));
    }
    return lbl;
}

bool SaveAppSettings(const FormatHost &h, const QString &nameIn)
{
    const QString name = resolveName(h, nameIn);
    const QString opts = num::Str(h.OptionValue(0)) + QStringLiteral("§☆§")
        + num::Str(h.OptionValue(1)) + QStringLiteral("§☆§") + num::Str(h.OptionValue(2));
    return db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET LBL=?,fName=? WHERE Fmt=?"),
                          {name, opts, QString()});
}

void LoadFormatGrid(const FormatHost &host, GridModel &grid, const QString &nameIn)
{
    const QString name = resolveName(host, nameIn);
    LayoutFormatGrid(grid);
    grid.setColWidth(ColID, 900);
    if (name.isEmpty()) // the settings row is no format
        return;
    const auto rs = db::OpenRecordset(QStringLiteral("SELECT * FROM Fmt WHERE Fmt=? AND LBL<>? "
                                                     "ORDER BY Clas,ID"),
                                      {name, HeaderMarker()});
    if (!rs)
        return;
    grid.setVisible(false);
    const QStringList &fields = FieldNames();
    std::vector<int> colOf(kColumnCount, -1);
    for (qint32 c = 0; c < kColumnCount; ++c)
        if (!fields.at(c).isEmpty())
            colOf[size_t(c)] = rs->column(fields.at(c));
    const double scale = host.FontScale();
    for (int i = 0; i < rs->size(); ++i) {
        QStringList texts;
        texts.reserve(kColumnCount);
        qint32 color = 0;
        for (qint32 c = 0; c < kColumnCount; ++c) {
            const int rc = colOf[size_t(c)];
            const QVariant v = rc >= 0 ? rs->value(i, rc) : QVariant();
            switch (c) {
            case ColSerial:
                texts << num::Str(qint64(i + 1));
                break;
            case ColColor:
                color = qint32(num::RoundToInt64(num::Val(v)));
                texts << QString();
                break;
            case ColDir:
                texts << DirCodeToName(num::RoundToInt64(num::Val(v)));
                break;
            case ColBold:
            case ColItalic:
            case ColUnderline:
            case ColStrikethru:
                texts << BoolToMark(v);
                break;
            case ColFSize:
                if (scale != 1.0 && !v.isNull())
                    texts << num::Str(num::RoundHalfEven(num::Val(v) * scale * 100) / 100);
                else
                    texts << cellText(v);
                break;
            default:
                texts << cellText(v);
            }
        }
        const qint32 row = grid.addRow(texts);
        SetCellColor(grid, row, color);
    }
    grid.setVisible(true);
}

sql::Status SaveFormatGrid(const FormatHost &host, GridModel &grid, const QString &nameIn)
{
    const QString name = resolveName(host, nameIn);
    if (name.isEmpty()) // would overwrite the settings row
        return {sql::Fault::Other, QStringLiteral("格式名为空")};
    struct Closer
    {
        LongWork work;
        ~Closer() { CloseIndicator(); }
    } closer;
    ShowIndicator(QStringLiteral("正在保存格式……"), grid.rows() + 1);

    sql::Connection *conn = db::Connection();
    if (!conn)
        return {sql::Fault::Other, QStringLiteral("无法建立数据库连接！")};
    // Any failure below is the last statement's; the caller says it.
    conn->clearLastError();
    const auto failed = [conn] {
        sql::Status why = conn->lastStatus();
        if (why)
            why.fault = sql::Fault::Other;
        return why;
    };
    sql::Transaction tx(*conn);
    if (!tx.ok())
        return failed();

    const auto rs
        = conn->Query(QStringLiteral("SELECT ID,LBL FROM Fmt WHERE Fmt=? ORDER BY ID"), {name});
    if (!rs)
        return failed();

    const qint32 first = grid.fixedRows();
    const qint32 n = grid.rows() - first;
    std::vector<qint64> oldIds(size_t(std::max(n, 0)));
    QSet<qint64> gridIds;
    for (qint32 i = 0; i < n; ++i) {
        oldIds[size_t(i)] = num::RoundToInt64(num::Val(grid.text(first + i, ColID)));
        gridIds.insert(oldIds[size_t(i)]);
    }

    // Removal: records no row holds, and the header (written anew below).
    QSet<qint64> stored;
    for (int i = 0; i < rs->size(); ++i) {
        const qint64 id = rs->value(i, 0).toLongLong();
        const bool header = rs->value(i, 1).toString() == HeaderMarker();
        if (!header && gridIds.contains(id)) {
            stored.insert(id);
            continue;
        }
        if (!conn->Exec(QStringLiteral("DELETE FROM Fmt WHERE ID=?"), {id})) // few rows
            return failed();
    }
    StepIndicator(1, QStringLiteral("pages"));

    // Writing: each row updates its own record, or adds one when it has none
    // in this format (a temporary ID, another format's ID, or an ID that an
    // upper row already used).
    const FixedTextLookup fixedText = [&host](qint32 row) { return host.FixedInputText(row); };
    std::vector<qint64> newIds(oldIds.size());
    QHash<qint64, qint64> map;
    QSet<qint64> used;
    RowStatements statements(*conn);
    for (qint32 i = 0; i < n; ++i) {
        const qint64 old = oldIds[size_t(i)];
        const qint64 recordId = stored.contains(old) && !used.contains(old) ? old : 0;
        used.insert(old);
        const auto id
            = WriteGridRow(*conn, grid, first + i, name, recordId, fixedText, &statements);
        if (!id)
            return failed();
        newIds[size_t(i)] = *id;
        if (!map.contains(old))
            map.insert(old, *id);
        StepIndicator(1, QStringLiteral("pages"));
    }

    // References: now that every row has its ID, rewrite the references to
    // rows whose ID changed, on a copy so that a failure leaves the grid alone.
    GridModel refs;
    refs.setCols(kColumnCount);
    refs.setRows(n);
    for (qint32 i = 0; i < n; ++i)
        for (qint32 col : {ColRCtl, ColSumID, ColSumID1})
            refs.setText(i, col, grid.text(first + i, col));
    QHash<qint64, qint64> changedMap;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        if (it.key() != it.value())
            changedMap.insert(it.key(), it.value());
    const QList<qint32> changedRows = RemapGridReferences(refs, changedMap);
    for (qint32 i : changedRows) {
        auto val = [&](qint32 col) { return num::RoundToInt64(num::Val(refs.text(i, col))); };
        if (!statements.Exec(QStringLiteral("UPDATE Fmt SET RCtl=?,SumID=?,SumID1=? WHERE ID=?"),
                             {val(ColRCtl), val(ColSumID), val(ColSumID1), newIds[size_t(i)]}))
            return failed();
    }

    if (!writeHeader(*conn, host, host.PageWidthText(), host.PageHeightText(), host.OffsetXText(),
                     host.OffsetYText(), name))
        return failed();
    if (!tx.Commit())
        return failed();

    // Stored: the grid takes the IDs and references, text colours back to default.
    grid.setVisible(false);
    for (qint32 i = 0; i < n; ++i) {
        if (oldIds[size_t(i)] != newIds[size_t(i)])
            grid.setText(first + i, ColID, num::Str(newIds[size_t(i)]));
    }
    for (qint32 i : changedRows)
        for (qint32 col : {ColRCtl, ColSumID, ColSumID1})
            grid.setText(first + i, col, refs.text(i, col));
    grid.setVisible(true);
    SelectGridRow(grid, 0);
    return {};
}

sql::Status StoreEmptyFormat(const FormatHost &host, const QString &name, const QString &width,
                             const QString &height, PictureCopy *picture)
{
    if (name.isEmpty()) // would overwrite the settings row
        return {sql::Fault::Other, QStringLiteral("格式名为空")};
    return db::RunInTransaction([&](sql::Connection &conn) {
        return conn.Exec(QStringLiteral("DELETE FROM Fmt WHERE Fmt=?"), {name})
            && writeHeader(conn, host, width, height, host.OffsetXText(), host.OffsetYText(), name)
            && (!picture || picture->Mark(conn));
    });
}

namespace {

QString pictureRecordPath()
{
    return paths::DataPath(QStringLiteral("picture.pending"));
}

// The token of the copy whose rows were committed last.
const QString kPictureTokenVar = QStringLiteral("PictureCopyToken");

} // namespace

PictureCopy::PictureCopy(safefile::StepHook step)
    : m_step(std::move(step))
{ }

PictureCopy::~PictureCopy() = default; // the Together undoes an unkept copy

sql::Status PictureCopy::Copy(const QString &from, const QString &to, bool replace)
{
    if (!QFileInfo::exists(from))
        return {};
    if (QFileInfo::exists(to) && !replace)
        return {};
    // A link at the target's name is replaced, never written through.
    const QFileInfo a(from), b(to);
    if (!b.isSymLink() && a.canonicalFilePath() == b.canonicalFilePath())
        return {};
    // The cause is the failed step's, taken before the undo that follows.
    const auto failed = [&](int why) {
        m_files.reset();
        return sql::Status {why ? sql::FaultOfErrno(why) : sql::Fault::Other,
                            QStringLiteral("底图“") + to + QStringLiteral("”复制出错")
                                + (why ? QStringLiteral("：") + SystemErrorText(why) : QString())};
    };
    // A copy a killed save left is dealt with first; one that stays in the
    // way stops this one, and is named.
    if (const safefile::RecoverResult left = RecoverPictureCopy(); !left)
        return {sql::Fault::Other, FileRecoveryMessage(left, QStringLiteral("保存格式"), true)};
    m_files = std::make_unique<safefile::Together>(pictureRecordPath(), QStringList {to}, m_step);
    if (!m_files->Open())
        return failed(m_files->SystemError());
    if (!safefile::CopyInto(from, m_files->file(0)))
        return failed(errno);
    if (!m_files->Prepare())
        return failed(m_files->SystemError());
    return {};
}

bool PictureCopy::Mark(sql::Connection &conn)
{
    return !m_files
        || (conn.Exec(QStringLiteral("DELETE FROM 参数 WHERE Var=?"), {kPictureTokenVar})
            && conn.Exec(QStringLiteral("INSERT INTO 参数(Var,Con) VALUES(?,?)"),
                         {kPictureTokenVar, m_files->Token()}));
}

QString PictureCopy::Keep()
{
    if (!m_files)
        return {};
    // The rows are stored: the picture follows them.
    m_files->Decided();
    const bool named = m_files->Commit();
    m_files.reset();
    return named ? QString()
                 : FileRecoveryMessage(RecoverPictureCopy(), QStringLiteral("保存格式"), true);
}

safefile::RecoverResult RecoverPictureCopy()
{
    safefile::RecoverRules rules;
    // One picture in the data folder.
    rules.accept = [](const QStringList &targets) {
        return targets.size() == 1 && targets.front().endsWith(QStringLiteral(".jpg"))
            && QFileInfo(QFileInfo(targets.front()).absolutePath()).canonicalFilePath()
            == QFileInfo(paths::DataDir()).canonicalFilePath();
    };
    rules.committed = [](const QString &token) -> std::optional<bool> {
        sql::Connection *conn = db::Connection();
        const auto rows = conn ? conn->Query(QStringLiteral("SELECT Con FROM 参数 WHERE Var=?"),
                                             {kPictureTokenVar})
                               : std::nullopt;
        if (!rows)
            return std::nullopt;
        return !rows->empty() && num::Text(rows->value(0, 0)) == token;
    };
    return safefile::Recover(pictureRecordPath(), rules);
}

QString GetBackgroundPicturePath(const QString &formatName)
{
    static const QString unsafe = QStringLiteral("*?<>/\\:|\"");
    QString safe = formatName;
    for (qsizetype i = 0; i < unsafe.size(); ++i)
        safe.replace(unsafe.at(i), QChar(char16_t(u'0' + i)));
    return paths::DataPath(safe + QStringLiteral(".jpg"));
}
