#include "properties/ui/propertydialog.h"

#include "platform/ui/qtdialogs.h"

#include "platform/dialogs.h"
#include "platform/fontmap.h"
#include "platform/numtext.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace props {

using fmtgrid::ControlRow;

// ------------------------------------------------------------------ SampleBox

SampleBox::SampleBox(QWidget *parent)
    : QLineEdit(QStringLiteral("沃栎禾单匣"), parent)
{
    setObjectName(QStringLiteral("TT7"));
    setToolTip(QStringLiteral("输入框字体/字号/颜色等示例显示。"));
    setMinimumHeight(40);
    SetSampleFont(m_font, 0);
}

void SampleBox::SetFromRow(const ControlRow &row)
{
    FontSpec f = row.font;
    // A row without a size keeps the sample's own, as a font size of 0
    // cannot be shown.
    if (f.size <= 0)
        f.size = m_font.size;
    SetSampleFont(f, row.color);
}

void SampleBox::SetSampleFont(const FontSpec &font, qint32 color)
{
    m_font = font;
    m_color = color;
    setFont(fontmap::ToQFont(font));
    QPalette p = palette();
    p.setColor(QPalette::Text, num::ColorFromBgr(color));
    setPalette(p);
}

void SampleBox::SetSampleAlignment(qint32 a)
{
    setAlignment(a == 1       ? Qt::AlignRight | Qt::AlignVCenter
                     : a == 2 ? Qt::AlignHCenter | Qt::AlignVCenter
                              : Qt::AlignLeft | Qt::AlignVCenter);
}

bool SampleBox::ChooseFont()
{
    FontSpec f = m_font;
    qint32 c = m_color;
    if (!ChooseStoredFont(f, c))
        return false;
    SetSampleFont(f, c);
    return true;
}

// ---------------------------------------------------------------- SidePreview

SidePreview::SidePreview(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Picture1"));
    setToolTip(QStringLiteral("标签位置示例显示。"));
    setFixedSize(220, 110);
    setAutoFillBackground(true);
    m_txt = new QLineEdit(QStringLiteral("示例"), this);
    m_txt->setObjectName(QStringLiteral("TXT"));
    m_txt->setReadOnly(true);
    m_txt->setGeometry(80, 40, 70, 24);
    m_lbl = new QLabel(QStringLiteral("标签"), this);
    m_lbl->setObjectName(QStringLiteral("LBL"));
    PlaceOn(m_side);
}

void SidePreview::SetCaption(const QString &caption)
{
    m_lbl->setText(caption);
    PlaceOn(m_side);
}

void SidePreview::PlaceOn(int side)
{
    if (side < 0 || side > 3)
        return;
    m_side = side;
    m_lbl->adjustSize();
    const QRect t = m_txt->geometry();
    const QSize l = m_lbl->size();
    // The designer's rule for prompt labels, in the preview's pixels.
    switch (side) {
    case 0:
        m_lbl->move(t.left(), t.top() - l.height());
        break;
    case 1:
        m_lbl->move(t.left() - l.width(), t.top() + 3);
        break;
    case 2:
        m_lbl->move(t.right() + 1, t.top() + 3);
        break;
    default:
        m_lbl->move(t.left(), t.bottom() + 1);
        break;
    }
}

// ------------------------------------------------------------- PropertyDialog

QLineEdit *MakeField(const QString &name, const QString &tip, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    if (!tip.isEmpty())
        e->setToolTip(tip);
    return e;
}

PropertyDialog::PropertyDialog(PropertyHost &host, qint32 cls, QWidget *parent)
    : QDialog(parent)
    , m_host(host)
    , m_cls(cls)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    m_ctlRow = new QLineEdit(this);
    m_ctlRow->setObjectName(QStringLiteral("CtlRow"));
    m_ctlRow->hide();
    connect(m_ctlRow, &QLineEdit::textChanged, this, [this] {
        m_loading = true;
        m_generation = m_host.ControlsGeneration();
        const qint32 row = CtlRow();
        if (const std::optional<ControlRow> r = fmtgrid::ReadControlRow(m_host.FormatGrid(), row))
            LoadRow(*r, row);
        m_marks.reset();
        m_loading = false;
    });
}

void PropertyDialog::showEvent(QShowEvent *event)
{
    KeepTitleWhole(this);
    QDialog::showEvent(event);
}

void PropertyDialog::SetCtlRow(const QString &row)
{
    // Writing the same number again reloads the row too.
    if (m_ctlRow->text() == row)
        m_ctlRow->setText(QString());
    m_ctlRow->setText(row);
}

qint32 PropertyDialog::CtlRow() const
{
    return num::ToLong(m_ctlRow->text());
}

void PropertyDialog::Mark(int field)
{
    if (!m_loading)
        m_marks.set(size_t(field));
}

void PropertyDialog::WatchText(QLineEdit *edit, int field)
{
    connect(edit, &QLineEdit::textChanged, this, [this, field] { Mark(field); });
}

