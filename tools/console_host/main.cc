// tamborix-console: the recorder control on the in-memory platform, driven by
// a line-oriented script from a file or standard input.
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/platform.h"
#include "platform/posix/posix_proxy_settings.h"
#include "platform/posix/posix_sockets.h"
#include "platform/posix/posix_threads.h"
#include "tools/console_host/console_session.h"

int main(int argc, char** argv) {
  bool network = false;
  const char* script = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::cout << tamborix::kConsoleHelp;
      return 0;
    }
    if (std::strcmp(argv[i], "--network") == 0) {
      network = true;
    } else if (script == nullptr) {
      script = argv[i];
    } else {
      std::cout << tamborix::kConsoleHelp;
      return 2;
    }
  }
  std::ifstream file;
  if (script != nullptr && std::strcmp(script, "-") != 0) {
    file.open(script);
    if (!file) {
      std::cerr << "tamborix-console: cannot read " << script << "\n";
      return 2;
    }
  }

  // Real sockets, the user's proxy variables and real threads, when asked.
  // They outlive the session, so an upload worker never outlives them.
  tamborix::PosixSockets sockets;
  tamborix::PosixProxySettings proxySettings;
  tamborix::PosixThreads threads;
  tamborix::Platform services;
  if (network) {
    services.sockets = &sockets;
    services.proxySettings = &proxySettings;
    services.threads = &threads;
  }
  std::istream& in = file.is_open() ? static_cast<std::istream&>(file) : std::cin;

  int mistakes = 0;
  {
    tamborix::ConsoleSession session(std::cout, std::cerr, services);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      if (!session.RunLine(line)) {
        std::cerr << "  at line " << number << "\n";
        ++mistakes;
      }
    }
  }
  std::cout.flush();
  return mistakes == 0 ? 0 : 1;
}
