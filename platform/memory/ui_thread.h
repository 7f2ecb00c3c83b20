// The user-interface thread rule of the platform interfaces, checked: the
// thread that built an in-memory object is its user-interface thread, and a
// method that only that thread may call ends the program, naming the method,
// when another thread calls it. Tests see the fault at the call, not as a
// race later.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace tamborix {

class UiThread {
 public:
  UiThread() : owner_(std::this_thread::get_id()) {}

  void Check(const char* method) const {
    if (std::this_thread::get_id() != owner_) {
      std::fprintf(stderr, "tamborix: %s called off the user-interface thread\n", method);
      std::abort();
    }
  }

 private:
  std::thread::id owner_;
};

}  // namespace tamborix
