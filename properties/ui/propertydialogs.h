#pragma once
// The opener of the property dialogs: one modeless dialog per class
// (EditCtl, ProChk, ProPic, ProLine, ProLBL), made on first use and made
// again after it closed. Showing a dialog for another control while it is
// open reloads it with that control's row. The designer holds one of these
// with its PropertyHost and runs mCtlSet_Click and the add commands through
// it.

#include "properties/propertyhost.h"

#include <QPointer>
#include <array>

class QWidget;

namespace props {

class PropertyDialog;

class PropertyDialogs
{
public:
    PropertyDialogs(PropertyHost &host, QWidget *parent);
    ~PropertyDialogs();

    // mCtlSet_Click: shows the dialog of class cls (0 input box, 1 check
    // box, 2 picture box, 3 line, 4 label) modeless and writes the row into
    // its CtlRow. nullptr for a class outside 0..4.
    PropertyDialog *Show(qint32 cls, qint32 row);
    // Adds a control of the class (with its new row) and opens its dialog;
    // nullptr when the control was refused.
    PropertyDialog *AddAndShow(qint32 cls);
    // The open dialog of a class, or nullptr.
    PropertyDialog *Open(qint32 cls) const;
    // Closes every open dialog without writing (cancel).
    void CloseAll();

private:
    PropertyHost &m_host;
    QWidget *m_parent;
    std::array<QPointer<PropertyDialog>, 5> m_open;
};

} // namespace props
