// The module's exports, its class object and its unload rule, on the module
// loaded by hand; and aggregation.
#include "tests/wine/client_util.h"

namespace tamborix_wine {
namespace {

using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

const char* const kExports[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                "DllUnregisterServer"};

// The module loaded for one group.
// A function the module exports, by name.
template <class Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class Module {
 public:
  Module() : handle_(LoadLibraryW(gModulePath.c_str())) {}
  ~Module() {
    if (handle_ != nullptr) {
      FreeLibrary(handle_);
    }
  }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  HMODULE handle() const { return handle_; }
  HRESULT CanUnload() const {
    auto call = Export<CanUnloadNow>(handle_, "DllCanUnloadNow");
    return call != nullptr ? call() : E_UNEXPECTED;
  }
  HRESULT ClassObject(REFCLSID clsid, REFIID riid, void** out) const {
    auto call = Export<GetClassObject>(handle_, "DllGetClassObject");
    return call != nullptr ? call(clsid, riid, out) : E_UNEXPECTED;
  }

 private:
  HMODULE handle_;
};

TEST_GROUP(ExportsByOrdinal) {
  Module module;
  CHECK(module.handle() != nullptr);
  for (int ordinal = 1; ordinal <= 4; ++ordinal) {
    FARPROC byOrdinal = GetProcAddress(module.handle(), MAKEINTRESOURCEA(ordinal));
    FARPROC byName = GetProcAddress(module.handle(), kExports[ordinal - 1]);
    CHECK(byName != nullptr);
    CHECK(byOrdinal == byName);
  }
  CHECK(GetProcAddress(module.handle(), MAKEINTRESOURCEA(5)) == nullptr);
}

TEST_GROUP(ClassObject) {
  Module module;
  Ref<IClassFactory> first;
  Ref<IClassFactory> second;
  CHECK_HR(module.ClassObject(CLSID_RecorderDialog, IID_IClassFactory, first.OutVoid()), S_OK);
  CHECK_HR(module.ClassObject(CLSID_RecorderDialog, IID_IClassFactory, second.OutVoid()), S_OK);
  CHECK(first.get() != nullptr && first.get() == second.get());

  Ref<IUnknown> unknown;
  CHECK_HR(module.ClassObject(CLSID_RecorderDialog, IID_IUnknown, unknown.OutVoid()), S_OK);
  CHECK(unknown.get() == static_cast<IUnknown*>(first.get()));

  void* other = reinterpret_cast<void*>(1);
  CHECK_HR(module.ClassObject(IID_IRecorderDialog, IID_IClassFactory, &other),
           CLASS_E_CLASSNOTAVAILABLE);
  CHECK(other == nullptr);
  CHECK_HR(module.ClassObject(CLSID_StdFont, IID_IClassFactory, &other), CLASS_E_CLASSNOTAVAILABLE);

  Ref<IClassFactory> wrong;
  CHECK_HR(module.ClassObject(CLSID_RecorderDialog, IID_IDispatch, wrong.OutVoid()), E_NOINTERFACE);
}

TEST_GROUP(UnloadRule) {
  Module module;
  CHECK_HR(module.CanUnload(), S_OK);

  Ref<IClassFactory> factory;
  CHECK_HR(module.ClassObject(CLSID_RecorderDialog, IID_IClassFactory, factory.OutVoid()), S_OK);
  CHECK_HR(module.CanUnload(), S_FALSE);  // a held factory keeps the module
  Ref<IRecorderDialog> control;
  CHECK_HR(factory->CreateInstance(nullptr, IID_IRecorderDialog, control.OutVoid()), S_OK);
  CHECK_HR(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  CHECK_HR(module.CanUnload(), S_FALSE);
  control.Reset();
  CHECK_HR(module.CanUnload(), S_FALSE);  // still locked

  CHECK_HR(module.ClassObject(CLSID_RecorderDialog, IID_IClassFactory, factory.OutVoid()), S_OK);
  CHECK_HR(factory->LockServer(FALSE), S_OK);
  factory.Reset();
  CHECK_HR(module.CanUnload(), S_OK);

  // The last release of an object is what lets the module go.
  CHECK_HR(module.ClassObject(CLSID_RecorderDialog, IID_IClassFactory, factory.OutVoid()), S_OK);
  CHECK_HR(factory->CreateInstance(nullptr, IID_IDispatch, control.OutVoid()), S_OK);
  factory.Reset();
  CHECK_HR(module.CanUnload(), S_FALSE);
  control.Reset();
  CHECK_HR(module.CanUnload(), S_OK);
}

// An outer object that aggregates the control.
class Outer : public TestObject<IUnknown> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualGUID(riid, IID_IUnknown)) {
      *out = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner != nullptr ? inner->QueryInterface(riid, out) : E_NOINTERFACE;
  }
  IUnknown* inner = nullptr;
};

TEST_GROUP(Aggregation) {
  Module module;
  Ref<IClassFactory> factory;
  CHECK_HR(module.ClassObject(CLSID_RecorderDialog, IID_IClassFactory, factory.OutVoid()), S_OK);
  if (!factory) {
    return;
  }
  Outer outer;
  void* refused = reinterpret_cast<void*>(1);
  CHECK_HR(factory->CreateInstance(&outer, IID_IRecorderDialog, &refused), CLASS_E_NOAGGREGATION);
  CHECK(refused == nullptr);

  CHECK_HR(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)),
           S_OK);
  if (outer.inner == nullptr) {
    return;
  }
  CHECK(outer.refs == 1);

  IRecorderDialog* dialog = nullptr;
  CHECK_HR(outer.QueryInterface(IID_IRecorderDialog, reinterpret_cast<void**>(&dialog)), S_OK);
  CHECK(outer.refs == 2);  // the inner interface counts on the outer object
  if (dialog != nullptr) {
    IUnknown* identity = nullptr;
    CHECK_HR(dialog->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    CHECK(identity == static_cast<IUnknown*>(&outer));
    if (identity != nullptr) {
      identity->Release();
    }
    IOleObject* ole = nullptr;
    CHECK_HR(dialog->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole)), S_OK);
    CHECK(outer.refs == 3);
    if (ole != nullptr) {
      ole->Release();
    }
    CHECK(SoundFileName(dialog) == L"lumo_default.wav");
    dialog->Release();
  }
  CHECK(outer.refs == 1);
  factory.Reset();
  CHECK_HR(module.CanUnload(), S_FALSE);
  CHECK(outer.inner->Release() == 0);
  outer.inner = nullptr;
  CHECK_HR(module.CanUnload(), S_OK);
}

}  // namespace
}  // namespace tamborix_wine
