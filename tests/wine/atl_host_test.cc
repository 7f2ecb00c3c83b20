// Wine's ATL host window as the container: it creates the control from the
// ProgID in its title, activates it in place, moves it with the window, and
// closes it when destroyed.
#include "tests/wine/container_util.h"
#include "tests/wine/live_util.h"

namespace tamborix_wine {
namespace {

using AxWinInit = BOOL(WINAPI*)();
using AxGetControl = HRESULT(WINAPI*)(HWND, IUnknown**);

// Wine's atl.dll with its host window class registered; AtlAxWinInit
// registers it once per process.
struct AtlLibrary {
  AtlLibrary() {
    static HMODULE module = LoadLibraryA("atl.dll");
    static AxWinInit init = module != nullptr ? reinterpret_cast<AxWinInit>(reinterpret_cast<void*>(
                                                    GetProcAddress(module, "AtlAxWinInit")))
                                              : nullptr;
    static bool initialised = init != nullptr && init();
    getControl = module != nullptr && initialised
                     ? reinterpret_cast<AxGetControl>(
                           reinterpret_cast<void*>(GetProcAddress(module, "AtlAxGetControl")))
                     : nullptr;
  }
  AxGetControl getControl = nullptr;
};

// A host window of the first class name this atl.dll registers.
HWND CreateHost(HWND parent, int width, int height) {
  const wchar_t* classes[] = {L"AtlAxWin", L"AtlAxWin80", L"AtlAxWin90", L"AtlAxWin100",
                              L"AtlAxWin110"};
  for (const wchar_t* name : classes) {
    HWND host = CreateWindowExW(0, name, L"Tamborix.RecorderDialog", WS_CHILD | WS_VISIBLE, 0, 0,
                                width, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (host != nullptr) {
      return host;
    }
  }
  return nullptr;
}

HWND PanelOf(IUnknown* control) {
  Ref<IOleWindow> window;
  HWND panel = nullptr;
  return window.From(control) && SUCCEEDED(window->GetWindow(&panel)) ? panel : nullptr;
}

TEST_GROUP(AtlHostShowsMovesAndCloses) {
  AtlLibrary atl;
  REQUIRE(atl.getControl != nullptr);
  FrameWindow frame(640, 480);
  HWND host = CreateHost(frame.get(), 400, 300);
  REQUIRE(host != nullptr);
  PumpMessages();
  Ref<IUnknown> control;
  REQUIRE(SUCCEEDED(atl.getControl(host, control.Out())) && control);
  HWND panel = PanelOf(control.get());
  REQUIRE(panel != nullptr);
  CHECK(GetParent(panel) == host);
  CHECK(IsWindowVisible(panel));
  CheckFreshPanel(panel, 120);

  // Each resize of the host moves the panel with it.
  SetWindowPos(host, nullptr, 0, 0, 300, 200, SWP_NOZORDER | SWP_NOMOVE);
  PumpMessages();
  RECT client = {};
  GetClientRect(panel, &client);
  CHECK(client.right == 300 && client.bottom == 200);

  // Destroying the host closes the control: no window of it is left.
  DestroyWindow(host);
  PumpMessages();
  CHECK(!IsWindow(panel));
  CHECK(CountDescendants(frame.get()) == 0);
  CHECK(PanelOf(control.get()) == nullptr);
}

// The page removes the control from inside one of its events: the panel's
// handler that fired it is still running when the host goes away.
TEST_GROUP(AtlHostDestroyedFromAnEvent) {
  AtlLibrary atl;
  REQUIRE(atl.getControl != nullptr);
  FrameWindow frame(640, 480);
  HWND host = CreateHost(frame.get(), 400, 300);
  REQUIRE(host != nullptr);
  PumpMessages();
  Ref<IUnknown> control;
  REQUIRE(SUCCEEDED(atl.getControl(host, control.Out())) && control);
  HWND panel = PanelOf(control.get());
  REQUIRE(panel != nullptr);
  CountingEventSink events;
  REQUIRE(events.Connect(control.get()));
  events.onEvent = [host](DISPID dispid) {
    if (dispid == kOnAbort) {
      DestroyWindow(host);
    }
  };
  SendMessageA(GetDlgItem(panel, 208), BM_CLICK, 0, 0);
  PumpMessages();
  CHECK(events.counts[kOnAbort] == 1);
  CHECK(!IsWindow(host));
  CHECK(!IsWindow(panel));
  CHECK(CountDescendants(frame.get()) == 0);
}

// As above, and the page lets go of the control too: the handler that
// fired the event returns into a control nobody else holds. Runs under
// Wine's heap checking (containers.sh).
TEST_GROUP(HostileAtlReleaseInsideEvent) {
  AtlLibrary atl;
  REQUIRE(atl.getControl != nullptr);
  FrameWindow frame(640, 480);
  HWND host = CreateHost(frame.get(), 400, 300);
  REQUIRE(host != nullptr);
  PumpMessages();
  Ref<IUnknown> control;
  REQUIRE(SUCCEEDED(atl.getControl(host, control.Out())) && control);
  HWND panel = PanelOf(control.get());
  REQUIRE(panel != nullptr);
  CountingEventSink events;
  REQUIRE(events.Connect(control.get()));
  events.onEvent = [host, &control](DISPID dispid) {
    if (dispid == kOnAbort) {
      DestroyWindow(host);
      control.Reset();
    }
  };
  SendMessageA(GetDlgItem(panel, 208), BM_CLICK, 0, 0);
  PumpMessages();
  CHECK(events.counts[kOnAbort] == 1);
  CHECK(!IsWindow(panel));
  CHECK(events.refs == 1);  // the control is gone: it held the sink
}

// The host deactivates and re-activates the control while PLAY's error box
// is open; once the box is answered, the new panel records.
TEST_GROUP(HostileAtlReactivateUnderBox) {
  AtlLibrary atl;
  REQUIRE(atl.getControl != nullptr);
  FrameWindow frame(640, 480);
  HWND host = CreateHost(frame.get(), 400, 300);
  REQUIRE(host != nullptr);
  PumpMessages();
  Ref<IUnknown> control;
  REQUIRE(SUCCEEDED(atl.getControl(host, control.Out())) && control);
  HWND panel = PanelOf(control.get());
  REQUIRE(panel != nullptr);
  Ref<IRecorderDialog> dialog;
  Ref<IOleObject> object;
  Ref<IOleInPlaceObject> inPlace;
  Ref<IOleClientSite> site;
  REQUIRE(dialog.From(control.get()) && object.From(control.get()) && inPlace.From(control.get()) &&
          SUCCEEDED(object->GetClientSite(site.Out())) && site);
  Bstr name(L"atl-hostile.wav");
  CHECK_HR(dialog->SetFileName(name.get()), S_OK);
  BSTR full = nullptr;
  REQUIRE(SUCCEEDED(dialog->get_LocalFullFileName(&full)) && full != nullptr);
  const std::wstring path(full);
  SysFreeString(full);
  DeleteFileW(path.c_str());

  HRESULT deactivated = E_FAIL, activated = E_FAIL;
  {
    UnderNextBox under([&](HWND) {
      deactivated = inPlace->InPlaceDeactivate();
      const RECT place = {0, 0, 400, 300};
      activated = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.get(), 0, host, &place);
    });
    EnableWindow(GetDlgItem(panel, 206), TRUE);
    Click(panel, 206);
    PumpMessages();
    CHECK(under.Ran());
  }
  CHECK_HR(deactivated, S_OK);
  CHECK_HR(activated, S_OK);
  CHECK(!IsWindow(panel));
  HWND fresh = PanelOf(control.get());
  REQUIRE(fresh != nullptr && IsWindow(fresh));
  Click(fresh, 202);
  CHECK(!IsWindowEnabled(GetDlgItem(fresh, 202)) && IsWindowEnabled(GetDlgItem(fresh, 205)));
  PumpFor(4000);
  Click(fresh, 205);
  CHECK(IsWindowEnabled(GetDlgItem(fresh, 202)) && !IsWindowEnabled(GetDlgItem(fresh, 205)));
  const Wave wave = ReadWave(path);
  CHECK(wave.valid && !wave.samples.empty());
  DestroyWindow(host);
  PumpMessages();
}

}  // namespace
}  // namespace tamborix_wine
