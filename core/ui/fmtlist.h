#pragma once
// FmtList ("选择/管理格式模板"): the stored formats with a preview of each
// format's background picture, and the buttons choose, leave, download more,
// import, delete and export. It answers through DialogResult: the chosen
// name, the open format's name after "退 出", "" otherwise.

#include "core/formathost.h"
#include "platform/gridmodel.h"
#include "platform/hookslot.h"

#include <QWidget>
#include <functional>
#include <memory>

class GridView;
class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;

// "下载更多…" shows the catalogue of formats on the maker's server; the
// main window installs it until the handle goes.
HookHandle InstallFmtListDownloadHook(std::function<void()> hook);
// "删 除" deletes a format through the designer's delete operation, which asks
// and refuses the open format; true when deleted. The main window installs
// it until the handle goes; without a hook nothing is deleted.
HookHandle InstallFmtListDeleteHook(std::function<bool(const QString &)> hook);

class FmtList : public QWidget
{
    Q_OBJECT
public:
    // The list works for the host's window: its open format is ticked and
    // answered by "退 出", an import may open a format in it.
    explicit FmtList(FormatHost &host, QWidget *parent = nullptr);

    // This window's own answer ("" until one is chosen); it outlives the
    // window, so the one who waits reads it after the window is gone.
    std::shared_ptr<const QString> Answer() const { return m_answer; }

    GridModel Grid; // the list shown by MSF
    GridView *MSF = nullptr;
    QFrame *Frm = nullptr;
    QLabel *Img = nullptr;
    QScrollBar *VS = nullptr;
    QLabel *LBL = nullptr;
    QPushButton *Com[6] = {};

public Q_SLOTS:
    void Com_Click(int index);
    void MSF_RowColChange();
    void VS_Change(int value);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void layoutControls();
    void finish(const QString &answer);
    FormatHost &m_host;
    std::shared_ptr<QString> m_answer = std::make_shared<QString>();
    bool m_loaded = false;
    bool m_answered = false;
    QLabel *m_listCaption = nullptr;
    QLabel *m_previewCaption = nullptr;
};

// The layout of a list window with a preview (the format list and the
// catalogue): the caption and grid on the left, gridWidth pixels wide, the
// preview frame with its scroll bar filling the rest, the no-picture label
// over the frame, and the buttons in a row below.
struct ListPreviewParts
{
    QLabel *listCaption = nullptr;
    QWidget *grid = nullptr;
    QLabel *previewCaption = nullptr;
    QFrame *frame = nullptr;
    QScrollBar *scroll = nullptr;
    QLabel *noPicture = nullptr;
};
void LayoutListPreview(QWidget *window, const ListPreviewParts &parts, int gridWidth,
                       QPushButton *const *buttons, int buttonCount);

// Shows the picture in the image, scaled to the image's width with its
// proportions kept, inside the frame, and sets up the scroll bar when the
// image is higher than the frame. picture is a file path, or else a format
// name (its background picture). True when a picture was loaded.
bool LoadFmtPicture(QLabel *image, const QString &picture, QWidget *frame, QScrollBar *scroll);

// Shows the format list for the host's window (not modal), waits until it
// closes and returns its answer (also left in DialogResult).
QString ChooseFromFmtList(FormatHost &host);
