#pragma once
// The example format stored on the first start, so that a new database is
// not empty: a generic express waybill of 230 x 127 mm with a background
// picture of its own (a neutral form with boxes and captions), input boxes
// for sender and recipient, a date box and a bar-code box, with the menu
// tick that sets a paper of the format's size before printing. It is stored
// through the format store exactly as a user's format is, and the settings
// row names it as the format to open.

#include <QImage>
#include <QString>

// "通用快递单（示例）"
QString ExampleFormatName();

// The background picture of the example, drawn at pixelsPerMm.
QImage DrawExampleBackground(double pixelsPerMm = 8.0);

// When table Fmt holds no format at all: stores the example format, writes
// its picture to the format's background-picture path and makes the settings
// row name it. Does nothing when any format exists. True when it was stored.
bool StoreExampleFormatIfFirstStart();
