#include "printing/printengine.h"

#include "core/controlrow.h"
#include "core/database.h"
#include "core/formathost.h"
#include "core/helpers.h"
#include "core/progress.h"
#include "platform/dialogs.h"
#include "platform/fontmap.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"
#include "printing/barcodes.h"
#include "printing/textlayout.h"
#include "properties/pagecontrols.h"

#include <QFontMetricsF>
#include <map>
#include <tuple>

namespace print {

namespace {

enum ControlClass { InputBox = 0, CheckBox = 1, PictureBox = 2, LineClass = 3, LabelClass = 4 };

// The printer's own cause where it knows one (a PDF file on a full disk);
// whether the contents reached the history before the document failed.
QString DocumentFailedMessage(const Printer &printer, bool recorded)
{
    QString cause = printer.DocumentFault();
    if (cause.isEmpty())
        cause = QStringLiteral("打印文档无法开始或结束，请检查打印机。");
    return QStringLiteral("打印没有完成：") + cause
        + (recorded ? QStringLiteral("本次打印的内容已经记入历史记录。")
                    : QStringLiteral("本次打印的内容没有记入历史记录。"));
}

bool IsBarCodeStart(const QString &content)
{
    return content.isEmpty() || QStringLiteral("0123456789-%$*").contains(content.at(0));
}

} // namespace

std::pair<Mm, Mm> PrintOffsets(const FormatHost &host)
{
    return {Mm(num::Val(host.OffsetXText()) - 10), Mm(num::Val(host.OffsetYText()) - 10)};
}

double PageViewSampleTwips(const FontSpec &font)
{
    const QFontMetricsF fm(fontmap::ToQFont(font));
    return fm.horizontalAdvance(QString::fromUtf16(layout::kFitSample)) * screen::TwipsPerPixel();
}

std::pair<qint32, qint32> BatchRange(const QString &answer, qint32 max)
{
    QString rest = answer;
    const qint32 start = num::ToLong(num::Val(rest));
    CutToken(rest, QStringLiteral(":"), true);
    const qint32 end = num::ToLong(num::Val(rest));
    const auto clamp = [max](qint32 v) { return v < 1 ? 1 : (v > max ? max : v); };
    return {clamp(start), clamp(end)};
}

QString BatchStoppedMessage(qint32 start, qint32 end, qint32 printed)
{
    return QStringLiteral("批量打印已停止：第%1至%2条记录共%3条，已打印%4条，未打印%5条。"
                          "要继续，请从第%6条记录开始打印。")
        .arg(start)
        .arg(end)
        .arg(end - start + 1)
        .arg(printed)
        .arg(end - start + 1 - printed)
        .arg(start + printed);
}

// ---------------------------------------------------------------------------

struct PageDrawer::Impl
{
    PrintContext &ctx;
    Printer &printer;
    DrawSurface &s;
    BarCodeStandard standard;
    bool paperReported = false;
    // Fitted sizes by (face, bold, stored size): the result depends only on
    // these while one document prints, so a batch fits each font once.
    std::map<std::tuple<QString, bool, double>, double> fitted;
    // The controls' rows, read once: the format does not change while a
    // document prints (only the contents do).
    std::map<qint32, std::optional<fmtgrid::ControlRow>> rows;
    // The printer page's size for this page's placement.
    Twips pw, ph;

    Impl(PrintContext &c, Printer &p)
        : ctx(c)
        , printer(p)
        , s(p.Surface())
        , standard(c.barCodeStandard)
    { }

    double Fit(double size, const QString &face, bool bold)
    {
        const auto key = std::make_tuple(face, bold, size);
        if (const auto it = fitted.find(key); it != fitted.end()) {
            s.SetFontBold(bold);
            s.SetFontSize(it->second);
            return it->second;
        }
        FontSpec sample;
        sample.name = face;
        sample.size = size;
        sample.bold = bold;
        // The sample's width on the page view, in millimetres of the page,
        // as printer twips.
        const double frame = ctx.view.FrameWidthTwips();
        const double pageMm = num::Val(ctx.host.PageWidthText());
        const double screenTw = PageViewSampleTwips(sample);
        const Twips target = frame > 0 ? ToTwips(Mm(screenTw * pageMm / frame)) : Twips(screenTw);
        const double result = layout::FitPrinterFontSize(s, target, bold);
        fitted.emplace(key, result);
        return result;
    }

