// Property-bag, stream and storage persistence.
#include <iterator>
#include <map>
#include <vector>

#include "tests/wine/client_util.h"

namespace tamborix_wine {
namespace {

constexpr HRESULT kMissing = E_INVALIDARG;  // what this bag answers for a missing key

// A property bag in memory that records how it is used.
class MemoryBag : public TestObject<IPropertyBag> {
 public:
  ~MemoryBag() override {
    for (auto& entry : values) {
      VariantClear(&entry.second);
    }
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IPropertyBag)) {
      *out = static_cast<IPropertyBag*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override {
    reads.push_back(name);
    emptyOnEntry = emptyOnEntry && V_VT(value) == VT_EMPTY;
    lastLog = log;
    const auto found = values.find(name);
    if (found == values.end()) {
      return kMissing;
    }
    return VariantCopy(value, &found->second);
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
    writes.push_back(name);
    lastWriteNull = V_VT(value) == VT_BSTR && V_BSTR(value) == nullptr;
    if (failWrites) {
      return E_ACCESSDENIED;
    }
    VARIANT& slot = values[name];
    VariantClear(&slot);
    return VariantCopy(&slot, value);
  }
  void PutText(const wchar_t* name, const wchar_t* text) {
    VARIANT& slot = values[name];
    VariantClear(&slot);
    V_VT(&slot) = VT_BSTR;
    V_BSTR(&slot) = SysAllocString(text);
  }
  void PutNumber(const wchar_t* name, LONG number) {
    VARIANT& slot = values[name];
    VariantClear(&slot);
    V_VT(&slot) = VT_I4;
    V_I4(&slot) = number;
  }
  std::wstring Text(const wchar_t* name) {
    const auto found = values.find(name);
    if (found == values.end() || V_VT(&found->second) != VT_BSTR) {
      return L"<none>";
    }
    BSTR text = V_BSTR(&found->second);
    return text != nullptr ? std::wstring(text, SysStringLen(text)) : L"<null>";
  }
  std::map<std::wstring, VARIANT> values;
  std::vector<std::wstring> reads;
  std::vector<std::wstring> writes;
  bool emptyOnEntry = true;
  bool failWrites = false;
  bool lastWriteNull = false;  // the last write was a null string
  IErrorLog* lastLog = nullptr;
};

struct Control {
  Control() {
    CHECK_HR(CreateControl(IID_IRecorderDialog, dialog.OutVoid()), S_OK);
    bag.From(dialog.get());
  }
  Ref<IRecorderDialog> dialog;
  Ref<IPersistPropertyBag> bag;
};

TEST_GROUP(PropertyBagLoad) {
  {
    Control control;
    REQUIRE(control.bag);
    MemoryBag bag;
    bag.PutText(L"FileName", L"page.wav");
    IErrorLog* log = reinterpret_cast<IErrorLog*>(0x1234);  // handed through, never called
    CHECK_HR(control.bag->Load(&bag, log), kMissing);       // the result of the "PDrive" read
    const std::vector<std::wstring> order = {L"FileName", L"Session", L"TargetDir", L"User",
                                             L"Domain",   L"Host",    L"PDrive"};
    CHECK(bag.reads == order);
    CHECK(bag.emptyOnEntry);
    CHECK(bag.lastLog == log);
    CHECK(SoundFileName(control.dialog.get()) == L"page.wav");
    CHECK(bag.refs == 1);
  }
  {
    Control control;
    REQUIRE(control.bag);
    MemoryBag bag;
    for (const wchar_t* key :
         {L"FileName", L"Session", L"TargetDir", L"User", L"Domain", L"Host", L"PDrive"}) {
      bag.PutText(key, L"v.wav");
    }
    CHECK_HR(control.bag->Load(&bag, nullptr), S_OK);
  }
  {
    // A name with folder parts is skipped like a value of another type.
    Control control;
    REQUIRE(control.bag);
    std::vector<const wchar_t*> names = {L"..\\up.wav", L"C:\\x.wav", L"a/b.wav", L"..",
                                         L"d:e.wav"};
    if (GetACP() == 1252) {
      names.insert(names.end(), std::begin(kCodePageRefusals), std::end(kCodePageRefusals));
    }
    for (const wchar_t* name : names) {
      MemoryBag bag;
      bag.PutText(L"FileName", name);
      CHECK_HR(control.bag->Load(&bag, nullptr), kMissing);
      CHECK(SoundFileName(control.dialog.get()) == L"lumo_default.wav");
    }
    MemoryBag after;
    CHECK_HR(control.bag->Save(&after, FALSE, FALSE), E_FAIL);  // nothing was taken
  }
}

TEST_GROUP(PropertyBagSave) {
  {
    Control control;
    REQUIRE(control.bag);
    MemoryBag out;
    CHECK_HR(control.bag->Save(&out, TRUE, FALSE), E_FAIL);  // nothing loaded
    CHECK(out.writes.empty());
    CHECK_HR(control.bag->Save(&out, TRUE, TRUE), S_OK);  // save-all writes the default too
    CHECK(out.Text(L"FileName") == L"lumo_default.wav");
    CHECK(out.writes.size() == 1);
  }
  {
    // A numeric value is not taken; SetFileName does not make the bag dirty.
    Control control;
    REQUIRE(control.bag);
    Bstr name(L"mine.wav");
    CHECK_HR(control.dialog->SetFileName(name.get()), S_OK);
    MemoryBag in;
    in.PutNumber(L"Session", 42);
    control.bag->Load(&in, nullptr);
    MemoryBag out;
    CHECK_HR(control.bag->Save(&out, FALSE, FALSE), E_FAIL);
    CHECK(out.writes.empty());
  }
  {
    // A loaded default name is not written back without save-all.
    Control control;
    REQUIRE(control.bag);
    MemoryBag in;
    in.PutText(L"FileName", L"lumo_default.wav");
    control.bag->Load(&in, nullptr);
    MemoryBag out;
    CHECK_HR(control.bag->Save(&out, FALSE, FALSE), E_FAIL);
  }
  {
    // Dirty after a load; clear-dirty clears it only when the write succeeds.
    Control control;
    REQUIRE(control.bag);
    MemoryBag in;
    in.PutText(L"FileName", L"new.wav");
    in.PutText(L"Session", L"abc");
    control.bag->Load(&in, nullptr);
    MemoryBag failing;
    failing.failWrites = true;
    CHECK_HR(control.bag->Save(&failing, TRUE, FALSE), E_ACCESSDENIED);
    MemoryBag out;
    CHECK_HR(control.bag->Save(&out, TRUE, FALSE), S_OK);
    CHECK(out.Text(L"FileName") == L"new.wav");
    CHECK(out.writes.size() == 1);  // only "FileName" is ever written
    MemoryBag again;
    CHECK_HR(control.bag->Save(&again, FALSE, FALSE), E_FAIL);
  }
  {
    // An empty name is a name; a null one is written as a null string.
    Control control;
    REQUIRE(control.bag);
    CHECK_HR(control.dialog->SetFileName(nullptr), S_OK);
    MemoryBag out;
    CHECK_HR(control.bag->Save(&out, FALSE, TRUE), S_OK);
    CHECK(out.lastWriteNull);
  }
}

std::vector<BYTE> StreamBytes(IStream* stream) {
  HGLOBAL memory = nullptr;
  std::vector<BYTE> bytes;
  STATSTG stat = {};
  if (FAILED(GetHGlobalFromStream(stream, &memory)) ||
      FAILED(stream->Stat(&stat, STATFLAG_NONAME))) {
    return bytes;
  }
  const BYTE* data = static_cast<const BYTE*>(GlobalLock(memory));
  bytes.assign(data, data + stat.cbSize.QuadPart);
  GlobalUnlock(memory);
  return bytes;
}

DWORD Word(const std::vector<BYTE>& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<DWORD>(bytes[at + 3]) << 24;
}

void Rewind(IStream* stream) {
  LARGE_INTEGER start = {};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
}

TEST_GROUP(StreamRoundTrip) {
  Ref<IPersistStreamInit> saved;
  CHECK_HR(CreateControl(IID_IPersistStreamInit, saved.OutVoid()), S_OK);
  Ref<IRecorderDialog> dialog;
  Ref<IOleObject> ole;
  REQUIRE(saved && dialog.From(saved.get()) && ole.From(saved.get()));
  CLSID clsid = IID_IUnknown;
  CHECK_HR(saved->GetClassID(&clsid), S_OK);
  CHECK(IsEqualGUID(clsid, CLSID_RecorderDialog));
  CHECK_HR(saved->IsDirty(), S_FALSE);
  CHECK_HR(saved->InitNew(), S_OK);
  ULARGE_INTEGER size;
  CHECK_HR(saved->GetSizeMax(&size), E_NOTIMPL);
  SIZEL extent = {4321, 1234};
  CHECK_HR(ole->SetExtent(DVASPECT_CONTENT, &extent), S_OK);
  CHECK_HR(dialog->put_AutoSize(VARIANT_TRUE), S_OK);
  CHECK_HR(saved->IsDirty(), S_OK);

  Ref<IStream> stream;
  CHECK_HR(CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()), S_OK);
  REQUIRE(stream);
  CHECK_HR(saved->Save(stream.get(), TRUE), S_OK);
  CHECK_HR(saved->IsDirty(), S_OK);  // saving does not clear it
  const std::vector<BYTE> bytes = StreamBytes(stream.get());
  REQUIRE(bytes.size() == 16);
  CHECK(Word(bytes, 0) == 0x0300);
  CHECK(Word(bytes, 4) == 4321 && Word(bytes, 8) == 1234);
  CHECK(bytes[12] == VT_BOOL && bytes[13] == 0);
  CHECK(bytes[14] == 0xFF && bytes[15] == 0xFF);

