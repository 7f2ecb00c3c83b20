// tamborix_page_host <page.html> [--session SECONDS] [--screenshot FILE.bmp]
//
// Plays the part of the web page: reads the control's <object> element from
// the page, creates the control by its class id, hands the params to
// IPersistPropertyBag::Load, activates it in place in a window of its own,
// listens to its events and prints each one as it arrives.
//
// Without --session the window stays until the user closes it. With
// --session the host clicks through a whole session as a user would: REC,
// SECONDS of recording, STOP, PLAY to its end, a picture of the window (with
// --screenshot), UPLOAD; then it closes. The exit code is 0 when the session
// ended with OnOKDone (or, without --session, when the window was closed).
#include <ole2.h>
#include <olectl.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/page_host/host_site.h"
#include "tools/page_host/page_parser.h"

namespace tamborix {
namespace {

constexpr UINT_PTR kSessionTimer = 1;
constexpr UINT kSessionTickMs = 100;
constexpr int kMargin = 8;

// Panel controls the session clicks.
constexpr int kRecButton = 202;
constexpr int kStopButton = 205;
constexpr int kPlayButton = 206;
constexpr int kUploadButton = 207;

struct Options {
  std::string page;
  int sessionSeconds = 0;  // 0: interactive
  std::string screenshot;
};

enum class Step { kWaitReady, kRecording, kPlaying, kDone };

struct Host {
  Options options;
  HostSite* site = nullptr;
  HWND window = nullptr;
  Step step = Step::kWaitReady;
  DWORD stepStart = 0;
  bool inStep = false;  // a click's handler runs (it may run a modal loop)
  bool succeeded = false;
  int boxes = 0;
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

// Writes the host window's client area as a 24-bit BMP file.
bool SaveScreenshot(HWND window, const std::string& path) {
  RECT client;
  GetClientRect(window, &client);
  const int width = client.right;
  const int height = client.bottom;
  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool saved = false;
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageSize;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), imageSize);
    saved = static_cast<bool>(out);
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(window, screen);
  return saved;
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
        Say("recording saved: " + host.site->LocalFullFileName());
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
            Say("screenshot: " + host.options.screenshot);
          } else {
            Say("screenshot could not be written: " + host.options.screenshot);
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

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kSessionTimer && g_host != nullptr) {
        SessionTick(*g_host);
      }
      return 0;
    case WM_SIZE:
      if (g_host != nullptr && g_host->site != nullptr) {
        g_host->site->Move(
            RECT{kMargin, kMargin, LOWORD(lParam) - kMargin, HIWORD(lParam) - kMargin});
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
  RECT frame = {0, 0, object.width + 2 * kMargin, object.height + 2 * kMargin};
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
  const RECT position = {kMargin, kMargin, kMargin + object.width, kMargin + object.height};
  std::string problem;
  if (!site.CreateControl(classId, position, &problem)) {
    Say(problem);
    host.site = nullptr;
    DestroyWindow(host.window);
    return 1;
  }
  ShowWindow(host.window, SW_SHOW);
  UpdateWindow(host.window);
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
    return 0;
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
