// IPersistStreamInit and IPersistStorage: the extent and AutoSize in stream
// form, and the same stream as "Contents" inside a storage. Only a successful
// load clears the requires-save flag; saving leaves it as it is.
#include "module/com_util.h"
#include "module/recorder_object.h"
#include "module/stream_properties.h"

namespace tamborix {
namespace {

constexpr wchar_t kContentsStream[] = L"Contents";

class StreamSource : public ByteSource {
 public:
  explicit StreamSource(IStream* stream) : stream_(stream) {}
  Result ReadExactly(void* buffer, size_t count) override {
    ULONG got = 0;
    const HRESULT hr = IStream_Read(stream_, buffer, static_cast<ULONG>(count), &got);
    if (FAILED(hr)) {
      return hr;
    }
    return got == count ? S_OK : STG_E_READFAULT;
  }

 private:
  IStream* stream_;
};

class StreamSink : public ByteSink {
 public:
  explicit StreamSink(IStream* stream) : stream_(stream) {}
  Result WriteAll(const void* buffer, size_t count) override {
    ULONG written = 0;
    const HRESULT hr = IStream_Write(stream_, buffer, static_cast<ULONG>(count), &written);
    if (FAILED(hr)) {
      return hr;
    }
    return written == count ? S_OK : STG_E_MEDIUMFULL;
  }

 private:
  IStream* stream_;
};

void ToVariant(const StoredVariant& stored, VARIANT* value) {
  VariantInit(value);
  V_VT(value) = stored.type;
  switch (stored.type) {
    case VT_I1:
      V_I1(value) = static_cast<CHAR>(stored.value);
      break;
    case VT_UI1:
      V_UI1(value) = static_cast<BYTE>(stored.value);
      break;
    case VT_I2:
      V_I2(value) = static_cast<SHORT>(stored.value);
      break;
    case VT_BOOL:
      V_BOOL(value) = static_cast<VARIANT_BOOL>(stored.value);
      break;
    case VT_UI2:
      V_UI2(value) = static_cast<USHORT>(stored.value);
      break;
    case VT_I4:
      V_I4(value) = static_cast<LONG>(stored.value);
      break;
    case VT_ERROR:
      V_ERROR(value) = static_cast<SCODE>(stored.value);
      break;
    case VT_UI4:
      V_UI4(value) = static_cast<ULONG>(stored.value);
      break;
    case VT_INT:
      V_INT(value) = static_cast<INT>(stored.value);
      break;
    case VT_UINT:
      V_UINT(value) = static_cast<UINT>(stored.value);
      break;
    default:
      break;  // VT_EMPTY, VT_NULL: no value
  }
}

HRESULT LoadFromStream(RecorderObject* object, IStream* stream) {
  if (stream == nullptr) {
    return E_POINTER;
  }
  StreamSource source(stream);
  StreamProperties properties;
  HRESULT hr = ReadStreamProperties(source, &properties);
  if (FAILED(hr)) {
    return hr;
  }
  object->extent.cx = static_cast<LONG>(properties.cx);
  object->extent.cy = static_cast<LONG>(properties.cy);
  VARIANT autoSize;
  ToVariant(properties.autoSize, &autoSize);
  hr = PutAutoSizeThroughDispatch(object, &autoSize);
  VariantClear(&autoSize);
  if (FAILED(hr)) {
    return hr;
  }
  object->requiresSave = FALSE;
  return S_OK;
}

HRESULT SaveToStream(RecorderObject* object, IStream* stream) {
  if (stream == nullptr) {
    return E_POINTER;
  }
  VARIANT autoSize;
  HRESULT hr = GetAutoSizeThroughDispatch(object, &autoSize);
  if (SUCCEEDED(hr) && V_VT(&autoSize) != VT_BOOL) {
    hr = VariantChangeType(&autoSize, &autoSize, 0, VT_BOOL);
  }
  if (FAILED(hr)) {
    VariantClear(&autoSize);
    return hr;
  }
  StreamProperties properties;
  properties.cx = static_cast<uint32_t>(object->extent.cx);
  properties.cy = static_cast<uint32_t>(object->extent.cy);
  properties.autoSize.type = VT_BOOL;
  properties.autoSize.value = V_BOOL(&autoSize);
  VariantClear(&autoSize);
  StreamSink sink(stream);
  return WriteStreamProperties(sink, properties);
}

HRESULT GiveClassId(CLSID* clsid) {
  if (clsid == nullptr) {
    return E_POINTER;
  }
  *clsid = CLSID_RecorderDialog;
  return S_OK;
}

HRESULT WINAPI Stream_QueryInterface(IPersistStreamInit* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IPersistStreamInit(iface)->outer, riid, out);
}

ULONG WINAPI Stream_AddRef(IPersistStreamInit* iface) {
  return IUnknown_AddRef(impl_from_IPersistStreamInit(iface)->outer);
}

ULONG WINAPI Stream_Release(IPersistStreamInit* iface) {
  return IUnknown_Release(impl_from_IPersistStreamInit(iface)->outer);
}

HRESULT WINAPI Stream_GetClassID(IPersistStreamInit* iface, CLSID* clsid) {
  return GiveClassId(clsid);
}

HRESULT WINAPI Stream_IsDirty(IPersistStreamInit* iface) {
  return impl_from_IPersistStreamInit(iface)->requiresSave ? S_OK : S_FALSE;
}

HRESULT WINAPI Stream_Load(IPersistStreamInit* iface, IStream* stream) {
  return LoadFromStream(impl_from_IPersistStreamInit(iface), stream);
}

HRESULT WINAPI Stream_Save(IPersistStreamInit* iface, IStream* stream, BOOL clearDirty) {
  return SaveToStream(impl_from_IPersistStreamInit(iface), stream);
}

HRESULT WINAPI Stream_GetSizeMax(IPersistStreamInit* iface, ULARGE_INTEGER* size) {
  return E_NOTIMPL;
}

HRESULT WINAPI Stream_InitNew(IPersistStreamInit* iface) {
  return S_OK;
}

HRESULT WINAPI Storage_QueryInterface(IPersistStorage* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IPersistStorage(iface)->outer, riid, out);
}

