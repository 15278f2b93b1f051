#pragma once
// What the five property dialogs share: the hidden row box CtlRow (writing a
// row number loads that row), change marks per field (cleared after every
// load, so only what the user touches counts), OK writing the marked fields
// into the rows of every affected control of the class, cancel and the close
// box writing nothing; the font sample box with its font button, and the
// preview of the prompt label's side. The dialogs are modeless and delete
// themselves when closed.

#include "core/controlrow.h"
#include "properties/propertyedit.h"

#include <QDialog>
#include <QLineEdit>
#include <array>
#include <bitset>
#include <functional>
#include <vector>

class QButtonGroup;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QRadioButton;

namespace props {

// TT(7): the sample of a row's font and colour, with the dialog's alignment.
class SampleBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit SampleBox(QWidget *parent);
    // GridFontToCtl: the row's font (size without zoom) and colour.
    void SetFromRow(const fmtgrid::ControlRow &row);
    void SetSampleFont(const FontSpec &font, qint32 color);
    void SetSampleAlignment(qint32 alignment); // 0 left, 1 right, 2 centre
    const FontSpec &SampleFont() const { return m_font; }
    qint32 SampleColor() const { return m_color; }
    // The font dialog on the sample; true when a font was chosen.
    bool ChooseFont();

private:
    FontSpec m_font;
    qint32 m_color = 0;
};

// The preview picture: a sample box TXT ("示例") and a sample label LBL
// ("标签") placed on one of its four sides.
class SidePreview : public QWidget
{
    Q_OBJECT
public:
    explicit SidePreview(QWidget *parent);
    void SetCaption(const QString &caption);
    void PlaceOn(int side);
    QLabel *Label() const { return m_lbl; }
    QLineEdit *Box() const { return m_txt; }

private:
    QLineEdit *m_txt = nullptr;
    QLabel *m_lbl = nullptr;
    int m_side = 1;
};

class PropertyDialog : public QDialog
{
    Q_OBJECT
public:
    PropertyDialog(PropertyHost &host, qint32 cls, QWidget *parent);

    // CtlRow_Change: the row number as text; its row is loaded into the fields.
    void SetCtlRow(const QString &row);
    QLineEdit *CtlRowBox() const { return m_ctlRow; }
    qint32 CtlRow() const;
    qint32 ControlClass() const { return m_cls; }
    // Whether any field was edited since the last load.
    bool Changed() const { return m_marks.any(); }
    bool Marked(int field) const { return m_marks.test(size_t(field)); }

    QPushButton *OkButton() const { return m_ok; }
    QPushButton *CancelButton() const { return m_cancel; }
    // POS(i) and the preview, where the dialog has them.
    QRadioButton *SideOption(int i) const { return m_pos[size_t(i)]; }
    SidePreview *Preview() const { return m_preview; }
    // OK: the marked fields into the affected rows, then the window closes.
    void Confirm();

protected:
    // Shown at least as wide as the title needs.
    void showEvent(QShowEvent *event) override;
    // Loads a data row into the fields (called with marks suspended).
    virtual void LoadRow(const fmtgrid::ControlRow &row, qint32 gridRow) = 0;
    // The marked fields as edits.
    virtual RowEdits Edits() = 0;
    // After the rows were written and applied.
    virtual void Saved(const std::vector<AffectedControl> &written) { Q_UNUSED(written); }

    // Marks a field as edited (ignored while a row is being loaded).
    void Mark(int field);
    void Unmark(int field) { m_marks.reset(size_t(field)); }
    // False once the controls were rebuilt after the row was loaded (its
    // number may name another control now).
    bool RowStillValid() const { return m_host.ControlsGeneration() == m_generation; }
    // Marks the field whenever the user changes the text.
    void WatchText(QLineEdit *edit, int field);
    // A row of four side options POS(0)..POS(3) and the preview; a click
    // places the preview label and marks the field.
    QWidget *MakeSideOptions(int field);
    int CheckedSide() const;
    // A frame with the sample box TT(7) and its font button ("字体  设置");
    // a font chosen there marks field 7.
    QWidget *MakeFontBox(const QString &title, SampleBox *&sample, QPushButton *&button,
                         const QString &buttonName);
    // The alignment options 居左, 居右, 居中 (OpA0..OpA2) in a row; a click
    // on one calls clicked with its alignment.
    QHBoxLayout *MakeAlignOptions(QWidget *parent, std::array<QRadioButton *, 3> &opa,
                                  const std::function<void(int)> &clicked);
    // A frame of captioned fields, one per row.
    QWidget *MakeFieldBox(const QString &title, const QStringList &captions,
                          const std::vector<QLineEdit *> &fields);
    // The text fields of the box and label dialogs, TT(0) onwards: prompt,
    // left, top, width, height, character spacing, line spacing (shown
    // without the alignment). A dialog passes as many as it has.
    static void LoadTextFields(const std::vector<QLineEdit *> &tt, const fmtgrid::ControlRow &row);
    // Their marked fields as edits (numbers as the number they start with,
    // 0 when none, so that no text reaches the print engine), the sample's
    // font when a font was chosen (mark 7) and, with TT(6) or the alignment
    // marked (mark 8), the line spacing packed with the alignment.
    RowEdits TextFieldEdits(const std::vector<QLineEdit *> &tt, const SampleBox *sample,
                            qint32 alignment) const;
    // The OK and cancel buttons in a row.
    QWidget *MakeButtons(const QString &ok, const QString &cancel);

    PropertyHost &m_host;
    SidePreview *m_preview = nullptr;

private:
    QLineEdit *m_ctlRow = nullptr;
    QPushButton *m_ok = nullptr, *m_cancel = nullptr;
    std::array<QRadioButton *, 4> m_pos {};
    QButtonGroup *m_posGroup = nullptr;
    qint32 m_cls = 0;
    std::bitset<32> m_marks;
    bool m_loading = false;
    quint64 m_generation = 0;
};

// A line edit with its caption at the left, for the dialogs' forms.
QLineEdit *MakeField(const QString &name, const QString &tip, QWidget *parent);

} // namespace props
