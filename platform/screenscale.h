#pragma once
// The one conversion between twips (the model's lengths) and screen pixels.
// The screen's own factor (1440 / logical dots per inch) is used until one is
// set; tests fix it at 15 twips per pixel.

namespace screen {

double TwipsPerPixel();
// A factor of 0 or below returns to the screen's own.
void SetTwipsPerPixel(double twipsPerPixel);
int ToPx(double twips);
double ToTwips(double pixels);

} // namespace screen
