#include "records/picturecontent.h"

#include "platform/drawsurface.h"
#include "platform/picturefile.h"
#include "platform/screenscale.h"

#include <QFileInfo>

namespace rec {

QString EmptyPictureHint()
{
    return QStringLiteral("点鼠标右键，在弹出菜单选相应的菜单项，可添加/更改图片或输入条码。");
}

bool IsBarCodeContent(const QString &content)
{
    return !content.isEmpty() && content.at(0) >= u'0' && content.at(0) <= u'9';
}

QImage BarCodePicture(const QString &content, double widthTw, double heightTw, double fontSize,
                      BarCodeStandard standard)
{
    const int w = qMax(1, screen::ToPx(widthTw)), h = qMax(1, screen::ToPx(heightTw));
    QImage img(w, h, QImage::Format_RGB32);
    const int dotsPerMetre = qRound(1440.0 / screen::TwipsPerPixel() / 0.0254);
    img.setDotsPerMeterX(dotsPerMetre);
    img.setDotsPerMeterY(dotsPerMetre);
    img.fill(Qt::white);
    PainterSurface s(&img);
    DrawBarCode(s, standard, content, Mm(0), Mm(0), ToMm(s.Width()), ToMm(s.Height()),
                fontSize <= 2 ? 0 : fontSize, true);
    s.EndDoc();
    return img;
}

bool SetPictureContent(PictureBoxLook &box, const QString &content, double widthTw, double heightTw,
                       double fontSize, std::optional<BarCodeStandard> standard)
{
    const bool barCode = IsBarCodeContent(content);
    if (!barCode && !content.isEmpty() && content == box.linkItem)
        return false;
    box.toolTip = EmptyPictureHint();
    box.linkItem.clear();
    box.picture = QImage();
    box.fault.clear();
    if (content.isEmpty())
        return true;
    if (barCode) {
        if (standard)
            box.picture = BarCodePicture(content, widthTw, heightTw, fontSize, *standard);
        box.linkItem = content;
        box.toolTip = QStringLiteral("当前条码：") + content;
    } else if (QFileInfo(content).isFile()) {
        box.linkItem = content;
        const PictureRead read = ReadPicture(content);
        box.picture = read.image;
        box.fault = PictureFaultText(content, read);
        box.toolTip = QStringLiteral("当前图片：") + content;
    }
    return true;
}

} // namespace rec
