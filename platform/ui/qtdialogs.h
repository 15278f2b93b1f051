#pragma once
// The dialog seam answered by real Qt dialogs: message boxes, questions,
// input prompts, file, font and colour dialogs and pop-up menus. The save
// dialog asks no overwrite question of its own: the program asks it, in
// its own words, where it matters.

#include "platform/dialogs.h"

class QWidget;

// "name|pattern|name|pattern" (patterns separated by ";") as Qt's
// "name (pattern pattern);;name (pattern)". A name that already ends with
// its patterns in brackets, as "快递单格式(*.wlq)", is kept as it is.
QString QtFileFilter(const QString &filter);

// Loads Qt's own Chinese texts (buttons of message boxes, file dialogs), so
// that the program reads in one language. False when none were found.
bool InstallQtTranslations();

// What a window's title bar shows for this title: on X11 and Wayland the
// toolkit adds " — " and the program's display name, when one is set and
// the title does not already end with it.
QString TitleBarText(const QString &title);

// The width a window needs, in pixels, to show its title bar's text whole
// beside the bar's icon and buttons (the window manager draws the title in
// a font about the size of the program's own).
int TitleBarWidth(const QString &title);

// Makes the window at least as wide as its title bar needs to show the
// whole title, and at least minWidth pixels wide.
void KeepTitleWhole(QWidget *window, int minWidth = 0);

// The property of a window that its own work closes (the progress window):
// a dialog opened while it is active is not its child (closing it would take
// the dialog, which lives on the stack of its own loop, with it) but the
// child of the window it stands in front of.
inline constexpr char kNoDialogOwner[] = "noDialogOwner";

class QtDialogs : public Dialogs
{
public:
    void Message(const QString &text, const QString &title = QString()) override;
    bool AskYesNo(const QString &text, const QString &title = QString()) override;
    std::optional<QString> Input(const QString &prompt, const QString &title,
                                 const QString &preset) override;
    QString OpenFile(const QString &filter, const QString &defaultName) override;
    QString SaveFile(const QString &filter, const QString &defaultName) override;
    bool ChooseFont(QFont &font, QColor &color) override;
    bool ChooseColor(QColor &color) override;
    int PopupMenu(const QStringList &items, const QPoint &globalPos,
                  const QList<int> &disabled = {}) override;
};
