// The control's extent from the size of its dialog template: dialog units to
// pixels with the template font's base units, then pixels to HIMETRIC
// (hundredths of a millimetre).
#pragma once

#include <cstdint>

namespace tamborix {

// Size of dialog template 104 in dialog units, and its font.
constexpr int kPanelWidthDlu = 236;
constexpr int kPanelHeightDlu = 168;
constexpr char kPanelFontFace[] = "Verdana";
constexpr int kPanelFontPoints = 8;

// The natural extent in HIMETRIC units.
constexpr int32_t kNaturalExtent = 5080;

struct ExtentSize {
  int32_t cx = 0;
  int32_t cy = 0;
};

// Dialog base units of a font: the average width of its letters and its
// height, in pixels.
struct DialogBaseUnits {
  int x = 0;
  int y = 0;
};

// The base unit x from the width in pixels of the 52 letters A-Z a-z, as
// dialogs compute it: the width of one letter on average, rounded.
int AverageCharWidth(int widthOf52Letters);

ExtentSize DialogUnitsToPixels(int widthDlu, int heightDlu, DialogBaseUnits units);

// Pixels to HIMETRIC at the given dots per inch (2540 HIMETRIC to the inch),
// rounded to nearest.
ExtentSize PixelsToHimetric(ExtentSize pixels, int dpiX, int dpiY);

}  // namespace tamborix
