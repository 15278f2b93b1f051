#pragma once
// The program's font dialog: face, size (half points such as 10.5 allowed),
// bold, italic, underline, strike-through and the colour, chosen through
// the colour dialog. Qt's own font dialog has no colour, so this one stands
// in for it behind the dialog seam (QtDialogs::ChooseFont).

#include <QColor>
#include <QDialog>
#include <QFont>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

class FontDialog : public QDialog
{
    Q_OBJECT
public:
    FontDialog(const QFont &font, const QColor &color, QWidget *parent = nullptr);

    // The choice as the fields show it; the size falls back to the opening
    // size when the size field holds no positive number.
    QFont chosenFont() const;
    QColor chosenColor() const { return m_color; }

    QComboBox *familyBox() const { return m_family; }
    QComboBox *sizeBox() const { return m_size; }
    QCheckBox *styleBox(int i) const { return m_styles[i]; } // bold, italic, underline, strike
    QPushButton *colorButton() const { return m_colorButton; }
    void setChosenColor(const QColor &color);

    // Opens the dialog modally; on OK puts the choice into the arguments and
    // returns true, on cancel leaves them as they were.
    static bool Choose(QFont &font, QColor &color, QWidget *parent);

private:
    void UpdateSample();

    QComboBox *m_family = nullptr;
    QComboBox *m_size = nullptr;
    QCheckBox *m_styles[4] = {};
    QPushButton *m_colorButton = nullptr;
    QLabel *m_sample = nullptr;
    QColor m_color;
    double m_openSize = 9;
};
