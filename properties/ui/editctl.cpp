#include "properties/ui/editctl.h"

#include "platform/dialogs.h"
#include "platform/numtext.h"
#include "properties/ctlaccessors.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace props {

using fmtgrid::ControlRow;

namespace {

// Swallows the keys of a list that may only be picked from (Tab still moves on).
class PickOnly : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
            const int k = static_cast<QKeyEvent *>(e)->key();
            return k != Qt::Key_Tab && k != Qt::Key_Backtab;
        }
        return QObject::eventFilter(o, e);
    }
};

void FillList(QComboBox *list, const BoxList &boxes)
{
    list->clear();
    list->addItems(boxes.items);
    list->setCurrentIndex(boxes.shown);
}

qint64 LeadingWhole(const QString &text)
{
    return num::RoundToInt64(num::Val(text));
}

} // namespace

EditCtl::EditCtl(PropertyHost &host, QWidget *parent)
    : PropertyDialog(host, 0, parent)
{
    setObjectName(QStringLiteral("EditCtl"));
    setWindowTitle(QStringLiteral("添加/修改控件"));

    static const char16_t *const tips[7]
        = {u"输入框的提示标签内容。", u"输入框的横向位置。", u"输入框的纵向位置。",
           u"输入框的横向宽度。",     u"输入框的纵向高度。", u"输入框打印时的字间距。",
           u"输入框打印时的行间距。"};
    for (int i = 0; i < 7; ++i) {
        m_tt[size_t(i)]
            = MakeField(QStringLiteral("TT%1").arg(i), QString::fromUtf16(tips[i]), this);
        WatchText(m_tt[size_t(i)], i);
    }
    connect(m_tt[0], &QLineEdit::textChanged, this,
            [this](const QString &t) { m_preview->SetCaption(t); });

    // 标签内容/位置
    auto *labelBox = new QGroupBox(QStringLiteral("标签内容/位置"), this);
    auto *lv = new QFormLayout(labelBox);
    lv->addRow(QStringLiteral("内容："), m_tt[0]);
    lv->addRow(MakeSideOptions(FSide));

    QWidget *posBox = MakeFieldBox(QStringLiteral("内容框位置/大小(毫米)"),
                                   {QStringLiteral("横向坐标："), QStringLiteral("纵向坐标："),
                                    QStringLiteral("宽："), QStringLiteral("高：")},
                                   {m_tt[1], m_tt[2], m_tt[3], m_tt[4]});

    QWidget *fontBox
        = MakeFontBox(QStringLiteral("输入框"), m_sample, m_font, QStringLiteral("Com2"));

    // 排版方式
    auto *layoutBox = new QGroupBox(QStringLiteral("排版方式"), this);
    auto *av = new QFormLayout(layoutBox);
    av->addRow(MakeAlignOptions(layoutBox, m_opa, [this](int i) {
        m_alignment = i;
        m_sample->SetSampleAlignment(i);
        Mark(FAlign);
    }));
    av->addRow(QStringLiteral("字间距："), m_tt[5]);
    av->addRow(QStringLiteral("行间距："), m_tt[6]);

    // 内容类别
    auto *typeBox = new QGroupBox(QStringLiteral("内容类别"), this);
    auto *tv = new QFormLayout(typeBox);
    m_cmb = new QComboBox(typeBox);
    m_cmb->setObjectName(QStringLiteral("CMB"));
    m_cmb->setToolTip(QStringLiteral("选择输入框的数据类型。"));
    m_cmb->addItems(DataTypeItems());
    m_cmb->installEventFilter(new PickOnly(m_cmb));
    connect(m_cmb, &QComboBox::activated, this, &EditCtl::PickDataType);
    m_lcode = new QLabel(QStringLiteral("数据类型代码："), typeBox);
    m_lcode->setObjectName(QStringLiteral("LCode"));
    m_cashNum = MakeField(
        QStringLiteral("CashNum"),
        QStringLiteral("小写金额或数字数据类型分散打印时，总共的格数（例邮编为6）。"), typeBox);
    m_cashNum->setText(QStringLiteral("11"));
    WatchText(m_cashNum, FCashNum);
    connect(m_cashNum, &QLineEdit::editingFinished, this, &EditCtl::CheckCellCount);
    m_custom = new QPushButton(QStringLiteral("自定义"), typeBox);
    m_custom->setObjectName(QStringLiteral("Com3"));
    m_custom->setEnabled(false);
    connect(m_custom, &QPushButton::clicked, this, &EditCtl::EditCustomFormat);
    tv->addRow(m_cmb);
    auto *codeRow = new QHBoxLayout;
    codeRow->addWidget(m_cashNum);
    codeRow->addWidget(m_custom);
    tv->addRow(m_lcode, codeRow);

    // 相关联输入框
    auto *relBox = new QGroupBox(QStringLiteral("相关联输入框"), this);
    auto *rv = new QVBoxLayout(relBox);
    m_rctl = new QComboBox(relBox);
    m_rctl->setObjectName(QStringLiteral("RCtl"));
    m_rctl->setToolTip(
        QStringLiteral("本输入框与其他输入框的内容关联（此功能使用户减少重复输入）。"));
    m_rctl->installEventFilter(new PickOnly(m_rctl));
    connect(m_rctl, &QComboBox::activated, this, [this] { Mark(FRelated); });
    rv->addWidget(m_rctl);

    // 累加/乘至输入框, the second target in a frame of its own
    auto *sumBox = new QGroupBox(QStringLiteral("累加/乘至输入框"), this);
    auto *sv = new QVBoxLayout(sumBox);
    const auto sumRow = [this](QWidget *parent, QComboBox *&list, const char *name, int first,
                               int field) {
        list = new QComboBox(parent);
        list->setObjectName(QString::fromLatin1(name));
        list->setEditable(true);
        list->setToolTip(QStringLiteral("本输入框内容（数值）累加至其他输入框，实现自动累计。"));
        connect(list, &QComboBox::activated, this, [this, field] { Mark(field); });
        auto *h = new QHBoxLayout;
        h->addWidget(list, 1);
        auto *group = new QButtonGroup(this);
        for (int k = 0; k < 2; ++k) {
            const int i = first + k;
            m_op1[size_t(i)] = new QRadioButton(
                k == 0 ? QStringLiteral("累加") : QStringLiteral("累乘"), parent);
            m_op1[size_t(i)]->setObjectName(QStringLiteral("Op1%1").arg(i));
            group->addButton(m_op1[size_t(i)]);
            h->addWidget(m_op1[size_t(i)]);
            connect(m_op1[size_t(i)], &QRadioButton::clicked, this, [this, field] { Mark(field); });
        }
        return h;
    };
    sv->addLayout(sumRow(sumBox, m_csum, "CSUM", 0, FSum));
    auto *sum1Box = new QGroupBox(sumBox);
    sum1Box->setLayout(sumRow(sum1Box, m_csum1, "CSUM1", 2, FSum1));
    sv->addWidget(sum1Box);

    auto *grid = new QGridLayout;
    grid->addWidget(labelBox, 0, 0);
    grid->addWidget(posBox, 0, 1);
    grid->addWidget(fontBox, 1, 0);
    grid->addWidget(layoutBox, 1, 1);
    grid->addWidget(typeBox, 2, 0);
    grid->addWidget(relBox, 2, 1);
    grid->addWidget(sumBox, 3, 0, 1, 2);
    auto *v = new QVBoxLayout(this);
    v->addLayout(grid);
    v->addWidget(MakeButtons(QStringLiteral("确  定"), QStringLiteral("取  消")));

    // Form_Load
    LoadUserFormat();
}

