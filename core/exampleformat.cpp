#include "core/exampleformat.h"

#include "core/database.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "core/formatstore.h"
#include "platform/numtext.h"

#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPen>

using namespace fmtgrid;

namespace {

constexpr double kWidthMm = 230;
constexpr double kHeightMm = 127;

// One design control of the example (millimetres).
struct ExampleCtl
{
    int cls; // 0 input box, 2 picture box
    const char *label;
    double x, y, w, h;
    double fontSize;
    qint32 cash; // data-type code
};

// Input boxes sit in the blank parts of the picture drawn below.
const ExampleCtl kControls[] = {
    {0, "寄件人姓名", 26, 24, 34, 7, 12, 0},   {0, "寄件人电话", 73, 24, 40, 7, 12, 0},
    {0, "寄件人地址", 26, 34, 87, 16, 10, 0},  {0, "寄件人单位", 26, 53, 87, 7, 10, 0},
    {0, "收件人姓名", 139, 24, 34, 7, 12, 0},  {0, "收件人电话", 186, 24, 40, 7, 12, 0},
    {0, "收件人地址", 139, 34, 87, 16, 10, 0}, {0, "收件人单位", 139, 53, 87, 7, 10, 0},
    {0, "物品名称", 26, 74, 87, 7, 10, 0},     {0, "备注", 26, 85, 87, 14, 10, 0},
    {0, "寄件日期", 137, 74, 60, 7, 10, 110}, // 日期：YYYY年MM月DD日
    {2, "运单条码", 135, 4, 88, 14, 9, 0},
};

QFont captionFont(double pixelSize, bool bold = false)
{
    QFont f;
    f.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                   QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                   QStringLiteral("Droid Sans Fallback")});
    f.setPixelSize(std::max(1, int(pixelSize)));
    f.setBold(bold);
    return f;
}

bool anyFormatStored(bool *failed)
{
    const auto rs
        = db::OpenRecordset(QStringLiteral("SELECT ID FROM Fmt WHERE Fmt<>? LIMIT 1"), {QString()});
    *failed = !rs;
    return rs && !rs->empty();
}

// The example's rows as a format grid with temporary IDs.
void fillGrid(GridModel &grid)
{
    LayoutFormatGrid(grid);
    for (const ExampleCtl &c : kControls) {
        QStringList texts;
        for (qint32 col = 0; col < kColumnCount; ++col)
            texts << QString();
        texts[ColID] = num::Str(NewTempCtlID(grid));
        texts[ColSerial] = num::Str(qint64(grid.dataRows() + 1));
        texts[ColLBL] = QString::fromUtf8(c.label);
        texts[ColDir] = DirCodeToName(0);
        texts[ColX] = num::Str(c.x);
        texts[ColY] = num::Str(c.y);
        texts[ColW] = num::Str(c.w);
        texts[ColH] = num::Str(c.h);
        texts[ColS] = QStringLiteral("0");
        texts[ColL] = QStringLiteral("0");
        texts[ColFName] = QStringLiteral("宋体");
        texts[ColFSize] = num::Str(c.fontSize);
        texts[ColClas] = num::Str(qint64(c.cls));
        texts[ColCash] = num::Str(qint64(c.cash));
        texts[ColRCtl] = QStringLiteral("0");
        texts[ColSumID] = QStringLiteral("0");
        texts[ColSumID1] = QStringLiteral("0");
        const qint32 row = grid.addRow(texts);
        SetCellColor(grid, row, 0);
    }
}

} // namespace

QString ExampleFormatName()
{
    return QStringLiteral("通用快递单（示例）");
}

