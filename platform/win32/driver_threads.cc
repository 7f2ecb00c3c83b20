#include "platform/win32/driver_threads.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>

namespace tamborix {
namespace {

// NtQueryInformationThread's class for the address the thread was started
// at (what CreateThread was given).
constexpr int kThreadStartAddressClass = 9;
using QueryThreadFunction = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

QueryThreadFunction QueryThread() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll == nullptr ? nullptr
                          : reinterpret_cast<QueryThreadFunction>(reinterpret_cast<void*>(
                                GetProcAddress(ntdll, "NtQueryInformationThread")));
}

// The module that holds `address`, or null.
HMODULE ModuleAt(const void* address) {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      static_cast<LPCSTR>(address), &module);
  return module;
}

}  // namespace

std::vector<uint32_t> ProcessThreadIds() {
  std::vector<uint32_t> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    return ids;
  }
  const DWORD process = GetCurrentProcessId();
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == process) {
      ids.push_back(entry.th32ThreadID);
    }
  }
  CloseHandle(snapshot);
  return ids;
}

std::vector<void*> OpenNewDriverThreads(const std::vector<uint32_t>& before,
                                        const char* moduleName) {
  std::vector<void*> found;
  HMODULE driver = GetModuleHandleA(moduleName);
  const QueryThreadFunction query = QueryThread();
  if (driver == nullptr || query == nullptr) {
    return found;
  }
  for (const uint32_t id : ProcessThreadIds()) {
    if (std::find(before.begin(), before.end(), id) != before.end()) {
      continue;
    }
    HANDLE thread = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, id);
    if (thread == nullptr) {
      continue;
    }
    void* start = nullptr;
    if (query(thread, kThreadStartAddressClass, &start, sizeof start, nullptr) == 0 &&
        start != nullptr && ModuleAt(start) == driver) {
      found.push_back(thread);
    } else {
      CloseHandle(thread);
    }
  }
  return found;
}

}  // namespace tamborix
