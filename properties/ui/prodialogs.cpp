#include "properties/ui/prodialogs.h"

#include "platform/dialogs.h"
#include "platform/fontmap.h"
#include "platform/numtext.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace props {

using fmtgrid::ControlRow;

namespace {

const QString &PromptTip()
{
    static const QString tip = QStringLiteral("输入框的提示标签内容。");
    return tip;
}

// The prompt frame of check and picture boxes: the text, the side options
// and the preview, whose label follows the text.
QWidget *PromptFrame(QWidget *parent, QLineEdit *text, QWidget *sides)
{
    auto *box = new QGroupBox(QStringLiteral("标签内容/位置"), parent);
    auto *form = new QFormLayout(box);
    form->addRow(QStringLiteral("内容："), text);
    form->addRow(sides);
    return box;
}

} // namespace

// ---------------------------------------------------------------------- ProChk

ProChk::ProChk(PropertyHost &host, QWidget *parent)
    : PropertyDialog(host, 1, parent)
{
    setObjectName(QStringLiteral("ProChk"));
    setWindowTitle(QStringLiteral("修改可选框属性"));
    m_tt[0] = MakeField(QStringLiteral("TT0"), PromptTip(), this);
    m_tt[1] = MakeField(QStringLiteral("TT1"), QStringLiteral("输入框的横向位置。"), this);
    m_tt[2] = MakeField(QStringLiteral("TT2"), QStringLiteral("输入框的纵向位置。"), this);
    for (int i = 0; i < 3; ++i)
        WatchText(m_tt[size_t(i)], i);
    QWidget *prompt = PromptFrame(this, m_tt[0], MakeSideOptions(FieldSide));
    connect(m_tt[0], &QLineEdit::textChanged, this,
            [this](const QString &t) { m_preview->SetCaption(t); });
    QWidget *pos = MakeFieldBox(QStringLiteral("内容框位置/大小(毫米)"),
                                {QStringLiteral("横向坐标："), QStringLiteral("纵向坐标：")},
                                {m_tt[1], m_tt[2]});
    QWidget *font = MakeFontBox(QStringLiteral("输入框"), m_sample, m_font, QStringLiteral("COM2"));
    auto *v = new QVBoxLayout(this);
    v->addWidget(prompt);
    v->addWidget(pos);
    v->addWidget(font);
    v->addWidget(MakeButtons(QStringLiteral("确  定"), QStringLiteral("取  消")));
}

void ProChk::LoadRow(const ControlRow &row, qint32)
{
    if (row.side >= 0 && row.side <= 3)
        SideOption(row.side)->setChecked(true);
    // x and y: the text fields' left and top.
    LoadTextFields({m_tt[0], m_tt[1], m_tt[2]}, row);
    m_preview->SetCaption(row.prompt);
    m_preview->PlaceOn(row.side);
    m_sample->SetFromRow(row);
}

RowEdits ProChk::Edits()
{
    RowEdits e = TextFieldEdits({m_tt[0], m_tt[1], m_tt[2]}, m_sample, 0);
    if (Marked(FieldSide))
        e.side = CheckedSide();
    return e;
}

// ---------------------------------------------------------------------- ProPic

ProPic::ProPic(PropertyHost &host, QWidget *parent)
    : PropertyDialog(host, 2, parent)
{
    setObjectName(QStringLiteral("ProPic"));
    setWindowTitle(QStringLiteral("添加/修改图像框"));
    m_tt[0] = MakeField(QStringLiteral("TT0"), PromptTip(), this);
    for (int i = 1; i < 5; ++i)
        m_tt[size_t(i)] = MakeField(QStringLiteral("TT%1").arg(i), QString(), this);
    for (int i = 0; i < 5; ++i)
        WatchText(m_tt[size_t(i)], i);
    QWidget *prompt = PromptFrame(this, m_tt[0], MakeSideOptions(FieldSide));
    connect(m_tt[0], &QLineEdit::textChanged, this,
            [this](const QString &t) { m_preview->SetCaption(t); });
    QWidget *pos = MakeFieldBox(QStringLiteral("内容框位置/大小(毫米)"),
                                {QStringLiteral("横向坐标："), QStringLiteral("纵向坐标："),
                                 QStringLiteral("宽："), QStringLiteral("高：")},
                                {m_tt[1], m_tt[2], m_tt[3], m_tt[4]});
    QWidget *font = MakeFontBox(QStringLiteral("输入框"), m_sample, m_font, QStringLiteral("Com2"));
    auto *v = new QVBoxLayout(this);
    v->addWidget(pos);
    v->addWidget(prompt);
    v->addWidget(font);
    v->addWidget(MakeButtons(QStringLiteral("确  定"), QStringLiteral("取  消")));
}

