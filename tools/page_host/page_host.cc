// tamborix_page_host <page.html> [--session SECONDS] [--screenshot FILE.bmp]
//
// Plays the part of the web page: reads the control's <object> element from
// the page, creates the control by its class id, hands the params to
// IPersistPropertyBag::Load, activates it in place in a window of its own,
// listens to its events and prints each one as it arrives. Like a browser,
// it takes the object's width and height as CSS pixels and scales them by
// the system's DPI / 96. Each recording the control saves is printed as
// "recording saved: <path>" once the file is written.
//
// Without --session the window stays until the user closes it (or it is
// destroyed from outside). With --session the host clicks through a whole
// session as a user would: REC, SECONDS of recording, STOP, PLAY to its end,
// a picture of the window (with --screenshot), UPLOAD; then it closes. With
// --screenshot alone it takes the picture once the panel is ready, says
// whether the panel's controls fit in the object and which font the
// caption buttons' symbols get, and closes. The exit code
// is 0 when the session ended with OnOKDone, when the picture was taken and
// the panel fits, or, interactively, when the window was closed.
//
// With TAMBORIX_PAGE_HOST_BUTTONS set in the environment, the host prints
// the screen position of each button of the panel when it is ready and
// whenever the window moves, for tests that click them with real input.
#include <ole2.h>
#include <olectl.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/page_host/host_site.h"
#include "tools/page_host/page_parser.h"
#include "tools/page_host/window_picture.h"

namespace tamborix {
namespace {

constexpr UINT_PTR kSessionTimer = 1;
constexpr UINT kSessionTickMs = 100;
constexpr UINT_PTR kWatchTimer = 2;
constexpr UINT kWatchTickMs = 250;
constexpr int kMargin = 8;  // CSS pixels around the object
constexpr int kCssDpi = 96;

// Panel controls the session clicks.
constexpr int kRecButton = 202;
constexpr int kStopButton = 205;
constexpr int kPlayButton = 206;
constexpr int kUploadButton = 207;
constexpr int kAbortButton = 208;

// Under Wine, the X window behind a top-level window is kept in this window
// property. Wine removes it when that X window was destroyed from outside
// (xdotool windowclose, xkill), and keeps the Win32 window without anything
// on the screen; the host then ends as if it had been closed.
constexpr char kWineDisplayWindow[] = "__wine_x11_whole_window";

struct Options {
  std::string page;
  int sessionSeconds = 0;  // 0: interactive
  std::string screenshot;
};

enum class Step { kWaitReady, kRecording, kPlaying, kDone };

// What the file at the control's path looked like when last seen.
struct FileMark {
  bool present = false;
  WIN32_FILE_ATTRIBUTE_DATA data = {};
};

struct Host {
  Options options;
  HostSite* site = nullptr;
  HWND window = nullptr;
  Step step = Step::kWaitReady;
  DWORD stepStart = 0;
  bool inStep = false;  // a click's handler runs (it may run a modal loop)
  bool succeeded = false;
  int boxes = 0;
  int dpi = kCssDpi;
  bool printButtons = false;
  int readyTicks = 0;       // watch ticks since the panel became ready
  std::string watchedPath;  // the control's path when last looked at
  FileMark watchedFile;     // and its file then
  bool hadDisplayWindow = false;
};

Host* g_host = nullptr;

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) {
    return std::wstring();
  }
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
  return wide;
}

bool ReadOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--session" && i + 1 < argc) {
      options->sessionSeconds = std::atoi(argv[++i]);
      if (options->sessionSeconds < 1) {
        return false;
      }
    } else if (arg == "--screenshot" && i + 1 < argc) {
      options->screenshot = argv[++i];
    } else if (options->page.empty() && arg.compare(0, 2, "--") != 0) {
      options->page = arg;
    } else {
      return false;
    }
  }
  return !options->page.empty();
}

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// CSS pixels to device pixels at `dpi`, as a browser scales an object.
int DevicePixels(int css, int dpi) {
  return MulDiv(css, dpi, kCssDpi);
}

FileMark MarkOf(const std::string& path) {
  FileMark mark;
  mark.present = !path.empty() &&
                 GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &mark.data) != 0;
  return mark;
}

