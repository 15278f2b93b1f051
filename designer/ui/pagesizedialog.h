#pragma once
// FormSize "修改单据尺寸": width and height of the open format's paper in
// millimetres. Confirming hands the typed texts to the main state; a refused
// size keeps the dialog open with the texts as typed.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace dsg {

class MainState;

class PageSizeDialog : public QDialog
{
    Q_OBJECT
public:
    PageSizeDialog(MainState &state, QWidget *parent);

    QLineEdit *TX() const { return m_tx; }
    QLineEdit *TY() const { return m_ty; }
    QPushButton *Com(int index) const { return index == 0 ? m_ok : m_cancel; }
    // Com_Click: 0 confirms, any other index closes without change.
    void Com_Click(int index);

private:
    MainState &m_state;
    QLineEdit *m_tx, *m_ty;
    QPushButton *m_ok, *m_cancel;
};

} // namespace dsg
