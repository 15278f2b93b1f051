#pragma once
// The input boxes of the main window's page, as the conversion routines see
// them: boxes numbered 1 to InputBoxCount(), each with its data-type code,
// its text and its border. The main window implements this; tests use a
// simple list.

#include <QString>

class InputBoxes
{
public:
    virtual ~InputBoxes() = default;

    // Number of input boxes on the page; boxes are numbered from 1.
    virtual int InputBoxCount() const = 0;
    // The box's data-type code (its Cash column).
    virtual qint32 BoxCode(int index) const = 0;
    virtual QString BoxText(int index) const = 0;
    virtual void SetBoxText(int index, const QString &text) = 0;
    // Border style: 0 none, 1 single.
    virtual void SetBoxBorder(int index, int style) = 0;
};
