// The control in the containers people use, each followed the way its public
// sources host a control: Internet Explorer (as Wine's mshtml conformance
// tests record it on Windows), Wine's own browser, .NET WinForms' AxHost and
// Qt's QAxWidget. Keys reach the control the way each container routes them,
// and what each does with a key the control hands back. These groups run
// under Wine's heap checking (containers.sh).
#include <string>

#include "tests/wine/live_util.h"
#include "tests/wine/test_container.h"

namespace tamborix_wine {
namespace {

constexpr int kRec = 202, kStop = 205, kCombo = 210, kStatus = 213;

enum class Bag { kNone, kStringForEmpty, kEmptyForEmpty };
// How a key reaches the control: not at all, through the UI-active object
// and then the page (IE), every key through the control and then the form's
// dialog keys (WinForms), or only Tab, Delete and modified keys through the
// control and the rest straight to the focused window (Qt).
enum class Keys { kNone, kActiveObject, kEveryKey, kQtFilter };
// The site's IOleControlSite::TranslateAccelerator: not implemented, the
// form's own keys taken (S_OK) or left (S_FALSE), or every key handed to the
// host widget and let go on (S_OK, the message still dispatched).
enum class SiteKeys { kNotImplemented, kFormKeys, kToHostWidget };

struct Sequence {
  const char* name;
  bool quickActivate;       // site and sinks in one call, then the page's params
  bool extendedSite;        // answers IOleInPlaceSiteEx
  bool plainActivateFails;  // OnInPlaceActivate is E_NOTIMPL; sizes come only after the Ex call
  Bag bag;
  Keys keys;
  SiteKeys siteKeys;
};

const Sequence kSequences[] = {
    {"IE", true, true, false, Bag::kStringForEmpty, Keys::kActiveObject, SiteKeys::kFormKeys},
    {"WineBrowser", true, true, true, Bag::kEmptyForEmpty, Keys::kNone, SiteKeys::kNotImplemented},
    {"WinForms", false, false, false, Bag::kNone, Keys::kEveryKey, SiteKeys::kFormKeys},
    {"Qt", false, false, false, Bag::kNone, Keys::kQtFilter, SiteKeys::kToHostWidget},
};

constexpr RECT kElement = {20, 20, 20 + 400, 20 + 150};

// The page or form around the control: a control before it and one after it
// in the tab order, and its Cancel and default buttons counted.
struct Form {
  FrameWindow frame{640, 480};
  HWND before = Button(L"before", 300), after = Button(L"after", 340);
  int escapes = 0, enters = 0;
  std::function<void()> onEscape;

  HWND Button(const wchar_t* text, int y) {
    return CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 20, y, 80, 24,
                           frame.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  bool Take(const MSG& message) {
    if (message.message != WM_KEYDOWN) {
      return false;
    }
    switch (message.wParam) {
      case VK_TAB:
        SetFocus(GetKeyState(VK_SHIFT) < 0 ? before : after);
        return true;
      case VK_ESCAPE:
        ++escapes;
        if (onEscape) {
          onEscape();
        }
        return true;
      case VK_RETURN:
        return ++enters, true;
      default:
        return false;
    }
  }
};

// The page's params; Wine's browser answers a VT_EMPTY read with VT_EMPTY.
class SequenceBag : public TestObject<IPropertyBag> {
 public:
  explicit SequenceBag(Bag kind) : kind_(kind) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    *out = IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IPropertyBag)
               ? static_cast<IPropertyBag*>(this)
               : nullptr;
    return *out != nullptr ? (AddRef(), S_OK) : E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    const bool known = lstrcmpW(name, L"FileName") == 0 || lstrcmpW(name, L"Session") == 0;
    if (!known) {
      return E_INVALIDARG;  // the page has no such param
    }
    if (V_VT(value) == VT_BSTR || kind_ == Bag::kStringForEmpty) {
      V_VT(value) = VT_BSTR;
      V_BSTR(value) = SysAllocString(name[0] == L'F' ? L"sequence.wav" : L"s-1");
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return S_OK; }

 private:
  Bag kind_;
};

// One container hosting the control as its sequence does.
class Container {
 public:
  explicit Container(const Sequence& sequence) : sequence(sequence), bag(sequence.bag) {
    site.extended = sequence.extendedSite;
    site.plainActivateFails = sequence.plainActivateFails;
    site.onKey = [this](MSG* message) { return SiteKey(message); };
  }
  ~Container() {
    if (object) {
      Ref<IOleInPlaceObject> inPlace;
      if (inPlace.From(object.get())) {
        inPlace->InPlaceDeactivate();
      }
      object->Close(OLECLOSE_NOSAVE);
      object->SetClientSite(nullptr);
    }
    site.SetActiveObject(nullptr, nullptr);
    object.Reset();
    PumpMessages();
  }

