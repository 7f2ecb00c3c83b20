#include "upload/run_upload.h"

#include <chrono>
#include <memory>
#include <utility>

#include "platform/kernel.h"
#include "platform/socket.h"
#include "platform/threads.h"
#include "platform/window_messages.h"
#include "upload/http_proxy.h"
#include "upload/upload_job_record.h"
#include "upload/upload_outcome.h"
#include "upload/upload_worker.h"

namespace tamborix {
namespace {

std::shared_ptr<UploadJob> NewJob(const RecorderState& state) {
  auto job = std::make_shared<UploadJob>();
  job->session = state.session;
  job->readPath = state.fullPath;
  job->sentPath = state.fullPath;
  job->user = state.user;
  job->domain = state.domain;
  job->host = state.host;
  job->targetDir = state.targetDir;
  job->pDrive = state.pDrive;
  return job;
}

}  // namespace

void SetUploadProgress(PanelWindow& window, int32_t position) {
  window.SendItemMessage(kProgressBar, kPbmSetPos, static_cast<uintptr_t>(position), 0);
}

bool RunUpload(const RecorderState& state, const Platform& platform, PanelWindow& window) {
  return RunUpload(state, platform, window, UploadOptions());
}

bool RunUpload(const RecorderState& state, const Platform& platform, PanelWindow& window,
               const UploadOptions& options) {
  if (platform.kernel == nullptr || platform.sockets == nullptr || platform.threads == nullptr) {
    return false;
  }
  std::shared_ptr<UploadJob> job = NewJob(state);
  window.SendItemMessage(kProgressBar, kPbmSetRange, 0, MakeLParam(0, 100));
  window.ShowItem(kProgressBar, true);

  job->progressEvent = platform.threads->CreateAutoResetEvent(true);
  if (!job->progressEvent) {
    return false;  // nothing to wait on: the upload is not started
  }
  HttpProxy proxy = FindHttpProxy(platform.proxySettings, job->host);
  job->proxyHost = proxy.host;
  job->proxyPort = proxy.port;
  job->deadline =
      std::chrono::steady_clock::now() +
      std::chrono::milliseconds(static_cast<int64_t>(options.sliceMs) * options.maxSlices);
  SetUploadProgress(window, kStartProgress);

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
      SetUploadProgress(window, job->progressPercent.load(std::memory_order_relaxed));
    } else if (result == kWaitFailed) {
      waitFailed = true;
      break;
    }
  }
  if (job->finished.load(std::memory_order_acquire)) {
    return job->succeeded;
  }
  if (!waitFailed) {
    kernel->ShowMessageBox(kTextTimeOut);
  }
  return false;
}

}  // namespace tamborix
