#include "records/ui/importwindows.h"

#include "core/globals.h"
#include "core/progress.h"
#include "core/ui/windowhelpers.h"
#include "platform/dialogs.h"
#include "platform/screenscale.h"
#include "platform/ui/gridview.h"
#include "records/xlsreader.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace imp {

namespace {

// Grid row and column of a clicked index of a view over the grid.
std::pair<qint32, qint32> GridCell(const GridModel &grid, const QModelIndex &index)
{
    return {grid.fixedRows() + index.row(), grid.fixedCols() + index.column()};
}

} // namespace

// ---- Sheets ----

SheetsWindow::SheetsWindow(ImportHost host, int mode)
    : m_host(std::move(host))
    , m_single(mode == 1)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(kSheetsCaption));
    // The main window takes no input while the sheet is chosen.
    setWindowModality(Qt::ApplicationModal);
    m_grid.setCols(3);
    m_grid.setRows(1);
    m_grid.setFixedRows(1);
    m_grid.setFixedCols(1);
    m_grid.setColWidth(0, 500);
    m_grid.setColWidth(1, 600);
    m_grid.setColWidth(2, 4400);
    m_grid.setText(0, 0, QStringLiteral("No."));
    m_grid.setText(0, 1, QStringLiteral("选择"));
    m_grid.setText(0, 2, QStringLiteral("工作表名称"));

    auto *lay = new QVBoxLayout(this);
    m_shl = new GridView(this);
    m_shl->setObjectName(QStringLiteral("SHL"));
    m_shl->setGrid(&m_grid);
    lay->addWidget(m_shl);
    auto *buttons = new QHBoxLayout;
    const QString texts[2] = {QStringLiteral("确定"), QStringLiteral("取消")};
    for (int i = 0; i < 2; ++i) {
        m_img[size_t(i)] = new QPushButton(texts[i], this);
        m_img[size_t(i)]->setObjectName(QStringLiteral("Img%1").arg(i));
        connect(m_img[size_t(i)], &QPushButton::clicked, this, [this, i] { Img_Click(i); });
        buttons->addWidget(m_img[size_t(i)]);
    }
    lay->addLayout(buttons);
    connect(m_shl, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &index) { SHL_Click(GridCell(m_grid, index).first); });
    resize(screen::ToPx(6200), screen::ToPx(4000));

    int rc = ExcelCannotOpen;
    if (m_host.choice) {
        // The read lets the event loop run while this window is in use.
        const LongWork work;
        rc = m_sheets.Load(m_host.choice->path);
    }
    if (rc != ExcelOk) {
        // A helper that cannot run says so, and so does a stopped read.
        const QString message = rc == ExcelReaderMissing || rc == ExcelCancelled
            ? ExcelErrorMessage(rc)
            : QStringLiteral("无法打开XLS文件！");
        if (!message.isEmpty())
            dialogs().Message(message);
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
    for (qint32 i = 0; i < m_sheets.Names().size(); ++i)
        m_grid.addRow({QString::number(i + 1), QString(), m_sheets.Names().at(i)});
    ShowTicks();
    CenterForm(this);
}

SheetsWindow::~SheetsWindow() = default;

void SheetsWindow::ShowTicks()
{
    for (qint32 i = 0; i < m_sheets.Names().size(); ++i)
        m_grid.setText(i + 1, 1, m_sheets.Ticked(i) ? QStringLiteral("√") : QString());
}

void SheetsWindow::SHL_Click(qint32 r)
{
    if (r < 1)
        return;
    m_sheets.Click(r - 1, m_single);
    ShowTicks();
}

void SheetsWindow::Img_Click(int index)
{
    if (m_host.choice) {
        m_host.choice->sheet.clear();
        if (index == 0)
            m_host.choice->sheet = m_sheets.Chosen();
    }
    close();
}

// ---- InputMap ----

