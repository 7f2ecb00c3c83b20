// A module of its own that starts a worker through Win32Threads, as the
// control's module starts an upload worker, for thread_unload_test.cc.
#include <windows.h>

#include "platform/win32/win32_threads.h"

namespace {

tamborix::Win32Threads gThreads;

}  // namespace

// Starts a worker that waits for `go`, then returns from its body.
extern "C" __declspec(dllexport) BOOL StartWaitingWorker(HANDLE go) {
  return gThreads.StartThread([go] { WaitForSingleObject(go, INFINITE); }) ? TRUE : FALSE;
}

extern "C" __declspec(dllexport) LONG RunningWorkers() {
  return gThreads.RunningCount();
}
