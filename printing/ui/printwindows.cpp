#include "printing/ui/printwindows.h"

#include "core/formathost.h"
#include "core/globals.h"
#include "core/helpers.h"
#include "core/settings.h"
#include "core/ui/windowhelpers.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"
#include "printing/calibration.h"
#include "printing/printerchoice.h"
#include "printing/ui/qtprinter.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr Qt::WindowFlags kWindowFlags
    = Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

void OkCancelButtons(QWidget *w, QPushButton *(&buttons)[2], QBoxLayout *layout)
{
    const QStyle::StandardPixmap icons[2]
        = {QStyle::SP_DialogOkButton, QStyle::SP_DialogCancelButton};
    for (int i = 0; i < 2; ++i) {
        buttons[i] = new QPushButton(w);
        buttons[i]->setIcon(w->style()->standardIcon(icons[i]));
        buttons[i]->setToolTip(i == 0 ? QStringLiteral("确定") : QStringLiteral("取消"));
        layout->addWidget(buttons[i]);
    }
}

void SetTextColor(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::ButtonText, c);
    w->setPalette(p);
}

} // namespace

// ---------------------------------------------------------------------------

QString ChoosePrinterMode()
{
    return QStringLiteral("选择打印机");
}

SelPrinter::SelPrinter(QWidget *parent)
    : QWidget(parent, kWindowFlags)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("选择"));
    COMB = new QComboBox(this);
    COMB->setObjectName(QStringLiteral("COMB"));
    COMB->setToolTip(QStringLiteral("要选择的打印机名称。"));
    COMB->setMinimumWidth(260);
    COMB->installEventFilter(this);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(COMB, 1);
    OkCancelButtons(this, Com, layout);
    for (int i = 0; i < 2; ++i)
        connect(Com[i], &QPushButton::clicked, this, [this, i] { Com_Click(i); });
}

void SelPrinter::Form_Load()
{
    DialogResult.clear();
    SetTopMost(this);
    CenterForm(this);
}

void SelPrinter::Form_Activate()
{
    if (Mode != ChoosePrinterMode())
        return;
    const PrinterList list
        = BuildPrinterList(InstalledPrinterNames(), CurrentPrinterName(), RememberedPrinter());
    COMB->clear();
    COMB->addItems(list.names);
    COMB->setCurrentText(list.selected);
}

bool SelPrinter::event(QEvent *e)
{
    if (e->type() == QEvent::Show && !m_loaded) {
        m_loaded = true;
        Form_Load();
        Form_Activate();
    } else if (e->type() == QEvent::WindowActivate) {
        Form_Activate();
    }
    return QWidget::event(e);
}

bool SelPrinter::eventFilter(QObject *watched, QEvent *e)
{
    // Every key is discarded: a printer can only be picked from the list.
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease
        || e->type() == QEvent::ShortcutOverride || e->type() == QEvent::InputMethod)
        return true;
    return QWidget::eventFilter(watched, e);
}

void SelPrinter::Com_Click(int index)
{
    if (index == 0) {
        const QString name = COMB->currentText();
        DialogResult = name;
        if (Mode == ChoosePrinterMode()) {
            if (InstalledPrinterNames().contains(name)) {
                RememberPrinter(name);
                SetCurrentPrinterName(name);
            }
        }
        // A system printer that cannot be reached ends the choice.
        if (name.isEmpty() || (name != PdfPrinterName() && !QtPrinter(name).IsValid())) {
            dialogs().Message(NoPrinterMessage());
            DialogResult.clear();
        }
        *m_answer = DialogResult;
    }
    close();
}

