// The interfaces the control answers and the members with behaviour:
// class information, property pages, status from the registry, extent and
// AutoSize, the view refresh, quick activation and honest refusals.
#include <objsafe.h>

#include "tests/wine/client_util.h"

namespace tamborix_wine {
namespace {

const IID* const kAnswered[] = {
    &IID_IRecorderDialog,
    &IID_IDispatch,
    &IID_IViewObjectEx,
    &IID_IViewObject2,
    &IID_IViewObject,
    &IID_IOleInPlaceObjectWindowless,
    &IID_IOleInPlaceObject,
    &IID_IOleWindow,
    &IID_IOleInPlaceActiveObject,
    &IID_IOleControl,
    &IID_IOleObject,
    &IID_IPersistStreamInit,
    &IID_IPersist,
    &IID_IConnectionPointContainer,
    &IID_ISpecifyPropertyPages,
    &IID_IQuickActivate,
    &IID_IPersistStorage,
    &IID_IDataObject,
    &IID_IProvideClassInfo,
    &IID_IProvideClassInfo2,
    &IID_IObjectSafety,
    &IID_IPersistPropertyBag,
};

TEST_GROUP(AnswersTheListedInterfaces) {
  Ref<IUnknown> control;
  CHECK_HR(CreateControl(IID_IUnknown, control.OutVoid()), S_OK);
  if (!control) {
    return;
  }
  for (const IID* iid : kAnswered) {
    IUnknown* answer = nullptr;
    CHECK_HR(control->QueryInterface(*iid, reinterpret_cast<void**>(&answer)), S_OK);
    if (answer == nullptr) {
      continue;
    }
    IUnknown* identity = nullptr;
    CHECK_HR(answer->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    CHECK(identity == control.get());
    if (identity != nullptr) {
      identity->Release();
    }
    answer->Release();
  }
  for (const IID* iid : {&IID_IPersistFile, &IID_IOleCache, &IID_IOleLink, &IID_IClassFactory,
                         &IID_IPersistMemory, &DIID__IRecorderDialogEvents}) {
    void* answer = reinterpret_cast<void*>(1);
    CHECK_HR(control->QueryInterface(*iid, &answer), E_NOINTERFACE);
    CHECK(answer == nullptr);
  }
}

TEST_GROUP(ClassInformation) {
  Ref<IProvideClassInfo2> info;
  CHECK_HR(CreateControl(IID_IProvideClassInfo2, info.OutVoid()), S_OK);
  if (!info) {
    return;
  }
  GUID guid = IID_IUnknown;
  CHECK_HR(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &guid), S_OK);
  CHECK(IsEqualGUID(guid, DIID__IRecorderDialogEvents));
  guid = IID_IUnknown;
  CHECK_HR(info->GetGUID(2, &guid), E_FAIL);
  CHECK(IsEqualGUID(guid, GUID_NULL));
  CHECK_HR(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, nullptr), E_POINTER);

