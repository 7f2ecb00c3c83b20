// What the client's test groups share: the module's path, a small owning
// pointer for COM interfaces, a base for the test's own COM objects, and the
// control's creation.
#pragma once

#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tamborix_idl.h"
#include "tests/wine/check.h"

namespace tamborix_wine {

// The full path of the tamborix.dll under test (the client's argument).
extern std::wstring gModulePath;

// An owning interface pointer.
template <class T>
class Ref {
 public:
  Ref() = default;
  ~Ref() { Reset(); }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  T** Out() {
    Reset();
    return &p_;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset() {
    if (p_ != nullptr) {
      T* gone = p_;
      p_ = nullptr;
      gone->Release();
    }
  }
  // Queries `from` for T; false when it does not answer.
  template <class U>
  bool From(U* from) {
    return from != nullptr && SUCCEEDED(from->QueryInterface(__uuidof(T), OutVoid()));
  }

 private:
  T* p_ = nullptr;
};

// Reference counting for the test's own COM objects; `refs` is public so the
// tests can check that the control let go of them.
template <class... Interfaces>
class TestObject : public Interfaces... {
 public:
  virtual ~TestObject() = default;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // owned by the test
  long refs = 1;
};

// A new control through COM (the module must be registered).
HRESULT CreateControl(REFIID riid, void** out);

// A BSTR owned for one scope.
class Bstr {
 public:
  explicit Bstr(const wchar_t* text) : b_(text != nullptr ? SysAllocString(text) : nullptr) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return b_; }

 private:
  BSTR b_;
};

// SoundFileName as text ("<null>" for a null string).
std::wstring SoundFileName(IRecorderDialog* dialog);

// File names that an English code page (1252) cannot hold exactly: look-alikes
// that its best fit would turn into a backslash, slash, colon or dots, and a
// Chinese name. The control refuses them.
constexpr const wchar_t* kCodePageRefusals[] = {L"..\uFF3C..\uFF3CWindows\uFF3Cx.wav",
                                                L"a\uFF0Fb.wav",
                                                L"a\u2215b.wav",
                                                L"c\uFF1Ax.wav",
                                                L"\uFF0E\uFF0E",
                                                L"\u4F60\u597D.wav"};

// An event sink that ignores every event: answers the event interface when
// `events` is set, and only IDispatch otherwise.
class TestEventSink : public TestObject<IDispatch> {
 public:
  explicit TestEventSink(bool events = true) : events_(events) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch) ||
        (events_ && IsEqualGUID(riid, DIID__IRecorderDialogEvents))) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return S_OK;
  }

 private:
  bool events_;
};

}  // namespace tamborix_wine