bool SameMark(const FileMark& a, const FileMark& b) {
  return a.present == b.present && a.data.nFileSizeLow == b.data.nFileSizeLow &&
         a.data.nFileSizeHigh == b.data.nFileSizeHigh &&
         CompareFileTime(&a.data.ftLastWriteTime, &b.data.ftLastWriteTime) == 0;
}

// Prints "recording saved: <path>" when the file at the control's path was
// written since the last look. A file that was there when the path was first
// seen (an older run's) is not this session's recording. STOP and the
// clock's time-up save on the window's thread, so between two messages the
// file is either whole or absent.
void WatchRecording(Host& host) {
  if (host.site == nullptr || host.site->PanelWindow() == nullptr) {
    return;
  }
  const std::string path = host.site->LocalFullFileName();
  const FileMark mark = MarkOf(path);
  if (path != host.watchedPath) {
    host.watchedPath = path;
    host.watchedFile = mark;
    return;
  }
  if (mark.present && !SameMark(mark, host.watchedFile)) {
    Say("recording saved: " + path);
  }
  host.watchedFile = mark;
}

// The screen position of the middle of each button, for a test's clicks.
void SayButtons(const Host& host) {
  HWND panel = host.site != nullptr ? host.site->PanelWindow() : nullptr;
  if (!host.printButtons || panel == nullptr) {
    return;
  }
  static const struct {
    int id;
    const char* name;
  } kButtons[] = {{kRecButton, "REC"},
                  {kStopButton, "STOP"},
                  {kPlayButton, "PLAY"},
                  {kUploadButton, "UPLOAD"},
                  {kAbortButton, "ABORT"}};
  std::string line = "buttons:";
  for (const auto& button : kButtons) {
    RECT place;
    GetWindowRect(GetDlgItem(panel, button.id), &place);
    line += std::string(" ") + button.name + " " + std::to_string((place.left + place.right) / 2) +
            "," + std::to_string((place.top + place.bottom) / 2);
  }
  Say(line);
}

// Whether every visible control of the panel lies inside the panel, which
// the host sized as the page's object; prints what it found.
bool SayPanelFits(const Host& host) {
  HWND panel = host.site->PanelWindow();
  RECT client;
  GetClientRect(panel, &client);
  RECT needed = {};
  for (HWND child = GetWindow(panel, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) {
      continue;
    }
    RECT place;
    GetWindowRect(child, &place);
    MapWindowPoints(HWND_DESKTOP, panel, reinterpret_cast<POINT*>(&place), 2);
    UnionRect(&needed, &needed, &place);
  }
  const bool fits = needed.right <= client.right && needed.bottom <= client.bottom;
  Say("panel at " + std::to_string(host.dpi) + " DPI: " + std::to_string(client.right) + " x " +
      std::to_string(client.bottom) + ", its controls reach " + std::to_string(needed.right) +
      " x " + std::to_string(needed.bottom) + (fits ? ": all shown" : ": cut off"));
  return fits;
}

// The face of the font that the system's caption buttons are drawn with
// where no window manager draws them: their symbols are letters of the
// Marlett font, and any other face shows the letters themselves.
std::string CaptionSymbolFace() {
  HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SYMBOL_CHARSET, 0, 0, 0, 0,
                           L"Marlett");
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, font);
  char face[LF_FACESIZE] = {};
  GetTextFaceA(screen, sizeof face, face);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  DeleteObject(font);
  return face;
}

// Ends the host when the X window behind its window was destroyed from
// outside (see kWineDisplayWindow).
void WatchDisplayWindow(Host& host) {
  if (GetPropA(host.window, kWineDisplayWindow) != nullptr) {
    host.hadDisplayWindow = true;
  } else if (host.hadDisplayWindow) {
    host.hadDisplayWindow = false;
    Say("the window was destroyed from outside");
    PostMessageW(host.window, WM_CLOSE, 0, 0);
  }
}