    // Where a point of the format lands on the printer page.
    void Place(Twips &x, Twips &y, Twips w, Twips h) const
    {
        const bool lengthwise = ctx.host.OptionValue(1) == 1;
        const bool centred = ctx.host.OptionValue(3) == 1;
        if (lengthwise) {
            y += ph - h;
            if (centred)
                y -= (ph - h) / 2;
        } else if (centred) {
            x -= (pw - w) / 2;
        }
    }

    const std::optional<fmtgrid::ControlRow> &RowOf(qint32 index)
    {
        auto it = rows.find(index);
        if (it == rows.end()) {
            std::optional<fmtgrid::ControlRow> r;
            if (const std::optional<qint32> row = ctx.controls.ControlRow(index))
                r = fmtgrid::ReadControlRow(ctx.controls.FormatGrid(), *row);
            it = rows.emplace(index, std::move(r)).first;
        }
        return it->second;
    }

    void DrawText(const QString &content, const fmtgrid::ControlRow &r, Twips x, Twips y)
    {
        const Twips bw = ToTwips(Mm(r.w));
        const Twips sp = ToTwips(Mm(r.spacing));
        qint32 a = layout::AlignmentOfPacked(r.packedL);
        const Twips ls = ToTwips(Mm(layout::SpacingOfPacked(r.packedL)));
        const qint32 code = r.cash;
        if (code == 114)
            a = 1;
        if (code < 1 || (code >= 100 && code <= 108) || (code >= 110 && code <= 119))
            layout::PrintTextBlock(s, content, x, y, bw, sp, ls, a);
        else if (fmtgrid::IsAmountInCells(code))
            layout::PrintAmountInCells(s, content, x, y, bw, code, ctx.formatMoney);
        else if (code == 109)
            layout::PrintTextInCells(s, content, x, y, bw, 6, a);
        else if (fmtgrid::IsDigitsInCells(code))
            layout::PrintTextInCells(s, content, x, y, bw, code - 200, a);
    }

    void DrawPicture(qint32 index, const QString &content, const fmtgrid::ControlRow &r, Twips x,
                     Twips y)
    {
        const Twips bw = ToTwips(Mm(r.w)), bh = ToTwips(Mm(r.h));
        if (!IsBarCodeStart(content)) {
            s.PaintPicture(ctx.view.ControlPicture(index), x, y, bw, bh);
            return;
        }
        if (content.isEmpty())
            return;
        // The stored size (factor 1): the digits do not follow the zoom.
        const QString face = r.font.name.isEmpty() ? s.Font().name : r.font.name;
        const double textSize = r.font.size <= 2 ? 0 : Fit(r.font.size, face, r.font.bold);
        DrawBarCode(s, standard, content, ToMm(x), ToMm(y), ToMm(bw), ToMm(bh), textSize, true);
    }

