// An HTTP server that gives each request a time limit of its own, from the
// moment a worker takes the connection until the last byte of the body, so
// that a client trickling its bytes is cut off instead of holding a worker.
// Each connection carries one request.
#pragma once

#include <httplib.h>

#include <chrono>

namespace tamborix {

class TimedServer : public httplib::Server {
 public:
  // `workers` connections are served at once; more wait for a free worker.
  TimedServer(std::chrono::milliseconds requestTimeLimit, size_t workers);

  // Lets connections queue up to the system's limit while every worker is
  // busy (the library asks for only a few); call after binding.
  void WidenBacklog();

  // Whether the request served on the calling thread ran out of time; for
  // the handlers, to tell a cut-off client from a short body.
  static bool RequestTimedOut();

 private:
  bool process_and_close_socket(socket_t sock) override;

  std::chrono::milliseconds requestTimeLimit_;
};

}  // namespace tamborix