  Ref<ITypeInfo> klass;
  CHECK_HR(info->GetClassInfo(klass.Out()), S_OK);
  if (!klass) {
    return;
  }
  TYPEATTR* attributes = nullptr;
  CHECK_HR(klass->GetTypeAttr(&attributes), S_OK);
  if (attributes != nullptr) {
    CHECK(IsEqualGUID(attributes->guid, CLSID_RecorderDialog));
    CHECK(attributes->typekind == TKIND_COCLASS);
    CHECK(attributes->cImplTypes == 2);
    klass->ReleaseTypeAttr(attributes);
  }
  BSTR doc = nullptr;
  CHECK_HR(klass->GetDocumentation(MEMBERID_NIL, nullptr, &doc, nullptr, nullptr), S_OK);
  CHECK(doc != nullptr && std::wstring(doc) == L"RecorderDialog Class");
  SysFreeString(doc);
}

TEST_GROUP(NoPropertyPages) {
  Ref<ISpecifyPropertyPages> pages;
  CHECK_HR(CreateControl(IID_ISpecifyPropertyPages, pages.OutVoid()), S_OK);
  if (!pages) {
    return;
  }
  CAUUID list = {7, reinterpret_cast<GUID*>(1)};
  CHECK_HR(pages->GetPages(&list), S_OK);
  CHECK(list.cElems == 0 && list.pElems == nullptr);
  CHECK_HR(pages->GetPages(nullptr), E_POINTER);
}

TEST_GROUP(MiscStatusFromTheRegistry) {
  Ref<IOleObject> ole;
  CHECK_HR(CreateControl(IID_IOleObject, ole.OutVoid()), S_OK);
  if (!ole) {
    return;
  }
  DWORD status = 0;
  CHECK_HR(ole->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  CHECK(status == 131473);
  status = 1;
  CHECK_HR(ole->GetMiscStatus(DVASPECT_ICON, &status), S_OK);
  CHECK(status == 0);
  CLSID user = IID_IUnknown;
  CHECK_HR(ole->GetUserClassID(&user), S_OK);
  CHECK(IsEqualGUID(user, CLSID_RecorderDialog));
  LPOLESTR type = nullptr;
  CHECK_HR(ole->GetUserType(USERCLASSTYPE_FULL, &type), S_OK);
  CHECK(type != nullptr && std::wstring(type) == L"RecorderDialog Class");
  CoTaskMemFree(type);
}

TEST_GROUP(ExtentAndAutoSize) {
  Ref<IOleObject> ole;
  CHECK_HR(CreateControl(IID_IOleObject, ole.OutVoid()), S_OK);
  Ref<IRecorderDialog> dialog;
  Ref<IViewObjectEx> view;
  REQUIRE(ole && dialog.From(ole.get()) && view.From(ole.get()));

  SIZEL extent = {0, 0};
  CHECK_HR(ole->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  // 236 x 168 dialog units of Verdana 8: some centimetres, wider than high.
  CHECK(extent.cx > 5000 && extent.cx < 20000);
  CHECK(extent.cy > 4000 && extent.cy < 16000);
  CHECK(extent.cx > extent.cy);
  SIZEL viewExtent = {0, 0};
  CHECK_HR(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &viewExtent), S_OK);
  CHECK(viewExtent.cx == extent.cx && viewExtent.cy == extent.cy);
  DVEXTENTINFO mode = {sizeof(DVEXTENTINFO), DVEXTENT_CONTENT, {0, 0}};
  SIZEL natural = {0, 0};
  CHECK_HR(view->GetNaturalExtent(DVASPECT_CONTENT, -1, nullptr, nullptr, &mode, &natural), S_OK);
  CHECK(natural.cx == 5080 && natural.cy == 5080);

  SIZEL other = {3000, 2000};
  CHECK_HR(ole->SetExtent(DVASPECT_CONTENT, &other), S_OK);
  CHECK_HR(ole->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  CHECK(extent.cx == 3000 && extent.cy == 2000);

  VARIANT_BOOL autoSize = VARIANT_TRUE;
  CHECK_HR(dialog->get_AutoSize(&autoSize), S_OK);
  CHECK(autoSize == VARIANT_FALSE);
  CHECK_HR(dialog->put_AutoSize(VARIANT_TRUE), S_OK);
  CHECK_HR(dialog->get_AutoSize(&autoSize), S_OK);
  CHECK(autoSize == VARIANT_TRUE);
  SIZEL bigger = {9000, 9000};
  CHECK_HR(ole->SetExtent(DVASPECT_CONTENT, &bigger), E_FAIL);
  CHECK_HR(ole->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  CHECK(extent.cx == 3000 && extent.cy == 2000);
  SIZEL exact = {5080, 5080};
  CHECK_HR(ole->SetExtent(DVASPECT_CONTENT, &exact), S_OK);
  CHECK_HR(dialog->put_AutoSize(VARIANT_FALSE), S_OK);
  CHECK_HR(ole->SetExtent(DVASPECT_CONTENT, &bigger), S_OK);
  CHECK_HR(ole->SetExtent(DVASPECT_ICON, &bigger), DV_E_DVASPECT);
}

class ViewSink : public TestObject<IAdviseSink> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IAdviseSink)) {
      *out = static_cast<IAdviseSink*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  void STDMETHODCALLTYPE OnDataChange(FORMATETC*, STGMEDIUM*) override { ++dataChanges; }
  void STDMETHODCALLTYPE OnViewChange(DWORD aspect, LONG index) override {
    ++viewChanges;
    lastAspect = aspect;
    lastIndex = index;
  }
  void STDMETHODCALLTYPE OnRename(IMoniker*) override {}
  void STDMETHODCALLTYPE OnSave() override {}
  void STDMETHODCALLTYPE OnClose() override { ++closes; }
  int viewChanges = 0;
  int closes = 0;
  int dataChanges = 0;
  DWORD lastAspect = 0;
  LONG lastIndex = 0;
};

TEST_GROUP(ViewRefreshReachesTheAdviseSink) {
  ViewSink sink;
  {
    Ref<IViewObjectEx> view;
    CHECK_HR(CreateControl(IID_IViewObjectEx, view.OutVoid()), S_OK);
    Ref<IRecorderDialog> dialog;
    REQUIRE(view && dialog.From(view.get()));
    CHECK_HR(view->SetAdvise(DVASPECT_CONTENT, 0, &sink), S_OK);
    DWORD aspects = 0;
    Ref<IAdviseSink> back;
    CHECK_HR(view->GetAdvise(&aspects, nullptr, back.Out()), S_OK);
    CHECK(back.get() == &sink && aspects == DVASPECT_CONTENT);
    back.Reset();

    Bstr name(L"take.wav");
    CHECK_HR(dialog->SetFileName(name.get()), S_OK);
    CHECK(sink.viewChanges == 1);
    CHECK(sink.lastAspect == DVASPECT_CONTENT && sink.lastIndex == -1);
    Bstr bad(L"..\\take.wav");
    CHECK_HR(dialog->SetFileName(bad.get()), E_INVALIDARG);
    CHECK(sink.viewChanges == 1);
    Bstr session(L"s");
    CHECK_HR(dialog->SetSession(session.get()), S_OK);
    CHECK_HR(dialog->SetHost(session.get()), S_OK);
    CHECK(sink.viewChanges == 1);  // the plain setters do not repaint
    Bstr length(L"300");
    CHECK_HR(dialog->SetMaxFileLengthInSecond(length.get()), S_OK);
    CHECK(sink.viewChanges == 2);
    CHECK_HR(dialog->put_AutoSize(VARIANT_TRUE), S_OK);
    CHECK(sink.viewChanges == 3);

    // Data-advise sinks hear of AutoSize too.
    Ref<IDataObject> data;
    if (data.From(view.get())) {
      FORMATETC format = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
      DWORD connection = 0;
      CHECK_HR(data->DAdvise(&format, ADVF_NODATA, &sink, &connection), S_OK);
      CHECK_HR(dialog->put_AutoSize(VARIANT_FALSE), S_OK);
      CHECK(sink.dataChanges == 1);
      CHECK_HR(data->DUnadvise(connection), S_OK);
      STGMEDIUM medium = {};
      CHECK_HR(data->GetData(&format, &medium), E_NOTIMPL);
    }
  }
  CHECK(sink.refs == 1);  // let go when the control went
}

TEST_GROUP(NotActiveInPlace) {
  Ref<IOleObject> ole;
  CHECK_HR(CreateControl(IID_IOleObject, ole.OutVoid()), S_OK);
  Ref<IOleInPlaceObject> inPlace;
  Ref<IOleInPlaceActiveObject> active;
  REQUIRE(ole && inPlace.From(ole.get()) && active.From(ole.get()));
  HWND window = reinterpret_cast<HWND>(1);
  CHECK_HR(inPlace->GetWindow(&window), E_FAIL);
  CHECK(window == nullptr);
  CHECK_HR(active->GetWindow(&window), E_FAIL);
  RECT rect = {0, 0, 10, 10};
  // Without a site there is nothing to activate in.
  CHECK_HR(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, &rect),
           E_INVALIDARG);
  CHECK_HR(ole->DoVerb(OLEIVERB_SHOW, nullptr, nullptr, 0, nullptr, &rect), E_INVALIDARG);
  CHECK_HR(ole->DoVerb(OLEIVERB_HIDE, nullptr, nullptr, 0, nullptr, &rect), S_OK);
  CHECK_HR(ole->DoVerb(7, nullptr, nullptr, 0, nullptr, &rect), OLEOBJ_S_INVALIDVERB);
  CHECK_HR(inPlace->InPlaceDeactivate(), S_OK);
  CHECK_HR(inPlace->SetObjectRects(&rect, &rect), E_UNEXPECTED);

  // OLE advise sinks hear of Close.
  ViewSink sink;
  DWORD connection = 0;
  CHECK_HR(ole->Advise(&sink, &connection), S_OK);
  Ref<IEnumSTATDATA> advises;
  CHECK_HR(ole->EnumAdvise(advises.Out()), S_OK);
  CHECK(advises);
  advises.Reset();
  CHECK_HR(ole->Close(OLECLOSE_NOSAVE), S_OK);
  CHECK(sink.closes == 1);
  CHECK_HR(ole->Unadvise(connection), S_OK);
  CHECK(sink.refs == 1);

  // Drawing while not active fills the given bounds.
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 40, 20);
  HGDIOBJ old = SelectObject(dc, bitmap);
  Ref<IViewObject> view;
  if (view.From(ole.get())) {
    RECTL bounds = {0, 0, 40, 20};
    CHECK_HR(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr,
                        nullptr, 0),
             S_OK);
    CHECK_HR(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, nullptr, nullptr,
                        nullptr, 0),
             E_INVALIDARG);
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST_GROUP(QuickActivation) {
  TestEventSink events;
  {
    Ref<IQuickActivate> quick;
    CHECK_HR(CreateControl(IID_IQuickActivate, quick.OutVoid()), S_OK);
    if (!quick) {
      return;
    }
    QACONTAINER container = {};
    container.cbSize = sizeof container;
    container.pUnkEventSink = &events;
    QACONTROL control = {};
    control.cbSize = sizeof control;
    CHECK_HR(quick->QuickActivate(&container, &control), S_OK);
    CHECK(control.dwMiscStatus == 131473);
    CHECK(control.dwEventCookie == 1);
    CHECK(events.refs == 2);
    SIZEL size = {0, 0};
    CHECK_HR(quick->GetContentExtent(&size), S_OK);
    CHECK(size.cx > 0 && size.cy > 0);
    QACONTROL small = {};
    small.cbSize = 4;
    CHECK_HR(quick->QuickActivate(&container, &small), E_INVALIDARG);
  }
  CHECK(events.refs == 1);
}

}  // namespace
}  // namespace tamborix_wine
