// IPersistPropertyBag: the page's named values into the control, and its
// file name back out, through the control's own bag rules.
#include "module/com_util.h"
#include "module/recorder_object.h"

namespace tamborix {
namespace {

// The container's bag as the control's PropertyBag.
class ComPropertyBag : public PropertyBag {
 public:
  ComPropertyBag(IPropertyBag* bag, IErrorLog* log) : bag_(bag), log_(log) {}

  // A bag that answers a VT_EMPTY read with nothing (Wine's browser gives
  // VT_EMPTY back) is asked again for a string; a key it lacks fails and
  // stays absent, as does one for which the second read gives nothing back,
  // and a value of another type is not taken.
  Result Read(const std::u16string& key, WideString* value, bool* isString) override {
    VARIANT read;
    VariantInit(&read);
    HRESULT hr = IPropertyBag_Read(bag_, OleText(key), &read, log_);
    if (SUCCEEDED(hr) && V_VT(&read) == VT_EMPTY) {
      V_VT(&read) = VT_BSTR;
      V_BSTR(&read) = nullptr;
      hr = IPropertyBag_Read(bag_, OleText(key), &read, log_);
      if (V_VT(&read) == VT_BSTR && V_BSTR(&read) == nullptr) {
        V_VT(&read) = VT_EMPTY;  // the bag left the request as it was
      }
    }
    *isString = SUCCEEDED(hr) && V_VT(&read) == VT_BSTR;
    if (*isString) {
      try {
        *value = FromBstr(V_BSTR(&read));
      } catch (...) {
        VariantClear(&read);
        throw;
      }
    }
    VariantClear(&read);
    return hr;
  }

  Result Write(const std::u16string& key, const WideString& value) override {
    VARIANT written;
    VariantInit(&written);
    bool failed = false;
    V_VT(&written) = VT_BSTR;
    V_BSTR(&written) = ToBstr(value, &failed);
    if (failed) {
      return E_OUTOFMEMORY;
    }
    const HRESULT hr = IPropertyBag_Write(bag_, OleText(key), &written);
    VariantClear(&written);
    return hr;
  }

 private:
  IPropertyBag* bag_;
  IErrorLog* log_;
};

HRESULT WINAPI Bag_QueryInterface(IPersistPropertyBag* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IPersistPropertyBag(iface)->outer, riid, out);
}

ULONG WINAPI Bag_AddRef(IPersistPropertyBag* iface) {
  return IUnknown_AddRef(impl_from_IPersistPropertyBag(iface)->outer);
}

ULONG WINAPI Bag_Release(IPersistPropertyBag* iface) {
  return IUnknown_Release(impl_from_IPersistPropertyBag(iface)->outer);
}

HRESULT WINAPI Bag_GetClassID(IPersistPropertyBag* iface, CLSID* clsid) {
  if (clsid == nullptr) {
    return E_POINTER;
  }
  *clsid = CLSID_RecorderDialog;
  return S_OK;
}

HRESULT WINAPI Bag_InitNew(IPersistPropertyBag* iface) {
  return S_OK;
}

HRESULT WINAPI Bag_Load(IPersistPropertyBag* iface, IPropertyBag* bag, IErrorLog* log) {
  if (bag == nullptr) {
    return E_POINTER;
  }
  RecorderObject* object = impl_from_IPersistPropertyBag(iface);
  return Guarded([&] {
    ComPropertyBag adapter(bag, log);
    return static_cast<HRESULT>(object->parts->control.LoadFromBag(adapter));
  });
}

HRESULT WINAPI Bag_Save(IPersistPropertyBag* iface, IPropertyBag* bag, BOOL clearDirty,
                        BOOL saveAll) {
  if (bag == nullptr) {
    return E_POINTER;
  }
  RecorderObject* object = impl_from_IPersistPropertyBag(iface);
  return Guarded([&] {
    ComPropertyBag adapter(bag, nullptr);
    return static_cast<HRESULT>(
        object->parts->control.SaveToBag(adapter, clearDirty != FALSE, saveAll != FALSE));
  });
}

}  // namespace

const IPersistPropertyBagVtbl kPersistPropertyBagVtbl = {
    Bag_QueryInterface, Bag_AddRef, Bag_Release, Bag_GetClassID, Bag_InitNew, Bag_Load, Bag_Save,
};

}  // namespace tamborix