InputMapWindow::InputMapWindow(ImportHost host, std::optional<QDeadlineTimer> deadline)
    : m_host(std::move(host))
    , m_mapping(*m_host.page, *m_host.choice)
    , m_deadline(deadline)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(kInputMapCaption));
    // The main window takes no input while the maps are set, and the
    // automatic import waits until the window is closed.
    setWindowModality(Qt::ApplicationModal);

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(new QLabel(QStringLiteral("请按内容填入相应的对应列号："), this));
    m_m1 = new GridView(this);
    m_m1->setObjectName(QStringLiteral("M1"));
    m_m1->setToolTip(QStringLiteral("请填入各输入框对应表格所在的列号。"));
    lay->addWidget(m_m1, 2);
    lay->addWidget(new QLabel(QStringLiteral("您将要导入的EXCEL表格样式："), this));
    m_m0 = new GridView(this);
    m_m0->setObjectName(QStringLiteral("M0"));
    m_m0->setToolTip(QStringLiteral("要导入表格的部分内容示例。"));
    lay->addWidget(m_m0, 3);

    auto *rows = new QHBoxLayout;
    const QString tips[3]
        = {QStringLiteral("数据导入的开始行号。"), QStringLiteral("数据导入的截止行号。"),
           QStringLiteral("数据导入的开始行号。")};
    const QString labels[3]
        = {QStringLiteral("导入行数设置："), QStringLiteral("行至第"), QStringLiteral("间隔")};
    for (int i = 0; i < 3; ++i) {
        rows->addWidget(new QLabel(labels[i], this));
        m_t[size_t(i)] = new QLineEdit(this);
        m_t[size_t(i)]->setObjectName(QStringLiteral("T%1").arg(i));
        m_t[size_t(i)]->setToolTip(tips[i]);
        rows->addWidget(m_t[size_t(i)]);
    }
    rows->addStretch();
    const QString coms[2] = {QStringLiteral("导入"), QStringLiteral("关闭")};
    for (int i = 0; i < 2; ++i) {
        m_com[size_t(i)] = new QPushButton(coms[i], this);
        m_com[size_t(i)]->setObjectName(QStringLiteral("Com%1").arg(i));
        connect(m_com[size_t(i)], &QPushButton::clicked, this, [this, i] { COM_Click(i); });
        rows->addWidget(m_com[size_t(i)]);
    }
    lay->addLayout(rows);
    m_help = new QLabel(this);
    m_help->setObjectName(QStringLiteral("LBL2"));
    m_help->setWordWrap(true);
    lay->addWidget(m_help);

    m_tt = new QLineEdit(this);
    m_tt->setObjectName(QStringLiteral("TT"));
    m_tt->hide();
    m_tt->installEventFilter(this);
    connect(m_tt, &QLineEdit::textEdited, this,
            [this](const QString &t) { m_mapping.BoxMaps().setText(MapClickRow, MapClickCol, t); });
    connect(m_m1, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        const auto [r, c] = GridCell(m_mapping.BoxMaps(), index);
        M1_Click(r, c);
    });
    connect(m_m1->verticalScrollBar(), &QScrollBar::valueChanged, m_tt, &QWidget::hide);
    connect(m_m1->horizontalScrollBar(), &QScrollBar::valueChanged, m_tt, &QWidget::hide);
    resize(screen::ToPx(11000), screen::ToPx(8000));
    CenterForm(this);

    const QString message = m_mapping.Load(ReadDeadline());
    m_m0->setGrid(&m_mapping.Preview());
    m_m1->setGrid(&m_mapping.BoxMaps());
    for (int i = 0; i < 3; ++i) {
        m_t[size_t(i)]->setText(m_mapping.rows[size_t(i)]);
        connect(m_t[size_t(i)], &QLineEdit::textChanged, this,
                [this, i](const QString &t) { m_mapping.rows[size_t(i)] = t; });
    }
    m_help->setText(ImportHelpText(LineBreakMarker));
    if (!message.isEmpty())
        dialogs().Message(message);
}

InputMapWindow::~InputMapWindow() = default;

QDeadlineTimer InputMapWindow::ReadDeadline() const
{
    return m_deadline.value_or(QDeadlineTimer(kXlsTimeLimitMs));
}

void InputMapWindow::M1_Click(qint32 row, qint32 col)
{
    const GridModel &g = m_mapping.BoxMaps();
    if (row < g.fixedRows() || row >= g.rows() || col != 4) {
        m_tt->hide();
        return;
    }
    const QModelIndex index = m_m1->model()->index(row - g.fixedRows(), col - g.fixedCols());
    const QRect cell = m_m1->visualRect(index);
    const QPoint topLeft = m_m1->viewport()->mapTo(this, cell.topLeft());
    m_tt->setGeometry(QRect(topLeft, QSize(cell.width() + 1, cell.height())));
    MapClickRow = row;
    MapClickCol = col;
    m_tt->setText(g.text(row, col));
    m_tt->show();
    m_tt->raise();
    m_tt->setFocus();
}

