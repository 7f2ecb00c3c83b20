#include "upload/run_upload.h"

#include <chrono>
#include <memory>
#include <utility>

#include "platform/kernel.h"
#include "platform/socket.h"
#include "platform/threads.h"
#include "upload/http_proxy.h"
#include "upload/upload_job.h"
#include "upload/upload_outcome.h"
#include "upload/upload_worker.h"

namespace tamborix {
namespace {

// How long the worker may take: the panel's budget and a clear margin after it.
std::chrono::milliseconds WorkerTimeLimit(const UploadOptions& options) {
  std::chrono::milliseconds budget(static_cast<int64_t>(options.sliceMs) * options.maxSlices);
  return budget + budget / 4 + std::chrono::seconds(1);
}

}  // namespace

bool RunUpload(UploadSettings settings, const Platform& platform, UploadProgress& progress,
               const UploadOptions& options) {
  if (platform.kernel == nullptr || platform.sockets == nullptr || platform.threads == nullptr) {
    return false;
  }
  auto job = std::make_shared<UploadJob>();
  job->settings = std::move(settings);
  progress.Begin();

  job->progressEvent = platform.threads->CreateAutoResetEvent(true);
  if (!job->progressEvent) {
    return false;  // nothing to wait on: the upload is not started
  }
  HttpProxy proxy = FindHttpProxy(platform.proxySettings, job->settings.host);
  job->proxyHost = proxy.host;
  job->proxyPort = proxy.port;
  job->deadline = std::chrono::steady_clock::now() + WorkerTimeLimit(options);
  progress.Move(kStartProgress);

  Kernel* kernel = platform.kernel;
  SocketApi* sockets = platform.sockets;
  if (!platform.threads->StartThread(
          [job, kernel, sockets] { UploadWorker(job, *kernel, *sockets); })) {
    kernel->ShowMessageBox(kTextThreadStartError);
    return false;
  }

  bool waitFailed = false;
  for (uint32_t slice = 0; slice < options.maxSlices; ++slice) {
    if (job->finished.load(std::memory_order_acquire)) {
      break;
    }
    uint32_t result = job->progressEvent->Wait(options.sliceMs);
    if (result == kWaitSignalled) {
      progress.Move(job->progressPercent.load(std::memory_order_relaxed));
    } else if (result == kWaitFailed) {
      waitFailed = true;
      break;
    }
  }
  if (job->finished.load(std::memory_order_acquire)) {
    // The loop may have left before taking the worker's last signal.
    progress.Move(job->progressPercent.load(std::memory_order_relaxed));
    if (job->outcomeText == kOutcomeTimeOut) {
      kernel->ShowMessageBox(kTextTimeOut);
      return false;
    }
    return job->succeeded;
  }
  if (!waitFailed) {
    kernel->ShowMessageBox(kTextTimeOut);
  }
  return false;
}

}  // namespace tamborix
