#include "upload/upload_transfer.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "platform/kernel.h"
#include "platform/socket.h"
#include "upload/local_address.h"
#include "upload/reply_reader.h"
#include "upload/upload_outcome.h"
#include "upload/upload_reply.h"
#include "upload/upload_request.h"

namespace tamborix {
namespace {

constexpr size_t kReceiveBlock = 8192;
// How long a failed send waits for the reply a service sent before it
// closed: it is on its way already, or has come.
constexpr int kEarlyReplyWaitMs = 2000;

// Milliseconds left until `deadline`, for one socket call: rounded up, so
// that a call that runs out of time returns only once `deadline` has passed.
uint32_t TimeLeftMs(std::chrono::steady_clock::time_point deadline) {
  if (deadline == std::chrono::steady_clock::time_point::max()) {
    return SocketApi::kNoTimeLimit;
  }
  auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
          .count();
  if (left <= 0) {
    return 0;
  }
  return left >= SocketApi::kNoTimeLimit ? SocketApi::kNoTimeLimit - 1
                                         : static_cast<uint32_t>(left);
}

// True once the worker's own time limit has passed: a network call that
// failed then ran out of time, and the outcome is kOutcomeTimeOut, which the
// panel reports; the worker shows nothing of its own.
bool OutOfTime(const UploadJob& job) {
  return job.deadline != std::chrono::steady_clock::time_point::max() &&
         std::chrono::steady_clock::now() >= job.deadline;
}

// Closes the socket on every way out.
class SocketGuard {
 public:
  explicit SocketGuard(SocketApi& sockets) : sockets_(sockets) {}
  ~SocketGuard() { sockets_.Close(handle_); }
  SocketGuard(const SocketGuard&) = delete;
  SocketGuard& operator=(const SocketGuard&) = delete;
  SocketApi::Handle& handle() { return handle_; }