bool InputMapWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tt && event->type() == QEvent::FocusOut)
        m_tt->hide();
    return QWidget::eventFilter(watched, event);
}

bool InputMapWindow::COM_Click(int index)
{
    if (index == 0) {
        const ImportMapping::RunResult r
            = m_mapping.RunImport(*m_host.dataGrid, LineBreakMarker, ReadDeadline());
        if (!r.message.isEmpty())
            dialogs().Message(r.message);
        if (r.stayOpen)
            return true;
        if (r.imported && m_host.afterImport)
            m_host.afterImport();
    }
    close();
    return false;
}

void InputMapWindow::closeEvent(QCloseEvent *event)
{
    // The import fills the grid from this window's maps to its end.
    if (PutOffCloseWhileWorking(this, event))
        return;
    // The maps are saved at every closing, also when nothing was imported.
    if (!m_saved) {
        m_saved = true;
        m_mapping.Save();
    }
    QWidget::closeEvent(event);
}

// ---- flows ----

void SelectImportFile(int mode, ImportHost &host)
{
    host.choice->path.clear();
    host.choice->sheet.clear();
    const QString path = ShowOpenDialog(QString());
    host.choice->path = path;
    if (path.isEmpty() || host.choice->IsCsv())
        return;
    auto *w = new SheetsWindow(host, mode);
    w->show();
    WaitWindowClosed(w);
}

InputMapWindow *ShowImportMapping(ImportHost &host)
{
    if (!host.choice->Ready())
        return nullptr;
    const bool csv = host.choice->IsCsv();
    auto *w = new InputMapWindow(host);
    // A file its preview refused (and said why) is offered no import.
    if (csv && host.choice->path.isEmpty()) {
        delete w;
        return nullptr;
    }
    w->show();
    return w;
}

void AutoImport(StartupRecord &record, ImportHost &host, int timeLimitMs)
{
    if (!AcceptAutoImport(record, *host.choice))
        return;
    // The main window may go while a read or the sheet choice lets the
    // event loop run; nothing of the host is touched then.
    const QPointer<QWidget> alive(host.mainWindow);
    std::optional<QDeadlineTimer> deadline;
    if (record.AutoRun) {
        // Rows the import would refuse are refused before the file is read.
        if (const QString refusal = RefuseRowRange(record.FirstRow, record.LastRow);
            !refusal.isEmpty()) {
            dialogs().Message(refusal);
            return;
        }
        // Every read of the import shares one time limit.
        deadline = QDeadlineTimer(timeLimitMs);
    }
    if (!host.choice->IsCsv()) {
        if (record.AutoRun) {
            SheetList sheets;
            int rc = ExcelCannotOpen;
            {
                // The main window takes no input and its close waits meanwhile.
                const LongWork work;
                rc = sheets.Load(host.choice->path, *deadline);
            }
            if (!alive)
                return;
            // A workbook without a sheet to read cannot be opened; no sheet
            // name was typed that could be wrong.
            if (rc == ExcelOk && sheets.Names().isEmpty())
                rc = ExcelCannotOpen;
            if (rc != ExcelOk) {
                if (const QString message = ExcelErrorMessage(rc); !message.isEmpty())
                    dialogs().Message(message);
                return;
            }
            host.choice->sheet = sheets.Names().first();
        } else {
            auto *s = new SheetsWindow(host, 1);
            s->show();
            WaitWindowClosed(s);
            if (!alive || host.choice->sheet.isEmpty())
                return;
        }
    }
    auto *w = new InputMapWindow(host, deadline);
    if (!alive) {
        delete w;
        return;
    }
    w->T(0)->setText(QString::number(record.FirstRow));
    w->T(1)->setText(QString::number(record.LastRow));
    if (record.AutoRun) {
        // A workbook the preview could not read (its message shown) is not
        // read again for the import. Rows or an interval the import refuses leave the
        // window open: it is shown, so the user can set them again.
        const QPointer<InputMapWindow> open(w);
        if (w->COM_Click(w->Mapping().PreviewError() == ExcelOk ? 0 : 1) && open) {
            open->show();
            open->raise();
        }
    } else {
        w->show();
        w->raise();
    }
}

} // namespace imp
