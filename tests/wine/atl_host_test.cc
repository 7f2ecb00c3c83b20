// Wine's ATL host window as the container: it creates the control from the
// ProgID in its title, activates it in place, moves it with the window, and
// closes it when destroyed.
#include "tests/wine/container_util.h"

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

}  // namespace
}  // namespace tamborix_wine
