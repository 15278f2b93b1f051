#include "records/gridexport.h"

#include "core/helpers.h"
#include "core/progress.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/gridmodel.h"
#include "platform/safefile.h"
#include "records/columnmap.h"

#include <QFileInfo>
#include <cerrno>
#include <vector>
#include <xlsxwriter.h>

namespace imp {

namespace {

std::vector<qint32> ExportedColumns(const GridModel &grid)
{
    std::vector<qint32> cols;
    for (qint32 c = 0; c < grid.cols(); ++c)
        if (grid.colWidth(c) >= 1)
            cols.push_back(c);
    return cols;
}

bool RowExported(const GridModel &grid, qint32 row)
{
    return grid.rowHeight(row) >= 1;
}

} // namespace

QString CsvLine(const GridModel &grid, qint32 row)
{
    QString line;
    bool firstCell = true;
    for (const qint32 c : ExportedColumns(grid)) {
        if (!firstCell)
            line += u',';
        firstCell = false;
        QString t = grid.text(row, c);
        t.replace(QLatin1String("\""), QLatin1String("\"\""));
        const bool quote
            = t.contains(QLatin1String("\r\n")) || t.contains(u',') || t.contains(u'"');
        t += u'\t';
        if (quote)
            line += u'"' + t + u'"';
        else
            line += t;
    }
    return line;
}

Exported ExportGridToCsv(const GridModel &grid, const QString &path)
{
    safefile::Writer file(path);
    if (!file.Open())
        return {false, file.SystemError()};
    const LongWork work;
    ShowIndicator(QStringLiteral("正在导出数据至CSV格式文件……"), grid.rows());
    bool ok = true;
    for (qint32 r = 0; r < grid.rows() && ok; ++r) {
        if (RowExported(grid, r)) {
            ok = file.Write(cp936::Encode(CsvLine(grid, r)) + "\r\n");
        }
        StepIndicator(1, QStringLiteral("pages"));
    }
    ok = ok && file.Commit(); // a failed file is dropped, the target kept
    CloseIndicator();
    return {ok, file.SystemError()};
}

namespace {

struct WorkbookCloser
{
    lxw_workbook *wb = nullptr;
    ~WorkbookCloser()
    {
        if (wb)
            workbook_close(wb);
    }
};

} // namespace

Exported ExportGridToExcel(const GridModel &grid, const QString &path, const QString &title)
{
    const LongWork work;
    ShowIndicator(QStringLiteral("正在将数据导出到EXCEL文件 …"), grid.rows() - 1);
    // The library writes the workbook by name into the open temporary file,
    // which takes the target's place only when the workbook is complete; a
    // killed export leaves no file behind.
    safefile::Writer file(path);
    if (!file.Open()) {
        CloseIndicator();
        return {false, file.SystemError()};
    }
    const QByteArray tmpName = QFile::encodeName(file.PathForLibrary());

    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    WorkbookCloser book {workbook_new_opt(tmpName.constData(), &options)};
    bool ok = book.wb != nullptr;
    lxw_worksheet *ws = nullptr;
    if (ok) {
        ws = workbook_add_worksheet(book.wb, title.toUtf8().constData());
        if (!ws) // a title Excel refuses as a sheet name
            ws = workbook_add_worksheet(book.wb, nullptr);
        ok = ws != nullptr;
    }
    StepIndicator(1, QStringLiteral("pages"));
    lxw_format *body = nullptr, *head = nullptr;
    if (ok) {
        body = workbook_add_format(book.wb);
        format_set_border(body, LXW_BORDER_THIN);
        head = workbook_add_format(book.wb);
        format_set_border(head, LXW_BORDER_THIN);
        format_set_bold(head);
        format_set_pattern(head, LXW_PATTERN_SOLID);
        format_set_bg_color(head, 0xFFC080); // red 255, green 192, blue 128
    }
    StepIndicator(1, QStringLiteral("pages"));

    const std::vector<qint32> cols = ExportedColumns(grid);
    const qint32 lastFixed = grid.fixedRows() - 1;
    if (ok && lastFixed >= 0 && RowExported(grid, lastFixed))
        for (size_t j = 0; j < cols.size(); ++j)
            worksheet_set_column(ws, lxw_col_t(j), lxw_col_t(j),
                                 double(grid.colWidth(cols[j]) / 123), nullptr);
    lxw_row_t k = 0;
    int libraryError = 0;
    for (qint32 r = 0; r < grid.rows() && ok; ++r) {
        if (RowExported(grid, r)) {
            lxw_format *f = r < grid.fixedRows() ? head : body;
            for (size_t j = 0; j < cols.size() && ok; ++j) {
                const QString t = grid.text(r, cols[j]);
                const lxw_error e = t.isEmpty()
                    ? worksheet_write_blank(ws, k, lxw_col_t(j), f)
                    : worksheet_write_string(ws, k, lxw_col_t(j), (t + u'\t').toUtf8().constData(),
                                             f);
                ok = e == LXW_NO_ERROR;
            }
            ++k;
        }
        StepIndicator(1, QStringLiteral("pages"));
    }
    if (ok) {
        lxw_workbook *wb = book.wb;
        book.wb = nullptr;
        errno = 0;
        ok = workbook_close(wb) == LXW_NO_ERROR;
        // The library writes the file itself: its failed write left errno.
        libraryError = ok ? 0 : errno;
    }
    ok = ok && file.Commit();
    CloseIndicator();
    return {ok, libraryError ? libraryError : file.SystemError()};
}

QString WorkbookPath(const QString &path)
{
    if (path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        return path;
    if (path.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive))
        return path + u'x';
    return path + QLatin1String(".xlsx");
}

bool ExportGrid(const GridModel &grid, const QString &title)
{
    if (grid.rows() == 0 || grid.cols() == 0) {
        dialogs().Message(QStringLiteral("表格中没有数据！"));
        return true;
    }
    QString path = dialogs().SaveFile(QString::fromUtf8(kExportFilter), QString());
    if (path.isEmpty())
        return true;
    const bool csv = path.right(3).toLower() == QLatin1String("csv");
    if (!csv)
        path = WorkbookPath(path);
    if (!ConfirmReplaceFile(path))
        return true;
    const Exported done
        = csv ? ExportGridToCsv(grid, path) : ExportGridToExcel(grid, path, title);
    if (!done)
        dialogs().Message(QStringLiteral("文件保存出错！")
                          + FileWriteFaultText(path, done.systemError, QStringLiteral("导出")));
    return done.ok || !csv;
}

} // namespace imp
