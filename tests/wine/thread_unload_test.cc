// A worker started through Win32Threads runs code of its module to its last
// instruction: once everyone else has let go of the module, it stays loaded
// until the worker has ended, and is unloaded then.
#include <windows.h>

#include <string>

#include "tests/wine/check.h"

namespace tamborix_wine {
namespace {

constexpr wchar_t kModuleName[] = L"tamborix_thread_module.dll";

std::wstring NextToThisProgram(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

bool ModuleLoaded() {
  return GetModuleHandleW(kModuleName) != nullptr;
}

TEST_GROUP(WorkerKeepsItsModuleLoaded) {
  HMODULE module = LoadLibraryW(NextToThisProgram(kModuleName).c_str());
  REQUIRE(module != nullptr);
  auto start = reinterpret_cast<BOOL (*)(HANDLE)>(GetProcAddress(module, "StartWaitingWorker"));
  auto running = reinterpret_cast<LONG (*)()>(GetProcAddress(module, "RunningWorkers"));
  REQUIRE(start != nullptr && running != nullptr);
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  REQUIRE(start(go));
  CHECK(running() == 1);
  FreeLibrary(module);
  // Were it gone, the worker would wake up in unmapped code: leave it asleep.
  REQUIRE(ModuleLoaded());
  SetEvent(go);
  for (int i = 0; i < 500 && ModuleLoaded(); ++i) {
    Sleep(10);
  }
  CHECK(!ModuleLoaded());
  CloseHandle(go);
}

}  // namespace
}  // namespace tamborix_wine