  Ref<IPersistStreamInit> loaded;
  CHECK_HR(CreateControl(IID_IPersistStreamInit, loaded.OutVoid()), S_OK);
  Ref<IRecorderDialog> loadedDialog;
  Ref<IOleObject> loadedOle;
  REQUIRE(loaded && loadedDialog.From(loaded.get()) && loadedOle.From(loaded.get()));
  Rewind(stream.get());
  CHECK_HR(loaded->Load(stream.get()), S_OK);
  VARIANT_BOOL autoSize = VARIANT_FALSE;
  CHECK_HR(loadedDialog->get_AutoSize(&autoSize), S_OK);
  CHECK(autoSize == VARIANT_TRUE);
  SIZEL back = {0, 0};
  CHECK_HR(loadedOle->GetExtent(DVASPECT_CONTENT, &back), S_OK);
  CHECK(back.cx == 4321 && back.cy == 1234);
  CHECK_HR(loaded->IsDirty(), S_FALSE);  // a successful load clears it
  CHECK_HR(loaded->Load(nullptr), E_POINTER);
}

TEST_GROUP(StreamVersionRule) {
  Ref<IPersistStreamInit> control;
  CHECK_HR(CreateControl(IID_IPersistStreamInit, control.OutVoid()), S_OK);
  Ref<IOleObject> ole;
  Ref<IRecorderDialog> dialog;
  REQUIRE(control && ole.From(control.get()) && dialog.From(control.get()));
  CHECK_HR(dialog->put_AutoSize(VARIANT_FALSE), S_OK);
  SIZEL before = {0, 0};
  ole->GetExtent(DVASPECT_CONTENT, &before);

  const BYTE newer[] = {0x01, 0x03, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, VT_BOOL, 0, 0xFF, 0xFF};
  Ref<IStream> stream;
  CHECK_HR(CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()), S_OK);
  REQUIRE(stream);
  stream->Write(newer, sizeof newer, nullptr);
  Rewind(stream.get());
  CHECK_HR(control->Load(stream.get()), E_FAIL);
  SIZEL after = {0, 0};
  ole->GetExtent(DVASPECT_CONTENT, &after);
  CHECK(after.cx == before.cx && after.cy == before.cy);
  CHECK_HR(control->IsDirty(), S_OK);  // a refused load leaves the flag set

