// The control active in place in our own container: the panel where the
// site puts it, in its Fresh state, in the ambient colour, moved, clipped,
// tabbed through, deactivated and closed without a window left behind.
#include "tests/wine/test_container.h"

namespace tamborix_wine {
namespace {

TEST_GROUP(ContainerShowsFreshPanel) {
  Hosted host;
  REQUIRE(host.ready);
  CHECK(host.Panel() == nullptr);
  CHECK_HR(host.Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
  HWND panel = host.Panel();
  REQUIRE(panel != nullptr);
  CHECK(GetParent(panel) == host.frame.get());
  CHECK(IsWindowVisible(panel));
  const RECT place = PlaceInParent(panel);
  CHECK(EqualRect(&place, &kPlace));
  CHECK(host.site.canActivate == 1);
  CHECK(host.site.inPlaceActivated == 1);
  CHECK(host.site.uiActivated == 0);
  CHECK(host.events.counts[kOnPlayimg] == 1);
  CheckFreshPanel(panel, 120);
  // The icons show on their buttons: red, blue and green in the middle
  // (STOP and PLAY enabled for the look, disabled buttons draw them grey).
  EnableWindow(GetDlgItem(panel, 205), TRUE);
  EnableWindow(GetDlgItem(panel, 206), TRUE);
  BackgroundPixel(panel);
  const COLORREF rec = ItemCentrePixel(panel, 202);
  const COLORREF stop = ItemCentrePixel(panel, 205);
  const COLORREF play = ItemCentrePixel(panel, 206);
  EnableWindow(GetDlgItem(panel, 205), FALSE);
  EnableWindow(GetDlgItem(panel, 206), FALSE);
  CHECK(GetRValue(rec) > 128 && GetGValue(rec) < 64 && GetBValue(rec) < 64);
  CHECK(GetBValue(stop) > 128 && GetRValue(stop) < 64 && GetGValue(stop) < 64);
  CHECK(GetGValue(play) > 100 && GetRValue(play) < 64 && GetBValue(play) < 64);
  const std::string status = ItemText(panel, 213);
  CHECK(status.size() > 12 && status.substr(status.size() - 12) == "\\bagtake.wav");
  // Activating again shows the same panel and fires nothing new.
  CHECK_HR(host.Verb(OLEIVERB_SHOW), S_OK);
  CHECK(host.Panel() == panel);
  CHECK(host.events.counts[kOnPlayimg] == 1);
}

TEST_GROUP(ContainerColourPaintsPanel) {
  Hosted host;
  REQUIRE(host.ready);
  CHECK_HR(host.Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
  HWND panel = host.Panel();
  REQUIRE(panel != nullptr);
  CHECK(BackgroundPixel(panel) == kFirstColor);
  HDC dc = GetDC(panel);
  HBRUSH brush =
      reinterpret_cast<HBRUSH>(SendMessageA(panel, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                            reinterpret_cast<LPARAM>(GetDlgItem(panel, 203))));
  LOGBRUSH colour = {};
  CHECK(brush != nullptr && GetObjectA(brush, sizeof colour, &colour) == sizeof colour &&
        colour.lbColor == kFirstColor);
  CHECK(GetBkColor(dc) == kFirstColor);
  ReleaseDC(panel, dc);

  Ref<IOleControl> control;
  REQUIRE(control.From(host.object.get()));
  host.site.backColor = kSecondColor;
  CHECK_HR(control->OnAmbientPropertyChange(DISPID_AMBIENT_BACKCOLOR), S_OK);
  CHECK(BackgroundPixel(panel) == kSecondColor);
  // Another property leaves the colour; an unnamed change reads it again.
  host.site.backColor = kFirstColor;
  CHECK_HR(control->OnAmbientPropertyChange(DISPID_AMBIENT_FONT), S_OK);
  CHECK(BackgroundPixel(panel) == kSecondColor);
  CHECK_HR(control->OnAmbientPropertyChange(DISPID_UNKNOWN), S_OK);
  CHECK(BackgroundPixel(panel) == kFirstColor);
  // A site without ambient properties: the dialog's own colour.
  host.site.hasAmbient = false;
  CHECK_HR(control->OnAmbientPropertyChange(DISPID_AMBIENT_BACKCOLOR), S_OK);
  CHECK(BackgroundPixel(panel) == GetSysColor(COLOR_3DFACE));
}

TEST_GROUP(ContainerMovesClipsAndTabs) {
  Hosted host;
  REQUIRE(host.ready);
  Ref<IOleInPlaceObject> inPlace;
  REQUIRE(inPlace.From(host.object.get()));
  const RECT moved = {40, 50, 40 + 300, 50 + 200};
  CHECK_HR(inPlace->SetObjectRects(&moved, &moved), E_UNEXPECTED);  // not active yet
  CHECK_HR(host.Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
  HWND panel = host.Panel();
  REQUIRE(panel != nullptr);

  const RECT clip = {40, 50, 40 + 100, 50 + 200};
  CHECK_HR(inPlace->SetObjectRects(&moved, &clip), S_OK);
  RECT place = PlaceInParent(panel);
  CHECK(EqualRect(&place, &moved));
  RECT box = {};
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  CHECK(GetWindowRgn(panel, region) == SIMPLEREGION);
  GetRgnBox(region, &box);
  const RECT expectedBox = {0, 0, 100, 200};
  CHECK(EqualRect(&box, &expectedBox));
  DeleteObject(region);

  // UI activation makes it the frame's active object and gives it the focus;
  // Tab then moves between its controls through TranslateAccelerator.
  CHECK_HR(host.Verb(OLEIVERB_UIACTIVATE), S_OK);
  CHECK(host.site.uiActivated == 1);
  REQUIRE(host.site.active != nullptr);
  HWND first = GetFocus();
  CHECK(first != nullptr && IsChild(panel, first));
  MSG tab = {first, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
  CHECK_HR(host.site.active->TranslateAccelerator(&tab), S_OK);
  HWND second = GetFocus();
  CHECK(second != first && IsChild(panel, second));
  MSG letter = {second, WM_NULL, 0, 0, 0, {0, 0}};
  CHECK_HR(host.site.active->TranslateAccelerator(&letter), S_FALSE);

  Ref<IOleInPlaceObject> again;
  REQUIRE(again.From(host.object.get()));
  CHECK_HR(again->UIDeactivate(), S_OK);
  CHECK(host.site.uiDeactivated == 1);
  CHECK(host.site.active == nullptr);
  CHECK(IsWindow(panel));
  // A click on the panel makes it UI-active again.
  SendMessageA(panel, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(host.frame.get()),
               MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
  CHECK(host.site.uiActivated == 2);
  CHECK(host.site.active != nullptr);
}

TEST_GROUP(ContainerDeactivatesAndCloses) {
  Hosted host;
  REQUIRE(host.ready);
  CHECK_HR(host.Verb(OLEIVERB_UIACTIVATE), S_OK);
  HWND panel = host.Panel();
  REQUIRE(panel != nullptr);
  Ref<IOleInPlaceObject> inPlace;
  REQUIRE(inPlace.From(host.object.get()));
  CHECK_HR(inPlace->InPlaceDeactivate(), S_OK);
  PumpMessages();
  CHECK(!IsWindow(panel));
  CHECK(CountDescendants(host.frame.get()) == 0);
  CHECK(host.site.uiDeactivated == 1);
  CHECK(host.site.inPlaceDeactivated == 1);
  CHECK(host.Panel() == nullptr);

  // Active again: a new panel, a new OnPlayimg; Close takes it away.
  CHECK_HR(host.Verb(OLEIVERB_PRIMARY), S_OK);
  panel = host.Panel();
  REQUIRE(panel != nullptr);
  CHECK(host.events.counts[kOnPlayimg] == 2);
  CHECK_HR(host.object->Close(OLECLOSE_NOSAVE), S_OK);
  PumpMessages();
  CHECK(!IsWindow(panel));
  CHECK(CountDescendants(host.frame.get()) == 0);
  CHECK(host.site.inPlaceDeactivated == 2);
  CHECK(host.site.active == nullptr);
  // The control holds nothing of the container's after letting go of its
  // site.
  host.object->SetClientSite(nullptr);
  host.object.Reset();
  CHECK(host.site.refs == 1);
}

}  // namespace
}  // namespace tamborix_wine
