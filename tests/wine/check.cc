#include "tests/wine/check.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace tamborix_wine {
namespace {

struct Group {
  const char* name;
  GroupBody body;
};

std::vector<Group>& Groups() {
  static std::vector<Group> groups;
  return groups;
}

std::vector<std::string>& Failures() {
  static std::vector<std::string> failures;
  return failures;
}

const char* BaseName(const char* path) {
  const char* base = path;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') {
      base = p + 1;
    }
  }
  return base;
}

}  // namespace

GroupRegistration::GroupRegistration(const char* name, GroupBody body) {
  Groups().push_back({name, body});
}

void Fail(const char* file, int line, const std::string& what) {
  Failures().push_back(std::string(BaseName(file)) + ":" + std::to_string(line) + ": " + what);
}

std::string Hex(long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value) & 0xFFFFFFFFul);
  return text;
}

unsigned TestSeed() {
  const char* given = std::getenv("TAMBORIX_SEED");
  const unsigned seed = given != nullptr ? static_cast<unsigned>(std::strtoul(given, nullptr, 10))
                                         : std::random_device()();
  std::printf("SEED %u\n", seed);
  std::fflush(stdout);
  return seed;
}

int RunGroups(bool (*wanted)(const std::string& name)) {
  int failed = 0;
  // A developer's shortcut: only the groups whose names hold this text.
  const char* only = std::getenv("TAMBORIX_WINE_GROUPS");
  for (const Group& group : Groups()) {
    if ((wanted != nullptr && !wanted(group.name)) ||
        (only != nullptr && std::string(group.name).find(only) == std::string::npos)) {
      continue;
    }
    Failures().clear();
    group.body();
    if (Failures().empty()) {
      std::printf("PASS %s\n", group.name);
    } else {
      ++failed;
      std::string detail;
      for (size_t i = 0; i < Failures().size() && i < 4; ++i) {
        detail += (i > 0 ? "; " : "") + Failures()[i];
      }
      std::printf("FAIL %s: %s\n", group.name, detail.c_str());
    }
    std::fflush(stdout);
  }
  std::printf("DONE\n");
  std::fflush(stdout);
  return failed;
}

}  // namespace tamborix_wine
