#include "tools/storage_service/timed_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tamborix {
namespace {

using Clock = std::chrono::steady_clock;

// How long one read or write may wait for the socket, as the library's own
// streams do; a read never waits past the request's deadline.
constexpr std::chrono::milliseconds kReadWait{5000};
constexpr std::chrono::milliseconds kWriteWait{5000};

thread_local bool tTimedOut = false;

bool WaitFor(int fd, short events, std::chrono::milliseconds wait) {
  pollfd entry{fd, events, 0};
  int result = 0;
  do {
    result = ::poll(&entry, 1, static_cast<int>(std::max<int64_t>(wait.count(), 0)));
  } while (result < 0 && errno == EINTR);
  return result > 0;
}

void AddressOf(const sockaddr_storage& address, std::string* ip, int* port) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    *port = ntohs(v4->sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    *port = ntohs(v6->sin6_port);
  }
  *ip = text;
}

// The connection's socket, buffered for reading, with reads ending at the
// deadline.
class DeadlineStream : public httplib::Stream {
 public:
  DeadlineStream(socket_t sock, Clock::time_point deadline) : sock_(sock), deadline_(deadline) {}

  bool is_readable() const override {
    if (start_ < end_) {
      return true;
    }
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now());
    return left.count() > 0 && WaitFor(sock_, POLLIN, std::min(left, kReadWait));
  }

  bool is_writable() const override { return WaitFor(sock_, POLLOUT, kWriteWait); }

  ssize_t read(char* ptr, size_t size) override {
    if (start_ == end_) {
      if (!is_readable()) {
        tTimedOut = Clock::now() >= deadline_;
        return -1;
      }
      if (size >= sizeof buffer_) {
        return Receive(ptr, size);
      }
      ssize_t got = Receive(buffer_, sizeof buffer_);
      if (got <= 0) {
        return got;
      }
      start_ = 0;
      end_ = static_cast<size_t>(got);
    }
    size_t taken = std::min(size, end_ - start_);
    std::memcpy(ptr, buffer_ + start_, taken);
    start_ += taken;
    return static_cast<ssize_t>(taken);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (!is_writable()) {
      return -1;
    }
    ssize_t sent = 0;
    do {
      sent = ::send(sock_, ptr, size, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent;
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getpeername(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      AddressOf(address, &ip, &port);
    }
  }

  void get_local_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      AddressOf(address, &ip, &port);
    }
  }

  socket_t socket() const override { return sock_; }

 private:
  ssize_t Receive(char* ptr, size_t size) {
    ssize_t got = 0;
    do {
      got = ::recv(sock_, ptr, size, 0);
    } while (got < 0 && errno == EINTR);
    return got;
  }

  socket_t sock_;
  Clock::time_point deadline_;
  char buffer_[4096];
  size_t start_ = 0;
  size_t end_ = 0;
};

}  // namespace

TimedServer::TimedServer(std::chrono::milliseconds requestTimeLimit, size_t workers)
    : requestTimeLimit_(requestTimeLimit) {
  new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
}

void TimedServer::WidenBacklog() {
  ::listen(svr_sock_, SOMAXCONN);
}

bool TimedServer::RequestTimedOut() {
  return tTimedOut;
}

bool TimedServer::process_and_close_socket(socket_t sock) {
  tTimedOut = false;
  bool served = false;
  {
    DeadlineStream stream(sock, Clock::now() + requestTimeLimit_);
    bool closed = false;
    served = process_request(stream, /*close_connection=*/true, closed, nullptr);
  }
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return served;
}

}  // namespace tamborix
