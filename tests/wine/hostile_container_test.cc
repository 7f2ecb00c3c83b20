// Our own container behaving as pages and browsers do: it lets go of the
// control from inside its events, deactivates and re-activates it under one
// of its boxes, clicks under a box, scrolls it out of view and activates it
// again and again. These groups run under Wine's heap checking
// (containers.sh), so a use of freed memory stops the program.
#include <cstdio>
#include <string>

#include "tests/wine/live_util.h"
#include "tests/wine/test_container.h"

namespace tamborix_wine {
namespace {

constexpr int kRec = 202, kStop = 205, kPlay = 206, kUpload = 207, kAbort = 208, kChoose = 216;

// The page's params: an upload to the local storage service, and a take
// that does not exist yet.
const std::vector<std::pair<const wchar_t*, const wchar_t*>> kParams = {
    {L"Session", L"hostile-1"}, {L"User", L"ann"},        {L"Domain", L"example.org"},
    {L"TargetDir", L"hostile"}, {L"Host", L"127.0.80.1"}, {L"FileName", L"hostile.wav"},
    {L"PDrive", L"P"}};

// What a page does when it removes the control: its window goes and every
// reference it held is let go of.
void LetGo(Hosted& host) {
  DestroyWindow(host.frame.get());
  host.object.Reset();
}

// Active in place with the take's file removed; the panel.
HWND ActivateWithoutTake(Hosted& host) {
  if (FAILED(host.Verb(OLEIVERB_INPLACEACTIVATE))) {
    return nullptr;
  }
  DeleteFileW(LocalFullFileName(host.object.get()).c_str());
  return host.Panel();
}

// PLAY on the missing take shows the device's error box; `action` runs
// while it is open.
bool UnderPlayErrorBox(HWND panel, const std::function<void(HWND box)>& action) {
  UnderNextBox under(action);
  EnableWindow(GetDlgItem(panel, kPlay), TRUE);
  Click(panel, kPlay);
  PumpMessages();
  return under.Ran();
}

bool RecButtons(HWND panel) {
  return !IsWindowEnabled(GetDlgItem(panel, kRec)) && IsWindowEnabled(GetDlgItem(panel, kStop));
}

bool ReadyToRecord(HWND panel) {
  return IsWindowEnabled(GetDlgItem(panel, kRec)) && !IsWindowEnabled(GetDlgItem(panel, kStop));
}

// GDI objects of this process of `type` (0: of any type). Wine takes a
// handle's low word alone as the index into the process's handle table.
int CountGdiObjects(DWORD type) {
  int count = 0;
  for (UINT_PTR index = 1; index < 0x10000; ++index) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    const DWORD found = GetObjectType(reinterpret_cast<HGDIOBJ>(index));
    count += found != 0 && (type == 0 || found == type) ? 1 : 0;
  }
  return count;
}

TEST_GROUP(HostileReleaseInsideAbort) {
  Hosted host(kParams);
  HWND panel = host.Activate();
  REQUIRE(panel != nullptr);
  host.events.onEvent = [&host](DISPID dispid) {
    if (dispid == kOnAbort) {
      LetGo(host);
    }
  };
  Click(panel, kAbort);
  PumpMessages();
  CHECK(host.events.counts[kOnAbort] == 1);
  CHECK(!IsWindow(panel));
  CHECK(host.site.refs == 1);  // the control is gone: it held the site
}

TEST_GROUP(HostileReleaseInsideOKDone) {
  REQUIRE(!gStoreFolder.empty());
  BoxWatcher boxes;
  Hosted host(kParams);
  HWND panel = host.Activate();
  REQUIRE(panel != nullptr);
  const std::wstring path = LocalFullFileName(host.object.get());
  FILE* take = _wfopen(path.c_str(), L"wb");
  REQUIRE(take != nullptr);
  std::fputs("a take", take);
  std::fclose(take);
  host.events.onEvent = [&host](DISPID dispid) {
    if (dispid == kOnOKDone || dispid == kOnAbort) {
      LetGo(host);
    }
  };
  EnableWindow(GetDlgItem(panel, kUpload), TRUE);
  Click(panel, kUpload);
  PumpMessages();
  CHECK(host.events.counts[kOnOKDone] == 1);
  CHECK(!IsWindow(panel));
  CHECK(host.site.refs == 1);
  CHECK(boxes.Texts().empty());
}

// The page takes the control away while it is being activated.
TEST_GROUP(HostileReleaseInsidePlayimg) {
  Hosted host(kParams);
  REQUIRE(host.ready);
  host.events.onEvent = [&host](DISPID dispid) {
    if (dispid == kOnPlayimg) {
      host.object->Close(OLECLOSE_NOSAVE);
      host.object->SetClientSite(nullptr);
      LetGo(host);
    }
  };
  IOleObject* object = host.object.get();
  object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(&host.site), 0,
                 host.frame.get(), &kPlace);
  PumpMessages();
  CHECK(host.events.counts[kOnPlayimg] == 1);
  CHECK(!host.object);
  CHECK(host.site.refs == 1);
}

