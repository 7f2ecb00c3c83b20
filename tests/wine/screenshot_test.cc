// Pictures of the panel in our own container, kept as test artefacts and
// checked where it matters: the ambient colour behind the panel and the
// four icons on their buttons; on a Traditional Chinese system, its labels.
#include "panel_view/string_table.h"
#include "tests/wine/live_util.h"
#include "tests/wine/test_container.h"
#include "tools/page_host/window_picture.h"

namespace tamborix_wine {
namespace {

bool Reddish(COLORREF c) {
  return GetRValue(c) > 128 && GetGValue(c) < 64 && GetBValue(c) < 64;
}
bool Bluish(COLORREF c) {
  return GetBValue(c) > 128 && GetRValue(c) < 64 && GetGValue(c) < 64;
}
bool Greenish(COLORREF c) {
  return GetGValue(c) > 100 && GetRValue(c) < 64 && GetBValue(c) < 64;
}
bool Yellowish(COLORREF c) {
  return GetRValue(c) > 160 && GetGValue(c) > 120 && GetBValue(c) < 100;
}

// A picture of the panel with all four image buttons shown and enabled
// (disabled buttons draw their icons grey; the chooser button is hidden
// until a page asks for it), saved as `name` in the artefact folder.
void TakePicture(HWND panel, COLORREF background, const wchar_t* name) {
  const int buttons[] = {202, 205, 206, 216};
  bool enabled[4], visible[4];
  for (int i = 0; i < 4; ++i) {
    HWND button = GetDlgItem(panel, buttons[i]);
    enabled[i] = IsWindowEnabled(button) != FALSE;
    visible[i] = IsWindowVisible(button) != FALSE;
    EnableWindow(button, TRUE);
    ShowWindow(button, SW_SHOW);
  }
  RedrawWindow(panel, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpMessages();
  const tamborix::WindowPicture picture(panel);
  for (int i = 0; i < 4; ++i) {
    HWND button = GetDlgItem(panel, buttons[i]);
    EnableWindow(button, enabled[i]);
    ShowWindow(button, visible[i] ? SW_SHOW : SW_HIDE);
  }
  CHECK(picture.Save(gArtefactFolder + L"\\" + name));
  CHECK(picture.At(3, 3) == background);
  CHECK(Reddish(picture.ItemCentre(202)));
  CHECK(Bluish(picture.ItemCentre(205)));
  CHECK(Greenish(picture.ItemCentre(206)));
  CHECK(Yellowish(picture.ItemCentre(216)));
}

TEST_GROUP(ScreenshotsInBothColours) {
  REQUIRE(!gArtefactFolder.empty());
  Hosted host;
  REQUIRE(host.ready);
  CHECK_HR(host.Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
  HWND panel = host.Panel();
  REQUIRE(panel != nullptr);
  TakePicture(panel, kFirstColor, L"panel-english.bmp");
  Ref<IOleControl> control;
  REQUIRE(control.From(host.object.get()));
  host.site.backColor = kSecondColor;
  CHECK_HR(control->OnAmbientPropertyChange(DISPID_AMBIENT_BACKCOLOR), S_OK);
  TakePicture(panel, kSecondColor, L"panel-second-colour.bmp");
}

std::wstring Wide(const char* utf8) {
  wchar_t text[256] = {};
  if (utf8 != nullptr) {
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text, 256);
  }
  return text;
}

std::wstring LabelOf(HWND panel, int id) {
  wchar_t text[256] = {};
  GetWindowTextW(GetDlgItem(panel, id), text, 256);
  return text;
}

// Run by Wine in the zh_TW locale, whose system language is 0x0404.
TEST_GROUP(TraditionalChinesePanel) {
  REQUIRE(GetSystemDefaultLangID() == 0x0404);
  Hosted host;
  REQUIRE(host.ready);
  CHECK_HR(host.Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
  HWND panel = host.Panel();
  REQUIRE(panel != nullptr);
  CHECK(LabelOf(panel, 207) == Wide(tamborix::FindString(10001)));
  CHECK(LabelOf(panel, 208) == Wide(tamborix::FindString(10002)));
  CHECK(LabelOf(panel, 215) == Wide(tamborix::FindString(10003)));
  CHECK(LabelOf(panel, 203) == Wide(tamborix::FindString(10004)));
  const std::wstring caption = Wide(tamborix::FindString(10006));
  CHECK(LabelOf(panel, 217).compare(0, caption.size(), caption) == 0);
  TakePicture(panel, kFirstColor, L"panel-traditional-chinese.bmp");
}

}  // namespace
}  // namespace tamborix_wine
