#pragma once
// ListPreviewWindow: the window of a list with a picture preview, shared by
// the format list and the catalogue of the maker's server. It holds the
// grid on the left under its caption, the preview frame with its scroll bar
// on the right, the no-picture label over the frame and a row of buttons
// below; it lays them out at every resize, reloads a shown picture for the
// new size, loads itself on first showing and stores its geometry when it
// closes. The subclass fills the list, answers the buttons and shows the
// current row's picture.
//
// Also the helpers behind it: the layout, and loading a picture scaled to
// the frame's width.

#include "platform/gridmodel.h"

#include <QStringList>
#include <QWidget>
#include <vector>

class GridView;
class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;

class ListPreviewWindow : public QWidget
{
    Q_OBJECT
public:
    struct Look
    {
        QString title; // the window's caption
        QString listCaption; // over the grid
        QString noPicture; // the label shown when there is no picture
        QString windowName; // the key its geometry is stored under
        int gridWidth = 330; // pixels
        QStringList buttons; // captions, left to right
    };
    ListPreviewWindow(const Look &look, QWidget *parent);

    GridModel Grid; // the list shown by MSF
    GridView *MSF = nullptr;
    QFrame *Frm = nullptr;
    QLabel *Img = nullptr;
    QScrollBar *VS = nullptr;
    QLabel *LBL = nullptr;

public Q_SLOTS:
    virtual void Com_Click(int index) = 0;
    // The current row changed: tick it and show its picture.
    virtual void MSF_RowColChange() = 0;
    void VS_Change(int value);

protected:
    // Runs once, at the first showing, after the geometry is restored, the
    // window centred and its parts laid out.
    virtual void Form_Load() = 0;
    QPushButton *Button(int index) const { return m_buttons.at(size_t(index)); }
    // Shows picture (as LoadFmtPicture) with the label over the frame when it
    // is not shown: the look's no-picture text, or why the file that is
    // there cannot be read. The label says it as long as the row is current,
    // not in a message box at every change of row.
    void ShowFmtPicture(const QString &picture);

    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void layoutControls();
    QString m_windowName;
    QString m_noPicture;
    int m_gridWidth;
    QLabel *m_listCaption = nullptr;
    QLabel *m_previewCaption = nullptr;
    std::vector<QPushButton *> m_buttons;
    bool m_loaded = false;
};

// What LoadFmtPicture did: shown, or not; fault says why a picture file
// that is there was not shown (empty when there was none).
struct FmtPictureShown
{
    bool shown = false;
    QString fault;
};

// Shows the picture in the image, scaled to the image's width with its
// proportions kept, inside the frame, and sets up the scroll bar when the
// image is higher than the frame. picture is a file path, or else a format
// name (its background picture). The file is read as the page and the
// printer read it (platform/picturefile), so the list shows it the same way
// up.
FmtPictureShown LoadFmtPicture(QLabel *image, const QString &picture, QWidget *frame,
                               QScrollBar *scroll);