std::unique_ptr<Printer> ChoosePrinter(const QString &formatName, const QPointer<QWidget> &owner)
{
    const bool owned = !owner.isNull();
    auto *w = new SelPrinter;
    w->Mode = ChoosePrinterMode();
    const auto answer = w->Answer();
    w->show();
    WaitWindowClosed(w);
    const QString name = *answer;
    DialogResult = name;
    if (name.isEmpty() || (owned && owner.isNull()))
        return nullptr;
    if (name == PdfPrinterName()) {
        const QString base = formatName.isEmpty() ? QStringLiteral("快递单") : formatName;
        const QString path = dialogs().SaveFile(QStringLiteral("PDF文件(*.pdf)|*.pdf"),
                                                base + QStringLiteral(".pdf"));
        if (path.isEmpty() || !ConfirmReplaceFile(path))
            return nullptr;
        auto pdf = std::make_unique<PdfPrinter>(path);
        if (!pdf->Writing()) {
            dialogs().Message(PdfFileUnwritableMessage(path));
            return nullptr;
        }
        return pdf;
    }
    auto printer = std::make_unique<QtPrinter>(name);
    if (!printer->IsValid()) {
        dialogs().Message(NoPrinterMessage());
        return nullptr;
    }
    return printer;
}

// ---------------------------------------------------------------------------

PrintPages::PrintPages(qint32 value, qint32 max, QWidget *parent)
    : QWidget(parent, kWindowFlags)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("批量打印起止页设置"));
    auto *v = new QVBoxLayout(this);
    auto *line = new QHBoxLayout;
    const QString labels[3]
        = {QStringLiteral("批量打印从第"), QStringLiteral("页至第"), QStringLiteral("页")};
    for (int i = 0; i < 3; ++i) {
        auto *l = new QLabel(labels[i], this);
        l->setObjectName(QStringLiteral("Label1_%1").arg(i));
        line->addWidget(l);
        if (i < 2) {
            T[i] = new QLineEdit(this);
            T[i]->setObjectName(QStringLiteral("T%1").arg(i));
            T[i]->setMaximumWidth(80);
            line->addWidget(T[i]);
        }
    }
    v->addLayout(line);
    auto *buttons = new QHBoxLayout;
    const QString captions[2] = {QStringLiteral("确  定"), QStringLiteral("取  消")};
    for (int i = 0; i < 2; ++i) {
        Com[i] = new QPushButton(captions[i], this);
        buttons->addWidget(Com[i]);
        connect(Com[i], &QPushButton::clicked, this, [this, i] { Com_Click(i); });
    }
    v->addLayout(buttons);
    T[0]->setText(num::Str(qint64(value)));
    T[1]->setText(num::Str(qint64(max)));
    DialogResult.clear();
}

void PrintPages::Com_Click(int index)
{
    DialogResult = index == 0 ? T[0]->text() + QStringLiteral(":") + T[1]->text() : QString();
    *m_answer = DialogResult;
    close();
}

QString AskBatchRange(qint32 value, qint32 max, const QPointer<QWidget> &owner)
{
    const bool owned = !owner.isNull();
    auto *w = new PrintPages(value, max);
    CenterForm(w);
    const auto answer = w->Answer();
    w->show();
    WaitWindowClosed(w);
    DialogResult = *answer;
    return owned && owner.isNull() ? QString() : *answer;
}

// ---------------------------------------------------------------------------

StrCodeStand::StrCodeStand(std::function<void()> redraw, QWidget *parent)
    : QWidget(parent, kWindowFlags)
    , m_redraw(std::move(redraw))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("条码编码标准设置"));
    auto *v = new QVBoxLayout(this);
    Op[0] = new QRadioButton(QStringLiteral(" 39码"), this);
    Op[1] = new QRadioButton(QStringLiteral(" EAN-13码"), this);
    v->addWidget(Op[0]);
    v->addWidget(Op[1]);
    Command1 = new QPushButton(QStringLiteral("确     定"), this);
    v->addWidget(Command1);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    Op[0]->setChecked(true);
    const QString stored = ReadParam(QStringLiteral("StrBarCodeStand"));
    const qint32 n = num::ToLong(stored);
    if (n == 1)
        Op[1]->setChecked(true);
}

