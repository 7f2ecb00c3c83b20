// A container of our own around the control: client site, in-place site,
// frame and an ambient IDispatch with a background colour. It activates the
// control in place as a browser page would and reads the real panel back.
#include <memory>

#include "tests/wine/container_util.h"

namespace tamborix_wine {
namespace {

constexpr RECT kPlace = {12, 24, 12 + 400, 24 + 300};
constexpr COLORREF kFirstColor = RGB(0x20, 0x80, 0xC0);
constexpr COLORREF kSecondColor = RGB(0xC0, 0x40, 0x20);

class TestSite : public TestObject<IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame, IDispatch> {
 public:
  explicit TestSite(HWND frame) : frame_(frame) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IOleClientSite)) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (IsEqualGUID(riid, IID_IOleInPlaceSite) || IsEqualGUID(riid, IID_IOleWindow)) {
      *out = static_cast<IOleInPlaceSite*>(this);
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
    return S_OK;
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
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

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
  int canActivate = 0, inPlaceActivated = 0, uiActivated = 0, uiDeactivated = 0,
      inPlaceDeactivated = 0;
  IOleInPlaceActiveObject* active = nullptr;

 private:
  HWND frame_;
};

// A property bag that gives only "FileName".
class FileNameBag : public TestObject<IPropertyBag> {
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
    if (lstrcmpW(name, L"FileName") != 0) {
      return E_INVALIDARG;
    }
    V_VT(value) = VT_BSTR;
    V_BSTR(value) = SysAllocString(L"bagtake.wav");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return S_OK; }
};

// The control created, its site set, its bag loaded and its events heard,
// in a frame window of our own; not yet active.
struct Hosted {
  FrameWindow frame{640, 480};
  TestSite site{frame.get()};
  FileNameBag bag;
  CountingEventSink events;
  Ref<IOleObject> object;
  bool ready = false;

