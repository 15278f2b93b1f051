#pragma once
// The settings store: small settings in an INI file in the data folder
// (SaveRegSetting / GetRegSetting, one key per section and name), and the
// key/value table 参数 of the database (SaveParam / ReadParam), which also
// remembers the position and size of resizable windows.

#include <QString>

// Stores a value under application/section/name; true when stored.
bool SaveRegSetting(const QString &application, const QString &section, const QString &name,
                    const QString &value);
// Removes what settings writes killed on the way left beside the file (their
// working copies), and nothing else; run at the start and by every write.
void RemoveLeftSettingsCopies();
// The stored value, or the default when absent or empty.
QString GetRegSetting(const QString &application, const QString &section, const QString &name,
                      const QString &defaultValue = QString());

// Updates the first row of 参数 with that key, or adds one; true when stored.
bool SaveParam(const QString &name, const QString &value);
// The value of the key in 参数, "" when absent.
QString ReadParam(const QString &name);

// Window geometry, in twips, under "窗口参数：" + the window's name as
// "Left;Top;Width;Height". The widget side is in core/ui/windowpos.h.
inline constexpr const char *kWindowPosPrefix = "窗口参数：";

struct WindowPlacement
{
    bool move = false; // set left, then top
    qint32 left = 0;
    qint32 top = 0;
    bool resize = false; // set width, then height
    qint32 width = 0;
    qint32 height = 0;
};

// The text stored for a window: "0;0;0;0" when it is at least as wide as the
// screen (maximised), else its left, top, width and height joined by ";".
QString WindowPosText(qint32 left, qint32 top, qint32 width, qint32 height, qint32 screenWidth);
// Replaces the stored geometry of a window by that text.
bool SaveWindowPosText(const QString &name, const QString &value);
// What to do with a window given its stored text and the screen size (all
// in twips): move it when it would stay partly on the screen, resize it
// when both sizes are positive. Nothing for an empty text or fewer than
// four parts.
WindowPlacement PlanWindowPos(const QString &stored, qint32 screenWidth, qint32 screenHeight);
