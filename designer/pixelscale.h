#pragma once
// The one conversion between the model's twips and the screen's pixels.
// The screen's own factor (1440 / logical dots per inch) is used until one
// is set; tests fix it at 15 twips per pixel.

namespace dsg {

double TwipsPerPixel();
// A factor of 0 or below returns to the screen's own.
void SetTwipsPerPixel(double twipsPerPixel);
int ToPx(double twips);
double ToTwips(double pixels);

} // namespace dsg