void ProPic::LoadRow(const ControlRow &row, qint32)
{
    if (row.side >= 0 && row.side <= 3)
        SideOption(row.side)->setChecked(true);
    LoadTextFields({m_tt.begin(), m_tt.end()}, row);
    m_preview->SetCaption(row.prompt);
    m_preview->PlaceOn(row.side);
    m_sample->SetFromRow(row);
}

RowEdits ProPic::Edits()
{
    RowEdits e = TextFieldEdits({m_tt.begin(), m_tt.end()}, m_sample, 0);
    if (Marked(FieldSide))
        e.side = CheckedSide();
    return e;
}

void ProPic::Saved(const std::vector<AffectedControl> &written)
{
    // A bar code is drawn again at the box's new size and font.
    for (const AffectedControl &c : written)
        m_host.SetControlValue(c.index, m_host.ControlValue(c.index));
}

// ---------------------------------------------------------------------- ProLBL

ProLBL::ProLBL(PropertyHost &host, QWidget *parent)
    : PropertyDialog(host, 4, parent)
{
    setObjectName(QStringLiteral("ProLBL"));
    setWindowTitle(QStringLiteral("标签属性修改"));
    for (int i = 0; i < 7; ++i) {
        m_tt[size_t(i)] = MakeField(QStringLiteral("TT%1").arg(i), QString(), this);
        WatchText(m_tt[size_t(i)], i);
    }
    auto *text = new QFormLayout;
    text->addRow(QStringLiteral("内容："), m_tt[0]);
    QWidget *font
        = MakeFontBox(QStringLiteral("字体/字号/示例"), m_sample, m_font, QStringLiteral("Com0"));
    QWidget *pos = MakeFieldBox(QStringLiteral("内容框位置/大小(毫米)"),
                                {QStringLiteral("横向坐标："), QStringLiteral("纵向坐标："),
                                 QStringLiteral("宽："), QStringLiteral("高：")},
                                {m_tt[1], m_tt[2], m_tt[3], m_tt[4]});
    auto *layoutBox = new QGroupBox(QStringLiteral("排版方式"), this);
    auto *lf = new QFormLayout(layoutBox);
    lf->addRow(MakeAlignOptions(layoutBox, m_opa, [this](int i) {
        m_alignment = i;
        m_sample->SetSampleAlignment(i);
        Mark(FieldAlign);
    }));
    lf->addRow(QStringLiteral("字间距："), m_tt[5]);
    lf->addRow(QStringLiteral("行间距："), m_tt[6]);
    auto *v = new QVBoxLayout(this);
    v->addLayout(text);
    v->addWidget(font);
    v->addWidget(pos);
    v->addWidget(layoutBox);
    v->addWidget(MakeButtons(QStringLiteral("确  定"), QStringLiteral("取  消")));
}

void ProLBL::LoadRow(const ControlRow &row, qint32)
{
    LoadTextFields({m_tt.begin(), m_tt.end()}, row);
    const qint32 a = row.Alignment();
    m_alignment = a >= 0 && a <= 2 ? a : 0;
    m_sample->SetSampleAlignment(m_alignment);
    if (a >= 0 && a <= 2)
        m_opa[size_t(a)]->setChecked(true);
    m_sample->SetFromRow(row);
}

RowEdits ProLBL::Edits()
{
    return TextFieldEdits({m_tt.begin(), m_tt.end()}, m_sample, m_alignment);
}

// ------------------------------------------------------------------ SampleLine

SampleLine::SampleLine(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Line2"));
    setMinimumSize(160, 40);
    setAutoFillBackground(true);
}

void SampleLine::SetWidth(qint32 w)
{
    m_width = w;
    update();
}

void SampleLine::SetStyle(qint32 style)
{
    m_style = style;
    update();
}

