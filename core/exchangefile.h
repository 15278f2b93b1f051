#pragma once
// The format exchange file (.wlq): code page 936 text, CR LF between lines
// and none after the last; line 1 the signature, line 2 the format's name,
// then one line per Fmt row of the format (header row included) with 22
// fields joined by "】★【". The format's background picture travels beside
// it as a JPEG file of the same base name.

#include "core/formathost.h"
#include "platform/safefile.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace xfile {

// Signature written by the export and required by the menu's import.
QString FullSignature();
// Signature of the catalogue downloads.
QString ShortSignature();
QString FieldSeparator();
inline constexpr const char *kFilter = "快递单格式(*.wlq)|*.wlq";

// The whole file text of the format, or nullopt when the query failed.
std::optional<QString> BuildExportText(const QString &name);
// The format name a file gives its format: the file's base name (the file
// name without its last extension); "" for a name like ".wlq".
QString FormatNameFromPath(const QString &path);
// Joins back rows that line breaks split over several lines (from the end,
// never onto the name line). Lines are the file's lines, line 1 at index 0.
void RepairSplitRows(QStringList &lines);

} // namespace xfile

// Asks for a format name when the export is given none (the format chooser
// window, starting at the host's open format); "" means cancelled. The user
// interface installs it.
void SetExportFormatChooser(std::function<QString(const FormatHost &)> chooser);

// Writes the format to a .wlq file the user chooses (through the dialog
// seam), and its picture beside it, the two replacing old files as a pair.
// An empty name asks for the format. True when the file was written. step,
// when given, is called before each file operation (tests stop there).
bool ExportFormat(const FormatHost &host, const QString &name,
                  const safefile::StepHook &step = {});

// Completes or undoes the file replacement of an export that a killed
// program left, so that a .wlq file and its picture are both old or both
// new and no file of the export is left; run at the start and before each
// export. Only a record of a .wlq file and a .jpg picture, with hidden
// files of the export's own form beside them, is acted on; any other is
// renamed aside. True (as a bool) when no record is left in the way.
safefile::RecoverResult RecoverFormatExport();

// Reads a .wlq file into table Fmt as a new format named after the file,
// with new IDs and its references renumbered, all in one transaction, and
// copies its picture into the data folder. An empty path asks for the file.
// fullSignature selects which of the two signatures is accepted. True when
// the rows were added; the user may then open the format in the host.
bool ImportFormat(FormatHost &host, const QString &path, bool fullSignature);
