#pragma once
// TBInputMap ("导入数据映射"): maps the downloaded trades onto the open
// format. The sample grid M0 is a cleaned copy of TradeGrid; the map grid M1
// lists the format's input, check and picture boxes with the trade columns
// that fill each (only that column is edited, through the in-cell editor
// TT). Import fills DataGrid with the chosen sample rows. The window is modal:
// the main window takes no input while it is open; closing it stores the map.

#include "platform/gridmodel.h"

#include <QPointer>
#include <QWidget>

class GridView;
class PageControls;
class QLabel;
class QLineEdit;
class QPushButton;

// What the trade mapping needs of the main window; the main window
// implements it.
class TradeMapHost
{
public:
    virtual ~TradeMapHost() = default;
    virtual PageControls &Page() = 0;
    // DataGrid, replaced by each import.
    virtual GridModel &RecordsGrid() = 0;
    // After an import: bind the record scroll bar and show DataGrid.
    virtual void RecordsFilled() = 0;
};

class TBInputMap : public QWidget
{
    Q_OBJECT
public:
    // host must outlive the window, or be a QObject whose end closes it.
    TBInputMap(const GridModel &trades, bool merge, TradeMapHost &host, QWidget *parent = nullptr);
    ~TBInputMap() override;

    GridModel Sample; // M0's grid
    GridModel Map; // M1's grid
    GridView *M0 = nullptr;
    GridView *M1 = nullptr;
    QLineEdit *T[2] = {};
    QLineEdit *TT = nullptr;
    QPushButton *Com[4] = {};
    QLabel *LBL[3] = {};

public Q_SLOTS:
    void COM_Click(int index);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void mapClicked(qint32 row, qint32 col);
    void layoutControls();
    void unload();

    TradeMapHost &m_host;
    QString m_formatName;
    bool m_unloaded = false;
};