void EditCtl::SetAlignOp()
{
    const bool on = AlignmentEnabled(m_cmb->currentText());
    for (QRadioButton *o : m_opa)
        o->setEnabled(on);
}

void EditCtl::LoadUserFormat()
{
    const QStringList items = ItemsWithUserFormats(DataTypeItems());
    const int current = m_cmb->currentIndex();
    for (int i = 0; i < items.size() && i < m_cmb->count(); ++i)
        m_cmb->setItemText(i, items[i]);
    m_cmb->setCurrentIndex(current);
}

void EditCtl::ShowDataType(qint32 code)
{
    const DataTypeView v = ShowDataTypeInfo(code);
    m_lcode->setText(v.codeCaption);
    m_cashNum->setText(v.cashNum);
    m_cashNum->setEnabled(v.cashNumEnabled);
    m_tt[5]->setEnabled(v.spacingsEnabled);
    m_tt[6]->setEnabled(v.spacingsEnabled);
    // Codes without an item (120 to 200, 300 on) leave the list as it was.
    if (const int item = FindItemByCode(DataTypeItems(), v.listCode); item >= 0)
        m_cmb->setCurrentIndex(item);
    Unmark(FCashNum);
    Unmark(FDataType);
}

void EditCtl::PickDataType(int item)
{
    if (item < 0)
        return;
    ShowDataType(ItemCode(m_cmb->itemText(item)));
    Mark(FDataType);
    SetAlignOp();
    m_custom->setEnabled(m_cmb->currentText().contains(QStringLiteral("自定义")));
}

