#include "online/ui/tbinputmap.h"

#include "core/globals.h"
#include "core/gridhelpers.h"
#include "core/ui/windowhelpers.h"
#include "online/trademap.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"
#include "platform/ui/gridview.h"
#include "properties/pagecontrols.h"
#include "records/gridexport.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {

const char *const kHelp
    = "列号填写方法：        "
      "来自单列数据，直接填入列号（如：A）；来自多列数据，用逗号隔开（如：D,F）；"
      "需要插入固定字符,在将插入内容用引号引起来（如A,\"地址：\",E)；需插入换行符，可用“//”代表换行"
      "（如：D,“//”,F）；空着表示不导入。";

} // namespace

TBInputMap::TBInputMap(const GridModel &trades, bool merge, TradeMapHost &host, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_host(host)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("导入数据映射"));
    M0 = new GridView(this);
    M0->setObjectName(QStringLiteral("M0"));
    M0->setGrid(&Sample);
    M1 = new GridView(this);
    M1->setObjectName(QStringLiteral("M1"));
    M1->setGrid(&Map);
    LBL[0] = new QLabel(QStringLiteral("导入行数设置：第"), this);
    LBL[1] = new QLabel(QStringLiteral("行至第"), this);
    LBL[2] = new QLabel(this);
    LBL[2]->setWordWrap(true);
    for (int i = 0; i < 2; ++i) {
        T[i] = new QLineEdit(this);
        T[i]->setObjectName(QStringLiteral("T%1").arg(i));
    }
    auto *rowLabel = new QLabel(QStringLiteral("行"), this);
    rowLabel->setObjectName(QStringLiteral("LRow"));
    const char *captions[4] = {"导 入", "关 闭", "删 除", "导 出"};
    for (int i = 0; i < 4; ++i) {
        Com[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        Com[i]->setObjectName(QStringLiteral("Com%1").arg(i));
        connect(Com[i], &QPushButton::clicked, this, [this, i] { COM_Click(i); });
    }
    TT = new QLineEdit(M1->viewport());
    TT->setObjectName(QStringLiteral("TT"));
    TT->hide();
    connect(TT, &QLineEdit::textChanged, this,
            [this](const QString &text) { Map.setText(MapClickRow, MapClickCol, text); });
    connect(TT, &QLineEdit::editingFinished, TT, &QWidget::hide);
    connect(M1, &GridView::rowColChange, this, &TBInputMap::mapClicked);
    connect(M1, &QAbstractItemView::clicked, this, [this](const QModelIndex &i) {
        mapClicked(Map.fixedRows() + i.row(), Map.fixedCols() + i.column());
    });
    connect(M1->verticalScrollBar(), &QScrollBar::valueChanged, TT, &QWidget::hide);
    connect(M0, &GridView::mouseDown, this, [this](int button, int, double x, double y) {
        if (button == 1)
            SortGridByColumn(GridFont(), Sample, x, y);
    });

    // Opening. The main window takes no input while the maps are set.
    setWindowModality(Qt::ApplicationModal);
    m_formatName = m_host.Page().FormatName();
    tmap::FillSampleGrid(trades, Sample, merge);
    tmap::ListFormatBoxes(Map, m_host.Page());
    tmap::LoadTBMap(Map, m_formatName);
    T[0]->setText(QStringLiteral("1"));
    T[1]->setText(num::Str(qint64(Sample.dataRows())));
    QString help = QString::fromUtf8(kHelp);
    help.replace(QStringLiteral("//"), LineBreakMarker);
    LBL[2]->setText(help);
    resize(900, 640);
}

TBInputMap::~TBInputMap()
{
    unload();
}

void TBInputMap::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    tmap::SaveTBMap(Map, m_formatName);
}

void TBInputMap::closeEvent(QCloseEvent *event)
{
    if (PutOffCloseWhileWorking(this, event))
        return;
    unload();
    QWidget::closeEvent(event);
}

void TBInputMap::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void TBInputMap::layoutControls()
{
    const int w = width(), h = height();
    const int half = std::max(200, (h - 150) / 2);
    M0->setGeometry(8, 8, w - 16, half);
    const int mapTop = 16 + half;
    const int mapWidth = std::max(200, w * 3 / 5);
    M1->setGeometry(8, mapTop, mapWidth, h - mapTop - 50);
    LBL[2]->setGeometry(mapWidth + 16, mapTop, w - mapWidth - 24, h - mapTop - 50);
    const int y = h - 40;
    LBL[0]->setGeometry(8, y, 110, 28);
    T[0]->setGeometry(120, y, 50, 28);
    LBL[1]->setGeometry(174, y, 50, 28);
    T[1]->setGeometry(226, y, 50, 28);
    if (auto *l = findChild<QLabel *>(QStringLiteral("LRow")))
        l->setGeometry(280, y, 20, 28);
    for (int i = 0; i < 4; ++i)
        Com[i]->setGeometry(w - (4 - i) * 92, y, 84, 28);
}

void TBInputMap::mapClicked(qint32 row, qint32 col)
{
    if (row < Map.fixedRows() || col != tmap::MapText) {
        TT->hide();
        return;
    }
    const QRect cell = M1->visualRect(M1->model()->index(row - Map.fixedRows(), col));
    MapClickRow = row;
    MapClickCol = col;
    TT->setGeometry(cell.adjusted(0, 0, 1, 0));
    TT->setText(Map.text(row, col));
    TT->show();
    TT->setFocus();
}

void TBInputMap::COM_Click(int index)
{
    switch (index) {
    case 0: {
        const auto range
            = tmap::ImportRange(Sample, num::ToLong(T[0]->text()), num::ToLong(T[1]->text()));
        if (range) {
            tmap::InputMSF(m_host.RecordsGrid(), Sample, range->first, range->last,
                           tmap::ReadColumnMap(Map, m_host.Page()), m_host.Page(), LineBreakMarker);
            m_host.RecordsFilled();
        }
        close();
        break;
    }
    case 1:
        close();
        break;
    case 2: {
        qint32 first = Sample.row(), last = Sample.rowSel();
        DeleteGridRows(Sample, first, last, false);
        T[1]->setText(num::Str(qint64(Sample.dataRows())));
        break;
    }
    case 3:
        imp::ExportGrid(Sample, QString::fromUtf8(tmap::kExportTitle));
        break;
    default:
        break;
    }
}
