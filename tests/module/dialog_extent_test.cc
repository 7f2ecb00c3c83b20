// The extent arithmetic: dialog units to pixels to HIMETRIC.
#include <gtest/gtest.h>

#include "module/dialog_extent.h"

namespace tamborix {
namespace {

TEST(DialogExtent, PanelAtNinetySixDotsPerInch) {
  // Verdana 8 at 96 dpi: the 52 letters are 312 pixels wide, 13 pixels high.
  const DialogBaseUnits units{AverageCharWidth(312), 13};
  EXPECT_EQ(units.x, 6);
  const ExtentSize pixels = DialogUnitsToPixels(kPanelWidthDlu, kPanelHeightDlu, units);
  EXPECT_EQ(pixels.cx, 354);
  EXPECT_EQ(pixels.cy, 273);
  const ExtentSize himetric = PixelsToHimetric(pixels, 96, 96);
  EXPECT_EQ(himetric.cx, 9366);  // 354 * 2540 / 96 = 9366.25
  EXPECT_EQ(himetric.cy, 7223);  // 273 * 2540 / 96 = 7223.1
}

TEST(DialogExtent, RoundsToNearestAndSurvivesZeroDpi) {
  EXPECT_EQ(AverageCharWidth(338), 7);                 // 13 per two letters: 6.5 -> 7
  EXPECT_EQ(DialogUnitsToPixels(3, 3, {5, 5}).cx, 4);  // 3.75 -> 4
  EXPECT_EQ(PixelsToHimetric({1, 1}, 0, 0).cx, 0);
}

}  // namespace
}  // namespace tamborix
