// The control's extent, measured with the dialog template's font on the
// screen.
#include <cstring>

#include "module/dialog_extent.h"
#include "module/recorder_object.h"

namespace tamborix {
namespace {

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kPointsPerInch = 72;
constexpr int kDefaultDpi = 96;

// The template font's base units on `dc`; zero when it cannot be measured.
DialogBaseUnits MeasureFont(HDC dc, int dpiY) {
  DialogBaseUnits units;
  LOGFONTA font = {};
  font.lfHeight = -MulDiv(kPanelFontPoints, dpiY, kPointsPerInch);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(font.lfFaceName, kPanelFontFace, sizeof font.lfFaceName - 1);
  HFONT handle = CreateFontIndirectA(&font);
  if (handle == nullptr) {
    return units;
  }
  HGDIOBJ old = SelectObject(dc, handle);
  TEXTMETRICA metrics;
  SIZE letters;
  if (GetTextMetricsA(dc, &metrics) &&
      GetTextExtentPoint32A(dc, kLetters, sizeof kLetters - 1, &letters)) {
    units.x = AverageCharWidth(letters.cx);
    units.y = metrics.tmHeight;
  }
  SelectObject(dc, old);
  DeleteObject(handle);
  return units;
}

}  // namespace

SIZEL MeasureControlExtent() {
  DialogBaseUnits units;
  int dpiX = kDefaultDpi;
  int dpiY = kDefaultDpi;
  if (HDC dc = GetDC(nullptr)) {
    dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    units = MeasureFont(dc, dpiY);
    ReleaseDC(nullptr, dc);
  }
  if (units.x <= 0 || units.y <= 0) {
    const LONG system = GetDialogBaseUnits();  // the system font's, as a fallback
    units.x = LOWORD(system);
    units.y = HIWORD(system);
  }
  const ExtentSize pixels = DialogUnitsToPixels(kPanelWidthDlu, kPanelHeightDlu, units);
  const ExtentSize himetric =
      PixelsToHimetric(pixels, dpiX > 0 ? dpiX : kDefaultDpi, dpiY > 0 ? dpiY : kDefaultDpi);
  return SIZEL{himetric.cx, himetric.cy};
}

}  // namespace tamborix
