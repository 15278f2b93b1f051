#pragma once
// Window helpers: finding a shown window by its caption, waiting until a
// chooser closes, deleting a closed window only once the waits and modal
// dialogs under it have returned, putting a close off during long work,
// running what waits until no work or question is under way, keeping a
// window on top, the remembered geometry of resizable windows and the
// history list of a combo box.

#include <QString>
#include <functional>

class QCloseEvent;
class QObject;
class QComboBox;
class QWidget;

// True when a shown top-level window has exactly this caption.
bool IsFormOpen(const QString &caption);
// Lets the event loop run until no shown window has this caption.
void WaitFormClosed(const QString &caption);
// Lets the event loop run until this window is hidden or destroyed (another
// window of the same caption does not count).
void WaitWindowClosed(QWidget *window);
// For a window that deletes itself on close, called from its accepted close
// event: while a modal dialog or a wait runs in a nested event loop (their
// dialogs may be its children and live on the stack below), the deletion
// waits until every nested loop has returned.
void DeleteWhenUnwound(QWidget *window);
// For a window that a close deletes (or that holds what long work uses),
// called first in its close event: while long work runs (LongWork,
// core/progress) the close stops it as closing the progress window does, is
// ignored, and is made again once nothing is under way (below: the work's
// own messages are answered first), when the window's own close path (its
// questions included) runs. A window never shown (one the work made and
// used unseen) is closed then too, so it gives back what its opening took
// (the main window's input). True when the close was put off.
bool PutOffCloseWhileWorking(QWidget *window, QCloseEvent *event);
// True while a close of this window waits for the work to end.
bool ClosePutOff(const QWidget *window);
// True while long work runs or a question, dialog or wait is open over the
// main event loop (an application-modal window, a nested event loop): work
// that a timer or a put-off close starts would run inside it.
bool WorkOrQuestionUnderWay();
// Runs `then` from the event loop once nothing is under way (at its next
// pass when nothing is now); nothing when `context` is gone by then.
void WhenNothingUnderWay(QObject *context, std::function<void()> then);
// Keeps the window above the windows that are not kept on top.
void SetTopMost(QWidget *window);
// Moves a window to the centre of the screen's work area, keeping its size
// (at least as wide as its title needs).
void CenterForm(QWidget *window);

// Stores the window's left, top, width and height in twips under
// "窗口参数：" + name ("0;0;0;0" when it is as wide as the screen).
void SaveWindowPos(QWidget *window, const QString &name);
// Applies the stored geometry (see PlanWindowPos).
void LoadWindowPos(QWidget *window, const QString &name);

// Replaces the combo's list by the history of that control, keeping the
// text in its edit field.
void FillHistoryCombo(QComboBox *combo, qint64 controlId);
