// A scripted HTTP peer on loopback for the upload tests: it accepts
// connections one after another, reads what the client sends and then
// misbehaves (or behaves) as told. It keeps every byte it received.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tamborix::testing {

struct FaultScript {
  enum class Action {
    kReply,          // read the whole request, then write `replyWrites`, then close
    kReplyEarly,     // read the head only, write `replyWrites`, close with the rest unread
    kCloseSilently,  // read the whole request, then close without a byte
    kStall,          // read the whole request, then neither answer nor close
    kResetAfter,     // read `resetAfterBytes`, then reset the connection
    kNeverRead,      // accept, then neither read nor answer nor close
  };
  Action action = Action::kReply;
  std::vector<std::string> replyWrites;  // each written on its own, with a pause between
  int pauseBetweenWritesMs = 50;
  bool keepOpenAfterReply = false;  // with kReply: wait for the client to close
  size_t resetAfterBytes = 0;
};

class FaultServer {
 public:
  explicit FaultServer(FaultScript script);
  ~FaultServer();
  FaultServer(const FaultServer&) = delete;
  FaultServer& operator=(const FaultServer&) = delete;

  // Listens on `address`:`port` (0: any free port); false when it cannot bind.
  bool Start(const std::string& address, int port);
  int port() const { return port_; }

  // Everything received so far, one entry per connection.
  std::vector<std::string> Received() const;
  int Connections() const;
  // Waits until `count` connections have been served to their end.
  bool WaitUntilServed(int count);

  // Closes every connection and stops.
  void Stop();

 private:
  void Serve();
  void Handle(int connection);
  bool WaitReadable(int fd, int timeoutMs);

  FaultScript script_;
  int listener_ = -1;
  int stopPipe_[2] = {-1, -1};
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> received_;
  int served_ = 0;
  std::condition_variable servedChanged_;
};

// The length of a whole HTTP request in `bytes` (head plus Content-Length),
// or 0 while the head is not complete.
size_t WholeRequestLength(const std::string& bytes);

}  // namespace tamborix::testing
