#pragma once
// The page controls as the records part reads them: a control's typed row
// and ID, the controls that carry content (input boxes, check boxes and
// picture boxes, class by class in index order, the order every record is
// read and written in), controls found by ID, and the page's input boxes as
// the value conversion sees them.

#include "core/controlrow.h"
#include "properties/pagecontrols.h"
#include "records/inputboxes.h"

#include <QHash>
#include <functional>
#include <optional>

namespace rec {

// The control's row; nullopt when it has none.
std::optional<fmtgrid::ControlRow> ControlRowOf(PageControls &page, qint32 index);

// Control ID -> index of the loaded controls of classes first..last, read
// once. Where two rows hold one ID the lower row wins, as a search of the
// grid from the top would find it.
class ControlIndexByID
{
public:
    ControlIndexByID(PageControls &page, qint32 firstCls, qint32 lastCls);
    // 0 when no such control is loaded.
    qint32 IndexOf(qint64 id) const { return m_index.value(id, 0); }

private:
    QHash<qint64, qint32> m_index;
};

// Input box n of the conversion is the page's control n (class 0); codes
// come from the boxes' rows, texts are written as they stand.
class PageInputBoxes : public InputBoxes
{
public:
    explicit PageInputBoxes(PageControls &page)
        : m_page(page)
    { }
    int InputBoxCount() const override { return m_page.ControlCount(0); }
    qint32 BoxCode(int index) const override;
    QString BoxText(int index) const override { return m_page.ControlValue(index); }
    void SetBoxText(int index, const QString &text) override { m_page.SetInputText(index, text); }
    void SetBoxBorder(int index, int style) override { m_page.SetInputBorder(index, style); }

private:
    PageControls &m_page;
};

} // namespace rec
