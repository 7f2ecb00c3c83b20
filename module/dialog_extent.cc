#include "module/dialog_extent.h"

namespace tamborix {
namespace {

constexpr int kHimetricPerInch = 2540;

// a * b / c rounded to nearest, in 64 bits; 0 when c is 0.
int32_t MulDivRound(int64_t a, int64_t b, int64_t c) {
  if (c == 0) {
    return 0;
  }
  const int64_t product = a * b;
  const int64_t half = c / 2;
  return static_cast<int32_t>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

int AverageCharWidth(int widthOf52Letters) {
  return (widthOf52Letters / 26 + 1) / 2;
}

ExtentSize DialogUnitsToPixels(int widthDlu, int heightDlu, DialogBaseUnits units) {
  ExtentSize pixels;
  pixels.cx = MulDivRound(widthDlu, units.x, 4);
  pixels.cy = MulDivRound(heightDlu, units.y, 8);
  return pixels;
}

ExtentSize PixelsToHimetric(ExtentSize pixels, int dpiX, int dpiY) {
  ExtentSize himetric;
  himetric.cx = MulDivRound(pixels.cx, kHimetricPerInch, dpiX);
  himetric.cy = MulDivRound(pixels.cy, kHimetricPerInch, dpiY);
  return himetric;
}

}  // namespace tamborix
