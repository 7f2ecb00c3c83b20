#include "tests/wine/container_util.h"

#include <utility>

namespace tamborix_wine {
namespace {

constexpr wchar_t kFrameClass[] = L"TamborixTestFrame";

void RegisterFrameClass() {
  static bool registered = false;
  if (registered) {
    return;
  }
  WNDCLASSW frameClass = {};
  frameClass.lpfnWndProc = DefWindowProcW;
  frameClass.hInstance = GetModuleHandleW(nullptr);
  frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  frameClass.lpszClassName = kFrameClass;
  frameClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  RegisterClassW(&frameClass);
  registered = true;
}

BOOL CALLBACK CountOne(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

}  // namespace

FrameWindow::FrameWindow(int width, int height) {
  RegisterFrameClass();
  window_ = CreateWindowExW(0, kFrameClass, L"container", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(window_);
  PumpMessages();
}

FrameWindow::~FrameWindow() {
  DestroyWindow(window_);
  PumpMessages();
}

HRESULT CountingEventSink::QueryInterface(REFIID riid, void** out) {
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch) ||
      IsEqualGUID(riid, DIID__IRecorderDialogEvents)) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT CountingEventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                  EXCEPINFO*, UINT*) {
  if (dispid >= 0 && dispid < 8) {
    ++counts[dispid];
  }
  if (onEvent) {
    onEvent(dispid);
  }
  return S_OK;
}

bool CountingEventSink::Connect(IUnknown* control) {
  Ref<IConnectionPointContainer> container;
  Ref<IConnectionPoint> point;
  DWORD cookie = 0;
  return container.From(control) &&
         SUCCEEDED(container->FindConnectionPoint(DIID__IRecorderDialogEvents, point.Out())) &&
         SUCCEEDED(point->Advise(static_cast<IDispatch*>(this), &cookie));
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

std::string ItemText(HWND panel, int id) {
  char text[256] = {};
  GetDlgItemTextA(panel, id, text, sizeof text);
  return text;
}

void CheckFreshPanel(HWND panel, int maxSeconds) {
  CHECK(IsWindowEnabled(GetDlgItem(panel, 202)));
  CHECK(!IsWindowEnabled(GetDlgItem(panel, 205)));
  CHECK(!IsWindowEnabled(GetDlgItem(panel, 206)));
  CHECK(!IsWindowEnabled(GetDlgItem(panel, 207)));
  CHECK(IsWindowEnabled(GetDlgItem(panel, 208)));
  CHECK(ItemText(panel, 207) == "UPLOAD");
  CHECK(ItemText(panel, 208) == "ABORT");
  CHECK(ItemText(panel, 203) == "File Size :");
  CHECK(ItemText(panel, 215) == "Max Rec (min) :");
  CHECK(ItemText(panel, 217) == "Lumo Recorder  2.6");
  CHECK(SendDlgItemMessageA(panel, 201, TBM_GETRANGEMAX, 0, 0) == maxSeconds);
  CHECK(SendDlgItemMessageA(panel, 201, TBM_GETPOS, 0, 0) == 0);
  CHECK(SendDlgItemMessageA(panel, 210, CB_GETCOUNT, 0, 0) == 5);
  CHECK(SendDlgItemMessageA(panel, 210, CB_GETCURSEL, 0, 0) == 1);
  CHECK(ItemText(panel, 210) == "2");
  for (int button : {202, 205, 206, 216}) {
    CHECK(SendDlgItemMessageA(panel, button, BM_GETIMAGE, IMAGE_ICON, 0) != 0);
  }
  CHECK(!IsWindowVisible(GetDlgItem(panel, 216)));
  CHECK(!IsWindowVisible(GetDlgItem(panel, 218)));
  CHECK(IsWindowVisible(GetDlgItem(panel, 213)));
}

int CountDescendants(HWND parent) {
  int count = 0;
  EnumChildWindows(parent, CountOne, reinterpret_cast<LPARAM>(&count));
  return count;
}

COLORREF BackgroundPixel(HWND panel) {
  RedrawWindow(panel, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpMessages();
  HDC dc = GetDC(panel);
  const COLORREF pixel = GetPixel(dc, 3, 3);
  ReleaseDC(panel, dc);
  return pixel;
}

COLORREF ItemCentrePixel(HWND panel, int id) {
  HWND item = GetDlgItem(panel, id);
  RECT rect = {};
  GetClientRect(item, &rect);
  HDC dc = GetDC(item);
  const COLORREF pixel = GetPixel(dc, rect.right / 2, rect.bottom / 2);
  ReleaseDC(item, dc);
  return pixel;
}

RECT PlaceInParent(HWND panel) {
  RECT rect = {};
  GetWindowRect(panel, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(panel), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

SaveAsUser::SaveAsUser(std::wstring title, std::wstring name, bool cancel, HWND watched)
    : title_(std::move(title)), name_(std::move(name)), cancel_(cancel), watched_(watched) {
  thread_ = CreateThread(nullptr, 0, &SaveAsUser::Run, this, 0, nullptr);
}

SaveAsUser::~SaveAsUser() {
  Wait();
}

void SaveAsUser::Wait() {
  if (thread_ != nullptr) {
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
}

DWORD WINAPI SaveAsUser::Run(void* parameter) {
  constexpr int kFileNameField = 0x47C;
  auto* user = static_cast<SaveAsUser*>(parameter);
  HWND dialog = nullptr;
  for (int i = 0; i < 500; ++i) {
    Sleep(10);
    dialog = user->title_.empty() ? FindWindowW(L"#32770", nullptr)
                                  : FindWindowW(nullptr, user->title_.c_str());
    if (dialog != nullptr && IsWindowVisible(dialog) &&
        GetDlgItem(dialog, kFileNameField) != nullptr) {
      break;
    }
    dialog = nullptr;
  }
  if (dialog == nullptr) {
    return 1;
  }
  user->found = true;
  user->owner = GetWindow(dialog, GW_OWNER);
  user->watchedEnabled = user->watched_ == nullptr || IsWindowEnabled(user->watched_) != FALSE;
  if (user->cancel_) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return 0;
  }
  SendMessageW(GetDlgItem(dialog, kFileNameField), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(user->name_.c_str()));
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  return 0;
}

}  // namespace tamborix_wine
