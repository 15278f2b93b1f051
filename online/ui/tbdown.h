#pragma once
// TBDown ("淘宝交易下载"): the marketplace's seller pages in an embedded
// browser above TradeGrid. The user logs in and opens the sold orders; the
// buttons extract the shown page or every page (through "下一页"), clear the
// grid, delete chosen rows or closed trades, export the grid and open the
// trade mapping. Closing hides the window, so the grid keeps its rows for
// the mapping window and the next opening. When the browser cannot start
// (the root user) or its page process dies, a message stands in its place
// and the rest of the window goes on working.

#include "platform/gridmodel.h"

#include <QWidget>
#include <functional>

class GridView;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QWebEngineView;
class WebDom;

inline constexpr const char *kSplitterKey = "淘宝下载_分割线";
inline constexpr const char *kMergeKey = "淘宝导入_自动合并";
// The lines to write stand as the program itself writes them.
inline constexpr const char *kNoMarketplaceHost
    = "没有设置淘宝网址，无法打开登录页面。请在数据文件夹的 settings.ini "
      "末尾加上以下几行（等号后换成实际的网址）：\n"
      "[PQT_V]\n"
      "Para\\TaobaoLoginHost=login.example.com\n"
      "Para\\TaobaoSellerHost=seller.example.com\n"
      "Para\\TaobaoTradeHost=trade.example.com";

class TBDown : public QWidget
{
    Q_OBJECT
public:
    explicit TBDown(QWidget *parent = nullptr);
    ~TBDown() override;

    GridModel TradeGrid; // MSF's grid
    GridView *MSF = nullptr;
    QWebEngineView *WB = nullptr; // none when the browser cannot start
    // Says in the browser's place why it cannot start or has stopped.
    QLabel *BrowserMessage = nullptr;
    QFrame *SL = nullptr;
    QPushButton *Com[7] = {};
    QCheckBox *Chk = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *TShop = nullptr;

    WebDom *Dom() const { return m_dom; }
    // The splitter's top in twips.
    qint32 SplitterTop() const { return m_slTop; }
    // What button 1 ("打印快递单") opens; installed by the main window.
    void SetMappingOpener(std::function<void()> opener) { m_openMapping = std::move(opener); }

public Q_SLOTS:
    void Com_Click(int index);
    void GetShoper();
    void Chk_Click();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void layoutControls();
    void showBrowserMessage(const QString &text);
    void extractAll();
    void removeClosedTrades();

    WebDom *m_dom = nullptr;
    std::function<void()> m_openMapping;
    qint32 m_slTop = 3600;
    qint32 m_dragY = 0;
    bool m_loaded = false;
};
