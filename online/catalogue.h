#pragma once
// The catalogue of formats on the maker's server: records separated by
// "<br>" with five fields separated by "|" (category, name, format-file path,
// picture path, date), ended by the marker "Finished". It is kept in table
// 网站格式; previews and downloads go into the Temp folder of the data folder.
// Catalogue paths are server paths starting with "/", always resolved
// against the maker's server, and a file lands in Temp only under a plain
// file name.

#include "platform/gridmodel.h"

#include <QString>
#include <vector>

class FormatHost;

struct CatalogueEntry
{
    QString clas;
    QString name;
    QString fPath;
    QString pPath;
    QString date; // as stored in Dat: "yyyy-MM-dd[ HH:mm:ss]" or the text given

    bool operator==(const CatalogueEntry &) const = default;
};

namespace catalogue {

inline constexpr const char *kTable = "网站格式";
inline constexpr const char *kWindowName = "网站格式模板列表";
inline constexpr const char *kNoPicture = "此格式暂无图片！";

// The catalogue page on the maker's server; "" when no server is set.
QString CatalogueUrl();
// The records of a catalogue reply (the piece after the last "<br>" is the
// marker, never a record; empty pieces and records without exactly five
// fields are skipped).
std::vector<CatalogueEntry> ParseCatalogue(const QString &reply);
// The address of a catalogue path on the maker's server; "" when no server
// is set or the path does not start with a single "/".
QString ResolvePath(const QString &path);
// The plain file name a path ends in (after its last "/"); "" for "", "."
// and "..", and for names with a backslash.
QString FileNameOf(const QString &path);
// The Temp folder (created when missing) and a file in it.
QString TempPath(const QString &fileName);
// The base name the format's files get in Temp: the format name with
// * ? < > / \ : | " replaced by the digits 0 to 8.
QString SafeBaseName(const QString &formatName);

// Catalogue grid columns (the grid of the catalogue window).
enum Col : qint32 {
    ColID = 0,
    ColFile = 1,
    ColPicture = 2,
    ColNumber = 3,
    ColTick = 4,
    ColName = 6
};
// Lays the grid out and fills it from 网站格式, ordered by category and name;
// the columns up to the row number are fixed, the tick column is the first
// free one.
void LoadWebFmtList(GridModel &grid);

// Replaces the rows of 网站格式 by the entries, in one transaction.
bool StoreCatalogue(const std::vector<CatalogueEntry> &entries);
// Fetches the catalogue (five attempts of 60 s) and stores it; the table
// stays as it was when no attempt found the marker. True when stored.
bool DownWebFmt();

// The preview picture of a catalogue picture path: the cached file in Temp,
// fetched once when missing. "" when the path is refused or nothing could be
// fetched.
QString FetchPreview(const QString &pPath);

// Downloads the picture and the format file of an entry into Temp (the
// picture as base name + ".jpg", the format as base name + ".wlq") and
// imports the format, which asks whether to open it in the host. A format file that
// cannot be fetched is reported ("格式文件下载失败！") and nothing is
// imported; what the failed download wrote in Temp is removed. True when
// imported.
bool DownInputFmt(FormatHost &host, const QString &name, const QString &fPath,
                  const QString &pPath);

} // namespace catalogue
