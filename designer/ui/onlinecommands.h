#pragma once
// The main window's online commands: "淘宝下载" (tool button 3) shows the
// one trade download window, whose "打印快递单" opens the trade mapping over
// this window's page and DataGrid; "下载格式" (tool button 37, the format
// menu's DownFmt and the format list's "下载更多…") shows the catalogue.

namespace dsg {

class MainWindow;

// Tool buttons 3 and 37; false for any other index.
bool RunOnlineCommand(MainWindow &window, int index);

} // namespace dsg
