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

ThreadPanels& Panels() {
  thread_local ThreadPanels panels;
  return panels;
}

HWND FindOwner() {
  const ThreadPanels& panels = Panels();
  for (auto it = panels.running.rbegin(); it != panels.running.rend(); ++it) {
    if (IsWindow(*it)) {
      return *it;
    }
  }
  for (auto it = panels.open.rbegin(); it != panels.open.rend(); ++it) {
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
  std::vector<HWND>& open = Panels().open;
  open.erase(std::remove(open.begin(), open.end(), panel), open.end());
}

void NotePanelHandlerEntered(HWND panel) {
  Panels().running.push_back(panel);
}

void NotePanelHandlerLeft() {
  Panels().running.pop_back();
}

bool ModalBoxOpen() {
  return Panels().boxes > 0;
}

ModalScope::ModalScope() : owner_(FindOwner()) {
  ++Panels().boxes;
}

ModalScope::~ModalScope() {
  --Panels().boxes;
}

}  // namespace tamborix
