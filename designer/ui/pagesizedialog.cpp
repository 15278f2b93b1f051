#include "designer/ui/pagesizedialog.h"

#include "core/ui/windowhelpers.h"
#include "designer/mainstate.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace dsg {

PageSizeDialog::PageSizeDialog(MainState &state, QWidget *parent)
    : QDialog(parent)
    , m_state(state)
{
    setObjectName(QStringLiteral("FormSize"));
    setWindowTitle(QStringLiteral("修改单据尺寸"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    auto *g = new QGridLayout(this);
    m_tx = new QLineEdit(this);
    m_tx->setObjectName(QStringLiteral("TX"));
    m_ty = new QLineEdit(this);
    m_ty->setObjectName(QStringLiteral("TY"));
    g->addWidget(new QLabel(QStringLiteral("单据宽度："), this), 0, 0);
    g->addWidget(m_tx, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("毫米"), this), 0, 2);
    g->addWidget(new QLabel(QStringLiteral("单据高度："), this), 1, 0);
    g->addWidget(m_ty, 1, 1);
    g->addWidget(new QLabel(QStringLiteral("毫米"), this), 1, 2);
    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_ok->setObjectName(QStringLiteral("Com0"));
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("Com1"));
    g->addWidget(m_ok, 2, 1);
    g->addWidget(m_cancel, 2, 2);
    connect(m_ok, &QPushButton::clicked, this, [this] { Com_Click(0); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { Com_Click(1); });

    // Load: centred on the work area, the boxes take the labels' texts.
    adjustSize();
    CenterForm(this);
    m_tx->setText(state.PageWidthText());
    m_ty->setText(state.PageHeightText());
}

void PageSizeDialog::Com_Click(int index)
{
    if (index == 0 && !m_state.ConfirmPageSize(m_tx->text(), m_ty->text()))
        return;
    close();
}

} // namespace dsg
