#pragma once
// The print engine's windows: the printer chooser SelPrinter ("选择"), the
// batch range PrintPages ("批量打印起止页设置"), the bar-code standard
// StrCodeStand ("条码编码标准设置"), the margins window Margin ("输入打印页
// 边距") and the calibration wizard ValWizard ("常见打印偏差校正向导") with its
// deviation step ValValue ("输入偏离距离"). The choosers are shown not modal
// and waited for until that very window is gone; each keeps its own answer
// (also left in DialogResult), so two choosers never take each other's
// answer and a window closed under the wait leaves nothing behind.

#include "printing/printengine.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class FormatHost;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class SelPrinter : public QWidget
{
    Q_OBJECT
public:
    explicit SelPrinter(QWidget *parent = nullptr);
    // The mode the opener sets; "选择打印机" lists and chooses printers.
    QString Mode;
    QComboBox *COMB = nullptr;
    QPushButton *Com[2] = {}; // 0 confirms, 1 cancels
    void Com_Click(int index);
    // This window's own answer ("" until confirmed); it outlives the window.
    std::shared_ptr<const QString> Answer() const { return m_answer; }

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void Form_Activate();
    bool m_loaded = false;
    std::shared_ptr<QString> m_answer = std::make_shared<QString>();
};

// The chooser's mode for choosing a printer.
QString ChoosePrinterMode();
// Shows SelPrinter, waits and opens what was chosen: the printer, or a PDF
// file asked for with the save dialog; nullptr when cancelled, the printer
// cannot be reached or the PDF file cannot be written (the message shown). The format's name proposes the
// file's name. When the owner (the window that asked) is destroyed during
// the wait, nothing is opened.
std::unique_ptr<Printer> ChoosePrinter(const QString &formatName,
                                       const QPointer<QWidget> &owner = {});

class PrintPages : public QWidget
{
    Q_OBJECT
public:
    PrintPages(qint32 value, qint32 max, QWidget *parent = nullptr);
    QLineEdit *T[2] = {};
    QPushButton *Com[2] = {};
    void Com_Click(int index);
    // This window's own answer ("" until confirmed); it outlives the window.
    std::shared_ptr<const QString> Answer() const { return m_answer; }

private:
    std::shared_ptr<QString> m_answer = std::make_shared<QString>();
};
// Shows PrintPages and waits: "start:end" as typed, "" when cancelled or
// the owner was destroyed during the wait.
QString AskBatchRange(qint32 value, qint32 max, const QPointer<QWidget> &owner = {});

// The questions of printing asked through these windows.
class WindowPrintUi : public print::PrintUi
{
public:
    WindowPrintUi(QString formatName, QWidget *owner)
        : m_formatName(std::move(formatName))
        , m_owner(owner)
    { }
    std::unique_ptr<Printer> ChoosePrinter() override
    {
        return ::ChoosePrinter(m_formatName, m_owner);
    }
    QString AskBatchRange(qint32 value, qint32 max) override
    {
        return ::AskBatchRange(value, max, m_owner);
    }

private:
    QString m_formatName;
    QPointer<QWidget> m_owner;
};

class StrCodeStand : public QWidget
{
    Q_OBJECT
public:
    // redraw runs after the choice is stored (every bar code drawn again).
    explicit StrCodeStand(std::function<void()> redraw, QWidget *parent = nullptr);
    QRadioButton *Op[2] = {};
    QPushButton *Command1 = nullptr;
    void Command1_Click();

private:
    std::function<void()> m_redraw;
};

class Margin : public QWidget
{
    Q_OBJECT
public:
    Margin(FormatHost &host, QWidget *parent = nullptr);
    QLineEdit *TX = nullptr, *TY = nullptr;
    QPushButton *Comm[2] = {};
    void Comm_Click(int index);

private:
    FormatHost &m_host;
};

// The calibration command: the printer chooser, the calibration page when a
// printer was chosen, then the margins window in any case.
void PrintCalibration(FormatHost &host, QWidget *parent);

class ValWizard : public QWidget
{
    Q_OBJECT
public:
    // openHelp opens help page n of the maker's server.
    ValWizard(FormatHost &host, std::function<void(int)> openHelp, QWidget *parent = nullptr);
    QRadioButton *Op[4] = {};
    QLabel *Img[4] = {};
    QPushButton *Com = nullptr;
    void Op_Click(int index);
    void Com_Click();

private:
    FormatHost &m_host;
    std::function<void(int)> m_openHelp;
};

class ValValue : public QWidget
{
    Q_OBJECT
public:
    ValValue(FormatHost &host, std::function<void(int)> openHelp, QWidget *parent = nullptr);
    QRadioButton *Op[4] = {};
    QLineEdit *T[4] = {};
    QLabel *Lab[4] = {};
    QPushButton *Com[2] = {};
    void Op_Click();
    void Com_Click(int index);

private:
    FormatHost &m_host;
    std::function<void(int)> m_openHelp;
};
