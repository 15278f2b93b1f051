#pragma once
// The design controls of the open format as the libraries below the designer
// see them (print engine, records, import): controls named by their index
// (class * 1000 + n, n from 1 to the class's count), each with its row of the
// format grid and its value. The designer's main-window state implements it;
// tests implement it over a plain grid. Callers receive it as a parameter.

#include "platform/gridmodel.h"

#include <QString>
#include <optional>

class PageControls
{
public:
    virtual ~PageControls() = default;

    // The format grid of the open format.
    virtual GridModel &FormatGrid() = 0;
    // Name of the open format (caption of LFMT(0)).
    virtual QString FormatName() const = 0;

    // Number of loaded controls of a class (0 input, 1 check, 2 picture,
    // 3 line, 4 label); their indexes run from cls*1000+1 to cls*1000+count.
    virtual qint32 ControlCount(qint32 cls) const = 0;
    // The grid row of the control with that index; nullopt when no such
    // control is loaded or it has no row yet.
    virtual std::optional<qint32> ControlRow(qint32 index) const = 0;

    // The control's value: an input box's text, a check box's value as text
    // ("" unticked), a picture box's link item (picture path or bar-code
    // digits); "" for lines and labels.
    virtual QString ControlValue(qint32 index) const = 0;
    // Puts a value back: the line-break marker becomes CR LF in an input
    // box; a check box is ticked for any non-blank value; a picture box shows
    // its content (picture file or bar code).
    virtual void SetControlValue(qint32 index, const QString &value) = 0;

    // Writes an input box's text as it stands, without the line-break
    // marker rule: conversions write back what they computed. The default
    // suits implementations whose SetControlValue keeps the text unchanged.
    virtual void SetInputText(qint32 index, const QString &text) { SetControlValue(index, text); }
    // An input box's border: 0 none, 1 single (boxes over cells). Pages
    // without borders ignore it.
    virtual void SetInputBorder(qint32 index, int style)
    {
        Q_UNUSED(index);
        Q_UNUSED(style);
    }
};

// Calls f with the index of every control that carries content (input
// boxes, check boxes, picture boxes), class by class in ascending index
// order: the order in which every record is read and written.
template<class F> void ForEachContentControl(const PageControls &page, F &&f)
{
    for (qint32 cls = 0; cls <= 2; ++cls) {
        const qint32 n = page.ControlCount(cls);
        for (qint32 i = 1; i <= n; ++i)
            f(cls * 1000 + i);
    }
}
