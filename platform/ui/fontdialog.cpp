#include "platform/ui/fontdialog.h"

#include "platform/fontmap.h"
#include "platform/numtext.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The sizes Windows offers, with the half points Chinese forms use.
const QStringList &SizeItems()
{
    static const QStringList items = {
        QStringLiteral("5"),  QStringLiteral("5.5"), QStringLiteral("6.5"), QStringLiteral("7.5"),
        QStringLiteral("8"),  QStringLiteral("9"),   QStringLiteral("10"),  QStringLiteral("10.5"),
        QStringLiteral("11"), QStringLiteral("12"),  QStringLiteral("14"),  QStringLiteral("15"),
        QStringLiteral("16"), QStringLiteral("18"),  QStringLiteral("20"),  QStringLiteral("22"),
        QStringLiteral("24"), QStringLiteral("26"),  QStringLiteral("28"),  QStringLiteral("36"),
        QStringLiteral("42"), QStringLiteral("48"),  QStringLiteral("72")};
    return items;
}

// Stored formats name Windows faces that are not installed here; they are
// offered first so that a format keeps its face names.
const QStringList &StoredFaces()
{
    static const QStringList faces
        = {QStringLiteral("宋体"), QStringLiteral("黑体"),   QStringLiteral("楷体"),
           QStringLiteral("仿宋"), QStringLiteral("新宋体"), QStringLiteral("微软雅黑")};
    return faces;
}

} // namespace

FontDialog::FontDialog(const QFont &font, const QColor &color, QWidget *parent)
    : QDialog(parent)
    , m_color(color.isValid() ? color : QColor(Qt::black))
{
    setWindowTitle(QStringLiteral("字体"));
    m_openSize = font.pointSizeF() > 0 ? font.pointSizeF() : 9;

    m_family = new QComboBox(this);
    m_family->setObjectName(QStringLiteral("family"));
    m_family->setEditable(true);
    QStringList faces = StoredFaces();
    for (const QString &f : QFontDatabase::families())
        if (!faces.contains(f))
            faces << f;
    m_family->addItems(faces);
    m_family->setEditText(font.family().isEmpty() ? QStringLiteral("宋体") : font.family());

    m_size = new QComboBox(this);
    m_size->setObjectName(QStringLiteral("size"));
    m_size->setEditable(true);
    m_size->addItems(SizeItems());
    m_size->setEditText(num::Str(m_openSize));

    static const char *const names[4] = {"bold", "italic", "underline", "strikeOut"};
    static const char16_t *const captions[4] = {u"粗体", u"斜体", u"下划线", u"删除线"};
    auto *styles = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        m_styles[i] = new QCheckBox(QString::fromUtf16(captions[i]), this);
        m_styles[i]->setObjectName(QString::fromLatin1(names[i]));
        styles->addWidget(m_styles[i]);
        connect(m_styles[i], &QCheckBox::toggled, this, &FontDialog::UpdateSample);
    }
    m_styles[0]->setChecked(font.bold());
    m_styles[1]->setChecked(font.italic());
    m_styles[2]->setChecked(font.underline());
    m_styles[3]->setChecked(font.strikeOut());

    m_colorButton = new QPushButton(QStringLiteral("颜色…"), this);
    m_colorButton->setObjectName(QStringLiteral("color"));
    connect(m_colorButton, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(m_color, this);
        if (c.isValid())
            setChosenColor(c);
    });

    m_sample = new QLabel(QStringLiteral("沃栎快递单 AaBb123"), this);
    m_sample->setMinimumHeight(60);
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setFrameShape(QFrame::Box);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("字体："), m_family);
    form->addRow(QStringLiteral("字号："), m_size);
    form->addRow(QStringLiteral("字形："), styles);
    form->addRow(QStringLiteral("颜色："), m_colorButton);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(m_sample);
    v->addWidget(buttons);

    connect(m_family, &QComboBox::currentTextChanged, this, &FontDialog::UpdateSample);
    connect(m_size, &QComboBox::currentTextChanged, this, &FontDialog::UpdateSample);
    setChosenColor(m_color);
}

QFont FontDialog::chosenFont() const
{
    QFont f(num::Trim(m_family->currentText()).isEmpty() ? QStringLiteral("宋体")
                                                         : num::Trim(m_family->currentText()));
    const double size = num::Val(m_size->currentText());
    f.setPointSizeF(size > 0 && size <= 1638 ? size : m_openSize);
    f.setBold(m_styles[0]->isChecked());
    f.setItalic(m_styles[1]->isChecked());
    f.setUnderline(m_styles[2]->isChecked());
    f.setStrikeOut(m_styles[3]->isChecked());
    return f;
}

void FontDialog::setChosenColor(const QColor &color)
{
    m_color = color;
    m_colorButton->setStyleSheet(QStringLiteral("background-color: %1").arg(color.name()));
    UpdateSample();
}

void FontDialog::UpdateSample()
{
    if (!m_sample)
        return;
    m_sample->setFont(fontmap::ToQFont(fontmap::FromDialogFont(chosenFont())));
    QPalette p = m_sample->palette();
    p.setColor(QPalette::WindowText, m_color);
    m_sample->setPalette(p);
}

bool FontDialog::Choose(QFont &font, QColor &color, QWidget *parent)
{
    FontDialog dlg(font, color, parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    font = dlg.chosenFont();
    color = dlg.chosenColor();
    return true;
}