void SampleLine::SetColor(qint32 color)
{
    m_color = color;
    update();
}

void SampleLine::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    // A line's style counts from 1 (solid); the pen styles count from 0.
    const int w = qMax(1, m_width);
    QPen pen(num::ColorFromBgr(m_color), w, fontmap::LinePenStyle(m_style, w));
    p.setPen(pen);
    p.drawLine(10, height() / 2, width() - 10, height() / 2);
}

// --------------------------------------------------------------------- ProLine

ProLine::ProLine(PropertyHost &host, QWidget *parent)
    : PropertyDialog(host, 3, parent)
{
    setObjectName(QStringLiteral("ProLine"));
    setWindowTitle(QStringLiteral("线条属性修改"));
    for (int i = 0; i < 5; ++i) {
        m_tt[size_t(i)] = MakeField(QStringLiteral("TT%1").arg(i), QString(), this);
        WatchText(m_tt[size_t(i)], i);
    }
    m_line = new SampleLine(this);
    connect(m_tt[0], &QLineEdit::textChanged, this,
            [this](const QString &t) { m_line->SetWidth(num::ToLong(num::Val(t))); });
    m_cmb = new QComboBox(this);
    m_cmb->setObjectName(QStringLiteral("CMB"));
    m_cmb->addItems({QStringLiteral("1 - 实线"), QStringLiteral("2 - 虚线"),
                     QStringLiteral("3 - 点画线"), QStringLiteral("4 - 点虚线"),
                     QStringLiteral("5 - 点点虚线")});
    connect(m_cmb, &QComboBox::activated, this, [this] {
        m_line->SetStyle(num::ToLong(num::Val(m_cmb->currentText())));
        Mark(FieldStyle);
    });
    m_color = new QPushButton(QStringLiteral("颜色设置"), this);
    m_color->setObjectName(QStringLiteral("Com0"));
    connect(m_color, &QPushButton::clicked, this, [this] {
        QColor c = num::ColorFromBgr(m_line->Color());
        // A cancelled colour dialog keeps the colour and changes nothing.
        if (!dialogs().ChooseColor(c))
            return;
        m_line->SetColor(num::BgrFromColor(c));
        Mark(FieldColor);
    });

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("起点X："), m_tt[1]);
    form->addRow(QStringLiteral("起点Y："), m_tt[2]);
    form->addRow(QStringLiteral("终点X："), m_tt[3]);
    form->addRow(QStringLiteral("终点Y："), m_tt[4]);
    form->addRow(QStringLiteral("粗细："), m_tt[0]);
    form->addRow(QStringLiteral("线型："), m_cmb);
    form->addRow(QStringLiteral("样式示例："), m_line);
    form->addRow(m_color);
    auto *v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(MakeButtons(QStringLiteral("确  定"), QStringLiteral("取  消")));
}

void ProLine::LoadRow(const ControlRow &row, qint32)
{
    m_line->SetColor(row.color);
    m_tt[0]->setText(num::Str(row.font.size));
    m_tt[1]->setText(num::Str(row.x));
    m_tt[2]->setText(num::Str(row.y));
    m_tt[3]->setText(num::Str(row.w));
    m_tt[4]->setText(num::Str(row.h));
    // A style without an item leaves the list's text as it was.
    for (int i = 0; i < m_cmb->count(); ++i)
        if (num::ToLong(num::Val(m_cmb->itemText(i))) == row.cash) {
            m_cmb->setCurrentIndex(i);
            break;
        }
    m_line->SetStyle(num::ToLong(num::Val(m_cmb->currentText())));
}

RowEdits ProLine::Edits()
{
    RowEdits e;
    if (Marked(0))
        e.fontSize = num::Val(m_tt[0]->text());
    std::optional<double> *const pts[4] = {&e.x, &e.y, &e.w, &e.h};
    for (int k = 1; k <= 4; ++k)
        if (Marked(k))
            *pts[k - 1] = num::Val(m_tt[size_t(k)]->text());
    if (Marked(FieldStyle))
        e.cash = num::ToLong(num::Val(m_cmb->currentText()));
    if (Marked(FieldColor))
        e.color = m_line->Color();
    return e;
}

} // namespace props
