#include "platform/win32/win32_modal_owner.h"

#include <algorithm>
#include <vector>

namespace tamborix {
namespace {

struct ThreadPanels {
  std::vector<HWND> open;     // in the order they were opened
  std::vector<HWND> running;  // a panel per handler call, innermost last
  int boxes = 0;
};

// The calling thread's bookkeeping, made on first use and deleted once the
// thread has no open panel, no running handler and no box left. The slot
// itself is a plain pointer: a thread-local object with a destructor would
// be destroyed inside the module's thread-exit callbacks, after the runtime
// has already let go of the thread's storage.
thread_local ThreadPanels* threadPanels = nullptr;

ThreadPanels& Panels() {
  if (threadPanels == nullptr) {
    threadPanels = new ThreadPanels;
  }
  return *threadPanels;
}

void ForgetPanelsIfIdle() {
  ThreadPanels* panels = threadPanels;
  if (panels != nullptr && panels->open.empty() && panels->running.empty() && panels->boxes == 0) {
    threadPanels = nullptr;
    delete panels;
  }
}

HWND FindOwner() {
  const ThreadPanels* panels = threadPanels;
  if (panels == nullptr) {
    return nullptr;
  }
  for (auto it = panels->running.rbegin(); it != panels->running.rend(); ++it) {
    if (IsWindow(*it)) {
      return *it;
    }
  }
  for (auto it = panels->open.rbegin(); it != panels->open.rend(); ++it) {
    if (IsWindow(*it)) {
      return *it;
    }
  }
  return nullptr;
}

}  // namespace

void NotePanelOpened(HWND panel) {
  Panels().open.push_back(panel);
}

void NotePanelClosed(HWND panel) {
  if (threadPanels == nullptr) {
    return;
  }
  std::vector<HWND>& open = threadPanels->open;
  open.erase(std::remove(open.begin(), open.end(), panel), open.end());
  ForgetPanelsIfIdle();
}

void NotePanelHandlerEntered(HWND panel) {
  Panels().running.push_back(panel);
}

void NotePanelHandlerLeft() {
  if (threadPanels == nullptr) {
    return;
  }
  threadPanels->running.pop_back();
  ForgetPanelsIfIdle();
}

bool ModalBoxOpen() {
  return threadPanels != nullptr && threadPanels->boxes > 0;
}

ModalScope::ModalScope() : owner_(FindOwner()) {
  ++Panels().boxes;
}

ModalScope::~ModalScope() {
  --Panels().boxes;
  ForgetPanelsIfIdle();
}

}  // namespace tamborix
