#include "tests/upload/support/raw_upload.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "tests/upload/support/fault_server.h"

namespace tamborix::testing {
namespace {

constexpr char kBoundary[] = "tamborixRawBoundary";

std::string Field(const std::string& name, const std::string& value) {
  return std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name +
         "\"\r\n\r\n" + value + "\r\n";
}

}  // namespace

RawUpload::RawUpload(const std::string& user, const std::string& target, const std::string& file) {
  query = "asession=s1&auser=" + user + "&adomain=example&taction=user_uploadx_action&pdrive=p" +
          "&target_dir=" + target;
  for (const auto& [name, value] :
       {std::pair<std::string, std::string>{"taction", "user_uploadx_action"},
        {"target_dir", target},
        {"encode_target_dir", target},
        {"filename", "take.wav"},
        {"auser", user},
        {"adomain", "example"},
        {"asession", "s1"},
        {"client_ip", ""},
        {"prog_ver", "   2.6"},
        {"prog_name", "   recorder_upload"}}) {
    body += Field(name, value);
  }
  body += std::string("--") + kBoundary +
          "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"c:\\rec\\take.wav\"\r\n"
          "Content-Type: application/octet-stream\r\n\r\n" +
          file;
  closingDelimiter = std::string("\r\n--") + kBoundary + "--\r\n";
  body += closingDelimiter;
}

std::string RawUpload::Head(long lengthChange) const {
  return "POST /workdesk/handle?" + query +
         " HTTP/1.1\r\nHost: storage\r\nContent-Type: multipart/form-data; boundary=" + kBoundary +
         "\r\nContent-Length: " + std::to_string(static_cast<long>(body.size()) + lengthChange) +
         "\r\n\r\n";
}

size_t RawUpload::FileStart() const {
  return Head().size() + body.find("octet-stream\r\n\r\n") + 16;
}

RawConnection::RawConnection(const std::string& address) {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(80);
  inet_pton(AF_INET, address.c_str(), &peer.sin_addr);
  if (connect(fd_, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
    close(fd_);
    fd_ = -1;
  }
}

RawConnection::~RawConnection() {
  if (fd_ >= 0) {
    close(fd_);
  }
}

bool RawConnection::Send(const std::string& bytes) {
  for (size_t sent = 0; sent < bytes.size();) {
    ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) {
      return false;
    }
    sent += static_cast<size_t>(n);
  }
  return true;
}

size_t RawConnection::Trickle(const std::string& bytes, std::chrono::milliseconds pause) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    pollfd entry{fd_, POLLIN, 0};
    if (poll(&entry, 1, 0) != 0 || !Send(bytes.substr(i, 1))) {
      return i;
    }
    std::this_thread::sleep_for(pause);
  }
  return bytes.size();
}

void RawConnection::EndSending() {
  shutdown(fd_, SHUT_WR);
}

std::string RawConnection::Reply() {
  std::string reply;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (WholeRequestLength(reply) == 0 || reply.size() < WholeRequestLength(reply)) {
    pollfd entry{fd_, POLLIN, 0};
    int ready = poll(&entry, 1, 100);
    if (ready < 0 || std::chrono::steady_clock::now() > giveUp) {
      break;
    }
    if (ready == 0) {
      continue;
    }
    char buffer[4096];
    ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) {
      break;
    }
    reply.append(buffer, static_cast<size_t>(n));
  }
  return reply;
}

}  // namespace tamborix::testing
