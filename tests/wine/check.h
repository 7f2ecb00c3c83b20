// A small test runner for the programs the Wine tests run: groups of checks,
// each group printed as one line "PASS <group>" or "FAIL <group>: <first
// failures>", and "DONE" at the end, which the runner looks for.
#pragma once

#include <string>

namespace tamborix_wine {

using GroupBody = void (*)();

// Registers a group at start-up; TEST_GROUP does this.
struct GroupRegistration {
  GroupRegistration(const char* name, GroupBody body);
};

// Records a failed check of the running group.
void Fail(const char* file, int line, const std::string& what);

// Runs the registered groups in registration order, those that `wanted`
// accepts when given, and with TAMBORIX_WINE_GROUPS set in the environment
// only those whose names contain it; returns the number of failed groups.
int RunGroups(bool (*wanted)(const std::string& name) = nullptr);

std::string Hex(long value);

// The seed of a randomized group: TAMBORIX_SEED from the environment when
// set, else a new one. Printed as "SEED <n>", which the harness shows with
// the command line that replays it.
unsigned TestSeed();

}  // namespace tamborix_wine

#define TEST_GROUP(name)                                                              \
  static void name##_body();                                                          \
  static ::tamborix_wine::GroupRegistration name##_registration(#name, &name##_body); \
  static void name##_body()

#define CHECK(condition)                                                     \
  do {                                                                       \
    if (!(condition)) ::tamborix_wine::Fail(__FILE__, __LINE__, #condition); \
  } while (0)

// Stops the group when `condition` fails.
#define REQUIRE(condition)                                   \
  do {                                                       \
    if (!(condition)) {                                      \
      ::tamborix_wine::Fail(__FILE__, __LINE__, #condition); \
      return;                                                \
    }                                                        \
  } while (0)

// An HRESULT, shown in hexadecimal.
#define CHECK_HR(actual, expected)                                                         \
  do {                                                                                     \
    const long got_ = static_cast<long>(actual);                                           \
    const long want_ = static_cast<long>(expected);                                        \
    if (got_ != want_)                                                                     \
      ::tamborix_wine::Fail(__FILE__, __LINE__,                                            \
                            std::string(#actual) + " gave " + ::tamborix_wine::Hex(got_) + \
                                ", expected " + ::tamborix_wine::Hex(want_));              \
  } while (0)

// An MCI error number (0 is success), shown in decimal as the device's
// numbers are written.
#define CHECK_MCI(actual, expected)                                                  \
  do {                                                                               \
    const unsigned long got_ = static_cast<unsigned long>(actual);                   \
    const unsigned long want_ = static_cast<unsigned long>(expected);                \
    if (got_ != want_)                                                               \
      ::tamborix_wine::Fail(__FILE__, __LINE__,                                      \
                            std::string(#actual) + " gave " + std::to_string(got_) + \
                                ", expected " + std::to_string(want_));              \
  } while (0)