// The page shows the control afresh from inside the first panel's
// OnPlayimg: the panel made then is the one that stays and records.
TEST_GROUP(HostileReactivateInsidePlayimg) {
  Hosted host(kParams);
  REQUIRE(host.ready);
  Ref<IOleInPlaceObject> inPlace;
  REQUIRE(inPlace.From(host.object.get()));
  host.events.onEvent = [&](DISPID dispid) {
    if (dispid == kOnPlayimg && host.events.counts[kOnPlayimg] == 1) {
      inPlace->InPlaceDeactivate();
      host.object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                          static_cast<IOleClientSite*>(&host.site), 0, host.frame.get(), &kPlace);
    }
  };
  CHECK_HR(host.Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
  CHECK(host.events.counts[kOnPlayimg] == 2);
  HWND panel = host.Panel();
  REQUIRE(panel != nullptr && IsWindow(panel));
  CHECK(CountDescendants(host.frame.get()) == CountDescendants(panel) + 1);
  Click(panel, kRec);
  CHECK(RecButtons(panel));
  PumpFor(1000);
  Click(panel, kStop);
  CHECK(ReadyToRecord(panel));
}

// Deactivated and active again while PLAY's error box is open: once the box
// is answered, the new panel records.
TEST_GROUP(HostileReactivateUnderBox) {
  Hosted host(kParams);
  REQUIRE(host.ready);
  HWND panel = ActivateWithoutTake(host);
  REQUIRE(panel != nullptr);
  Ref<IOleInPlaceObject> inPlace;
  REQUIRE(inPlace.From(host.object.get()));
  HRESULT deactivated = E_FAIL, activated = E_FAIL;
  CHECK(UnderPlayErrorBox(panel, [&](HWND) {
    deactivated = inPlace->InPlaceDeactivate();
    activated =
        host.object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                            static_cast<IOleClientSite*>(&host.site), 0, host.frame.get(), &kPlace);
  }));
  CHECK_HR(deactivated, S_OK);
  CHECK_HR(activated, S_OK);
  CHECK(!IsWindow(panel));
  HWND fresh = host.Panel();
  REQUIRE(fresh != nullptr && IsWindow(fresh));
  CHECK(host.events.counts[kOnPlayimg] == 2);
  const std::wstring path = LocalFullFileName(host.object.get());
  Click(fresh, kRec);
  CHECK(RecButtons(fresh));
  PumpFor(4000);
  Click(fresh, kStop);
  CHECK(ReadyToRecord(fresh));
  const Wave wave = ReadWave(path);
  CHECK(wave.valid && !wave.samples.empty());
}