QImage DrawExampleBackground(double k)
{
    QImage img(int(kWidthMm * k + 0.5), int(kHeightMm * k + 0.5), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    auto r = [k](double x, double y, double w, double h) {
        return QRectF(x * k, y * k, w * k, h * k);
    };
    auto line = [&](double x1, double y1, double x2, double y2) {
        p.drawLine(QPointF(x1 * k, y1 * k), QPointF(x2 * k, y2 * k));
    };
    auto text = [&](double x, double y, double w, double h, const QString &t, double sizeMm,
                    bool bold = false, int align = Qt::AlignCenter) {
        p.setFont(captionFont(sizeMm * k, bold));
        p.drawText(r(x, y, w, h), align, t);
    };
    const QColor ink(0x1F, 0x4E, 0x79);
    p.setPen(QPen(ink, 0.35 * k));

    // Frame, title and the bar-code field.
    p.drawRect(r(2, 2, 226, 123));
    text(6, 4, 60, 14, QStringLiteral("快递运单"), 8, true, Qt::AlignLeft | Qt::AlignVCenter);
    text(116, 4, 18, 14, QStringLiteral("运单号"), 3.5);
    line(2, 20, 228, 20);

    // Sender (left) and recipient (right) sections.
    const struct
    {
        double x;
        const char *title;
    } sections[] = {{2, "寄件人"}, {115, "收件人"}};
    for (const auto &s : sections) {
        const double x = s.x;
        p.drawRect(r(x, 20, 113, 50));
        line(x + 10, 20, x + 10, 70);
        // The section's title written top to bottom in its band.
        const QString title = QString::fromUtf8(s.title);
        for (qsizetype i = 0; i < title.size(); ++i)
            text(x, 26 + i * 12, 10, 10, title.mid(i, 1), 6, true);
        line(x + 10, 32, x + 113, 32);
        line(x + 10, 51, x + 113, 51);
        line(x + 10, 61, x + 113, 61);
        text(x + 10, 20, 13, 12, QStringLiteral("姓名"), 3.8);
        line(x + 23, 20, x + 23, 61);
        line(x + 58, 20, x + 58, 32);
        text(x + 58, 20, 12, 12, QStringLiteral("电话"), 3.8);
        line(x + 70, 20, x + 70, 32);
        text(x + 10, 32, 13, 19, QStringLiteral("地址"), 3.8);
        text(x + 10, 51, 13, 10, QStringLiteral("单位"), 3.8);
        text(x + 10, 61, 13, 9, QStringLiteral("签名"), 3.8);
        line(x + 23, 61, x + 23, 70);
    }

    // Goods, remarks, date and receipt.
    p.drawRect(r(2, 70, 226, 55));
    line(115, 70, 115, 125);
    line(2, 83, 228, 83);
    line(2, 101, 228, 101);
    line(24, 70, 24, 101);
    text(2, 70, 22, 13, QStringLiteral("物品名称"), 3.8);
    text(2, 83, 22, 18, QStringLiteral("备注"), 3.8);
    line(135, 70, 135, 83);
    text(115, 70, 20, 13, QStringLiteral("日期"), 3.8);
    text(117, 83, 111, 6, QStringLiteral("收件人签收"), 3.5, false,
         Qt::AlignLeft | Qt::AlignVCenter);
    text(4, 102, 108, 22,
         QStringLiteral("请如实填写寄件人与收件人的姓名、电话和地址，"
                        "字迹清楚，并核对无误后签名。"),
         3.2, false, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap);
    text(117, 102, 109, 22, QStringLiteral("本单为通用示例格式，可按实际面单调整。"), 3.2, false,
         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap);
    p.end();
    return img;
}

bool StoreExampleFormatIfFirstStart()
{
    // Only a database created by this start gets the example, so a user who
    // deleted every format does not find it back.
    if (!db::Connection() || !db::CreatedThisRun())
        return false;
    bool failed = false;
    if (anyFormatStored(&failed) || failed)
        return false;

    const QString name = ExampleFormatName();
    // The store takes the page size, offsets and options from the host it is
    // given; the example's own values stand in for the main window's.
    FormatHostState host;
    host.formatName = name;
    host.width = num::Str(kWidthMm);
    host.height = num::Str(kHeightMm);
    host.offsetX = QStringLiteral("10");
    host.offsetY = QStringLiteral("10");
    host.options[4] = 1; // show the background picture
    // "自动设置纸张" ticked: the waybill is wider than A4, so a first print
    // comes out on paper of its own size.
    host.setPaper = true;
    GridModel grid;
    fillGrid(grid);
    if (!SaveFormatGrid(host, grid, name))
        return false;

    DrawExampleBackground().save(GetBackgroundPicturePath(name), "JPG", 90);
    db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET LBL=? WHERE Fmt=?"), {name, QString()});
    return true;
}