void StrCodeStand::Command1_Click()
{
    SaveParam(QStringLiteral("StrBarCodeStand"),
              Op[1]->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    if (m_redraw)
        m_redraw();
    close();
}

// ---------------------------------------------------------------------------

Margin::Margin(FormatHost &host, QWidget *parent)
    : QWidget(parent, kWindowFlags)
    , m_host(host)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("输入打印页边距"));
    auto *g = new QGridLayout(this);
    const QFont song(QStringLiteral("宋体"));
    TX = new QLineEdit(this);
    TX->setToolTip(QStringLiteral("横向打印页边距。"));
    TY = new QLineEdit(this);
    TY->setToolTip(QStringLiteral("纵向打印页边距。"));
    TX->setFont(song);
    TY->setFont(song);
    g->addWidget(new QLabel(QStringLiteral("横向(毫米)："), this), 0, 0);
    g->addWidget(TX, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("纵向(毫米)："), this), 1, 0);
    g->addWidget(TY, 1, 1);
    auto *buttons = new QHBoxLayout;
    OkCancelButtons(this, Comm, buttons);
    g->addLayout(buttons, 2, 0, 1, 2);
    for (int i = 0; i < 2; ++i)
        connect(Comm[i], &QPushButton::clicked, this, [this, i] { Comm_Click(i); });
    SetTopMost(this);
    TX->setText(host.OffsetXText());
    TY->setText(host.OffsetYText());
    CenterForm(this);
}

void Margin::Comm_Click(int index)
{
    if (index == 0)
        ApplyMargins(m_host, TX->text(), TY->text());
    close();
}

void PrintCalibration(FormatHost &host, QWidget *parent)
{
    const QPointer<QWidget> owner(parent);
    if (std::unique_ptr<Printer> printer = ChoosePrinter(host.CurrentFormatName(), owner))
        PrintCalibrationFigure(*printer);
    // The window that asked (and the host it shows) may be gone by now.
    if (parent && owner.isNull())
        return;
    (new Margin(host, parent))->show();
}

// ---------------------------------------------------------------------------

namespace {

// The wizard's illustration of a deviation kind: the waybill's boxes and the
// print (red) where it lands.
QPixmap DeviationPicture(int kind)
{
    QPixmap pm(120, 80);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setPen(QPen(Qt::gray, 1));
    for (int i = 0; i < 3; ++i)
        p.drawRect(10, 10 + i * 22, 100, 16);
    p.setPen(QPen(Qt::red, 2));
    switch (kind) {
    case 0: // everything shifted
        for (int i = 0; i < 3; ++i)
            p.drawLine(22, 24 + i * 22, 70, 24 + i * 22);
        break;
    case 1: // some boxes shifted
        p.drawLine(16, 22, 64, 22);
        p.drawLine(26, 50, 74, 50);
        p.drawLine(16, 66, 64, 66);
        break;
    case 2: // amount cells spaced wrongly
        for (int i = 0; i < 6; ++i)
            p.drawText(14 + i * 12, 66, QString::number(i));
        break;
    default: // the rightmost cells missing
        for (int i = 0; i < 6; ++i)
            p.drawText(40 + i * 12, 66, QString::number(i));
        break;
    }
    return pm;
}

} // namespace

ValWizard::ValWizard(FormatHost &host, std::function<void(int)> openHelp, QWidget *parent)
    : QWidget(parent, kWindowFlags)
    , m_host(host)
    , m_openHelp(std::move(openHelp))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("常见打印偏差校正向导"));
    auto *v = new QVBoxLayout(this);
    auto *frame = new QGroupBox(QStringLiteral("请选择偏差类型："), this);
    auto *g = new QGridLayout(frame);
    const QString captions[4]
        = {QStringLiteral("所有内容都偏离位置"), QStringLiteral("部分内容都偏离位置"),
           QStringLiteral("小写金额间隔不对"), QStringLiteral("最右侧角或分打印不出来")};
    for (int i = 0; i < 4; ++i) {
        Op[i] = new QRadioButton(captions[i], frame);
        Img[i] = new QLabel(frame);
        Img[i]->setPixmap(DeviationPicture(i));
        g->addWidget(Op[i], i, 0);
        g->addWidget(Img[i], 0, 1, 4, 1);
        connect(Op[i], &QRadioButton::clicked, this, [this, i] { Op_Click(i); });
    }
    v->addWidget(frame);
    Com = new QPushButton(QStringLiteral("下 一 步"), this);
    v->addWidget(Com);
    connect(Com, &QPushButton::clicked, this, [this] { Com_Click(); });
    CenterForm(this);
    Op[0]->setChecked(true);
    Op_Click(0);
}

