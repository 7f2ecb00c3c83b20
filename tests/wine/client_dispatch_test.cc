// IRecorderDialog through its interface table and through IDispatch, the
// file-name rule, and the safety options.
#include <objsafe.h>

#include "tests/wine/client_util.h"

namespace tamborix_wine {
namespace {

struct Member {
  const wchar_t* name;
  DISPID dispid;
};

const Member kMembers[] = {
    {L"AutoSize", DISPID_AUTOSIZE},
    {L"SetFileName", 1},
    {L"SetMaxFileLengthInSecond", 2},
    {L"SoundFileName", 3},
    {L"LocalFullFileName", 4},
    {L"SetSession", 5},
    {L"SetDomain", 6},
    {L"SetUser", 7},
    {L"SetTargetDir", 8},
    {L"SetHost", 9},
};

TEST_GROUP(DispatchThroughTypeInformation) {
  Ref<IDispatch> dispatch;
  CHECK_HR(CreateControl(IID_IDispatch, dispatch.OutVoid()), S_OK);
  REQUIRE(dispatch);
  UINT count = 0;
  CHECK_HR(dispatch->GetTypeInfoCount(&count), S_OK);
  CHECK(count == 1);
  CHECK_HR(dispatch->GetTypeInfo(0, 0, nullptr), E_POINTER);
  Ref<ITypeInfo> info;
  CHECK_HR(dispatch->GetTypeInfo(1, 0, info.Out()), DISP_E_BADINDEX);
  CHECK_HR(dispatch->GetTypeInfo(0, 0, info.Out()), S_OK);
  REQUIRE(info);
  TYPEATTR* attributes = nullptr;
  CHECK_HR(info->GetTypeAttr(&attributes), S_OK);
  if (attributes != nullptr) {
    CHECK(IsEqualGUID(attributes->guid, IID_IRecorderDialog));
    CHECK((attributes->wTypeFlags & TYPEFLAG_FDUAL) != 0);
    info->ReleaseTypeAttr(attributes);
  }
  for (const Member& member : kMembers) {
    LPOLESTR name = const_cast<LPOLESTR>(member.name);
    DISPID dispid = 12345;
    CHECK_HR(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &dispid), S_OK);
    if (dispid != member.dispid) {
      Fail(__FILE__, __LINE__, "dispid of member");
    }
  }
  LPOLESTR unknown = const_cast<LPOLESTR>(L"SetPDrive");
  DISPID dispid = 0;
  CHECK_HR(dispatch->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &dispid), DISP_E_UNKNOWNNAME);

