// UploadJob: the one record the panel's thread and the upload worker share.
//
// The panel's thread fills every input before the worker starts and never
// writes them again; the worker only reads them. The worker writes
// progressPercent before each signal of progressEvent, and succeeded and
// outcomeText before finished, which it stores with release order; the panel
// reads finished with acquire order and only then succeeded.
//
// Ownership: the panel and the worker each hold the record through a
// shared_ptr, so it and its event live until both are done with it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/threads.h"
#include "upload/upload_settings.h"

namespace tamborix {

// Where the progress bar stands before the worker first reports.
constexpr int32_t kStartProgress = 10;

struct UploadJob {
  std::unique_ptr<AutoResetEvent> progressEvent;  // may be null: nobody watches
  std::atomic<bool> finished{false};
  bool succeeded = false;
  std::atomic<int32_t> progressPercent{kStartProgress};
  std::string proxyHost;  // "" for a direct connection
  std::string proxyPort;
  std::string outcomeText;  // the outcome when it is not "OK"
  UploadSettings settings;
  // The worker gives up on the network when this moment has passed, with the
  // outcome kOutcomeTimeOut and no message of its own.
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();

  // Stores `percent` and signals the event.
  void ReportProgress(int32_t percent) {
    progressPercent.store(percent, std::memory_order_relaxed);
    Signal();
  }
  void Signal() {
    if (progressEvent) {
      progressEvent->Set();
    }
  }
};

}  // namespace tamborix