  const BYTE truncated[] = {0x00, 0x03, 0, 0, 1, 0};
  Ref<IStream> cut;
  CHECK_HR(CreateStreamOnHGlobal(nullptr, TRUE, cut.Out()), S_OK);
  REQUIRE(cut);
  cut->Write(truncated, sizeof truncated, nullptr);
  Rewind(cut.get());
  CHECK(FAILED(control->Load(cut.get())));
}

TEST_GROUP(StorageRoundTrip) {
  Ref<IStorage> storage;
  CHECK_HR(StgCreateDocfile(
               nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE,
               0, storage.Out()),
           S_OK);
  REQUIRE(storage);
  Ref<IPersistStorage> saved;
  CHECK_HR(CreateControl(IID_IPersistStorage, saved.OutVoid()), S_OK);
  Ref<IRecorderDialog> dialog;
  REQUIRE(saved && dialog.From(saved.get()));
  CHECK_HR(saved->InitNew(storage.get()), S_OK);
  CHECK_HR(dialog->put_AutoSize(VARIANT_TRUE), S_OK);
  CHECK_HR(saved->IsDirty(), S_OK);
  CHECK_HR(saved->Save(storage.get(), TRUE), S_OK);
  CHECK_HR(saved->Save(storage.get(), TRUE), S_OK);  // the stream is made anew
  CHECK_HR(saved->SaveCompleted(nullptr), S_OK);
  CHECK_HR(saved->IsDirty(), S_OK);

  Ref<IStream> contents;
  CHECK_HR(storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                               contents.Out()),
           S_OK);
  if (contents) {
    STATSTG stat = {};
    CHECK_HR(contents->Stat(&stat, STATFLAG_NONAME), S_OK);
    CHECK(stat.cbSize.QuadPart == 16);
    contents.Reset();
  }

  Ref<IPersistStorage> loaded;
  CHECK_HR(CreateControl(IID_IPersistStorage, loaded.OutVoid()), S_OK);
  Ref<IRecorderDialog> loadedDialog;
  REQUIRE(loaded && loadedDialog.From(loaded.get()));
  CHECK_HR(loaded->Load(storage.get()), S_OK);
  VARIANT_BOOL autoSize = VARIANT_FALSE;
  CHECK_HR(loadedDialog->get_AutoSize(&autoSize), S_OK);
  CHECK(autoSize == VARIANT_TRUE);
  CHECK_HR(loaded->IsDirty(), S_FALSE);
  CHECK_HR(loaded->HandsOffStorage(), S_OK);

  Ref<IStorage> empty;
  CHECK_HR(StgCreateDocfile(
               nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE,
               0, empty.Out()),
           S_OK);
  if (empty) {
    CHECK_HR(loaded->Load(empty.get()), STG_E_FILENOTFOUND);
  }
}

}  // namespace
}  // namespace tamborix_wine