void ValWizard::Op_Click(int index)
{
    for (int i = 0; i < 4; ++i) {
        SetTextColor(Op[i], i == index ? QColor(255, 0, 0) : QColor(0, 0, 255));
        Img[i]->setVisible(i == index);
    }
}

void ValWizard::Com_Click()
{
    static const int helpPages[4] = {0, 19, 30, 31};
    for (int i = 0; i < 4; ++i) {
        if (!Op[i]->isChecked())
            continue;
        if (i == 0)
            (new ValValue(m_host, m_openHelp, parentWidget()))->show();
        else if (m_openHelp)
            m_openHelp(helpPages[i]);
    }
    close();
}

ValValue::ValValue(FormatHost &host, std::function<void(int)> openHelp, QWidget *parent)
    : QWidget(parent, kWindowFlags)
    , m_host(host)
    , m_openHelp(std::move(openHelp))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("输入偏离距离"));
    auto *v = new QVBoxLayout(this);
    v->addWidget(new QLabel(QStringLiteral("请量出打印出来单据内容的偏离距离，选择填入："), this));
    const QString frames[2] = {QStringLiteral("左右偏差"), QStringLiteral("上下偏差")};
    const QString captions[4] = {QStringLiteral("内容偏左了"), QStringLiteral("内容偏右了"),
                                 QStringLiteral("内容偏上了"), QStringLiteral("内容偏下了")};
    for (int f = 0; f < 2; ++f) {
        auto *frame = new QGroupBox(frames[f], this);
        auto *g = new QGridLayout(frame);
        for (int k = 0; k < 2; ++k) {
            const int i = f * 2 + k;
            Op[i] = new QRadioButton(captions[i], frame);
            T[i] = new QLineEdit(frame);
            T[i]->setMaximumWidth(80);
            Lab[i] = new QLabel(QStringLiteral("毫米"), frame);
            g->addWidget(Op[i], k, 0);
            g->addWidget(T[i], k, 1);
            g->addWidget(Lab[i], k, 2);
            connect(Op[i], &QRadioButton::toggled, this, [this] { Op_Click(); });
        }
        v->addWidget(frame);
    }
    auto *buttons = new QHBoxLayout;
    const QString labels[2] = {QStringLiteral("完   成"), QStringLiteral("上 一 步")};
    for (int i = 0; i < 2; ++i) {
        Com[i] = new QPushButton(labels[i], this);
        buttons->addWidget(Com[i]);
        connect(Com[i], &QPushButton::clicked, this, [this, i] { Com_Click(i); });
    }
    v->addLayout(buttons);
    CenterForm(this);
    Op[0]->setChecked(true);
    Op[2]->setChecked(true);
    Op_Click();
}

void ValValue::Op_Click()
{
    for (int i = 0; i < 4; ++i) {
        const bool chosen = Op[i]->isChecked();
        T[i]->setEnabled(chosen);
        // 0xFF0000 in the stored colour order is blue.
        const QColor c = chosen ? QColor(0, 0, 255) : QColor(0x88, 0x88, 0x88);
        SetTextColor(Op[i], c);
        SetTextColor(Lab[i], c);
    }
}

void ValValue::Com_Click(int index)
{
    if (index == 1) {
        (new ValWizard(m_host, m_openHelp, parentWidget()))->show();
    } else {
        const bool left = Op[0]->isChecked(), up = Op[2]->isChecked();
        AddDeviations(m_host, left, left ? T[0]->text() : T[1]->text(), up,
                      up ? T[2]->text() : T[3]->text());
        dialogs().Message(QStringLiteral("调整完成，再试打印一下看？"));
    }
    close();
}