  Hosted() {
    Ref<IPersistPropertyBag> persist;
    // Load reports the last key's answer, which this bag lacks; the file
    // name shows in the status box.
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
};

TEST_GROUP(ContainerShowsFreshPanel) {
  Hosted host;
  REQUIRE(host.ready);
  CHECK(host.Panel() == nullptr);
  CHECK_HR(host.Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
  HWND panel = host.Panel();
  REQUIRE(panel != nullptr);
  CHECK(GetParent(panel) == host.frame.get());
  CHECK(IsWindowVisible(panel));
  const RECT place = PlaceInParent(panel);
  CHECK(EqualRect(&place, &kPlace));
  CHECK(host.site.canActivate == 1);
  CHECK(host.site.inPlaceActivated == 1);
  CHECK(host.site.uiActivated == 0);
  CHECK(host.events.counts[kOnPlayimg] == 1);
  CheckFreshPanel(panel, 120);
  const std::string status = ItemText(panel, 213);
  CHECK(status.size() > 12 && status.substr(status.size() - 12) == "\\bagtake.wav");
  // Activating again shows the same panel and fires nothing new.
  CHECK_HR(host.Verb(OLEIVERB_SHOW), S_OK);
  CHECK(host.Panel() == panel);
  CHECK(host.events.counts[kOnPlayimg] == 1);
}

TEST_GROUP(ContainerColourPaintsPanel) {
  Hosted host;
  REQUIRE(host.ready);
  CHECK_HR(host.Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
  HWND panel = host.Panel();
  REQUIRE(panel != nullptr);
  CHECK(BackgroundPixel(panel) == kFirstColor);
  HDC dc = GetDC(panel);
  HBRUSH brush =
      reinterpret_cast<HBRUSH>(SendMessageA(panel, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                            reinterpret_cast<LPARAM>(GetDlgItem(panel, 203))));
  LOGBRUSH colour = {};
  CHECK(brush != nullptr && GetObjectA(brush, sizeof colour, &colour) == sizeof colour &&
        colour.lbColor == kFirstColor);
  CHECK(GetBkColor(dc) == kFirstColor);
  ReleaseDC(panel, dc);

  Ref<IOleControl> control;
  REQUIRE(control.From(host.object.get()));
  host.site.backColor = kSecondColor;
  CHECK_HR(control->OnAmbientPropertyChange(DISPID_AMBIENT_BACKCOLOR), S_OK);
  CHECK(BackgroundPixel(panel) == kSecondColor);
  // Another property leaves the colour; an unnamed change reads it again.
  host.site.backColor = kFirstColor;
  CHECK_HR(control->OnAmbientPropertyChange(DISPID_AMBIENT_FONT), S_OK);
  CHECK(BackgroundPixel(panel) == kSecondColor);
  CHECK_HR(control->OnAmbientPropertyChange(DISPID_UNKNOWN), S_OK);
  CHECK(BackgroundPixel(panel) == kFirstColor);
  // A site without ambient properties: the dialog's own colour.
  host.site.hasAmbient = false;
  CHECK_HR(control->OnAmbientPropertyChange(DISPID_AMBIENT_BACKCOLOR), S_OK);
  CHECK(BackgroundPixel(panel) == GetSysColor(COLOR_3DFACE));
}

TEST_GROUP(ContainerMovesClipsAndTabs) {
  Hosted host;
  REQUIRE(host.ready);
  Ref<IOleInPlaceObject> inPlace;
  REQUIRE(inPlace.From(host.object.get()));
  const RECT moved = {40, 50, 40 + 300, 50 + 200};
  CHECK_HR(inPlace->SetObjectRects(&moved, &moved), E_UNEXPECTED);  // not active yet
  CHECK_HR(host.Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
  HWND panel = host.Panel();
  REQUIRE(panel != nullptr);

  const RECT clip = {40, 50, 40 + 100, 50 + 200};
  CHECK_HR(inPlace->SetObjectRects(&moved, &clip), S_OK);
  RECT place = PlaceInParent(panel);
  CHECK(EqualRect(&place, &moved));
  RECT box = {};
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  CHECK(GetWindowRgn(panel, region) == SIMPLEREGION);
  GetRgnBox(region, &box);
  const RECT expectedBox = {0, 0, 100, 200};
  CHECK(EqualRect(&box, &expectedBox));
  DeleteObject(region);

  // UI activation makes it the frame's active object and gives it the focus;
  // Tab then moves between its controls through TranslateAccelerator.
  CHECK_HR(host.Verb(OLEIVERB_UIACTIVATE), S_OK);
  CHECK(host.site.uiActivated == 1);
  REQUIRE(host.site.active != nullptr);
  HWND first = GetFocus();
  CHECK(first != nullptr && IsChild(panel, first));
  MSG tab = {first, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
  CHECK_HR(host.site.active->TranslateAccelerator(&tab), S_OK);
  HWND second = GetFocus();
  CHECK(second != first && IsChild(panel, second));
  MSG letter = {second, WM_NULL, 0, 0, 0, {0, 0}};
  CHECK_HR(host.site.active->TranslateAccelerator(&letter), S_FALSE);

  Ref<IOleInPlaceObject> again;
  REQUIRE(again.From(host.object.get()));
  CHECK_HR(again->UIDeactivate(), S_OK);
  CHECK(host.site.uiDeactivated == 1);
  CHECK(host.site.active == nullptr);
  CHECK(IsWindow(panel));
}

TEST_GROUP(ContainerDeactivatesAndCloses) {
  Hosted host;
  REQUIRE(host.ready);
  CHECK_HR(host.Verb(OLEIVERB_UIACTIVATE), S_OK);
  HWND panel = host.Panel();
  REQUIRE(panel != nullptr);
  Ref<IOleInPlaceObject> inPlace;
  REQUIRE(inPlace.From(host.object.get()));
  CHECK_HR(inPlace->InPlaceDeactivate(), S_OK);
  PumpMessages();
  CHECK(!IsWindow(panel));
  CHECK(CountDescendants(host.frame.get()) == 0);
  CHECK(host.site.uiDeactivated == 1);
  CHECK(host.site.inPlaceDeactivated == 1);
  CHECK(host.Panel() == nullptr);

  // Active again: a new panel, a new OnPlayimg; Close takes it away.
  CHECK_HR(host.Verb(OLEIVERB_PRIMARY), S_OK);
  panel = host.Panel();
  REQUIRE(panel != nullptr);
  CHECK(host.events.counts[kOnPlayimg] == 2);
  CHECK_HR(host.object->Close(OLECLOSE_NOSAVE), S_OK);
  PumpMessages();
  CHECK(!IsWindow(panel));
  CHECK(CountDescendants(host.frame.get()) == 0);
  CHECK(host.site.inPlaceDeactivated == 2);
  CHECK(host.site.active == nullptr);
  // The control holds nothing of the container's after letting go of its
  // site.
  host.object->SetClientSite(nullptr);
  host.object.Reset();
  CHECK(host.site.refs == 1);
}

}  // namespace
}  // namespace tamborix_wine
