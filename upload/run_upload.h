// RunUpload: the operation behind the panel's UPLOAD button. It moves the
// settings into a fresh UploadJob, starts the progress indicator, finds the
// HTTP proxy, starts the worker and waits for it in slices, moving the
// indicator whenever the worker signals. It gives up after the last slice
// with a message box; the worker then goes on to its own end and nothing
// reads its outcome.
//
// Time limits: the worker gives up on the network by a time limit of its own,
// the panel's budget (slices times slice length) plus a quarter of it and one
// second more, so that the panel, whose slices may each overrun a little,
// normally gives up first. Either way the user sees the one time-out box:
// a worker that ran out of time shows nothing itself, and the panel shows the
// box when it finds that outcome.
//
// Threading: the panel's user-interface thread, which it keeps until it
// returns; the indicator is called on that thread only. The platform's
// kernel and sockets must stay alive until every upload worker has ended,
// which may be after RunUpload returned.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "upload/upload_settings.h"

namespace tamborix {

// Where an upload shows how far it has come (the panel's progress bar).
class UploadProgress {
 public:
  virtual ~UploadProgress() = default;
  // The upload begins: the indicator is shown, counting 0 to 100.
  virtual void Begin() = 0;
  // Moves the indicator to `percent` (0 to 100).
  virtual void Move(int32_t percent) = 0;
};

struct UploadOptions {
  uint32_t sliceMs = 50;      // the longest single wait for the worker
  uint32_t maxSlices = 3600;  // every wait counts, also one cut short by a signal
};

// True when the worker finished with the outcome "OK"; false for any other
// outcome, a time-out, or a failed wait.
bool RunUpload(UploadSettings settings, const Platform& platform, UploadProgress& progress,
               const UploadOptions& options = UploadOptions());

}  // namespace tamborix
