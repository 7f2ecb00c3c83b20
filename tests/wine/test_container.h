// A container of our own around the control: client site, in-place site
// (extended when asked), frame, control site (when given a key handler) and
// an ambient IDispatch with a background colour, and the control
// made, loaded from a property bag and heard in it: the container tests, the
// live panel tests that click its buttons and the hostile containers use it.
#pragma once

#include <utility>

#include "tests/wine/container_util.h"

namespace tamborix_wine {

constexpr RECT kPlace = {12, 24, 12 + 400, 24 + 300};
constexpr COLORREF kFirstColor = RGB(0x20, 0x80, 0xC0);
constexpr COLORREF kSecondColor = RGB(0xC0, 0x40, 0x20);

class TestSite : public TestObject<IOleClientSite, IOleInPlaceSiteEx, IOleInPlaceFrame, IDispatch,
                                   IOleControlSite> {
 public:
  explicit TestSite(HWND frame) : frame_(frame) {}
  ~TestSite() override { Forget(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IOleClientSite)) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (IsEqualGUID(riid, IID_IOleInPlaceSite) || IsEqualGUID(riid, IID_IOleWindow) ||
               (IsEqualGUID(riid, IID_IOleInPlaceSiteEx) && extended)) {
      *out = static_cast<IOleInPlaceSiteEx*>(this);
    } else if (IsEqualGUID(riid, IID_IOleControlSite) && onKey) {
      *out = static_cast<IOleControlSite*>(this);
    } else if (IsEqualGUID(riid, IID_IOleInPlaceFrame) ||
               IsEqualGUID(riid, IID_IOleInPlaceUIWindow)) {
      *out = static_cast<IOleInPlaceFrame*>(this);
    } else if (IsEqualGUID(riid, IID_IDispatch) && hasAmbient) {
      *out = static_cast<IDispatch*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    *moniker = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
    *container = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, for the in-place site and the frame
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    *window = frame_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override {
    ++canActivate;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override {
    ++inPlaceActivated;
    return plainActivateFails ? E_NOTIMPL : Remember();
  }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override {
    ++uiActivated;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                             LPRECT position, LPRECT clip,
                                             LPOLEINPLACEFRAMEINFO info) override {
    AddRef();
    *frame = static_cast<IOleInPlaceFrame*>(this);
    *doc = nullptr;
    *position = kPlace;
    GetClientRect(frame_, clip);
    info->fMDIApp = FALSE;
    info->hwndFrame = frame_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override {
    ++uiDeactivated;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
    ++inPlaceDeactivated;
    if (plainActivateFails) {
      return E_NOTIMPL;
    }
    Forget();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceSiteEx
  HRESULT STDMETHODCALLTYPE OnInPlaceActivateEx(BOOL* noRedraw, DWORD) override {
    ++extendedActivated;
    *noRedraw = FALSE;
    return Remember();
  }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivateEx(BOOL) override {
    ++extendedDeactivated;
    Forget();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RequestUIActivate() override { return S_OK; }

  // IOleInPlaceUIWindow and IOleInPlaceFrame
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
    return INPLACE_E_NOTOOLSPACE;
  }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
    if (object != nullptr) {
      object->AddRef();
    }
    if (active != nullptr) {
      active->Release();
    }
    active = object;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IOleControlSite
  HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** extended) override {
    *extended = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* message, DWORD) override {
    return onKey(message);
  }
  HRESULT STDMETHODCALLTYPE OnFocus(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override { return E_NOTIMPL; }

  // IDispatch: the ambient properties
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    if (dispid != DISPID_AMBIENT_BACKCOLOR || result == nullptr) {
      return DISP_E_MEMBERNOTFOUND;
    }
    V_VT(result) = VT_I4;
    V_I4(result) = static_cast<LONG>(backColor);
    return S_OK;
  }

  bool hasAmbient = true;
  COLORREF backColor = kFirstColor;
  bool extended = false;               // answers IOleInPlaceSiteEx
  bool plainActivateFails = false;     // OnInPlaceActivate and its end are E_NOTIMPL
  std::function<HRESULT(MSG*)> onKey;  // answers IOleControlSite when set
  int canActivate = 0, inPlaceActivated = 0, uiActivated = 0, uiDeactivated = 0,
      inPlaceDeactivated = 0, extendedActivated = 0, extendedDeactivated = 0;
  IOleInPlaceActiveObject* active = nullptr;
  // With `control` given (not held), the in-place object it is told of,
  // which a container sizes through.
  IUnknown* control = nullptr;
  IOleInPlaceObject* inPlace = nullptr;

 private:
  HRESULT Remember() {
    Forget();
    return control != nullptr
               ? control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))
               : S_OK;
  }
  void Forget() {
    if (inPlace != nullptr) {
      IOleInPlaceObject* gone = inPlace;
      inPlace = nullptr;
      gone->Release();
    }
  }

  HWND frame_;
};

// A property bag with the page's params; by default only "FileName".
class ParamBag : public TestObject<IPropertyBag> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IPropertyBag)) {
      *out = static_cast<IPropertyBag*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    for (const auto& [key, text] : params) {
      if (lstrcmpW(name, key) == 0) {
        V_VT(value) = VT_BSTR;
        V_BSTR(value) = SysAllocString(text);
        return S_OK;
      }
    }
    return E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return S_OK; }

  std::vector<std::pair<const wchar_t*, const wchar_t*>> params = {{L"FileName", L"bagtake.wav"}};
};

// The control created, its site set, its bag loaded and its events heard,
// in a frame window of our own; not yet active.
struct Hosted {
  FrameWindow frame{640, 480};
  TestSite site{frame.get()};
  ParamBag bag;
  CountingEventSink events;
  Ref<IOleObject> object;
  bool ready = false;

  Hosted() : Hosted(ParamBag().params) {}
  explicit Hosted(const std::vector<std::pair<const wchar_t*, const wchar_t*>>& params) {
    bag.params = params;
    Ref<IPersistPropertyBag> persist;
    // Load reports the last key's answer, which the bag may lack; the
    // file name shows in the status box.
    ready = SUCCEEDED(CreateControl(IID_IOleObject, object.OutVoid())) &&
            SUCCEEDED(object->SetClientSite(static_cast<IOleClientSite*>(&site))) &&
            persist.From(object.get()) && SUCCEEDED(persist->InitNew()) &&
            (persist->Load(&bag, nullptr), events.Connect(object.get()));
  }
  ~Hosted() {
    if (object) {
      object->Close(OLECLOSE_NOSAVE);
      object->SetClientSite(nullptr);
    }
    PumpMessages();
  }
  HRESULT Verb(LONG verb) {
    const HRESULT hr =
        object->DoVerb(verb, nullptr, static_cast<IOleClientSite*>(&site), 0, frame.get(), &kPlace);
    PumpMessages();
    return hr;
  }
  HWND Panel() {
    Ref<IOleWindow> window;
    HWND panel = nullptr;
    if (window.From(object.get()) && SUCCEEDED(window->GetWindow(&panel))) {
      return panel;
    }
    return nullptr;
  }
  // How the groups that use the panel start: the control made, loaded and
  // shown by `verb`. Its panel, or null with the failure recorded.
  HWND Activate(LONG verb = OLEIVERB_INPLACEACTIVATE) {
    if (!ready) {
      Fail(__FILE__, __LINE__, "the control was made, sited and loaded");
      return nullptr;
    }
    CHECK_HR(Verb(verb), S_OK);
    return Panel();
  }
};

}  // namespace tamborix_wine
