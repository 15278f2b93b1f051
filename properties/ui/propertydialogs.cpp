#include "properties/ui/propertydialogs.h"

#include "platform/numtext.h"
#include "properties/ui/editctl.h"
#include "properties/ui/prodialogs.h"

namespace props {

PropertyDialogs::PropertyDialogs(PropertyHost &host, QWidget *parent)
    : m_host(host)
    , m_parent(parent)
{ }

PropertyDialogs::~PropertyDialogs()
{
    CloseAll();
}

PropertyDialog *PropertyDialogs::Show(qint32 cls, qint32 row)
{
    if (cls < 0 || cls > 4)
        return nullptr;
    QPointer<PropertyDialog> &dlg = m_open[size_t(cls)];
    // A closed dialog is on its way out: the next opening loads a new one.
    if (!dlg || !dlg->isVisible()) {
        switch (cls) {
        case 0:
            dlg = new EditCtl(m_host, m_parent);
            break;
        case 1:
            dlg = new ProChk(m_host, m_parent);
            break;
        case 2:
            dlg = new ProPic(m_host, m_parent);
            break;
        case 3:
            dlg = new ProLine(m_host, m_parent);
            break;
        default:
            dlg = new ProLBL(m_host, m_parent);
            break;
        }
    }
    dlg->show();
    dlg->raise();
    dlg->SetCtlRow(num::Str(qint64(row)));
    return dlg;
}

PropertyDialog *PropertyDialogs::AddAndShow(qint32 cls)
{
    const std::optional<qint32> row = m_host.AddControlOfClass(cls);
    return row ? Show(cls, *row) : nullptr;
}

PropertyDialog *PropertyDialogs::Open(qint32 cls) const
{
    if (cls < 0 || cls > 4 || !m_open[size_t(cls)] || !m_open[size_t(cls)]->isVisible())
        return nullptr;
    return m_open[size_t(cls)].data();
}

void PropertyDialogs::CloseAll()
{
    for (QPointer<PropertyDialog> &d : m_open)
        if (d && d->isVisible())
            d->close();
}

} // namespace props