void EditCtl::EditCustomFormat()
{
    const qint32 code = num::ToLong(num::Val(m_cmb->currentText()));
    const std::optional<QString> answer
        = dialogs().Input(QStringLiteral("请输入自定义数据格式信息(类型编号")
                              + num::Str(qint64(code)) + QStringLiteral(")："),
                          QString(), ReadCustomDateFormat(code));
    if (!answer || answer->isEmpty())
        return;
    SaveCustomDateFormat(code, *answer);
    const QString text = WithUserFormat(m_cmb->currentText(), *answer);
    const QString head = text.left(text.indexOf(u'：'));
    for (int i = 0; i < m_cmb->count(); ++i)
        if (m_cmb->itemText(i).startsWith(head))
            m_cmb->setItemText(i, text);
}

void EditCtl::CheckCellCount()
{
    if (!m_cashNum->isEnabled())
        return;
    const QString checked = CheckedCellCount(m_cashNum->text());
    if (checked != m_cashNum->text())
        m_cashNum->setText(checked);
}

void EditCtl::LoadRow(const ControlRow &row, qint32 gridRow)
{
    m_sample->SetFromRow(row);
    LoadTextFields({m_tt.begin(), m_tt.end()}, row);
    const qint32 a = row.Alignment();
    m_alignment = a >= 0 && a <= 2 ? a : 0;
    m_sample->SetSampleAlignment(m_alignment);
    if (a >= 0 && a <= 2)
        m_opa[size_t(a)]->setChecked(true);
    if (row.side >= 0 && row.side <= 3)
        SideOption(row.side)->setChecked(true);
    m_preview->SetCaption(row.prompt);
    m_preview->PlaceOn(row.side);
    ShowDataType(row.cash);
    const fmtgrid::SumTarget s = fmtgrid::DecodeSumRef(row.sumId);
    const fmtgrid::SumTarget s1 = fmtgrid::DecodeSumRef(row.sumId1);
    const GridModel &g = m_host.FormatGrid();
    FillList(m_rctl, RelatedBoxList(g, gridRow, row.rctl));
    FillList(m_csum, RelatedBoxList(g, gridRow, s.id));
    FillList(m_csum1, RelatedBoxList(g, gridRow, s1.id));
    m_op1[s.multiply ? 1 : 0]->setChecked(true);
    m_op1[s1.multiply ? 3 : 2]->setChecked(true);
    SetAlignOp();
}

RowEdits EditCtl::Edits()
{
    // The cell count is checked here too, as OK may come without leaving it.
    CheckCellCount();
    RowEdits e = TextFieldEdits({m_tt.begin(), m_tt.end()}, m_sample, m_alignment);
    if (Marked(FSide))
        e.side = CheckedSide();
    if (Marked(FSum))
        e.sumId
            = fmtgrid::EncodeSumRef(LeadingWhole(m_csum->currentText()), !m_op1[0]->isChecked());
    if (Marked(FSum1))
        e.sumId1
            = fmtgrid::EncodeSumRef(LeadingWhole(m_csum1->currentText()), !m_op1[2]->isChecked());
    if (Marked(FDataType) || Marked(FCashNum))
        e.cash = StoredDataTypeCode(m_cashNum->text(), m_cmb->currentText());
    if (Marked(FRelated))
        e.rctl = LeadingWhole(m_rctl->currentText());
    return e;
}

void EditCtl::closeEvent(QCloseEvent *event)
{
    // Form_Unload: the box's shown value follows its (new) data type.
    const qint32 row = CtlRow();
    const qint32 count = RowStillValid() ? m_host.ControlCount(0) : 0;
    for (qint32 n = 1; n <= count; ++n)
        if (m_host.ControlRow(n) == row) {
            m_host.InputBoxLeft(n);
            break;
        }
    PropertyDialog::closeEvent(event);
}

} // namespace props
