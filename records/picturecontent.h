#pragma once
// What a picture box shows for its content: a text that begins with a digit
// is bar-code data, drawn in the chosen standard over the box at the
// screen's resolution; any other text is the path of a picture file, shown
// when the file exists, read by the one picture rule (platform/picturefile:
// turned by its orientation tag, reduced past the decoding limit). A file
// that is there but cannot be read leaves the box empty and says why in the
// look's fault, for the window to tell. The box keeps the content as its
// link item and tells the user by its tool tip what it holds.

#include "printing/barcodes.h"

#include <QImage>
#include <QString>
#include <optional>

namespace rec {

// The parts of a picture box that its content decides.
struct PictureBoxLook
{
    QString linkItem;
    QImage picture;
    QString toolTip;
    QString fault; // why the picture file was not read; empty when it was
};

// The hint of an empty box.
QString EmptyPictureHint();

// True when the content is bar-code data (it begins with a digit).
bool IsBarCodeContent(const QString &content);

// The bar code of the content over a box of widthTw x heightTw twips at the
// screen's resolution; fontSize is the digits' size (2 or less: no digits).
QImage BarCodePicture(const QString &content, double widthTw, double heightTw, double fontSize,
                      BarCodeStandard standard);

// Sets the box's look for the content. A picture path equal to the box's
// link item only needs a repaint: the look stays and false is returned;
// otherwise true. widthTw and heightTw are the box's size in twips,
// fontSize the digits' size under a bar code (2 or less: no digits).
// Without a standard a bar code is not drawn: the picture is left null for
// the caller to draw when the box is shown (BarCodePicture).
bool SetPictureContent(PictureBoxLook &box, const QString &content, double widthTw, double heightTw,
                       double fontSize, std::optional<BarCodeStandard> standard);

} // namespace rec
