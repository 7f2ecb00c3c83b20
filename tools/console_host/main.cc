// tamborix-console: the recorder control on the in-memory platform, driven by
// a line-oriented script from a file or standard input.
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/console_host/console_session.h"

int main(int argc, char** argv) {
  if (argc > 2 ||
      (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))) {
    std::cout << tamborix::kConsoleHelp;
    return argc > 2 ? 2 : 0;
  }
  std::ifstream file;
  if (argc == 2 && std::strcmp(argv[1], "-") != 0) {
    file.open(argv[1]);
    if (!file) {
      std::cerr << "tamborix-console: cannot read " << argv[1] << "\n";
      return 2;
    }
  }
  std::istream& in = file.is_open() ? static_cast<std::istream&>(file) : std::cin;

  int mistakes = 0;
  {
    tamborix::ConsoleSession session(std::cout, std::cerr);
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