  // Late-bound calls.
  VARIANT argument;
  VariantInit(&argument);
  V_VT(&argument) = VT_BSTR;
  V_BSTR(&argument) = SysAllocString(L"late.wav");
  DISPPARAMS params = {&argument, nullptr, 1, 0};
  CHECK_HR(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
           S_OK);
  VariantClear(&argument);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  CHECK_HR(dispatch->Invoke(3, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
           S_OK);
  CHECK(V_VT(&result) == VT_BSTR && std::wstring(V_BSTR(&result)) == L"late.wav");
  VariantClear(&result);
  CHECK_HR(dispatch->Invoke(4, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
           S_OK);
  CHECK(V_VT(&result) == VT_BSTR && std::wstring(V_BSTR(&result)) == L"late.wav");
  VariantClear(&result);

  V_VT(&argument) = VT_BOOL;
  V_BOOL(&argument) = VARIANT_TRUE;
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS putParams = {&argument, &put, 1, 1};
  CHECK_HR(dispatch->Invoke(DISPID_AUTOSIZE, IID_NULL, 0, DISPATCH_PROPERTYPUT, &putParams, nullptr,
                            nullptr, nullptr),
           S_OK);
  CHECK_HR(dispatch->Invoke(DISPID_AUTOSIZE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result,
                            nullptr, nullptr),
           S_OK);
  CHECK(V_VT(&result) == VT_BOOL && V_BOOL(&result) == VARIANT_TRUE);

  // SoundFileName has no put.
  V_VT(&argument) = VT_BSTR;
  V_BSTR(&argument) = SysAllocString(L"x.wav");
  CHECK(FAILED(dispatch->Invoke(3, IID_NULL, 0, DISPATCH_PROPERTYPUT, &putParams, nullptr, nullptr,
                                nullptr)));
  VariantClear(&argument);

  // A refused name reaches a late-bound caller as a failure.
  V_VT(&argument) = VT_BSTR;
  V_BSTR(&argument) = SysAllocString(L"..\\up.wav");
  EXCEPINFO exception = {};
  const HRESULT refused =
      dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, &exception, nullptr);
  CHECK(refused == E_INVALIDARG ||
        (refused == DISP_E_EXCEPTION && exception.scode == E_INVALIDARG));
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  VariantClear(&argument);
}

TEST_GROUP(MembersThroughTheInterfaceTable) {
  Ref<IRecorderDialog> dialog;
  CHECK_HR(CreateControl(IID_IRecorderDialog, dialog.OutVoid()), S_OK);
  REQUIRE(dialog);
  CHECK(SoundFileName(dialog.get()) == L"lumo_default.wav");
  BSTR path = reinterpret_cast<BSTR>(1);
  CHECK_HR(dialog->get_LocalFullFileName(&path), S_OK);
  CHECK(path != nullptr && SysStringLen(path) == 0);  // no path before activation
  SysFreeString(path);
  CHECK_HR(dialog->get_SoundFileName(nullptr), E_POINTER);
  CHECK_HR(dialog->get_AutoSize(nullptr), E_POINTER);

  // Two reads give two strings of their own.
  BSTR first = nullptr;
  BSTR second = nullptr;
  CHECK_HR(dialog->get_SoundFileName(&first), S_OK);
  CHECK_HR(dialog->get_SoundFileName(&second), S_OK);
  CHECK(first != nullptr && second != nullptr && first != second);
  SysFreeString(first);
  CHECK(second != nullptr && std::wstring(second) == L"lumo_default.wav");
  SysFreeString(second);

  CHECK_HR(dialog->SetFileName(nullptr), S_OK);
  CHECK(SoundFileName(dialog.get()) == L"<null>");
  for (const wchar_t* setter : {L"s", L""}) {
    Bstr value(setter);
    CHECK_HR(dialog->SetSession(value.get()), S_OK);
    CHECK_HR(dialog->SetDomain(value.get()), S_OK);
    CHECK_HR(dialog->SetUser(value.get()), S_OK);
    CHECK_HR(dialog->SetTargetDir(value.get()), S_OK);
    CHECK_HR(dialog->SetHost(value.get()), S_OK);
  }
  CHECK_HR(dialog->SetSession(nullptr), S_OK);
  Bstr accepted(L"600");
  CHECK_HR(dialog->SetMaxFileLengthInSecond(accepted.get()), S_OK);
}

TEST_GROUP(FileNamesAreNames) {
  Ref<IRecorderDialog> dialog;
  CHECK_HR(CreateControl(IID_IRecorderDialog, dialog.OutVoid()), S_OK);
  REQUIRE(dialog);
  for (const wchar_t* name : {L"a b.wav", L"x..y.wav",
                              L"\x00f1"
                              L"and\x00fa.wav",
                              L"..wav", L""}) {
    Bstr value(name);
    CHECK_HR(dialog->SetFileName(value.get()), S_OK);
    if (SoundFileName(dialog.get()) != name) {
      Fail(__FILE__, __LINE__, "accepted name not stored");
    }
  }
  Bstr plain(L"keep.wav");
  CHECK_HR(dialog->SetFileName(plain.get()), S_OK);
  for (const wchar_t* name :
       {L"..", L".", L"..\\up.wav", L"a\\b.wav", L"a/b.wav", L"c:x.wav", L"C:\\Windows\\x.wav",
        L"\\\\server\\share\\x.wav", L"tab\there.wav", L"line\nbreak.wav", L"del\x7f.wav"}) {
    Bstr value(name);
    CHECK_HR(dialog->SetFileName(value.get()), E_INVALIDARG);
  }
  if (GetACP() == 1252) {
    for (const wchar_t* name : kCodePageRefusals) {
      Bstr value(name);
      CHECK_HR(dialog->SetFileName(value.get()), E_INVALIDARG);
    }
  }
  CHECK(SoundFileName(dialog.get()) == L"keep.wav");
  BSTR path = nullptr;
  CHECK_HR(dialog->get_LocalFullFileName(&path), S_OK);
  CHECK(path != nullptr && std::wstring(path) == L"keep.wav");
  SysFreeString(path);
}

TEST_GROUP(SafetyOptions) {
  Ref<IObjectSafety> safety;
  CHECK_HR(CreateControl(IID_IObjectSafety, safety.OutVoid()), S_OK);
  REQUIRE(safety);
  DWORD supported = 7;
  DWORD enabled = 7;
  CHECK_HR(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  CHECK(supported == 3 && enabled == 0);
  CHECK_HR(safety->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &enabled), E_POINTER);
  CHECK_HR(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, nullptr), E_POINTER);
  supported = enabled = 7;
  CHECK_HR(safety->GetInterfaceSafetyOptions(IID_IPersistFile, &supported, &enabled),
           E_NOINTERFACE);
  CHECK(supported == 0 && enabled == 0);

  CHECK_HR(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                             INTERFACESAFE_FOR_UNTRUSTED_CALLER),
           S_OK);
  // One options word for the whole control.
  CHECK_HR(safety->GetInterfaceSafetyOptions(IID_IPersistPropertyBag, &supported, &enabled), S_OK);
  CHECK(enabled == INTERFACESAFE_FOR_UNTRUSTED_CALLER);
  CHECK_HR(safety->SetInterfaceSafetyOptions(IID_IPersistPropertyBag, 2, 3), S_OK);
  CHECK_HR(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  CHECK(enabled == 3);
  CHECK_HR(safety->SetInterfaceSafetyOptions(IID_IDispatch, 1, 0), S_OK);
  CHECK_HR(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  CHECK(enabled == 2);
  CHECK_HR(safety->SetInterfaceSafetyOptions(IID_IDispatch, 4, 4), E_FAIL);
  CHECK_HR(safety->SetInterfaceSafetyOptions(IID_IDispatch, 7, 0), E_FAIL);
  CHECK_HR(safety->SetInterfaceSafetyOptions(IID_IPersistFile, 1, 1), E_NOINTERFACE);
  CHECK_HR(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  CHECK(enabled == 2);
}

}  // namespace
}  // namespace tamborix_wine
