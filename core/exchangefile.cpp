#include "core/exchangefile.h"

#include "core/apppaths.h"
#include "core/database.h"
#include "core/fmtcolumns.h"
#include "core/formatgrid.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/helpers.h"
#include "core/progress.h"
#include "core/textfiles.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"
#include "platform/safefile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <limits>
#include <vector>

namespace {

std::function<QString(const FormatHost &)> g_chooser;

const QString kCrLf = QStringLiteral("\r\n");
const QString kLblBreak = QStringLiteral("‖‖‖");
const QString kMemBreak = QStringLiteral("♂♂");
constexpr qint32 kExportedFields = 22;

// The Fmt columns of a row line, in file order: the 22 fields the export
// writes (fields 0 to 21) and RCtl1, which only some files carry.
std::vector<const fmtgrid::FmtColumn *> fileColumns(bool withUnwritten)
{
    std::vector<const fmtgrid::FmtColumn *> out;
    for (const fmtgrid::FmtColumn &c : fmtgrid::FmtColumns())
        if (c.fileField >= 0 && (withUnwritten || c.fileField < kExportedFields))
            out.push_back(&c);
    std::sort(out.begin(), out.end(),
              [](const auto *a, const auto *b) { return a->fileField < b->fileField; });
    return out;
}

// A line break inside LBL and Mem is written as a marker of its own.
QString breakMarker(const fmtgrid::FmtColumn &c)
{
    const QLatin1String name(c.name);
    if (name == QLatin1String("LBL"))
        return kLblBreak;
    if (name == QLatin1String("Mem"))
        return kMemBreak;
    return QString();
}

// Closes the progress window at every way out; the work lasts as long.
struct Closer
{
    LongWork work;
    ~Closer() { CloseIndicator(); }
};

// Names the files of an export while they are replaced.
QString exportRecordPath()
{
    return paths::DataPath(QStringLiteral("export.pending"));
}

QString picturePathBeside(const QString &path)
{
    return path.left(path.size() - 4) + QStringLiteral(".jpg");
}

} // namespace

namespace xfile {

QString FullSignature()
{
    return QStringLiteral("<沃栎岚印坊格式专用_快递单专用>");
}

QString ShortSignature()
{
    return QStringLiteral("<沃栎岚印坊格式专用>");
}

QString FieldSeparator()
{
    return QStringLiteral("】★【");
}

std::optional<QString> BuildExportText(const QString &name)
{
    const auto rs
        = db::OpenRecordset(QStringLiteral("SELECT * FROM Fmt WHERE Fmt=? ORDER BY ID"), {name});
    if (!rs)
        return std::nullopt;
    const auto columns = fileColumns(false);
    std::vector<int> cols;
    for (const fmtgrid::FmtColumn *c : columns)
        cols.push_back(rs->column(QString::fromLatin1(c->name)));
    QStringList lines = {FullSignature(), name};
    const QString sep = FieldSeparator();
    for (int i = 0; i < rs->size(); ++i) {
        QStringList fields;
        for (size_t c = 0; c < columns.size(); ++c) {
            QString t = cols[c] >= 0 ? num::Text(rs->value(i, cols[c])) : QString();
            if (const QString marker = breakMarker(*columns[c]); !marker.isEmpty())
                t.replace(kCrLf, marker);
            fields << t;
        }
        lines << fields.join(sep);
    }
    return lines.join(kCrLf);
}

QString FormatNameFromPath(const QString &path)
{
    QString file = path;
    const qsizetype slash = std::max(file.lastIndexOf(u'/'), file.lastIndexOf(u'\\'));
    if (slash >= 0)
        file = file.mid(slash + 1);
    const qsizetype dot = file.lastIndexOf(u'.');
    return dot >= 0 ? file.left(dot) : file;
}

void RepairSplitRows(QStringList &lines)
{
    // A line that is empty or has fewer than 21 fields is appended, with a
    // CR LF, to the line before it; working from the end, the line before
    // is judged with everything already appended to it. Joining adds the
    // separators of both parts (no separator can span the CR LF), so one
    // pass from the end with a running count of separators finds every
    // joined group, and each group is joined once: linear in the text.
    const QString sep = FieldSeparator();
    const qsizetype n = lines.size();
    if (n <= 3)
        return;
    QStringList out;
    out.reserve(n);
    qsizetype end = n - 1; // last line of the group being collected
    qsizetype pendingSeps = 0; // separators of the lines after i in the group
    bool pending = false;
    const auto flush = [&](qsizetype first) {
        if (first == end) {
            out.append(std::move(lines[first]));
            return;
        }
        qsizetype size = 0;
        for (qsizetype k = first; k <= end; ++k)
            size += lines.at(k).size() + 2;
        QString joined;
        joined.reserve(size);
        for (qsizetype k = first; k <= end; ++k) {
            if (k > first)
                joined += kCrLf;
            joined += lines.at(k);
        }
        out.append(std::move(joined));
    };
    for (qsizetype i = n - 1; i >= 3; --i) {
        const QString &line = lines.at(i);
        const qsizetype seps = line.count(sep) + (pending ? pendingSeps : 0);
        const bool empty = line.isEmpty() && !pending;
        if (empty || seps + 1 < 21) {
            pending = true;
            pendingSeps = seps;
            continue;
        }
        flush(i);
        pending = false;
        end = i - 1;
    }
    flush(2);
    for (qsizetype k = 1; k >= 0; --k)
        out.append(std::move(lines[k]));
    std::reverse(out.begin(), out.end());
    lines = std::move(out);
}

} // namespace xfile

