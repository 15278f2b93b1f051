#pragma once
// EditCtl, the input-box property dialog ("添加/修改控件"): prompt text and
// side, position and size, spacings and alignment, font, data type with its
// cell count or code, the related box and the two sum boxes. OK writes the
// marked fields into every affected input box's row; closing the window
// hands the box to TT_LostFocus so its value follows the new settings.

#include "properties/ui/propertydialog.h"

#include <array>

class QComboBox;

namespace props {

class EditCtl : public PropertyDialog
{
    Q_OBJECT
public:
    // Field marks: TT(0)..TT(7) are 0..7.
    enum Field { FAlign = 8, FSide, FDataType, FCashNum, FRelated, FSum, FSum1 };

    EditCtl(PropertyHost &host, QWidget *parent);

    QLineEdit *Field(int i) const { return i == 7 ? m_sample : m_tt[size_t(i)]; }
    SampleBox *Sample() const { return m_sample; }
    QRadioButton *AlignOption(int i) const { return m_opa[size_t(i)]; }
    QComboBox *DataTypeList() const { return m_cmb; }
    QLineEdit *CashNum() const { return m_cashNum; }
    QLabel *CodeCaption() const { return m_lcode; }
    QComboBox *RelatedList() const { return m_rctl; }
    QComboBox *SumList(int i) const { return i == 0 ? m_csum : m_csum1; }
    QRadioButton *SumOption(int i) const { return m_op1[size_t(i)]; }
    QPushButton *FontButton() const { return m_font; }
    QPushButton *CustomButton() const { return m_custom; }

    // SetAlignOp: the alignment options follow the data type.
    void SetAlignOp();
    // LoadUserFormat: the list's custom items show their stored formats.
    void LoadUserFormat();
    // The data-type list picked by the user (CMB_Click).
    void PickDataType(int item);
    // Com(3): asks for the custom format of the chosen data type.
    void EditCustomFormat();
    // CashNum_LostFocus.
    void CheckCellCount();

protected:
    void LoadRow(const fmtgrid::ControlRow &row, qint32 gridRow) override;
    RowEdits Edits() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void ShowDataType(qint32 code);

    std::array<QLineEdit *, 7> m_tt {};
    SampleBox *m_sample = nullptr;
    std::array<QRadioButton *, 3> m_opa {};
    std::array<QRadioButton *, 4> m_op1 {};
    QComboBox *m_cmb = nullptr, *m_rctl = nullptr, *m_csum = nullptr, *m_csum1 = nullptr;
    QLineEdit *m_cashNum = nullptr;
    QLabel *m_lcode = nullptr;
    QPushButton *m_font = nullptr, *m_custom = nullptr;
    qint32 m_alignment = 0;
};

} // namespace props