  // Made, sited, loaded and active in place; the panel, or null.
  HWND Start() {
    if (FAILED(CreateControl(IID_IOleObject, object.OutVoid()))) {
      return nullptr;
    }
    site.control = object.get();
    auto* clientSite = static_cast<IOleClientSite*>(&site);
    Ref<IQuickActivate> quick;
    Ref<IPersistPropertyBag> bagLoad;
    Ref<IPersistStreamInit> streamInit;
    if (sequence.quickActivate && quick.From(object.get())) {
      QACONTAINER container = {sizeof container};
      container.pClientSite = clientSite;
      container.dwAmbientFlags = QACONTAINER_USERMODE;
      QACONTROL control = {sizeof control};
      quick->QuickActivate(&container, &control);
    } else {
      object->SetClientSite(clientSite);  // OLEMISC_SETCLIENTSITEFIRST
    }
    if (sequence.bag == Bag::kNone) {
      if (!streamInit.From(object.get()) || FAILED(streamInit->InitNew())) {
        return nullptr;
      }
    } else if (bagLoad.From(object.get())) {
      bagLoad->Load(&bag, nullptr);  // reports the last param's read, which the page lacks
    }
    object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, form.frame.get(), &kElement);
    PumpMessages();
    Ref<IOleWindow> window;
    return window.From(object.get()) && SUCCEEDED(window->GetWindow(&panel)) ? panel : nullptr;
  }

  // Started, then made UI-active as a click on the element makes it.
  HWND StartUiActive() {
    HWND started = Start();
    if (started != nullptr) {
      Verb(OLEIVERB_UIACTIVATE);
    }
    return started;
  }

  HRESULT Verb(LONG verb) {
    const HRESULT hr = object->DoVerb(verb, nullptr, static_cast<IOleClientSite*>(&site), 0,
                                      form.frame.get(), &kElement);
    PumpMessages();
    return hr;
  }

  // The element resized by the page or form: through the in-place object
  // the site was given, if any.
  void Resize(const RECT& place) {
    if (site.inPlace != nullptr) {
      site.inPlace->SetObjectRects(&place, &place);
    }
    PumpMessages();
  }

