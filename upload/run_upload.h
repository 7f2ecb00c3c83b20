// RunUpload: the operation behind the panel's UPLOAD button. It copies the
// settings into a fresh UploadJob, shows and primes the progress bar (218),
// finds the HTTP proxy, starts the worker and waits for it in slices, moving
// the progress bar whenever the worker signals. It gives up after the last
// slice with a message box; the worker then goes on to its own end and
// nothing reads its outcome.
//
// Threading: the panel's user-interface thread, which it keeps until it
// returns. The platform's kernel and sockets must stay alive until every
// upload worker has ended, which may be after RunUpload returned.
#pragma once

#include <cstdint>

#include "state/recorder_state.h"
#include "platform/panel_window.h"
#include "platform/platform.h"

namespace tamborix {

struct UploadOptions {
  uint32_t sliceMs = 50;      // the longest single wait for the worker
  uint32_t maxSlices = 3600;  // every wait counts, also one cut short by a signal
};

// True when the worker finished with the outcome "OK"; false for any other
// outcome, a time-out, or a failed wait.
bool RunUpload(const RecorderState& state, const Platform& platform, PanelWindow& window);
bool RunUpload(const RecorderState& state, const Platform& platform, PanelWindow& window,
               const UploadOptions& options);

// Moves the progress bar (control 218) to `position` (0 to 100).
void SetUploadProgress(PanelWindow& window, int32_t position);

}  // namespace tamborix
