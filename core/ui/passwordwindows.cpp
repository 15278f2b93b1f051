#include "core/ui/passwordwindows.h"

#include "core/startup.h"
#include "core/ui/startupui.h"
#include "core/ui/windowhelpers.h"
#include "platform/dialogs.h"
#include "platform/ui/qtdialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A password box that shows every typed character as "*".
void maskWithStars(QLineEdit *edit)
{
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
}

} // namespace

PSDCon::PSDCon(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("请输入密码"));
    T = new QLineEdit(this);
    maskWithStars(T);
    Com = new QPushButton(QStringLiteral("确    定"), this);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("密码："), this));
    row->addWidget(T, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(Com, 0, Qt::AlignHCenter);
    connect(Com, &QPushButton::clicked, this, &PSDCon::Com_Click);
    connect(T, &QLineEdit::returnPressed, this, &PSDCon::Com_Click);
    resize(280, 100);
    KeepTitleWhole(this);
    SetTopMost(this);
}

void PSDCon::Com_Click()
{
    if (PasswordMatches(T->text())) {
        ShowMainWindow();
        close();
        return;
    }
    dialogs().Message(QStringLiteral("密码错误！"));
}

ModiPSD::ModiPSD(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("修改密码"));
    static const char *const labels[3] = {"原有密码：", "新的密码：", "再次输入："};
    static const char *const tips[3] = {"原始密码为空", "不输内容表示去除密码", nullptr};
    auto *grid = new QGridLayout(this);
    for (int i = 0; i < 3; ++i) {
        T[i] = new QLineEdit(this);
        maskWithStars(T[i]);
        if (tips[i])
            T[i]->setToolTip(QString::fromUtf8(tips[i]));
        grid->addWidget(new QLabel(QString::fromUtf8(labels[i]), this), i, 0);
        grid->addWidget(T[i], i, 1);
        connect(T[i], &QLineEdit::returnPressed, this, &ModiPSD::Com_Click);
    }
    Com = new QPushButton(QStringLiteral("确  定"), this);
    grid->addWidget(Com, 3, 0, 1, 2, Qt::AlignHCenter);
    connect(Com, &QPushButton::clicked, this, &ModiPSD::Com_Click);
    resize(300, 150);
    SetTopMost(this);
}

void ModiPSD::Com_Click()
{
    switch (ChangePassword(T[0]->text(), T[1]->text(), T[2]->text())) {
    case PasswordChange::Changed:
        close();
        break;
    case PasswordChange::NewTextsDiffer:
        dialogs().Message(QStringLiteral("两次输入的新密码不相符！"));
        break;
    case PasswordChange::OldPasswordWrong:
        dialogs().Message(QStringLiteral("原有密码不正确！"));
        break;
    case PasswordChange::StoreFailed:
        dialogs().Message(QStringLiteral("新密码未能保存，密码没有修改！"));
        break;
    }
}