  // A key pressed where the focus is, routed as the container routes it.
  void Press(UINT key, bool shift = false) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG message = {GetFocus(), WM_KEYDOWN, key, 1, ++time_, {0, 0}};
    if (!Route(&message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    PumpMessages();
  }

  bool FocusInPanel() const {
    HWND focus = GetFocus();
    return focus != nullptr && (focus == panel || IsChild(panel, focus));
  }

  const Sequence& sequence;
  Form form;
  TestSite site{form.frame.get()};
  SequenceBag bag;
  Ref<IOleObject> object;
  HWND panel = nullptr;

 private:
  HRESULT SiteKey(MSG* message) {
    switch (sequence.siteKeys) {
      case SiteKeys::kFormKeys:
        return form.Take(*message) ? S_OK : S_FALSE;
      case SiteKeys::kToHostWidget:
        form.Take(*message);
        keyGoesOn_ = true;
        return S_OK;
      default:
        return E_NOTIMPL;
    }
  }

  // True when the key went no further than the container's own handling.
  bool Route(MSG* message) {
    Ref<IOleInPlaceActiveObject> control;
    const bool inControl = FocusInPanel() && control.From(object.get());
    switch (sequence.keys) {
      case Keys::kActiveObject:  // the UI-active object, then the page
      case Keys::kEveryKey: {    // the focused control, then the form
        IOleInPlaceActiveObject* first = sequence.keys == Keys::kActiveObject ? site.active
                                         : inControl                          ? control.get()
                                                                              : nullptr;
        return (first != nullptr && first->TranslateAccelerator(message) == S_OK) ||
               form.Take(*message);
      }
      case Keys::kQtFilter: {
        const bool modified = GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0;
        const UINT key = static_cast<UINT>(message->wParam);
        const bool translated = key == VK_TAB || key == VK_DELETE || modified;
        keyGoesOn_ = false;
        return inControl && translated && control->TranslateAccelerator(message) == S_OK &&
               !keyGoesOn_;
      }
      default:
        return false;
    }
  }

  DWORD time_ = 1;
  bool keyGoesOn_ = false;  // Qt's site let the key go on to its window
};

#define EXPECT(condition)                                                                     \
  do {                                                                                        \
    if (!(condition)) Fail(__FILE__, __LINE__, std::string(sequence.name) + ": " #condition); \
  } while (0)

TEST_GROUP(SequenceKeysLeaveThePanel) {
  for (const Sequence& sequence : kSequences) {
    if (sequence.keys == Keys::kNone) {
      continue;
    }
    Container host(sequence);
    HWND panel = host.StartUiActive();
    EXPECT(panel != nullptr);
    if (panel == nullptr) {
      continue;
    }
    // Tab walks the tab stops (combo box, REC, ABORT, trackbar, status box)
    // and then on to the form's next control.
    SetFocus(GetDlgItem(panel, kCombo));
    int presses = 0;
    while (host.FocusInPanel() && presses < 10) {
      host.Press(VK_TAB);
      ++presses;
    }
    EXPECT(presses == 5);
    EXPECT(GetFocus() == host.form.after);
    SetFocus(GetDlgItem(panel, kStatus));
    host.Press(VK_TAB, true);
    EXPECT(GetFocus() != nullptr && IsChild(panel, GetFocus()));  // still inside
    SetFocus(GetDlgItem(panel, kCombo));
    host.Press(VK_TAB, true);
    EXPECT(GetFocus() == host.form.before);
    // Escape reaches the form's Cancel button once; Enter, with no default
    // button in the panel, its default button.
    SetFocus(GetDlgItem(panel, kRec));
    host.Press(VK_ESCAPE);
    EXPECT(host.form.escapes == 1);
    SetFocus(GetDlgItem(panel, kCombo));
    host.Press(VK_RETURN);
    EXPECT(host.form.enters == 1);
    // The form closes on Escape and lets go of the control meanwhile.
    host.form.onEscape = [&host] {
      DestroyWindow(host.form.frame.get());
      host.object.Reset();
    };
    SetFocus(GetDlgItem(panel, kRec));
    host.Press(VK_ESCAPE);
    EXPECT(host.form.escapes == 2 && !IsWindow(panel));
  }
}

TEST_GROUP(SequencePanelFollowsTheElement) {
  for (const Sequence& sequence : kSequences) {
    Container host(sequence);
    HWND panel = host.Start();
    EXPECT(panel != nullptr);
    if (panel == nullptr) {
      continue;
    }
    EXPECT(host.site.extendedActivated == (sequence.extendedSite ? 1 : 0));
    EXPECT(host.site.inPlaceActivated == (sequence.extendedSite ? 0 : 1));
    const RECT taller = {20, 20, 20 + 400, 20 + 268};
    host.Resize(taller);
    const RECT place = PlaceInParent(panel);
    EXPECT(EqualRect(&place, &taller));
    if (sequence.bag != Bag::kNone) {
      const std::string status = ItemText(panel, kStatus);
      EXPECT(status.size() > 13 && status.substr(status.size() - 13) == "\\sequence.wav");
    }
    Ref<IOleInPlaceObject> inPlace;
    if (inPlace.From(host.object.get())) {
      inPlace->InPlaceDeactivate();
    }
    EXPECT(host.site.extendedDeactivated == (sequence.extendedSite ? 1 : 0));
    EXPECT(host.site.inPlace == nullptr);
    // Closed and let go of, the control holds nothing of the container's.
    host.object->Close(OLECLOSE_NOSAVE);
    host.object->SetClientSite(nullptr);
    host.object.Reset();
    EXPECT(host.site.refs == 1);
  }
}

// Hidden (WinForms' Visible = false): the focus goes back to the form, and
// neither a key nor a click on REC starts anything until it shows again.
TEST_GROUP(SequenceHiddenTakesNoKey) {
  for (const Sequence& sequence : kSequences) {
    if (sequence.keys == Keys::kNone) {
      continue;
    }
    BoxWatcher boxes;  // answers a box a recording started unseen would show
    Container host(sequence);
    HWND panel = host.StartUiActive();
    EXPECT(panel != nullptr);
    if (panel == nullptr) {
      continue;
    }
    HWND rec = GetDlgItem(panel, kRec);
    SetFocus(rec);
    EXPECT(host.Verb(OLEIVERB_HIDE) == S_OK);
    EXPECT(!IsWindowVisible(panel));
    EXPECT(!host.FocusInPanel());
    host.Press(VK_SPACE);
    SendMessageW(rec, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(rec, WM_KEYUP, VK_SPACE, 0xC0000001);
    Click(panel, kRec);
    PumpMessages();
    EXPECT(IsWindowEnabled(rec) && !IsWindowEnabled(GetDlgItem(panel, kStop)));
    EXPECT(host.Verb(OLEIVERB_SHOW) == S_OK);
    Click(panel, kRec);
    EXPECT(!IsWindowEnabled(rec));
    Click(panel, kStop);
    EXPECT(IsWindowEnabled(rec));
    EXPECT(boxes.Texts().empty());
  }
}

#undef EXPECT

}  // namespace
}  // namespace tamborix_wine
