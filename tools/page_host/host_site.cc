#include "tools/page_host/host_site.h"

namespace tamborix {
namespace {

// The control's event interface, _IRecorderDialogEvents.
const IID kEventsIid = {
    0x68CF4F55, 0xA257, 0x40E7, {0xA2, 0x1B, 0x60, 0xE6, 0xD3, 0x9E, 0xDD, 0xF1}};

constexpr DISPID kLocalFullFileName = 4;

const wchar_t* EventName(DISPID id) {
  static const wchar_t* const kNames[] = {L"OnOKDone",  L"OnAbort",   L"OnRecording",
                                          L"OnPlaying", L"OnPlayimg", L"OnInitDone"};
  return id >= 1 && id <= 6 ? kNames[id - 1] : L"(unknown event)";
}

std::string Utf8(const wchar_t* text, int length) {
  if (length <= 0) {
    return std::string();
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, &narrow[0], size, nullptr, nullptr);
  return narrow;
}

std::string Describe(const char* step, HRESULT result) {
  char text[160];
  wsprintfA(text, "%s failed: 0x%08lX", step, static_cast<unsigned long>(result));
  return text;
}

}  // namespace

HRESULT PageBag::QueryInterface(REFIID riid, void** out) {
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyBag)) {
    *out = static_cast<IPropertyBag*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT PageBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) {
  if (name == nullptr || value == nullptr) {
    return E_POINTER;
  }
  for (const auto& [key, text] : params_) {
    if (lstrcmpiW(key.c_str(), name) == 0) {
      VariantInit(value);
      value->vt = VT_BSTR;
      value->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      return value->bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
    }
  }
  return E_INVALIDARG;  // the page does not give it
}

HRESULT PageBag::Write(LPCOLESTR name, VARIANT* value) {
  return E_NOTIMPL;  // a page is read, never written
}

HRESULT EventSink::QueryInterface(REFIID riid, void** out) {
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, kEventsIid)) {
    *out = static_cast<IDispatch*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT EventSink::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}

HRESULT EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  const wchar_t* name = EventName(id);
  ++counts_[name];
  if (listener_) {
    listener_(name);
  }
  return S_OK;
}

int EventSink::Count(const std::wstring& event) const {
  auto found = counts_.find(event);
  return found == counts_.end() ? 0 : found->second;
}

HostSite::HostSite(HWND window, PageParams params, EventListener listener)
    : window_(window), bag_(std::move(params)), events_(std::move(listener)) {}

HostSite::~HostSite() {
  CloseControl();
}

bool HostSite::CreateControl(const CLSID& classId, const RECT& position, std::string* problem) {
  position_ = position;
  HRESULT result = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                    reinterpret_cast<void**>(&object_));
  if (FAILED(result)) {
    *problem = Describe("creating the control (is it registered?)", result);
    return false;
  }
  object_->SetClientSite(static_cast<IOleClientSite*>(this));

  IPersistPropertyBag* persist = nullptr;
  result = object_->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist));
  if (SUCCEEDED(result)) {
    result = persist->Load(&bag_, nullptr);
    persist->Release();
  }
  if (FAILED(result)) {
    *problem = Describe("loading the page's params", result);
    CloseControl();
    return false;
  }

  IConnectionPointContainer* points = nullptr;
  result =
      object_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points));
  if (SUCCEEDED(result)) {
    result = points->FindConnectionPoint(kEventsIid, &eventPoint_);
    points->Release();
  }
  if (SUCCEEDED(result)) {
    result = eventPoint_->Advise(static_cast<IDispatch*>(&events_), &eventCookie_);
  }
  if (FAILED(result)) {
    *problem = Describe("connecting to the control's events", result);
    CloseControl();
    return false;
  }

  result = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0,
                           window_, &position_);
  if (SUCCEEDED(result)) {
    result = object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace_));
  }
  if (FAILED(result)) {
    *problem = Describe("activating the control in place", result);
    CloseControl();
    return false;
  }
  return true;
}

void HostSite::CloseControl() {
  if (eventPoint_ != nullptr) {
    if (eventCookie_ != 0) {
      eventPoint_->Unadvise(eventCookie_);
    }
    eventPoint_->Release();
    eventPoint_ = nullptr;
    eventCookie_ = 0;
  }
  if (inPlace_ != nullptr) {
    inPlace_->InPlaceDeactivate();
    inPlace_->Release();
    inPlace_ = nullptr;
  }
  if (active_ != nullptr) {
    active_->Release();
    active_ = nullptr;
  }
  if (object_ != nullptr) {
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
    object_->Release();
    object_ = nullptr;
  }
}

void HostSite::Move(const RECT& position) {
  position_ = position;
  if (inPlace_ != nullptr) {
    inPlace_->SetObjectRects(&position_, &position_);
  }
}

HWND HostSite::PanelWindow() const {
  HWND panel = nullptr;
  if (inPlace_ == nullptr || FAILED(inPlace_->GetWindow(&panel))) {
    return nullptr;
  }
  return panel;
}

bool HostSite::TranslateAccelerator(MSG* message) {
  if (active_ == nullptr || message->message < WM_KEYFIRST || message->message > WM_KEYLAST) {
    return false;
  }
  return active_->TranslateAccelerator(message) == S_OK;
}

std::string HostSite::LocalFullFileName() const {
  IDispatch* dispatch = nullptr;
  if (object_ == nullptr ||
      FAILED(object_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
    return std::string();
  }
  DISPPARAMS none = {};
  VARIANT value;
  VariantInit(&value);
  std::string path;
  if (SUCCEEDED(dispatch->Invoke(kLocalFullFileName, IID_NULL, LOCALE_USER_DEFAULT,
                                 DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr)) &&
      value.vt == VT_BSTR) {
    path = Utf8(value.bstrVal, static_cast<int>(SysStringLen(value.bstrVal)));
  }
  VariantClear(&value);
  dispatch->Release();
  return path;
}

HRESULT HostSite::QueryInterface(REFIID riid, void** out) {
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
    *out = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
    *out = static_cast<IOleInPlaceSite*>(this);
  } else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame)) {
    *out = static_cast<IOleInPlaceFrame*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  return S_OK;
}

HRESULT HostSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT HostSite::GetContainer(IOleContainer** container) {
  *container = nullptr;
  return E_NOINTERFACE;  // a single control, no document around it
}

HRESULT HostSite::GetWindow(HWND* window) {
  *window = window_;
  return S_OK;
}

HRESULT HostSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                   LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  *frame = static_cast<IOleInPlaceFrame*>(this);
  *document = nullptr;
  *position = position_;
  *clip = position_;
  info->fMDIApp = FALSE;
  info->hwndFrame = window_;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

HRESULT HostSite::OnPosRectChange(LPCRECT position) {
  Move(*position);
  return S_OK;
}

HRESULT HostSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
  if (object != nullptr) {
    object->AddRef();
  }
  if (active_ != nullptr) {
    active_->Release();
  }
  active_ = object;
  return S_OK;
}

}  // namespace tamborix
