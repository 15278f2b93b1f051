#pragma once
// The widget-free side of the two format choosers: the items of the one-combo
// chooser (SelFormat) for each of its modes and the answer it gives, the list
// of stored formats shown by the format list window (FmtList), and the
// arithmetic of that window's picture preview.

#include "platform/gridmodel.h"

#include <QString>
#include <QStringList>

namespace fmtlist {

// Columns of the format list grid.
enum Column : qint32 { ColID = 0, ColSerial = 1, ColTick = 2, ColName = 3, ColW = 4, ColH = 5 };

// Captions of the two windows; callers wait for them to disappear.
inline constexpr const char *kSelFormatCaption = "请选择格式名称";
inline constexpr const char *kFmtListCaption = "选择/管理格式模板";
// Geometry key of the format list window in table 参数.
inline constexpr const char *kFmtListWindowName = "格式模板列表";

// Chooser modes.
inline constexpr const char *kModeFormat = "Format";
inline constexpr const char *kModeCtlClas = "CtlClas";
inline constexpr const char *kModeControl = "Control";

} // namespace fmtlist

// The five control classes as "code｜name".
QStringList ControlClassItems();
// One item per data row of the format grid: ID｜row number｜label text.
QStringList ControlListItems(const GridModel &formatGrid);
// The chooser's list for its mode: "Format" the stored format names (sorted,
// no empty one), "CtlClas" the classes, "Control" the rows of formatGrid
// (none without a grid); any other mode gives an empty list.
QStringList SelFormatItems(const QString &mode, const GridModel *formatGrid = nullptr);
// What the chooser answers for the combo's text: trimmed of blanks and cut
// before the first "｜".
QString SelFormatAnswer(const QString &comboText);

// Fills the grid with the stored formats (one row per header row, ordered by
// name) and ticks the row of the open format (openFormat): "√" in the tick
// column, current row, selection to the last column, and red text when
// highlight is true. Nothing is ticked when the open format is not listed.
void LoadFmtList(GridModel &grid, const QString &openFormat, bool highlight);
// Puts "√" in the tick column of that row and clears it on every other row.
void TickFmtListRow(GridModel &grid, qint32 row);
// The format name of a data row ("" for a fixed or missing row).
QString FmtListName(const GridModel &grid, qint32 row);

// The file a preview shows: picture itself when such a file exists, else the
// background picture of the format of that name.
QString FmtPicturePath(const QString &picture);

// How a picture of picW x picH is shown in an image as wide as imageWidth
// inside a frame frameHeight high: the image's height keeps the picture's
// proportions; a scroll bar (0 .. maximum, steps 1 and 10) is needed when
// the image is higher than the frame.
struct FmtPicturePlan
{
    double imageHeight = 0;
    bool scroll = false;
    qint32 maximum = 0;
};
FmtPicturePlan PlanFmtPicture(double picW, double picH, double imageWidth, double frameHeight);
// The image's top for a scroll value: a tenth of the frame's height per step.
double FmtPictureTop(qint32 value, double frameHeight);