    void DrawControl(qint32 cls, qint32 index, Mm offX, Mm offY, Twips w, Twips h)
    {
        const std::optional<fmtgrid::ControlRow> &read = RowOf(index);
        if (!read)
            return;
        const fmtgrid::ControlRow &r = *read;
        QString content;
        switch (cls) {
        case InputBox:
        case PictureBox:
            content = ctx.controls.ControlValue(index);
            break;
        case CheckBox:
            content = ctx.controls.ControlValue(index) == QStringLiteral("1") ? QStringLiteral("√")
                                                                              : QString();
            break;
        case LabelClass:
            content = r.prompt;
            break;
        default:
            break;
        }
        Twips x = ToTwips(Mm(r.x) - offX), y = ToTwips(Mm(r.y) - offY);
        Place(x, y, w, h);
        if (!content.isEmpty()) {
            if (!r.font.name.isEmpty())
                s.SetFontName(r.font.name);
            s.SetFontBold(r.font.bold);
            s.SetForeColor(r.color);
            s.SetFontItalic(r.font.italic);
            s.SetFontUnderline(r.font.underline);
            s.SetFontStrikeOut(r.font.strikeOut);
            Fit(r.font.size, s.Font().name, s.Font().bold);
        }
        switch (cls) {
        case PictureBox:
            DrawPicture(index, content, r, x, y);
            break;
        case LineClass: {
            Twips x2 = ToTwips(Mm(r.w) - offX), y2 = ToTwips(Mm(r.h) - offY);
            Place(x2, y2, w, h);
            s.SetDrawStyle(r.cash - 1);
            s.SetDrawWidth(num::ToLong(r.font.size));
            s.Line(x, y, x2, y2, r.color);
            break;
        }
        default:
            if (!content.isEmpty())
                DrawText(content, r, x, y);
            break;
        }
    }
};

PageDrawer::PageDrawer(PrintContext &ctx, Printer &printer)
    : d(std::make_unique<Impl>(ctx, printer))
{ }

PageDrawer::~PageDrawer() = default;

void PageDrawer::PrintPage(Mm offsetX, Mm offsetY)
{
    FormatHost &host = d->ctx.host;
    const Mm w(num::Val(host.PageWidthText())), h(num::Val(host.PageHeightText()));
    if (host.SetPaperTicked() && !SetPrinterPaper(d->printer, w, h) && !d->paperReported) {
        d->paperReported = true;
        dialogs().Message(QStringLiteral("打印机“%1”没有 %2 × %3 毫米的纸张，也不接受这个尺寸的自定义纸张，"
                                         "将用当前纸张打印。")
                              .arg(d->printer.DeviceName(), num::Str(w.v), num::Str(h.v)),
                          QStringLiteral("添加自定义纸张错误！"));
    }
    const bool lengthwise = host.OptionValue(1) == 1;
    d->printer.SetOrientation(lengthwise ? QPageLayout::Landscape : QPageLayout::Portrait);
    d->s.SetOrigin(Twips(0), Twips(0));
    if (host.DiTuPrintTicked())
        PrintBackgroundPicture(offsetX, offsetY, w, h, lengthwise, host.OptionValue(3) == 1);
    const Twips wt = ToTwips(w), ht = ToTwips(h);
    d->pw = d->s.Width();
    d->ph = d->s.Height();
    for (qint32 cls = InputBox; cls <= LabelClass; ++cls)
        for (qint32 n = 1; n <= d->ctx.controls.ControlCount(cls); ++n)
            d->DrawControl(cls, cls * 1000 + n, offsetX, offsetY, wt, ht);
}

void PageDrawer::PrintRulerGrid()
{
    DrawSurface &s = d->s;
    const qint32 pw = num::ToLong(ToMm(s.Width()).v), ph = num::ToLong(ToMm(s.Height()).v);
    const auto line = [&](qint32 at, bool vertical) {
        const bool major = at % 10 == 0;
        s.SetDrawWidth(major ? 2 : 1);
        const qint32 color = major ? 0 : 0x333333;
        if (vertical)
            s.Line(ToTwips(Mm(at)), Twips(0), ToTwips(Mm(at)), ToTwips(Mm(ph)), color);
        else
            s.Line(Twips(0), ToTwips(Mm(at)), ToTwips(Mm(pw)), ToTwips(Mm(at)), color);
    };
    s.SetDrawStyle(surface::Solid);
    for (qint32 x = 0; x <= pw - 2; x += 2)
        line(x, true);
    for (qint32 y = 0; y <= ph - 2; y += 2)
        line(y, false);
}

void PageDrawer::PrintBackgroundPicture(Mm offsetX, Mm offsetY, Mm w, Mm h, bool lengthwise,
                                        bool centred)
{
    DrawSurface &s = d->s;
    Twips x0 = -ToTwips(offsetX), y0 = -ToTwips(offsetY);
    const Twips wt = ToTwips(w), ht = ToTwips(h);
    if (lengthwise) {
        y0 += s.Height() - ht;
        if (centred)
            y0 -= (s.Height() - ht) / 2;
    } else if (centred) {
        x0 -= (s.Width() - wt) / 2;
    }
    const QImage picture = d->ctx.view.BackgroundPicture();
    if (!picture.isNull())
        s.PaintPicture(picture, x0, y0, wt, ht);
}

// ---------------------------------------------------------------------------

namespace {

// Draws the page (and the ruler grid when ticked) and collects its contents.
PrintedPage DrawRecord(PrintContext &ctx, PageDrawer &drawer)
{
    const auto [offX, offY] = PrintOffsets(ctx.host);
    drawer.PrintPage(offX, offY);
    if (ctx.view.PrintRulersTicked())
        drawer.PrintRulerGrid();
    return CollectPageContents(ctx.controls);
}

// How the end of a document went: whether it was handed on, whether its
// contents went to the history first, and that write's result.
struct DocumentEnd
{
    bool delivered = false;
    bool recorded = false;
    sql::Status stored;
};

// Ends the document; the contents go to the history once the document is
// complete and before it is handed on (a PDF file is named after).
DocumentEnd EndAndRecord(PrintContext &ctx, Printer &printer,
                         const std::vector<PrintedPage> &pages)
{
    DocumentEnd end;
    end.delivered = printer.EndDocRecorded([&] {
        end.recorded = true;
        if (!pages.empty() && ctx.writeHistory)
            end.stored = ctx.writeHistory(ctx.controls.FormatName(), pages);
    });
    return end;
}

// Says what went wrong at the end; true when the document was handed on.
bool SayDocumentEnd(const Printer &printer, const DocumentEnd &end)
{
    // The cause in the words of any refused database write: a damaged file
    // is said as such, since the next start will refuse it.
    if (end.recorded && !end.stored)
        dialogs().Message(QStringLiteral("单据已经打印，但打印记录没能保存到历史记录中！")
                          + db::WriteFaultText(end.stored, QStringLiteral("打印")));
    if (!end.delivered)
        dialogs().Message(DocumentFailedMessage(printer, end.recorded && end.stored));
    return end.delivered;
}

} // namespace

bool PrintRecord(PrintContext &ctx)
{
    const std::unique_ptr<Printer> printer = ctx.ui.ChoosePrinter();
    if (!printer)
        return false;
    std::vector<PrintedPage> pages;
    {
        PageDrawer drawer(ctx, *printer);
        pages.push_back(DrawRecord(ctx, drawer));
    }
    return SayDocumentEnd(*printer, EndAndRecord(ctx, *printer, pages));
}

qint32 BatchPrint(PrintContext &ctx, const RecordScroll &records)
{
    const QString answer = ctx.ui.AskBatchRange(records.value, records.max);
    if (answer.isEmpty())
        return 0;
    const auto [start, end] = BatchRange(answer, records.max);
    const std::unique_ptr<Printer> printer = ctx.ui.ChoosePrinter();
    if (!printer)
        return 0;
    std::vector<PrintedPage> pages;
    bool ok = true;
    bool stopped = false;
    DocumentEnd ended;
    {
        // The loop uses the page controls to its end; a stop (the progress
        // window's or the main window's close) ends it after the page in hand.
        const LongWork work(QStringLiteral("正在打印单据……"), std::max(0, end - start + 1),
                            WorkStop::Can);
        {
            PageDrawer drawer(ctx, *printer);
            const auto &fill = records.fillGridRow ? records.fillGridRow : records.showGridRow;
            for (qint32 r = start; r <= end; ++r) {
                if (fill)
                    fill(r + 1);
                pages.push_back(DrawRecord(ctx, drawer));
                if (!printer->Surface().NewPage()) {
                    ok = false;
                    break;
                }
                // The step lets the stop in: the pages so far stay printed.
                StepIndicator(1, QStringLiteral("pages"));
                if (work.Stopped()) {
                    stopped = r < end;
                    break;
                }
            }
        }
        // A page that failed discards the document, and nothing is stored.
        if (ok)
            ended = EndAndRecord(ctx, *printer, pages);
        else
            printer->Surface().EndDoc();
        if (records.showGridRow)
            records.showGridRow(records.value + 1);
    }
    if (!SayDocumentEnd(*printer, ended))
        return 0;
    const auto printed = static_cast<qint32>(pages.size());
    if (stopped)
        dialogs().Message(BatchStoppedMessage(start, end, printed));
    return printed;
}

} // namespace print
