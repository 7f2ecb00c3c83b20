// Uploads written byte for byte and sent over a plain loopback connection,
// for the tests that send the storage service what no well-behaved client
// would: cut bodies, wrong lengths, bytes trickling in.
#pragma once

#include <chrono>
#include <string>

namespace tamborix::testing {

// An upload the service accepts: `user` stores `file` as
// <user>/<target>/take.wav.
struct RawUpload {
  RawUpload(const std::string& user, const std::string& target, const std::string& file);

  // The request head, ending with a Content-Length of the body's size plus
  // `lengthChange` and the blank line.
  std::string Head(long lengthChange = 0) const;
  // The head and body as sent.
  std::string Whole() const { return Head() + body; }
  // Where the file's bytes start within Whole().
  size_t FileStart() const;

  std::string query;
  std::string body;  // ends with the closing delimiter
  std::string closingDelimiter;
};

// A connection to `address` port 80, closed when the object goes.
class RawConnection {
 public:
  explicit RawConnection(const std::string& address);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  bool connected() const { return fd_ >= 0; }
  bool Send(const std::string& bytes);
  // Sends `bytes` one at a time, `pause` apart, until all are sent or the
  // peer answers or closes. Returns how many were sent.
  size_t Trickle(const std::string& bytes, std::chrono::milliseconds pause);
  // Tells the peer that nothing more comes.
  void EndSending();
  // The reply: read until it is whole (head plus Content-Length), the peer
  // closes, or 20 s pass. "" when nothing came.
  std::string Reply();

 private:
  int fd_ = -1;
};

}  // namespace tamborix::testing
