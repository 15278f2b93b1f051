#pragma once
// FmtDown ("可供下载的格式模板"): the formats published on the maker's
// server, kept in table 网站格式, with a preview of each format's picture;
// "重新下载" reloads the catalogue, "导入格式" downloads the chosen format
// with its picture into Temp and imports it.

#include "platform/gridmodel.h"

#include <QWidget>

class FormatHost;
class GridView;
class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;

inline constexpr const char *kNoMakerHost
    = "没有设置格式服务器网址（设置 Para 中的 ServerHost），无法下载格式列表。";

class FmtDown : public QWidget
{
    Q_OBJECT
public:
    // The host opens an imported format; it must outlive the window (make
    // its owner the parent).
    explicit FmtDown(FormatHost &host, QWidget *parent = nullptr);

    GridModel Grid; // MSF's grid
    GridView *MSF = nullptr;
    QFrame *Frm = nullptr;
    QLabel *Img = nullptr;
    QScrollBar *VS = nullptr;
    QLabel *LBL = nullptr;
    QPushButton *Com[2] = {};

public Q_SLOTS:
    void Com_Click(int index);
    // Reloads the catalogue from the server; the old one stays on failure.
    void DownWebFmt();
    void DownInputFmt();
    void MSF_RowColChange();
    void VS_Change(int value);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void layoutControls();
    void loadList();
    FormatHost &m_host;
    bool m_loaded = false;
    QLabel *m_listCaption = nullptr;
    QLabel *m_previewCaption = nullptr;
};

// Shows the one catalogue window of the owner (a child window of it, so it
// ends with it), creating it on first use.
void ShowFmtDown(QWidget *owner, FormatHost &host);
