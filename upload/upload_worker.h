// The upload worker thread's body.
#pragma once

#include <memory>

#include "upload/upload_job.h"

namespace tamborix {

class Kernel;
class SocketApi;

// Starts the socket library for this thread, runs SendUpload, stores the
// outcome in `job` (succeeded and outcomeText, then finished), signals the
// event and closes the socket library again. A socket library that cannot
// start ends the upload as a socket error. Returns the thread's exit code 1.
int UploadWorker(const std::shared_ptr<UploadJob>& job, Kernel& kernel, SocketApi& sockets);

}  // namespace tamborix
