#pragma once
// FmtDown ("可供下载的格式模板"): the formats published on the maker's
// server, kept in table 网站格式, with a preview of each format's picture;
// "重新下载" reloads the catalogue, "导入格式" downloads the chosen format
// with its picture into Temp and imports it.

#include "core/ui/listpreview.h"

class FormatHost;
class QPushButton;

// The lines to write stand as the program itself writes them.
inline constexpr const char *kNoMakerHost
    = "没有设置格式服务器网址，无法下载格式列表。请在数据文件夹的 settings.ini "
      "末尾加上以下两行（等号后换成实际的网址）：\n"
      "[PQT_V]\n"
      "Para\\ServerHost=formats.example.com";

class FmtDown : public ListPreviewWindow
{
    Q_OBJECT
public:
    // The host opens an imported format; it must outlive the window (make
    // its owner the parent).
    explicit FmtDown(FormatHost &host, QWidget *parent = nullptr);

    QPushButton *Com[2] = {};

public Q_SLOTS:
    void Com_Click(int index) override;
    // Reloads the catalogue from the server; the old one stays on failure.
    void DownWebFmt();
    void DownInputFmt();
    void MSF_RowColChange() override;

protected:
    void Form_Load() override;

private:
    void loadList();
    FormatHost &m_host;
};

// Shows the one catalogue window of the owner (a child window of it, so it
// ends with it), creating it on first use. Without a catalogue server it
// says where to set one and opens nothing.
void ShowFmtDown(QWidget *owner, FormatHost &host);
