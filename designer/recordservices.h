#pragma once
// The services of the records part that the designer calls while a format
// is opened, shown and closed: the default record, automatic dates, the
// contents of picture boxes, the background picture and the automatic
// import. Each does the least that keeps the designer's steps running; the
// records part replaces them with its full versions.

#include <QString>
#include <QtGlobal>

struct StartupRecord;

namespace dsg {

class MainState;
struct DesignControl;

// Rewrites the default record of the format in table 默认: one row (format,
// Control ID, value) per design control whose value is not empty.
void SaveDefaultRecord(MainState &state, const QString &formatName);
// Puts the format's default record into the design controls, matched by ID.
void LoadDefaultRecord(MainState &state, const QString &formatName);
// Fills input boxes of the date types with today's date and converts the
// other boxes' texts again.
void AutoFillDates(MainState &state);
// Leaving input box `index`: its text converted by its data type. (Sums,
// products and linked boxes follow with the records part.)
void TT_LostFocus(MainState &state, qint32 index);
// Shows a picture file or a bar code in a picture box and keeps the content
// as its link item.
void SetPictureContent(DesignControl &box, const QString &content);
// The automatic import of the command line's rows (not built yet).
void AutoImport(const StartupRecord &record);

} // namespace dsg
