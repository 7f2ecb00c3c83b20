// What the container tests share: a top-level frame window, the events a
// container hears, reading the panel's controls, and waiting for messages.
#pragma once

#include <functional>
#include <string>

// clang-format off
#include "tests/wine/client_util.h"
#include <commctrl.h>
// clang-format on

namespace tamborix_wine {

// A visible top-level window of its own class, destroyed with the object.
class FrameWindow {
 public:
  FrameWindow(int width, int height);
  ~FrameWindow();
  FrameWindow(const FrameWindow&) = delete;
  FrameWindow& operator=(const FrameWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

// An event sink that counts each event by DISPID and may act on one.
class CountingEventSink : public TestObject<IDispatch> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                   EXCEPINFO*, UINT*) override;

  // Connects to `control`'s event point; false when it cannot.
  bool Connect(IUnknown* control);

  int counts[8] = {};
  std::function<void(DISPID)> onEvent;
};

constexpr DISPID kOnOKDone = 1;
constexpr DISPID kOnAbort = 2;
constexpr DISPID kOnPlayimg = 5;

// Delivers the calling thread's waiting messages.
void PumpMessages();

// The text of dialog item `id`.
std::string ItemText(HWND panel, int id);

// The panel's controls as the Fresh state leaves them: buttons REC and
// ABORT only, the template's labels replaced by the English strings, the
// trackbar at 0 of 0..`maxSeconds`, the combo box showing "2" of five
// entries, icons on the four image buttons, 216 and 218 hidden.
void CheckFreshPanel(HWND panel, int maxSeconds);

// The child windows of `parent`, at any depth.
int CountDescendants(HWND parent);

// The colour of the panel's own background, read from the screen just
// inside its top-left corner after a repaint.
COLORREF BackgroundPixel(HWND panel);

// The colour at the centre of dialog item `id`, read from the screen.
COLORREF ItemCentrePixel(HWND panel, int id);

// The panel's rectangle in its parent's client coordinates.
RECT PlaceInParent(HWND panel);

// A user answering a Save-as dialog, from a thread of its own: waits (5 s
// at most) for the dialog to show, the one titled `title` or, when that is
// empty, any dialog with a file-name field; notes its owner and whether
// `watched` was enabled while it was open; then types `name` and confirms,
// or cancels when `cancel`. What it saw is there after Wait.
class SaveAsUser {
 public:
  SaveAsUser(std::wstring title, std::wstring name, bool cancel = false, HWND watched = nullptr);
  ~SaveAsUser();
  SaveAsUser(const SaveAsUser&) = delete;
  SaveAsUser& operator=(const SaveAsUser&) = delete;
  void Wait();

  bool found = false;
  HWND owner = nullptr;
  bool watchedEnabled = true;

 private:
  static DWORD WINAPI Run(void* parameter);

  std::wstring title_, name_;
  bool cancel_;
  HWND watched_;
  HANDLE thread_ = nullptr;
};

}  // namespace tamborix_wine