QWidget *PropertyDialog::MakeSideOptions(int field)
{
    auto *w = new QWidget(this);
    auto *h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    auto *col = new QVBoxLayout;
    m_posGroup = new QButtonGroup(this);
    static const char16_t *const captions[4] = {u"控件上边", u"控件左边", u"控件右边", u"控件下边"};
    for (int i = 0; i < 4; ++i) {
        m_pos[size_t(i)] = new QRadioButton(QString::fromUtf16(captions[i]), w);
        m_pos[size_t(i)]->setObjectName(QStringLiteral("POS%1").arg(i));
        m_pos[size_t(i)]->setToolTip(QStringLiteral("输入框的提示标签所在位置。"));
        m_posGroup->addButton(m_pos[size_t(i)], i);
        col->addWidget(m_pos[size_t(i)]);
        connect(m_pos[size_t(i)], &QRadioButton::toggled, this, [this, i, field](bool on) {
            if (!on)
                return;
            m_preview->PlaceOn(i);
            Mark(field);
        });
    }
    m_preview = new SidePreview(w);
    h->addLayout(col);
    h->addWidget(m_preview);
    return w;
}

int PropertyDialog::CheckedSide() const
{
    // The lowest-numbered option that is set.
    for (int i = 0; i < 4; ++i)
        if (m_pos[size_t(i)] && m_pos[size_t(i)]->isChecked())
            return i;
    return 0;
}

QWidget *PropertyDialog::MakeFontBox(const QString &title, SampleBox *&sample, QPushButton *&button,
                                     const QString &buttonName)
{
    auto *box = new QGroupBox(title, this);
    auto *h = new QHBoxLayout(box);
    sample = new SampleBox(box);
    button = new QPushButton(QStringLiteral("字体  设置"), box);
    button->setObjectName(buttonName);
    button->setToolTip(QStringLiteral("修改输入框内的字体/字号/颜色等。"));
    h->addWidget(sample, 1);
    h->addWidget(button);
    SampleBox *s = sample;
    connect(button, &QPushButton::clicked, this, [this, s] {
        // Only a chosen font counts as changed: a cancelled font dialog
        // leaves every control's font as it is.
        if (s->ChooseFont())
            Mark(7);
    });
    return box;
}

QWidget *PropertyDialog::MakeFieldBox(const QString &title, const QStringList &captions,
                                      const std::vector<QLineEdit *> &fields)
{
    auto *box = new QGroupBox(title, this);
    auto *form = new QFormLayout(box);
    for (size_t i = 0; i < fields.size() && i < size_t(captions.size()); ++i)
        form->addRow(captions[qsizetype(i)], fields[i]);
    return box;
}

void PropertyDialog::LoadTextFields(const std::vector<QLineEdit *> &tt, const ControlRow &row)
{
    const double values[5] = {row.x, row.y, row.w, row.h, row.spacing};
    for (size_t k = 0; k < tt.size(); ++k)
        tt[k]->setText(k == 0       ? row.prompt
                           : k <= 5 ? num::Str(values[k - 1])
                                    : LineSpacingText(row.packedL));
}

RowEdits PropertyDialog::TextFieldEdits(const std::vector<QLineEdit *> &tt, const SampleBox *sample,
                                        qint32 alignment) const
{
    RowEdits e;
    std::optional<double> *const dims[5] = {&e.x, &e.y, &e.w, &e.h, &e.spacing};
    for (size_t k = 0; k < tt.size(); ++k) {
        if (!Marked(int(k)))
            continue;
        if (k == 0)
            e.prompt = tt[0]->text();
        else if (k <= 5)
            *dims[k - 1] = num::Val(tt[k]->text());
    }
    if (tt.size() > 6 && (Marked(6) || Marked(8))) {
        e.lineSpacing = num::Val(tt[6]->text());
        e.alignment = alignment;
    }
    if (sample && Marked(7)) {
        e.font = sample->SampleFont();
        e.color = sample->SampleColor();
    }
    return e;
}

QWidget *PropertyDialog::MakeButtons(const QString &ok, const QString &cancel)
{
    auto *w = new QWidget(this);
    auto *h = new QHBoxLayout(w);
    h->addStretch();
    m_ok = new QPushButton(ok, w);
    m_ok->setObjectName(QStringLiteral("OK"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(cancel, w);
    m_cancel->setObjectName(QStringLiteral("Cancel"));
    h->addWidget(m_ok);
    h->addWidget(m_cancel);
    connect(m_ok, &QPushButton::clicked, this, &PropertyDialog::Confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::close);
    return w;
}

void PropertyDialog::Confirm()
{
    if (Changed()) {
        if (!RowStillValid()) {
            // The rows were renumbered since this row was loaded: its number
            // may now belong to another control.
            dialogs().Message(
                QStringLiteral("格式已重新加载，本次修改未写入，请重新打开属性窗口。"));
        } else {
            const RowEdits edits = Edits();
            Saved(ApplyRowEdits(m_host, m_cls, CtlRow(), edits));
        }
    }
    close();
}

QHBoxLayout *PropertyDialog::MakeAlignOptions(QWidget *parent, std::array<QRadioButton *, 3> &opa,
                                              const std::function<void(int)> &clicked)
{
    auto *h = new QHBoxLayout;
    auto *group = new QButtonGroup(this);
    static const char16_t *const aligns[3] = {u"居左", u"居右", u"居中"};
    for (int i = 0; i < 3; ++i) {
        opa[size_t(i)] = new QRadioButton(QString::fromUtf16(aligns[i]), parent);
        opa[size_t(i)]->setObjectName(QStringLiteral("OpA%1").arg(i));
        group->addButton(opa[size_t(i)], i);
        h->addWidget(opa[size_t(i)]);
        connect(opa[size_t(i)], &QRadioButton::toggled, this, [clicked, i](bool on) {
            if (on)
                clicked(i);
        });
    }
    return h;
}

} // namespace props
