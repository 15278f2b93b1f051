#pragma once
// The default record of a format (table 默认): what the input boxes, check
// boxes and picture boxes held when the format was last left, put back when
// it is opened again; and today's date in every date box.

#include "platform/sqlitedb.h"

#include <QString>

class PageControls;

namespace rec {

// Rewrites the format's default record from the page: one row (format,
// control ID, value) per control with a non-empty value. The old record
// is removed and the new one written in one transaction, so a failure
// keeps the old record whole. A refusal names the database's fault.
sql::Status SaveDefaultRecord(PageControls &page, const QString &formatName);

// Gives every control named by a row of the format's default record its
// stored value. Rows naming no control are passed over; controls without a
// row keep what they show.
void LoadDefaultRecord(PageControls &page, const QString &formatName);

// Today's date into every date box; the other boxes converted again.
void AutoFillDates(PageControls &page);

} // namespace rec
