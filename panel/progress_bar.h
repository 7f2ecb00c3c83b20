// The panel's progress bar (218), through which an upload shows how far it
// has come.
#pragma once

#include <cstdint>

#include "upload/run_upload.h"

namespace tamborix {

class PanelWindow;

class ProgressBar : public UploadProgress {
 public:
  explicit ProgressBar(PanelWindow& window) : window_(window) {}

  // PBM_SETRANGE 0..100, then the bar is shown.
  void Begin() override;
  // PBM_SETPOS.
  void Move(int32_t percent) override;

 private:
  PanelWindow& window_;
};

}  // namespace tamborix
