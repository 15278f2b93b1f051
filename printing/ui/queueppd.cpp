#include "printing/ui/queueppd.h"

#include <QFile>

// The PPD functions are the only way to the custom-size range and the
// landscape turn of a queue; libcups marks them deprecated.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/cups.h>
#include <cups/ppd.h>

std::optional<QueuePaperRules> ReadQueuePaperRules(const QString &queue)
{
    // A copy of the description in a temporary file of CUPS', removed here.
    const char *file = cupsGetPPD2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData());
    if (!file)
        return std::nullopt;
    const QString copy = QString::fromLocal8Bit(file);
    ppd_file_t *ppd = ppdOpenFile(file);
    QFile::remove(copy);
    if (!ppd)
        return std::nullopt;
    QueuePaperRules rules;
    rules.turnsCounterClockwise = ppd->landscape == 90;
    // The range may differ by media type (cupsMinSize/cupsMaxSize): the
    // queue's defaults and the options set for it (lpoptions) choose it,
    // as they do for the job.
    ppdMarkDefaults(ppd);
    if (cups_dest_t *dest
        = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), nullptr)) {
        cupsMarkOptions(ppd, dest->num_options, dest->options);
        cupsFreeDests(1, dest);
    }
    ppd_size_t min {}, max {};
    if (ppdPageSizeLimits(ppd, &min, &max)) {
        const auto mm = [](float pt) { return ToMm(Pt(pt)).v; };
        rules.custom = CustomPaperRange {QSizeF(mm(min.width), mm(min.length)),
                                         QSizeF(mm(max.width), mm(max.length))};
    }
    ppdClose(ppd);
    return rules;
}
#pragma GCC diagnostic pop

QMarginsF LandscapeMargins(const QMarginsF &p, bool turnsCounterClockwise)
{
    // Counter-clockwise the landscape page's top edge lies along the
    // paper's left edge; clockwise along its right edge.
    if (turnsCounterClockwise)
        return QMarginsF(p.bottom(), p.left(), p.top(), p.right());
    return QMarginsF(p.top(), p.right(), p.bottom(), p.left());
}