void SetExportFormatChooser(std::function<QString(const FormatHost &)> chooser)
{
    g_chooser = std::move(chooser);
}

safefile::RecoverResult RecoverFormatExport()
{
    // An export replaces one .wlq file and, beside it, its picture.
    safefile::RecoverRules rules;
    rules.accept = [](const QStringList &targets) {
        return (targets.size() == 1 || targets.size() == 2)
            && targets.front().endsWith(QStringLiteral(".wlq"), Qt::CaseInsensitive)
            && (targets.size() == 1 || targets.back().endsWith(QStringLiteral(".jpg")));
    };
    return safefile::Recover(exportRecordPath(), rules);
}

bool ExportFormat(const FormatHost &host, const QString &nameIn, const safefile::StepHook &step)
{
    if (!nameIn.isEmpty())
        DialogResult = nameIn;
    else
        DialogResult = g_chooser ? g_chooser(host) : QString();
    const QString name = DialogResult;
    if (name.isEmpty())
        return false;

    QString defaultName = GetBackgroundPicturePath(name);
    defaultName.chop(4);
    QString path = FileDialog(QString::fromUtf8(xfile::kFilter), true, defaultName);
    if (path.isEmpty())
        return false;
    if (path.right(4).toLower() != QStringLiteral(".wlq"))
        path += QStringLiteral(".wlq");

    const auto text = xfile::BuildExportText(name);
    if (!text)
        return false;
    if (QFileInfo::exists(path)
        && !dialogs().AskYesNo(QStringLiteral("文件：“") + path
                               + QStringLiteral("”已经存在，是否覆盖？")))
        return false;
    // A run an earlier copy left is completed or undone before this one
    // writes its record; a record that stays in the way is said as it is.
    const safefile::RecoverResult recovered = RecoverFormatExport();
    if (const QString why = FileRecoveryMessage(recovered, QStringLiteral("导出"), true);
        !why.isEmpty())
        dialogs().Message(why);
    if (!recovered)
        return false;
    // The file and its picture are written completely before either takes
    // its place, and replaced as a pair, even across a kill of the program:
    // after any failure both old files keep their bytes, so a file never
    // sits beside another format's picture.
    const QString picture = GetBackgroundPicturePath(name);
    const bool withPicture = QFileInfo::exists(picture);
    QStringList targets {path};
    if (withPicture)
        targets << picturePathBeside(path);
    safefile::Together files(exportRecordPath(), targets, step);
    const bool opened = files.Open();
    bool ok = opened && files.file(0).Write(cp936::Encode(*text));
    if (ok && withPicture)
        ok = safefile::CopyInto(picture, files.file(1));
    ok = ok && files.Commit();
    if (!ok) {
        // A full disk shows in the writes and syncs of the new files, whose
        // writers keep the cause.
        int why = 0;
        for (qsizetype i = 0; opened && i < targets.size() && why == 0; ++i)
            why = files.file(i).SystemError();
        dialogs().Message(QStringLiteral("文件保存出错！")
                          + FileWriteFaultText(path, why, QStringLiteral("导出")));
        return false;
    }
    dialogs().Message(QStringLiteral("格式：“") + name + QStringLiteral("”导出完成！"));
    return true;
}