// Writes the host window's client area as a 24-bit BMP file.
bool SaveScreenshot(HWND window, const std::string& path) {
  const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  if (length <= 0) {
    return false;
  }
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
  wide.resize(static_cast<size_t>(length) - 1);
  return WindowPicture(window).Save(wide);
}

void Click(HWND panel, int id, const char* name) {
  Say(std::string("click: ") + name);
  SendMessageW(GetDlgItem(panel, id), BM_CLICK, 0, 0);
}

// A message box of the control's, which no one is there to answer in a
// scripted session: its text is printed and the box answered with OK.
void AnswerMessageBox(Host& host) {
  HWND box = FindWindowA("#32770", "tamborix");
  if (box == nullptr) {
    return;
  }
  char text[512] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  Say(std::string("message box: ") + text);
  ++host.boxes;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}

// One step of the scripted session, every kSessionTickMs. Timer messages
// also arrive while a click's handler runs a modal loop (a message box, the
// upload's wait); then only boxes are answered.
void SessionTick(Host& host) {
  AnswerMessageBox(host);
  if (host.inStep) {
    return;
  }
  host.inStep = true;
  HWND panel = host.site->PanelWindow();
  const DWORD now = GetTickCount();
  const DWORD elapsed = now - host.stepStart;
  switch (host.step) {
    case Step::kWaitReady:
      if (panel != nullptr && host.site->EventCount(L"OnPlayimg") > 0) {
        host.step = Step::kRecording;
        host.stepStart = now;
        Click(panel, kRecButton, "REC");
      } else if (elapsed > 20000) {
        Say("the panel did not become ready");
        host.step = Step::kDone;
      }
      break;
    case Step::kRecording:
      if (elapsed >= static_cast<DWORD>(host.options.sessionSeconds) * 1000) {
        host.step = Step::kPlaying;
        Say("REC to STOP: " + std::to_string(now - host.stepStart) + " ms");
        Click(panel, kStopButton, "STOP");
        WatchRecording(host);
        Click(panel, kPlayButton, "PLAY");
        host.stepStart = GetTickCount();
      }
      break;
    case Step::kPlaying:
      // Playback ends with the device's notice, which sets the Ready buttons.
      if (IsWindowEnabled(GetDlgItem(panel, kRecButton)) || elapsed > 60000) {
        Say(IsWindowEnabled(GetDlgItem(panel, kRecButton)) ? "playback ended"
                                                           : "playback did not end");
        if (!host.options.screenshot.empty()) {
          if (SaveScreenshot(host.window, host.options.screenshot)) {
            Say("picture taken: " + host.options.screenshot);
          } else {
            Say("picture could not be written: " + host.options.screenshot);
          }
        }
        host.step = Step::kDone;
        Click(panel, kUploadButton, "UPLOAD");  // returns when the upload has ended
        host.succeeded = host.site->EventCount(L"OnOKDone") > 0 && host.boxes == 0;
      }
      break;
    case Step::kDone:
      break;
  }
  host.inStep = false;
  if (host.step == Step::kDone) {
    KillTimer(host.window, kSessionTimer);
    DestroyWindow(host.window);
  }
}

// Every kWatchTickMs, in every mode; also while a handler of the panel runs
// a modal loop.
void WatchTick(Host& host) {
  WatchDisplayWindow(host);
  const bool ready = host.site != nullptr && host.site->EventCount(L"OnPlayimg") > 0;
  if (!ready) {
    return;
  }
  WatchRecording(host);
  // --screenshot alone: the picture a second after start-up, once.
  if (!host.options.screenshot.empty() && host.options.sessionSeconds == 0 &&
      ++host.readyTicks == 1000 / kWatchTickMs) {
    const bool saved = SaveScreenshot(host.window, host.options.screenshot);
    Say((saved ? "picture taken: " : "picture could not be written: ") + host.options.screenshot);
    host.succeeded = saved && SayPanelFits(host);
    Say("caption symbols: " + CaptionSymbolFace());
    PostMessageW(host.window, WM_CLOSE, 0, 0);
  }
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kSessionTimer && g_host != nullptr) {
        SessionTick(*g_host);
      } else if (wParam == kWatchTimer && g_host != nullptr) {
        WatchTick(*g_host);
      }
      return 0;
    case WM_SIZE:
      if (g_host != nullptr && g_host->site != nullptr) {
        const int margin = DevicePixels(kMargin, g_host->dpi);
        g_host->site->Move(RECT{margin, margin, LOWORD(lParam) - margin, HIWORD(lParam) - margin});
      }
      return 0;
    case WM_MOVE:
      if (g_host != nullptr) {
        SayButtons(*g_host);
      }
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (g_host != nullptr && g_host->site != nullptr) {
        g_host->site->CloseControl();
      }
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

