#include "core/ui/selformat.h"

#include "core/exchangefile.h"
#include "core/formatlist.h"
#include "core/globals.h"
#include "core/ui/windowhelpers.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

SelFormat::SelFormat(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(fmtlist::kSelFormatCaption));
    CMB = new QComboBox(this);
    CMB->setEditable(true);
    CMB->setInsertPolicy(QComboBox::NoInsert);
    CMB->setMinimumWidth(260);
    CMB->installEventFilter(this);
    CMB->lineEdit()->installEventFilter(this);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(CMB, 1);
    const QStyle::StandardPixmap icons[2]
        = {QStyle::SP_DialogOkButton, QStyle::SP_DialogCancelButton};
    for (int i = 0; i < 2; ++i) {
        Com[i] = new QPushButton(this);
        Com[i]->setIcon(style()->standardIcon(icons[i]));
        Com[i]->setToolTip(i == 0 ? QStringLiteral("确定") : QStringLiteral("取消"));
        layout->addWidget(Com[i]);
        connect(Com[i], &QPushButton::clicked, this, [this, i] { Com_Click(i); });
    }
}

void SelFormat::Form_Load()
{
    SetTopMost(this);
    DialogResult.clear();
    CMB->clear();
    const QStringList items = SelFormatItems(ListMode, ControlGrid);
    CMB->addItems(items);
    if (ListMode == QLatin1String(fmtlist::kModeFormat))
        CMB->setEditText(OpenFormat);
    else if (ListMode == QLatin1String(fmtlist::kModeCtlClas))
        CMB->setCurrentIndex(0);
    else
        CMB->setEditText(QString());

    // Centred on the screen's work area.
    adjustSize();
    CenterForm(this);
}

void SelFormat::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QWidget::showEvent(event);
}

bool SelFormat::eventFilter(QObject *watched, QEvent *event)
{
    if (!AllowTyping
        && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease
            || event->type() == QEvent::ShortcutOverride || event->type() == QEvent::InputMethod))
        return true; // the key is discarded
    return QWidget::eventFilter(watched, event);
}

void SelFormat::Com_Click(int index)
{
    DialogResult = index == 0 ? SelFormatAnswer(CMB->currentText()) : QString();
    *m_answer = DialogResult;
    close();
}

QString ShowSelFormat(const QString &mode, bool allowTyping, const QString &caption,
                      const GridModel *controlGrid, const QString &openFormat)
{
    auto *w = new SelFormat;
    w->ListMode = mode;
    w->AllowTyping = allowTyping;
    w->ControlGrid = controlGrid;
    w->OpenFormat = openFormat;
    const auto answer = w->Answer();
    w->show();
    if (!caption.isEmpty())
        w->setWindowTitle(caption);
    WaitWindowClosed(w);
    DialogResult = *answer;
    return *answer;
}

QString ChooseFormatName(const FormatHost &host, bool allowTyping)
{
    return ShowSelFormat(QString::fromUtf8(fmtlist::kModeFormat), allowTyping, QString(), nullptr,
                         host.CurrentFormatName());
}

void InstallExportFormatChooser()
{
    SetExportFormatChooser([](const FormatHost &host) { return ChooseFormatName(host, false); });
}