// The box belongs to the page's window, which it disables; a click that
// gets through all the same starts nothing.
TEST_GROUP(HostileClickUnderBox) {
  Hosted host(kParams);
  REQUIRE(host.ready);
  HWND panel = ActivateWithoutTake(host);
  REQUIRE(panel != nullptr);
  HWND owner = nullptr;
  bool frameEnabled = true, recStarted = false;
  CHECK(UnderPlayErrorBox(panel, [&](HWND box) {
    owner = GetWindow(box, GW_OWNER);
    frameEnabled = IsWindowEnabled(host.frame.get()) != FALSE;
    Click(panel, kRec);
    recStarted = RecButtons(panel);
  }));
  CHECK(owner == host.frame.get());
  CHECK(!frameEnabled);
  CHECK(!recStarted);
  CHECK(IsWindowEnabled(host.frame.get()));
  PumpFor(300);
  CHECK(ReadyToRecord(panel));
}

TEST_GROUP(ModalSaveAsBelongsToThePage) {
  Hosted host(kParams);
  HWND panel = host.Activate();
  REQUIRE(panel != nullptr);
  ShowWindow(GetDlgItem(panel, kChoose), SW_SHOW);
  // The user looks at the dialog, and at whether the page takes input
  // meanwhile, and cancels it.
  SaveAsUser seen(L"Please select file name", L"", true, host.frame.get());
  Click(panel, kChoose);  // returns when the dialog has closed
  seen.Wait();
  CHECK(seen.found);
  CHECK(seen.owner == host.frame.get());
  CHECK(!seen.watchedEnabled);
  CHECK(IsWindowEnabled(host.frame.get()));
}

// Scrolled out of view: no part of the panel shows.
TEST_GROUP(HostileClipOutOfView) {
  Hosted host(kParams);
  HWND panel = host.Activate();
  REQUIRE(panel != nullptr);
  Ref<IOleInPlaceObject> inPlace;
  REQUIRE(inPlace.From(host.object.get()));
  const RECT below = {0, 400, 640, 480};
  CHECK_HR(inPlace->SetObjectRects(&kPlace, &below), S_OK);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  CHECK(GetWindowRgn(panel, region) == NULLREGION);
  CHECK_HR(inPlace->SetObjectRects(&kPlace, &kPlace), S_OK);
  CHECK(GetWindowRgn(panel, region) == ERROR);  // whole again: no region
  DeleteObject(region);
}

TEST_GROUP(HostileActivationsKeepGdiFlat) {
  Hosted host(kParams);
  REQUIRE(host.ready);
  Ref<IOleInPlaceObject> inPlace;
  REQUIRE(inPlace.From(host.object.get()));
  HBITMAP probe = CreateBitmap(1, 1, 1, 1, nullptr);
  const int withProbe = CountGdiObjects(OBJ_BITMAP);
  DeleteObject(probe);
  REQUIRE(withProbe > 0 && CountGdiObjects(OBJ_BITMAP) == withProbe - 1);
  constexpr int kCycles = 20;
  int bitmaps = 0, objects = 0;
  for (int cycle = 0; cycle <= kCycles; ++cycle) {
    CHECK_HR(host.Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
    CHECK_HR(inPlace->InPlaceDeactivate(), S_OK);
    PumpMessages();
    if (cycle == 0) {  // the first one fills the system's caches
      bitmaps = CountGdiObjects(OBJ_BITMAP);
      objects = CountGdiObjects(0);
    }
  }
  const int bitmapsAfter = CountGdiObjects(OBJ_BITMAP);
  const int objectsAfter = CountGdiObjects(0);
  std::printf("figure: GDI over %d activations: bitmaps %d -> %d, objects %d -> %d\n", kCycles,
              bitmaps, bitmapsAfter, objects, objectsAfter);
  CHECK(bitmapsAfter - bitmaps <= 1);
  CHECK(objectsAfter - objects <= 2);
}

}  // namespace
}  // namespace tamborix_wine
