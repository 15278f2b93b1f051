#pragma once
// The property dialogs of check boxes (ProChk), picture boxes (ProPic),
// fixed labels (ProLBL) and lines (ProLine). Each edits its class's rows in
// the shared way of PropertyDialog; a picture box's content is drawn again
// after OK so that a bar code follows the new size and font.

#include "properties/ui/propertydialog.h"

#include <array>

class QComboBox;

namespace props {

// Field marks shared by the four: TT(0)..TT(7) are 0..7.
enum CommonField { FieldAlign = 8, FieldSide = 9, FieldStyle = 10, FieldColor = 11 };

// "修改可选框属性": prompt text and side, left and top, font.
class ProChk : public PropertyDialog
{
    Q_OBJECT
public:
    ProChk(PropertyHost &host, QWidget *parent);
    QLineEdit *Field(int i) const { return i == 7 ? m_sample : m_tt[size_t(i)]; }
    SampleBox *Sample() const { return m_sample; }
    QPushButton *FontButton() const { return m_font; }

protected:
    void LoadRow(const fmtgrid::ControlRow &row, qint32 gridRow) override;
    RowEdits Edits() override;

private:
    std::array<QLineEdit *, 3> m_tt {};
    SampleBox *m_sample = nullptr;
    QPushButton *m_font = nullptr;
};

// "添加/修改图像框": prompt text and side, position and size, the font of
// the text under a bar code.
class ProPic : public PropertyDialog
{
    Q_OBJECT
public:
    ProPic(PropertyHost &host, QWidget *parent);
    QLineEdit *Field(int i) const { return i == 7 ? m_sample : m_tt[size_t(i)]; }
    SampleBox *Sample() const { return m_sample; }
    QPushButton *FontButton() const { return m_font; }

protected:
    void LoadRow(const fmtgrid::ControlRow &row, qint32 gridRow) override;
    RowEdits Edits() override;
    void Saved(const std::vector<AffectedControl> &written) override;

private:
    std::array<QLineEdit *, 5> m_tt {};
    SampleBox *m_sample = nullptr;
    QPushButton *m_font = nullptr;
};

// "标签属性修改": the label's text, position and size, spacings, alignment, font.
class ProLBL : public PropertyDialog
{
    Q_OBJECT
public:
    ProLBL(PropertyHost &host, QWidget *parent);
    QLineEdit *Field(int i) const { return i == 7 ? m_sample : m_tt[size_t(i)]; }
    SampleBox *Sample() const { return m_sample; }
    QRadioButton *AlignOption(int i) const { return m_opa[size_t(i)]; }
    QPushButton *FontButton() const { return m_font; }
    // SaveChang: what OK runs.
    void SaveChang() { Confirm(); }

protected:
    void LoadRow(const fmtgrid::ControlRow &row, qint32 gridRow) override;
    RowEdits Edits() override;

private:
    std::array<QLineEdit *, 7> m_tt {};
    std::array<QRadioButton *, 3> m_opa {};
    SampleBox *m_sample = nullptr;
    QPushButton *m_font = nullptr;
    qint32 m_alignment = 0;
};

// The sample line of the line dialog, drawn with the chosen width, style
// and colour.
class SampleLine : public QWidget
{
    Q_OBJECT
public:
    explicit SampleLine(QWidget *parent);
    void SetWidth(qint32 w);
    void SetStyle(qint32 style); // 1 solid .. 5 dash-dot-dot
    void SetColor(qint32 color);
    qint32 LineWidth() const { return m_width; }
    qint32 Style() const { return m_style; }
    qint32 Color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qint32 m_width = 1, m_style = 1, m_color = 0;
};

// "线条属性修改": start and end point, thickness, line style and colour.
class ProLine : public PropertyDialog
{
    Q_OBJECT
public:
    ProLine(PropertyHost &host, QWidget *parent);
    // TT(0) thickness, TT(1)..TT(4) the end points.
    QLineEdit *Field(int i) const { return m_tt[size_t(i)]; }
    QComboBox *StyleList() const { return m_cmb; }
    SampleLine *Sample() const { return m_line; }
    QPushButton *ColorButton() const { return m_color; }

protected:
    void LoadRow(const fmtgrid::ControlRow &row, qint32 gridRow) override;
    RowEdits Edits() override;

private:
    std::array<QLineEdit *, 5> m_tt {};
    QComboBox *m_cmb = nullptr;
    SampleLine *m_line = nullptr;
    QPushButton *m_color = nullptr;
};

} // namespace props