 private:
  SocketApi& sockets_;
  SocketApi::Handle handle_ = SocketApi::kNoSocket;
};

// Reads the reply into `reply` until it is complete, the service closes,
// kReplyLimit bytes are in or a receive fails; `timeLeftMs` bounds each
// receive. `area` holds at least kReceiveBlock bytes.
ReplyEnd ReadReply(SocketApi& sockets, SocketApi::Handle socket, char* area, ReplyReader* reply,
                   const std::function<uint32_t()>& timeLeftMs) {
  while (reply->Text().size() < kReplyLimit) {
    size_t room = std::min(kReceiveBlock, kReplyLimit - reply->Text().size());
    int64_t received = sockets.Receive(socket, area, room, timeLeftMs());
    if (received < 0) {
      return ReplyEnd::kReceiveFailed;
    }
    if (received == 0) {
      return ReplyEnd::kClosed;
    }
    reply->Feed(area, static_cast<size_t>(received));
    if (reply->Complete()) {
      return ReplyEnd::kComplete;
    }
  }
  return ReplyEnd::kLimitReached;
}

}  // namespace

size_t ChunkSize(uint64_t fileSize) {
  if (fileSize >= 120000) {
    return 60000;
  }
  return std::max<size_t>(static_cast<size_t>(fileSize / 10), 10);
}

int32_t ProgressPercent(uint64_t sent, uint64_t fileSize) {
  if (fileSize == 0) {
    return 100;
  }
  // Stored first, so that an x87 unit cannot keep extra precision.
  volatile double quotient = static_cast<double>(sent) / static_cast<double>(fileSize);
  volatile double percent = quotient * 100.0;
  return static_cast<int32_t>(percent);
}

int ProxyPortNumber(const std::string& portText) {
  if (portText.empty() || portText.size() > 5) {
    return 0;
  }
  int port = 0;
  for (char c : portText) {
    if (c < '0' || c > '9') {
      return 0;
    }
    port = port * 10 + (c - '0');
  }
  return port;
}

std::string SendUpload(UploadJob& job, Kernel& kernel, SocketApi& sockets) {
  UploadRequestInput input;
  input.stamp = kernel.Now();
  input.clientAddress = FirstLocalAddress(sockets, TimeLeftMs(job.deadline));

  std::unique_ptr<ReadableFile> file = kernel.OpenForReading(job.settings.path);
  if (!file) {
    return kOutcomeFileOpenError;
  }
  uint64_t fileSize = 0;
  bool measured = file->Size(&fileSize);
  file.reset();
  if (!measured) {
    return kOutcomeFileOpenError;
  }
  file = kernel.OpenForReading(job.settings.path);
  if (!file) {
    return kOutcomeFileOpenError;
  }

  input.fileSize = fileSize;
  const bool viaProxy = !job.proxyHost.empty();
  input.throughProxy = viaProxy;
  UploadRequest request;
  std::string refusedInput;
  const LeadBytePredicate isLeadByte = [&kernel](unsigned char byte) {
    return kernel.IsLeadByte(byte);
  };
  switch (BuildUploadRequest(job.settings, input, &request, &refusedInput, isLeadByte)) {
    case RequestRefusal::kNone:
      break;
    case RequestRefusal::kUnsafeValue:
      kernel.ShowMessageBox(InvalidValueText(refusedInput));
      return kOutcomeRequestValueError;
    case RequestRefusal::kTooLarge:
      kernel.ShowMessageBox(kTextRequestTooLarge);
      return kOutcomeRequestTooLarge;
  }

  SocketGuard socket(sockets);
  socket.handle() = sockets.Create();
  if (socket.handle() == SocketApi::kNoSocket) {
    kernel.ShowMessageBox(kTextSocketCreateError);
    return kOutcomeSocketError;
  }
  if (!sockets.Connect(socket.handle(), viaProxy ? job.proxyHost : job.settings.host,
                       viaProxy ? ProxyPortNumber(job.proxyPort) : job.settings.servicePort,
                       TimeLeftMs(job.deadline))) {
    if (OutOfTime(job)) {
      return kOutcomeTimeOut;
    }
    kernel.ShowMessageBox(viaProxy ? ProxyConnectErrorText(job.proxyHost, job.proxyPort)
                                   : HostConnectErrorText(job.settings.host));
    return kOutcomeSocketError;
  }

  auto send = [&](const void* data, size_t size) {
    return sockets.SendAll(socket.handle(), data, size, TimeLeftMs(job.deadline));
  };
  std::vector<char> area(kTransferArea);
  // A failed send: the time-out; else the service's own answer when it
  // refused the request and closed before taking all of it; else `outcome`
  // with the message, if any.
  auto sendFailed = [&](const char* outcome, const char* message) -> std::string {
    if (OutOfTime(job)) {
      return kOutcomeTimeOut;
    }
    const auto waitUntil = std::min(job.deadline, std::chrono::steady_clock::now() +
                                                      std::chrono::milliseconds(kEarlyReplyWaitMs));
    ReplyReader early;
    const ReplyEnd end = ReadReply(sockets, socket.handle(), area.data(), &early,
                                   [waitUntil] { return TimeLeftMs(waitUntil); });
    const ReplyVerdict verdict = JudgeReply(early, end);
    if (!early.StatusLine().empty() && verdict.outcome != kOutcomeOk &&
        verdict.outcome != kOutcomeReceiveError) {
      if (!verdict.message.empty()) {
        kernel.ShowMessageBox(verdict.message);
      }
      return verdict.outcome;
    }
    if (message != nullptr) {
      kernel.ShowMessageBox(message);
    }
    return outcome;
  };
  if (!send(request.head.data(), request.head.size())) {
    return sendFailed(kOutcomeSendHeaderError, kTextSendError);
  }
  if (!send(request.bodyPrefix.data(), request.bodyPrefix.size())) {
    return sendFailed(kOutcomeSendParaError, kTextSendError);
  }

  const size_t chunk = ChunkSize(fileSize);
  uint64_t sent = 0;
  uint64_t left = fileSize;
  while (left > 0) {
    size_t wanted = static_cast<size_t>(std::min<uint64_t>(chunk, left));
    size_t count = file->Read(area.data(), wanted);
    if (count == 0) {
      // The file shrank or cannot be read: the body would fall short of
      // its Content-Length.
      return kOutcomeSendParaError;
    }
    if (!send(area.data(), count)) {
      return sendFailed(kOutcomeSendParaError, nullptr);
    }
    sent += count;
    job.ReportProgress(ProgressPercent(sent, fileSize));
    left -= count;
  }
  file.reset();
  job.ReportProgress(100);

  if (!send(request.closing.data(), request.closing.size())) {
    return sendFailed(kOutcomeSendParaError, nullptr);
  }

  ReplyReader reply;
  const ReplyEnd end = ReadReply(sockets, socket.handle(), area.data(), &reply,
                                 [&job] { return TimeLeftMs(job.deadline); });
  ReplyVerdict verdict = JudgeReply(reply, end);
  if (verdict.outcome == kOutcomeReceiveError && OutOfTime(job)) {
    verdict = {kOutcomeTimeOut, ""};
  }
  sockets.Close(socket.handle());
  socket.handle() = SocketApi::kNoSocket;
  if (!verdict.message.empty()) {
    kernel.ShowMessageBox(verdict.message);
  }
  job.Signal();
  return verdict.outcome;
}

}  // namespace tamborix
