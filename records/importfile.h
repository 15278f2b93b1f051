#pragma once
// Choosing what to import and a format's background picture, below the
// windows: the open dialog's filters, the sheet list of the sheet window
// (ticks, single choice), the checks of the automatic import, and the
// import and clearing of the picture file that lies beside the database
// under the name the format store derives from the format's name.

#include "records/importmapping.h"
#include "records/xlsreader.h"

#include <QDeadlineTimer>
#include <QString>
#include <QStringList>
#include <vector>

struct StartupRecord;

namespace imp {

inline constexpr const char *kImportFilter
    = "Microsoft Office Excel 工作簿(*.xls)|*.xls|CSV (逗号分隔)(*.csv)|*.csv";
inline constexpr const char *kJpegFilter = "JPEG格式(*.jpg)|*.jpg";
inline constexpr const char *kSheetsCaption = "选择要导入数据所在的工作表";

// ShowOpenDialog: the chosen path, "" when cancelled; an empty filter
// offers workbooks and CSV files.
QString ShowOpenDialog(const QString &filter);

// The sheets of a workbook with their ticks (column "选择").
class SheetList
{
public:
    // The workbook's sheets, the first one ticked, read under the progress
    // window ("正在读取EXCEL文件数据……"); 0, or the error number of the
    // read (xlsreader.h) and no sheets.
    int Load(const QString &path, QDeadlineTimer deadline = QDeadlineTimer(kXlsTimeLimitMs));
    void SetNames(const QStringList &names);
    const QStringList &Names() const { return m_names; }
    bool Ticked(qint32 i) const
    {
        return i >= 0 && i < qint32(m_ticks.size()) && m_ticks[size_t(i)];
    }
    // A click on sheet i: an unticked sheet gets the tick (in single-choice
    // mode after every other tick is cleared); a ticked one loses it.
    void Click(qint32 i, bool single);
    // The ticked names from the top joined by "‖"; "" when none.
    QString Chosen() const;

private:
    QStringList m_names;
    std::vector<bool> m_ticks;
};

// ImportBackgroundPicture: asks for a .jpg file and copies it over the
// format's picture (asking first when there is one). A file the page could
// not draw (platform/picturefile) is refused first, with the reason naming
// it, and the old picture stays. The copy goes to a temporary file that
// replaces the old picture only when complete, by name (a link at the
// picture's name is replaced, the file it names stays); a copy that fails
// says "文件保存出错！" with the system's cause and keeps the old picture.
// True when the picture changed (the caller reloads and redraws the page).
bool ImportBackgroundPicture(const QString &formatName);
// ClearBackgroundPicture: after asking, deletes the format's picture file.
// True when it was deleted.
bool ClearBackgroundPicture(const QString &formatName);

// The automatic import's checks: false (nothing happens) without a format
// name, with a last row below 1 or below the first row; a first row below
// 1 becomes 1 in the record. On true the choice names the record's data
// file (its case kept) with no sheet yet.
bool AcceptAutoImport(StartupRecord &record, ImportChoice &choice);

} // namespace imp
