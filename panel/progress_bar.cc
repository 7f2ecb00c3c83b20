#include "panel/progress_bar.h"

#include "platform/panel_window.h"
#include "platform/window_messages.h"

namespace tamborix {

void ProgressBar::Begin() {
  window_.SendItemMessage(kProgressBar, kPbmSetRange, 0, MakeLParam(0, 100));
  window_.ShowItem(kProgressBar, true);
}

void ProgressBar::Move(int32_t percent) {
  window_.SendItemMessage(kProgressBar, kPbmSetPos, static_cast<uintptr_t>(percent), 0);
}

}  // namespace tamborix