int Run(Host& host) {
  std::ifstream in(host.options.page, std::ios::binary);
  if (!in) {
    Say("cannot read the page " + host.options.page);
    return 2;
  }
  std::stringstream text;
  text << in.rdbuf();
  PageObject object;
  PageError error;
  if (!ParsePage(text.str(), &object, &error)) {
    Say(DescribePageError(host.options.page, error));
    return 2;
  }
  CLSID classId;
  if (FAILED(CLSIDFromString(Wide(object.classId).c_str(), &classId))) {
    Say("the class id " + object.classId + " cannot be read");
    return 2;
  }

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = HostWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = L"TamborixPageHost";
  RegisterClassW(&windowClass);
  HDC screen = GetDC(nullptr);
  host.dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  const int margin = DevicePixels(kMargin, host.dpi);
  const int width = DevicePixels(object.width, host.dpi);
  const int height = DevicePixels(object.height, host.dpi);
  RECT frame = {0, 0, width + 2 * margin, height + 2 * margin};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  host.window =
      CreateWindowW(L"TamborixPageHost", Wide(host.options.page).c_str(),
                    WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, frame.right - frame.left,
                    frame.bottom - frame.top, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (host.window == nullptr) {
    Say("the host window cannot be made");
    return 1;
  }

  std::vector<std::pair<std::wstring, std::wstring>> params;
  for (const auto& [name, value] : object.params) {
    params.emplace_back(Wide(name), Wide(value));
  }
  HostSite site(host.window, params, [](const wchar_t* event) {
    char name[64];
    WideCharToMultiByte(CP_UTF8, 0, event, -1, name, sizeof name, nullptr, nullptr);
    Say(std::string("event: ") + name);
  });
  host.site = &site;
  const RECT position = {margin, margin, margin + width, margin + height};
  std::string problem;
  if (!site.CreateControl(classId, position, &problem)) {
    Say(problem);
    host.site = nullptr;
    DestroyWindow(host.window);
    return 1;
  }
  ShowWindow(host.window, SW_SHOW);
  UpdateWindow(host.window);
  SayButtons(host);
  SetTimer(host.window, kWatchTimer, kWatchTickMs, nullptr);
  if (host.options.sessionSeconds > 0) {
    host.stepStart = GetTickCount();
    SetTimer(host.window, kSessionTimer, kSessionTickMs, nullptr);
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!site.TranslateAccelerator(&message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  host.site = nullptr;
  if (host.options.sessionSeconds == 0) {
    return host.options.screenshot.empty() || host.succeeded ? 0 : 1;
  }
  Say(host.succeeded ? "session: the upload succeeded" : "session: the upload did not succeed");
  return host.succeeded ? 0 : 1;
}

}  // namespace
}  // namespace tamborix

int main(int argc, char** argv) {
  tamborix::Host host;
  if (!tamborix::ReadOptions(argc, argv, &host.options)) {
    std::printf("usage: %s <page.html> [--session SECONDS] [--screenshot FILE.bmp]\n", argv[0]);
    return 2;
  }
  // A browser draws at the system's DPI; so does the host.
  SetProcessDPIAware();
  const char* buttons = std::getenv("TAMBORIX_PAGE_HOST_BUTTONS");
  host.printButtons = buttons != nullptr && *buttons != '\0';
  if (FAILED(OleInitialize(nullptr))) {
    std::printf("OleInitialize failed\n");
    return 1;
  }
  tamborix::g_host = &host;
  const int status = tamborix::Run(host);
  tamborix::g_host = nullptr;
  OleUninitialize();
  return status;
}
