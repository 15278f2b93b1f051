#pragma once
// Small helpers every part of the program uses: waiting while the event loop
// runs, reading amounts from text, millimetre/twip conversion on the screen
// page, file dialogs through the dialog seam, string cutting and replacing,
// the application's sub-folders, and the words for faults met writing files.

#include "core/progress.h" // FormatSeconds
#include "platform/hookslot.h"

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace safefile {
struct RecoverResult;
}

// Runs 2 * (rounds + 1) passes of the event loop; nothing when rounds < 0.
void DoEventsLoop(qint32 rounds);

// An amount from text: "￥", "$" and "," are dropped; a text ending in "%"
// loses every "%" and is divided by 100; then the leading number is read.
double ParseNumberText(const QVariant &value);

// Makes the folder of that name (blanks trimmed) in the data folder when
// nothing stands there. False for an empty name, when the folder cannot be
// made, or when a file (not a folder) stands at the path.
bool EnsureAppSubDir(const QString &name);
// Opens a web address or a file with the desktop's default action.
void ShellOpen(const QString &target);

// The screen page's twips per millimetre: the main window installs the
// function that computes it from the page width (until the handle goes);
// without one the printer's 1440/25.4 is used.
HookHandle InstallPageScaleProvider(std::function<double()> provider);
double PageScale();
// Page twips (twips of the designer's page at its zoom, not printer twips;
// see platform/lengths.h) to millimetres, rounded to 0.001 (halves to even).
double PageTwipsToMm(double twips, double scale);
double PageTwipsToMm(double twips);
// Millimetres to whole page twips (halves to even).
qint32 MmToPageTwips(double mm, double scale);
qint32 MmToPageTwips(double mm);

// The mouse cursor's position on the screen in twips.
void GetCursorPosTwips(qint32 &x, qint32 &y);

// The taskbar's height in twips: (screen height / f - work area bottom) * f,
// as a 16-bit whole number; f is twips per pixel.
qint16 TaskbarHeight(double screenHeightTw, qint32 workBottomPx, double twipsPerPixel);
// The top-left corner that centres a window on the work area (twips).
QPointF CenterPosition(double screenWidthTw, double screenHeightTw, double taskbarTw, double width,
                       double height);

// "√" for True or a non-zero number; "" for False, 0, empty or null.
QString BoolToMark(const QVariant &value);
inline bool IsNotEmpty(const QString &text)
{
    return !text.isEmpty();
}

// Splits s at the first (fromStart) or last occurrence of delim. fromStart:
// returns the text before it and s keeps the text after; otherwise returns
// the text after it and s keeps the text before. When delim does not occur,
// returns "" and leaves s unchanged.
QString CutToken(QString &s, const QString &delim, bool fromStart);
// Replaces every span from startMark to the next endMark (or to the end of
// s when there is none) by repl; returns the new s. Start marks that form
// anew across a join are replaced too; a replacement containing the start
// mark is stepped over, so the call ends. An empty start mark changes nothing.
QString ReplaceBetween(QString &s, const QString &startMark, const QString &endMark,
                       const QString &repl);

// Keeps digits, "." and Backspace; sets any other key code to 0.
void NumericKeyFilter(int &keyCode);

// The filter of the picture open dialog.
inline constexpr const char *kPictureFilter
    = "JPEG格式(*.jpg)|*.jpg|位图(*.bmp)|*.bmp|GIF格式(*.gif)|*.gif|WMF格式(*.wmf)|*.wmf|"
      "图标格式(*.ico)|*.ico|所有格式(*.*)|*.*";
// The open (or save) dialog with that filter; the chosen path or "" when
// cancelled. Without a default name the dialog starts with the name it
// returned last time.
QString FileDialog(const QString &filter, bool save, const QString &defaultName);
// Before a save replaces an existing file: asks "该文件已存在，是否覆盖？",
// and says so when the file cannot be replaced (not a plain file, or the
// file or its folder not writable). True when the path may be written:
// nothing stands there, or the user agreed and it can be replaced.
bool ConfirmReplaceFile(const QString &path);
// The words of a full disk (or a file-size limit) where place lies
// ("数据文件夹", or a folder named in quotes), ending with what to do again
// (retry: "保存", "导出", "打印").
QString DiskFullText(const QString &place, const QString &retry);
// Why a file could not be written, for the user, from the system error
// number of the failed step: the full disk of the file's folder; "" for any
// other cause (the caller's own words say enough).
QString FileWriteFaultText(const QString &path, int systemError, const QString &retry);
// The system's own words for an error number; "" for 0.
QString SystemErrorText(int systemError);
// What to tell the user about a recovery of the work named (导出, 保存格式);
// "" when nothing. A record that is no file is said only when the work needs
// it (needed). A record set aside names the hidden file that may hold a
// target's new bytes; an undo names the files it removed.
QString FileRecoveryMessage(const safefile::RecoverResult &r, const QString &work, bool needed);
QString PickPictureFile();

// The distinct contents that the history holds for a control, sorted.
QStringList HistoryValues(qint64 controlId);
