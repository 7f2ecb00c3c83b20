#include "tests/upload/support/fault_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace tamborix::testing {

size_t WholeRequestLength(const std::string& bytes) {
  size_t headEnd = bytes.find("\r\n\r\n");
  if (headEnd == std::string::npos) {
    return 0;
  }
  headEnd += 4;
  size_t at = bytes.find("Content-Length: ");
  if (at == std::string::npos || at > headEnd) {
    return headEnd;
  }
  return headEnd + std::strtoull(bytes.c_str() + at + 16, nullptr, 10);
}

FaultServer::FaultServer(FaultScript script) : script_(std::move(script)) {}

FaultServer::~FaultServer() {
  Stop();
}

bool FaultServer::Start(const std::string& address, int port) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) {
    return false;
  }
  int yes = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, address.c_str(), &local.sin_addr);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      listen(listener_, 8) != 0 || pipe2(stopPipe_, O_CLOEXEC) != 0) {
    close(listener_);
    listener_ = -1;
    return false;
  }
  socklen_t length = sizeof local;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length);
  port_ = ntohs(local.sin_port);
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void FaultServer::Stop() {
  if (!thread_.joinable()) {
    return;
  }
  stopping_ = true;
  char byte = 0;
  (void)!write(stopPipe_[1], &byte, 1);
  thread_.join();
  close(listener_);
  close(stopPipe_[0]);
  close(stopPipe_[1]);
}

std::vector<std::string> FaultServer::Received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

int FaultServer::Connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(received_.size());
}

bool FaultServer::WaitUntilServed(int count) {
  std::unique_lock<std::mutex> lock(mutex_);
  return servedChanged_.wait_for(lock, std::chrono::seconds(20), [&] { return served_ >= count; });
}

// True when `fd` can be read; false when Stop was called or time ran out.
bool FaultServer::WaitReadable(int fd, int timeoutMs) {
  pollfd entries[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
  int ready = poll(entries, 2, timeoutMs);
  return ready > 0 && (entries[1].revents & POLLIN) == 0 && (entries[0].revents & POLLIN) != 0;
}

void FaultServer::Serve() {
  while (!stopping_) {
    if (!WaitReadable(listener_, -1)) {
      continue;
    }
    int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection >= 0) {
      Handle(connection);
      close(connection);
      std::lock_guard<std::mutex> lock(mutex_);
      ++served_;
      servedChanged_.notify_all();
    }
  }
}

void FaultServer::Handle(int connection) {
  size_t index;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    index = received_.size();
    received_.emplace_back();
  }
  if (script_.action == FaultScript::Action::kNeverRead) {
    pollfd stop{stopPipe_[0], POLLIN, 0};
    poll(&stop, 1, -1);
    return;
  }
  std::string bytes;
  char area[65536];
  for (;;) {
    size_t whole = WholeRequestLength(bytes);
    if (whole != 0 &&
        (bytes.size() >= whole || script_.action == FaultScript::Action::kReplyEarly)) {
      break;
    }
    if (script_.action == FaultScript::Action::kResetAfter &&
        bytes.size() >= script_.resetAfterBytes) {
      linger hard{1, 0};
      setsockopt(connection, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
      return;
    }
    if (!WaitReadable(connection, -1)) {
      return;
    }
    size_t room = sizeof area;
    if (script_.action == FaultScript::Action::kResetAfter) {
      room = std::min(room, script_.resetAfterBytes - bytes.size());
    }
    ssize_t count = recv(connection, area, room, 0);
    if (count <= 0) {
      break;
    }
    bytes.append(area, static_cast<size_t>(count));
    std::lock_guard<std::mutex> lock(mutex_);
    received_[index] = bytes;
  }
  switch (script_.action) {
    case FaultScript::Action::kReply:
    case FaultScript::Action::kReplyEarly:
      for (size_t i = 0; i < script_.replyWrites.size(); ++i) {
        if (i > 0) {
          WaitReadable(stopPipe_[0], script_.pauseBetweenWritesMs);
        }
        const std::string& piece = script_.replyWrites[i];
        (void)!send(connection, piece.data(), piece.size(), MSG_NOSIGNAL);
      }
      while (script_.keepOpenAfterReply && WaitReadable(connection, -1) &&
             recv(connection, area, sizeof area, 0) > 0) {
      }
      break;
    case FaultScript::Action::kCloseSilently:
    case FaultScript::Action::kResetAfter:
    case FaultScript::Action::kNeverRead:
      break;
    case FaultScript::Action::kStall:
      // Keeps the connection open, reading (and dropping) whatever comes,
      // until the client closes or Stop is called.
      while (WaitReadable(connection, -1) && recv(connection, area, sizeof area, 0) > 0) {
      }
      break;
  }
}

}  // namespace tamborix::testing
