#include "designer/ui/aboutbox.h"

#include "core/helpers.h"
#include "core/ui/windowhelpers.h"
#include "designer/commands.h"
#include "online/versioncheck.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace dsg {

QString MakerUrl(const QString &path, const QString &query)
{
    // The version page carries the server's host and port.
    QUrl url(VersionPageUrl(51));
    if (!url.isValid() || url.host().isEmpty())
        return {};
    url.setPath(path);
    url.setQuery(query);
    return url.toString();
}

Rightform::Rightform(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Rightform"));
    setWindowTitle(QStringLiteral("版权说明"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *l = new QVBoxLayout(this);
    auto *image = new QLabel(QStringLiteral("沃栎快递单套打"), this);
    image->setObjectName(QStringLiteral("Image1"));
    QFont big = image->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    image->setFont(big);
    l->addWidget(image);
    m_version
        = new QLabel(AboutVersionText(QStringLiteral("快递单套打软件  版本号：[EDITION]")), this);
    m_version->setObjectName(QStringLiteral("Label1"));
    l->addWidget(m_version);
    const QStringList contact = {QStringLiteral("沃栎软件工作室  版权所有"),
                                 QStringLiteral("技术支持：请通过“帮助”菜单中的QQ帮助联系我们。")};
    for (const QString &t : contact) {
        auto *c = new QLabel(t, this);
        c->setObjectName(QStringLiteral("Label2"));
        l->addWidget(c);
        c->installEventFilter(this);
        c->setCursor(Qt::PointingHandCursor);
    }
    image->installEventFilter(this);
    m_version->installEventFilter(this);
    m_com = new QPushButton(QStringLiteral("确定"), this);
    m_com->setObjectName(QStringLiteral("Com"));
    l->addWidget(m_com, 0, Qt::AlignRight);
    connect(m_com, &QPushButton::clicked, this, &QWidget::close);
    adjustSize();
    SetTopMost(this);
    CenterForm(this);
}

bool Rightform::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && qobject_cast<QLabel *>(watched)) {
        const QString home = MakerUrl(QStringLiteral("/"));
        if (!home.isEmpty())
            ShellOpen(home);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace dsg
