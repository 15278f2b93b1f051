#pragma once
// What a print queue's description (its PPD, fetched through CUPS from the
// scheduler that holds the queue, so a queue of another machine answers as
// well) says about paper beyond what Qt reports: which way the queue turns a
// landscape page onto the paper, and the range of custom sizes it feeds
// (for the media type the queue is set to). Qt's printer support gives the
// printable margins of portrait paper only, reports an empty custom range
// for many descriptions and never the narrower range of a media type. A queue without
// a description (a driverless one) has none of this: callers keep to Qt.

#include "printing/printer.h"

#include <QMarginsF>
#include <QString>
#include <optional>

struct QueuePaperRules
{
    // CUPS turns a landscape page counter-clockwise onto the paper when the
    // description says Plus90, clockwise for Minus90 or when it says nothing.
    bool turnsCounterClockwise = false;
    // The custom sizes the queue feeds; nullopt when it takes none.
    std::optional<CustomPaperRange> custom;
};

// The rules of the queue's description; nullopt when the queue has none or
// it cannot be read.
std::optional<QueuePaperRules> ReadQueuePaperRules(const QString &queue);

// The printable margins (left, top, right, bottom) of a landscape page that
// is turned onto paper whose portrait margins are given.
QMarginsF LandscapeMargins(const QMarginsF &portrait, bool turnsCounterClockwise);
