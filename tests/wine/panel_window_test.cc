// The Win32 panel window on its own, with dialog template 104 from the
// module: the order of WM_DESTROY, teardown while a handler still runs,
// timers and posts from other threads.
#include <windows.h>

#include <functional>
#include <memory>

#include "platform/win32/win32_panel_window.h"
#include "tests/wine/container_util.h"

namespace tamborix_wine {
namespace {

constexpr RECT kPlace = {0, 0, 300, 200};
constexpr UINT kPosted = WM_APP + 7;
constexpr uint32_t kTimerId = 7;

int gDeleted = 0;

class CountedWindow : public tamborix::Win32PanelWindow {
 public:
  using Win32PanelWindow::Win32PanelWindow;
  ~CountedWindow() override { ++gDeleted; }
};

// Records what reaches it; ABORT (208) runs `onAbort` inside its handler.
class ProbeHandler : public tamborix::PanelMessageHandler {
 public:
  bool OnMessage(uint32_t message, uintptr_t wParam, intptr_t, intptr_t* result) override {
    switch (message) {
      case WM_INITDIALOG:
        ++inits;
        return true;
      case WM_DESTROY:
        ++destroys;
        destroyedInsideHandler = insideHandler;
        itemsAtDestroy = window != nullptr && window->Handle() != nullptr &&
                         GetDlgItem(window->Handle(), 202) != nullptr;
        return true;
      case WM_COMMAND:
        if (LOWORD(wParam) != 208) {
          return false;
        }
        insideHandler = true;
        onAbort();
        insideHandler = false;
        *result = 0;
        return true;
      case WM_TIMER:
        timerTicks += wParam == kTimerId ? 1 : 0;
        return true;
      case kPosted:
        ++posts;
        return true;
      default:
        return false;
    }
  }

  tamborix::Win32PanelWindow* window = nullptr;
  std::function<void()> onAbort = [] {};
  int inits = 0, destroys = 0, timerTicks = 0, posts = 0;
  bool insideHandler = false, destroyedInsideHandler = false, itemsAtDestroy = false;
};

DWORD WINAPI PostFromThread(void* window) {
  static_cast<tamborix::Win32PanelWindow*>(window)->Post(kPosted, 0, 0);
  return 0;
}

HINSTANCE ModuleResources() {
  static HMODULE module = LoadLibraryW(gModulePath.c_str());
  return module;
}

// Pumps until `done` or about five seconds of waiting.
bool PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 500 && !done(); ++i) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    PumpMessages();
  }
  return done();
}

TEST_GROUP(PanelWindowDestroyOrder) {
  FrameWindow frame(400, 300);
  ProbeHandler probe;
  auto* window = new CountedWindow(ModuleResources());
  probe.window = window;
  REQUIRE(window->Create(frame.get(), kPlace, &probe));
  CHECK(probe.inits == 1);
  HWND panel = window->Handle();
  CHECK(GetParent(panel) == frame.get() && IsWindowVisible(panel));

  // Timers and posts from another thread reach the handler.
  window->SetTimer(kTimerId, 10);
  CHECK(PumpUntil([&] { return probe.timerTicks > 0; }));
  window->KillTimer(kTimerId);
  HANDLE poster = CreateThread(nullptr, 0, PostFromThread, window, 0, nullptr);
  WaitForSingleObject(poster, INFINITE);
  CloseHandle(poster);
  CHECK(PumpUntil([&] { return probe.posts == 1; }));

  // Outside any handler: WM_DESTROY while the items exist, then nothing.
  const int deletedBefore = gDeleted;
  window->Release();
  CHECK(probe.destroys == 1);
  CHECK(probe.itemsAtDestroy);
  CHECK(!IsWindow(panel));
  CHECK(gDeleted == deletedBefore + 1);
}

TEST_GROUP(PanelWindowReleasedInsideHandler) {
  FrameWindow frame(400, 300);
  ProbeHandler probe;
  auto* window = new CountedWindow(ModuleResources());
  probe.window = window;
  REQUIRE(window->Create(frame.get(), kPlace, &probe));
  HWND panel = window->Handle();
  const int deletedBefore = gDeleted;
  bool keptWhileRunning = false;
  probe.onAbort = [&] {
    window->Release();  // the container lets go of the panel from an event
    keptWhileRunning = probe.destroys == 0 && gDeleted == deletedBefore;
  };
  SendMessageA(GetDlgItem(panel, 208), BM_CLICK, 0, 0);
  CHECK(keptWhileRunning);
  CHECK(!probe.destroyedInsideHandler);
  CHECK(probe.destroys == 1);
  CHECK(gDeleted == deletedBefore + 1);
  CHECK(!IsWindow(panel));
}

TEST_GROUP(PanelWindowParentGoesInsideHandler) {
  auto frame = std::make_unique<FrameWindow>(400, 300);
  ProbeHandler probe;
  auto* window = new CountedWindow(ModuleResources());
  probe.window = window;
  REQUIRE(window->Create(frame->get(), kPlace, &probe));
  HWND panel = window->Handle();
  probe.onAbort = [&] { frame.reset(); };  // the container's window goes away
  SendMessageA(GetDlgItem(panel, 208), BM_CLICK, 0, 0);
  CHECK(!probe.destroyedInsideHandler);
  CHECK(probe.destroys == 1);
  CHECK(!window->IsOpen());
  window->Post(kPosted, 0, 0);  // dropped: no window to take it
  PumpMessages();
  CHECK(probe.posts == 0);
  const int deletedBefore = gDeleted;
  window->Release();
  CHECK(probe.destroys == 1);
  CHECK(gDeleted == deletedBefore + 1);
}

}  // namespace
}  // namespace tamborix_wine