bool ImportFormat(FormatHost &host, const QString &pathIn, bool fullSignature)
{
    QString path = num::Trim(pathIn);
    if (path.isEmpty()) {
        path = FileDialog(QString::fromUtf8(xfile::kFilter), false, QString());
        if (path.isEmpty() || !QFileInfo::exists(path))
            return false;
    }

    const QString caption = QStringLiteral("正在导入格式...");
    Closer closer;
    ShowIndicator(caption, 3);

    const QString text = ReadTextFile(path, false);
    if (text.isEmpty())
        return false;
    QStringList lines = num::Split(text, kCrLf);
    const QString signature = fullSignature ? xfile::FullSignature() : xfile::ShortSignature();
    if (lines.size() < 3 || lines.at(0) != signature) {
        dialogs().Message(QStringLiteral("无法识别此文件，请确认文件：“") + path
                          + QStringLiteral("”为沃栎快递单格式文件！"));
        return false;
    }

    QString name = xfile::FormatNameFromPath(path);
    if (name.isEmpty())
        name = lines.at(1);
    // Ask while the name is taken (or empty: the settings row's name).
    for (;;) {
        if (!name.isEmpty()) {
            const auto taken = db::FormatExists(name);
            if (!taken)
                return false;
            if (!*taken)
                break;
        }
        CloseIndicator();
        const auto answer = dialogs().Input(QStringLiteral("格式：“") + name
                                                + QStringLiteral("”已存在，请另取格式名！"),
                                            QStringLiteral("格式名输入"), name);
        if (!answer || num::Trim(*answer).isEmpty())
            return false;
        name = num::Trim(*answer);
        ShowIndicator(caption, 3);
    }
    StepIndicator(1, QStringLiteral("pages"));

    xfile::RepairSplitRows(lines);

    // A write the database refuses is said with what it found (a full disk,
    // a held or damaged file, ...); the transaction rolls back, so nothing of
    // the format stays behind.
    const auto writeFailed = [] {
        const sql::Connection *c = db::Connection();
        const sql::Status why = c ? c->lastStatus() : sql::Status {sql::Fault::Other, QString()};
        CloseIndicator();
        dialogs().Message(QStringLiteral("格式没有导入：")
                          + db::WriteFaultText(why, QStringLiteral("导入")));
        return false;
    };
    sql::Connection *conn = db::Connection();
    if (!conn)
        return false;
    sql::Transaction tx(*conn);
    if (!tx.ok())
        return writeFailed();

    const QString sep = xfile::FieldSeparator();
    const auto columns = fileColumns(true);
    const auto fieldOf = [](const char *name) {
        return fmtgrid::FmtColumnNamed(QString::fromLatin1(name))->fileField;
    };
    const int refFields[3] = {fieldOf("RCtl"), fieldOf("SumID"), fieldOf("SumID1")};
    const int idField = fieldOf("ID");
    struct Added
    {
        qint64 newId;
        qint64 refs[3];
    };
    std::vector<Added> added;
    QHash<qint64, qint64> newByOld; // first line of each old ID wins
    // One prepared statement serves every row: a big file has many.
    QStringList names, marks;
    for (const fmtgrid::FmtColumn *c : columns)
        if (c->gridColumn != fmtgrid::ColID) {
            names << QString::fromLatin1(c->name);
            marks << QStringLiteral("?");
        }
    names << QStringLiteral("Fmt");
    marks << QStringLiteral("?");
    sql::Statement insert(*conn, QStringLiteral("INSERT INTO Fmt (") + names.join(u',')
                                     + QStringLiteral(") VALUES (") + marks.join(u',') + u')');
    sql::Statement update(*conn, QStringLiteral("UPDATE Fmt SET RCtl=?,SumID=?,SumID1=? WHERE ID=?"));
    if (!insert.ok() || !update.ok())
        return writeFailed();
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList f = num::Split(lines.at(i), sep);
        if (f.size() < 21) {
            dialogs().Message(QStringLiteral("格式文件有错！"));
            return false; // the transaction rolls back: nothing stays behind
        }
        auto lng = [&](int k) {
            return k < f.size() ? num::RoundToInt64(num::Val(f.at(k))) : qint64(0);
        };
        QVariantList values;
        for (const fmtgrid::FmtColumn *c : columns) {
            if (c->gridColumn == fmtgrid::ColID)
                continue; // the row gets a new ID
            const QString t = c->fileField < f.size() ? f.at(c->fileField) : QString();
            QVariant v;
            switch (c->type) {
            case fmtgrid::FmtType::Text: {
                QString text = t;
                if (const QString marker = breakMarker(*c); !marker.isEmpty())
                    text.replace(marker, kCrLf);
                v = text;
                break;
            }
            case fmtgrid::FmtType::Whole:
                v = lng(c->fileField);
                break;
            case fmtgrid::FmtType::Real:
                v = num::Val(t);
                break;
            case fmtgrid::FmtType::Flag:
                v = t.toLower() == QStringLiteral("true");
                break;
            }
            values.append(v);
        }
        values.append(name);
        insert.Reset();
        if (!insert.Bind(values))
            return writeFailed();
        insert.Step();
        if (insert.failed())
            return writeFailed();
        const auto id = std::optional<qint64>(conn->lastInsertId());
        const qint64 oldId = lng(idField);
        if (!newByOld.contains(oldId))
            newByOld.insert(oldId, *id);
        added.push_back({*id, {lng(refFields[0]), lng(refFields[1]), lng(refFields[2])}});
    }
    StepIndicator(1, QStringLiteral("pages"));

    // Renumbering: a reference to an old ID of the file takes that row's new
    // ID with its sign; a reference to anything else stays as it is.
    for (const Added &a : added) {
        qint64 refs[3];
        bool changed = false;
        for (int k = 0; k < 3; ++k) {
            const qint64 v = a.refs[k];
            refs[k] = v;
            // The lowest 64-bit value (a reference read from a huge number)
            // has no positive counterpart and names no row.
            if (v == 0 || v == std::numeric_limits<qint64>::min())
                continue;
            const auto it = newByOld.constFind(v < 0 ? -v : v);
            if (it != newByOld.constEnd()) {
                refs[k] = v < 0 ? -it.value() : it.value();
                changed = changed || refs[k] != v;
            }
        }
        if (!changed)
            continue;
        update.Reset();
        if (!update.Bind({refs[0], refs[1], refs[2], a.newId}))
            return writeFailed();
        update.Step();
        if (update.failed())
            return writeFailed();
    }
    // The picture beside the file comes in with the rows or not at all: a
    // copy that fails rolls the rows back, a refused commit removes the copy.
    PictureCopy picture;
    if (const sql::Status copied
        = picture.Copy(picturePathBeside(path), GetBackgroundPicturePath(name), true);
        !copied) {
        CloseIndicator();
        // A full disk keeps its advice; any other cause (a copy left by a
        // killed save in the way, a refused file) is named.
        dialogs().Message(copied.fault == sql::Fault::Full || copied.text.isEmpty()
                              ? QStringLiteral("格式没有导入：底图复制出错！请检查数据文件夹所在的磁盘是否已满。")
                              : QStringLiteral("格式没有导入：") + copied.text);
        return false;
    }
    if (!picture.Mark(*conn) || !tx.Commit())
        return writeFailed();
    if (const QString why = picture.Keep(); !why.isEmpty())
        dialogs().Message(why); // the format is stored; its picture comes at the next start

    // The question stands alone, not under the progress window.
    CloseIndicator();
    if (dialogs().AskYesNo(QStringLiteral("格式“") + name
                           + QStringLiteral("”导入成功,立即调用此格式？")))
        host.SelectFormat(name);
    return true;
}