ULONG WINAPI Storage_AddRef(IPersistStorage* iface) {
  return IUnknown_AddRef(impl_from_IPersistStorage(iface)->outer);
}

ULONG WINAPI Storage_Release(IPersistStorage* iface) {
  return IUnknown_Release(impl_from_IPersistStorage(iface)->outer);
}

HRESULT WINAPI Storage_GetClassID(IPersistStorage* iface, CLSID* clsid) {
  return GiveClassId(clsid);
}

HRESULT WINAPI Storage_IsDirty(IPersistStorage* iface) {
  return impl_from_IPersistStorage(iface)->requiresSave ? S_OK : S_FALSE;
}

HRESULT WINAPI Storage_InitNew(IPersistStorage* iface, IStorage* storage) {
  return S_OK;
}

HRESULT WINAPI Storage_Load(IPersistStorage* iface, IStorage* storage) {
  if (storage == nullptr) {
    return E_POINTER;
  }
  IStream* stream = nullptr;
  HRESULT hr = IStorage_OpenStream(storage, kContentsStream, nullptr,
                                   STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
  if (SUCCEEDED(hr)) {
    hr = LoadFromStream(impl_from_IPersistStorage(iface), stream);
    IStream_Release(stream);
  }
  return hr;
}

HRESULT WINAPI Storage_Save(IPersistStorage* iface, IStorage* storage, BOOL sameAsLoad) {
  if (storage == nullptr) {
    return E_POINTER;
  }
  IStream* stream = nullptr;
  HRESULT hr = IStorage_CreateStream(
      storage, kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
  if (SUCCEEDED(hr)) {
    hr = SaveToStream(impl_from_IPersistStorage(iface), stream);
    IStream_Release(stream);
  }
  return hr;
}

HRESULT WINAPI Storage_SaveCompleted(IPersistStorage* iface, IStorage* storage) {
  return S_OK;
}

HRESULT WINAPI Storage_HandsOffStorage(IPersistStorage* iface) {
  return S_OK;
}

}  // namespace

const IPersistStreamInitVtbl kPersistStreamInitVtbl = {
    Stream_QueryInterface, Stream_AddRef, Stream_Release,    Stream_GetClassID, Stream_IsDirty,
    Stream_Load,           Stream_Save,   Stream_GetSizeMax, Stream_InitNew,
};

const IPersistStorageVtbl kPersistStorageVtbl = {
    Storage_QueryInterface, Storage_AddRef,          Storage_Release, Storage_GetClassID,
    Storage_IsDirty,        Storage_InitNew,         Storage_Load,    Storage_Save,
    Storage_SaveCompleted,  Storage_HandsOffStorage,
};

}  // namespace tamborix
