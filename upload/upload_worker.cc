#include "upload/upload_worker.h"

#include <string>

#include "platform/kernel.h"
#include "platform/socket.h"
#include "upload/upload_outcome.h"
#include "upload/upload_transfer.h"

namespace tamborix {

int UploadWorker(const std::shared_ptr<UploadJob>& job, Kernel& kernel, SocketApi& sockets) {
  std::string outcome;
  if (sockets.Startup()) {
    outcome = SendUpload(*job, kernel, sockets);
    sockets.Cleanup();
  } else {
    kernel.ShowMessageBox(kTextSocketStartupError);
    outcome = kOutcomeSocketError;
  }
  if (IsSuccessOutcome(outcome)) {
    job->succeeded = true;
  } else {
    job->succeeded = false;
    job->outcomeText = outcome;
  }
  job->finished.store(true, std::memory_order_release);
  // Wakes the waiting panel at once instead of at the end of its slice.
  job->Signal();
  return 1;
}

}  // namespace tamborix
