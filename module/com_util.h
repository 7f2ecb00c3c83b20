// Small helpers at the border between COM and the control's C++ logic:
// exceptions never cross a COM call, and COM strings become WideStrings.
#pragma once

#include <new>
#include <string>

#include "module/com_headers.h"
#include "state/recorder_state.h"

namespace tamborix {

// Releases the interface `*pointer` holds, if any, after clearing it, so
// that whatever the release sets off never finds the pointer still set.
template <class Interface>
void ReleaseAndClear(Interface** pointer) {
  if (*pointer != nullptr) {
    IUnknown* unknown = reinterpret_cast<IUnknown*>(*pointer);
    *pointer = nullptr;
    IUnknown_Release(unknown);
  }
}

// Runs `body`, turning an exception into a result code.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// A null BSTR is a null WideString; the length is the BSTR's own.
inline WideString FromBstr(BSTR text) {
  if (text == nullptr) {
    return std::nullopt;
  }
  return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

// A new BSTR the caller frees; null for a null WideString. Sets *failed when
// the allocation failed.
inline BSTR ToBstr(const WideString& text, bool* failed) {
  *failed = false;
  if (!text) {
    return nullptr;
  }
  BSTR copy = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text->data()),
                                static_cast<UINT>(text->size()));
  *failed = copy == nullptr;
  return copy;
}

// The null-terminated wide form of a UTF-16 text, for COM calls.
inline const OLECHAR* OleText(const std::u16string& text) {
  return reinterpret_cast<const OLECHAR*>(text.c_str());
}

}  // namespace tamborix
